// src/states/states.h — the screen state machine: one screen at a time, each a row of operations.
//
// Timing, on which the screens rely:
// - change_state runs at once: the exit of the screen being left, then the enter of the new one. It may be
//   called from inside an enter: that nests, and the screen just entered is left again at once (a game whose
//   files do not load changes back to the menu this way). Every change raises transition_count by one.
// - What waits is input and drawing: while transition_count is nonzero no input poll and no frame reaches a
//   screen, and each update works off one change (updating the current screen). So after a change the new
//   screen is updated at least once before its first poll and its first frame.
// - request_quit runs nothing at once. The next update runs the exit of whatever screen is current then (also
//   one changed to after the request) and ends the loop; from then on nothing is dispatched.
#pragma once

// The screens' numbers. Their values are fixed (the tests and the tools use them), so a new screen goes last, just
// above STATE_COUNT, which then counts it by itself. Every number below STATE_COUNT has a row in the table of
// states.cpp (the build fails until the new one has its row), and any other number shows the fallback screen.
enum : int {
    STATE_GAME,       // 0
    STATE_GAME_OVER,  // 1
    STATE_YOU_WIN,    // 2
    STATE_MENU,       // 3
    STATE_VICTORY,    // 4
    STATE_HELP,       // 5
    STATE_COUNT
};

extern int current_state;     // -1 before the first change
extern int previous_state;    // where help and the fallback screen return to
extern int transition_count;  // changes not yet worked off by an update; input and drawing wait meanwhile
extern int quit_pending;      // >0 asked, -1 carried out

// The loop's three calls, and the window's close button: the current screen's own way out (the game ends its
// level), then a quit request; nothing while a quit is pending.
void state_input();
void state_update();
void state_render();
void state_close();

void state_enter();
void state_exit();
void change_state(int new_state);
void request_quit();

// The game's start and end around the loop: enter the title menu; leave whatever screen is current (harmless
// after a quit has already left it).
int game_init();
void game_uninit();
