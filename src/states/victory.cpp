// src/states/victory.cpp — the victory picture with the credits rolling up beside it.
#include "app/shell.h"
#include "ascii/draw.h"
#include "states/screens.h"
#include "states/states.h"

ASCII_SPRITE *win_sprite = nullptr;
int credits_x = 0;
int credits_y = 0;

struct CREDIT {
    int line, style;
    const char *text;
};
// Every line not listed is empty.
static const CREDIT credits[] = {
    {6, 0, "Roofrunner"},      {8, 0, "was made in Allegro"},
    {15, 1, "Programmed By"},  {17, 2, "Vorel"},
    {24, 1, "Designed By"},    {26, 2, "Vorel"},
    {33, 1, "Many Thanks to"}, {35, 2, "Allegro Developers"},
    {36, 2, "#allegro"},       {43, 3, "Thank you for playing"},
};

static char credit_lines[CREDIT_LINES][256];
static int credit_styles[CREDIT_LINES];

static void credits_build() {
    for (int i = 0; i < CREDIT_LINES; i++) {
        credit_lines[i][0] = '\0';
        credit_styles[i] = 2;
    }
    for (const CREDIT &c : credits) {
        snprintf(credit_lines[c.line], sizeof credit_lines[c.line], "%s", c.text);
        credit_styles[c.line] = c.style;
    }
}

static const int style_colors[4][3] = {{240, 160, 96}, {255, 0, 0}, {32, 32, 32}, {0, 192, 192}};

void victory_enter() {
    credits_build();
    win_sprite = sprite_load_data("Sprites", "Game", "win.txt");
    // Without the picture the credits take the middle of the whole page.
    int picture_w = win_sprite ? win_sprite->w * CELL_W : 0;
    credits_x = (picture_w + dbuffer->w) / 2;
    credits_y = dbuffer->h;
}

void victory_exit() {
    credits_x = 0;
    credits_y = 0;
    sprite_destroy(win_sprite);
    win_sprite = nullptr;
}

void victory_update() {
    credits_y--;
    if (credits_y + CELL_H * CREDIT_LINES <= 0) change_state(STATE_MENU);
}

void victory_input() {
    if (key[KEY_ESC]) change_state(STATE_MENU);
}

void victory_render() {
    clear_to_color(dbuffer, makecol(220, 220, 220));
    sprite_draw(dbuffer, win_sprite, 0, 0);
    for (int i = 0; i < CREDIT_LINES; i++) {
        int s = credit_styles[i];
        if (s < 0 || s > 3) continue;
        int colour = makecol(style_colors[s][0], style_colors[s][1], style_colors[s][2]);
        textout_centre_ex(dbuffer, font, credit_lines[i], credits_x, credits_y + CELL_H * i, colour, -1);
    }
}
