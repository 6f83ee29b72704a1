// src/states/screens.h — the operations and state of the screens other than the game.
#pragma once
#include "ascii/sprite.h"

// Title menu.
extern ASCII_SPRITE *title_sprite;
extern ASCII_SPRITE *menu_pattern;
extern int menu_selection;  // 0 "Game", 1 "Help", 2 "Exit"; -1 while the menu is not shown
extern int menu_scroll;     // the lattice's drift in pixels
void menu_enter();
void menu_exit();
void menu_input();
void menu_update();
void menu_render();

// Help page; also drawn over the paused game.
void help_input();
void help_render();

// Game over and you win.
extern int win_color_index;
void game_over_input();
void game_over_render();
void you_win_enter();
void you_win_exit();
void you_win_input();
void you_win_update();
void you_win_render();

// Victory picture and rolling credits.
constexpr int CREDIT_LINES = 50;
extern ASCII_SPRITE *win_sprite;
extern int credits_x;
extern int credits_y;
void victory_enter();
void victory_exit();
void victory_input();
void victory_update();
void victory_render();
