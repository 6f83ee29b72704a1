// src/game/game.h — the game screen's operations, as the state machine calls them. There is no game.cpp: enter, exit
// and close are in play.cpp, input and update in update.cpp, render in render.cpp.
#pragma once

void game_enter();   // loads the level list, sprites and music, starts the first level
void game_exit();    // frees all of it; harmless twice
void game_input();   // held keys act once per poll
void game_update();  // one logic tick of the world
void game_render();  // backdrop, train, player and clock into dbuffer
void game_close();   // the window is being closed: end the level and leave for the menu, as ESC does
