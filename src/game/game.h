// src/game/game.h — the game screen's five operations, as the state machine calls them.
#pragma once

void game_enter();   // loads the level list, sprites and music, starts the first level
void game_exit();    // frees all of it; harmless twice
void game_input();   // held keys act once per poll
void game_update();  // one logic tick of the world
void game_render();  // backdrop, train, player and clock into dbuffer
