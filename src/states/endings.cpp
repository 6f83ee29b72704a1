// src/states/endings.cpp — the one-line screens that end a game: game over, and you win in cycling colours.
#include "app/shell.h"
#include "states/screens.h"
#include "states/states.h"

int win_color_index = 0;

static const int win_colors[16][3] = {
    {255, 12, 0},  {255, 101, 0},  {255, 101, 0},  {255, 158, 0}, {255, 211, 0}, {255, 255, 0},
    {173, 223, 8}, {8, 207, 16},   {8, 207, 16},   {8, 142, 206}, {8, 142, 206}, {8, 81, 206},
    {41, 12, 206}, {140, 12, 206}, {206, 12, 123}, {255, 12, 0},
};

static int enter_pressed() {
    if (!keypressed()) return 0;
    return (readkey() & ~0xff) == (KEY_ENTER << 8);
}

void game_over_input() {
    if (enter_pressed()) change_state(STATE_MENU);
}

void game_over_render() {
    textout_centre_ex(dbuffer, font, "G A M E  O V E R", dbuffer->w / 2, 236, makecol(255, 0, 0), -1);
}

void you_win_enter() { win_color_index = 0; }
void you_win_exit() { win_color_index = 0; }
void you_win_update() { win_color_index = (win_color_index + 1) % 16; }

void you_win_input() {
    if (enter_pressed()) change_state(STATE_VICTORY);
}

void you_win_render() {
    const int *c = win_colors[win_color_index];
    textout_centre_ex(dbuffer, font, "Y O U   W I N", dbuffer->w / 2, 236, makecol(c[0], c[1], c[2]), -1);
}
