// src/states/states.h — the screen state machine: one screen at a time, changes carried out at the tick.
#pragma once

constexpr int STATE_GAME = 0;
constexpr int STATE_GAME_OVER = 1;
constexpr int STATE_YOU_WIN = 2;
constexpr int STATE_MENU = 3;
constexpr int STATE_VICTORY = 4;
constexpr int STATE_HELP = 5;

extern int current_state;     // -1 before the first change
extern int previous_state;    // where help and the fallback screen return to
extern int transition_count;  // changes not yet worked off by an update; input and drawing wait meanwhile
extern int quit_pending;      // >0 asked, -1 carried out

void state_input();
void state_update();
void state_render();
void state_enter();
void state_exit();
void change_state(int new_state);
void request_quit();
