// src/states/menu.cpp — the title menu: title picture over a drifting lattice, three items.
#include "app/shell.h"
#include "ascii/draw.h"
#include "states/screens.h"
#include "states/states.h"

ASCII_SPRITE *title_sprite = nullptr;
ASCII_SPRITE *menu_pattern = nullptr;
int menu_selection = -1;
int menu_scroll = 0;

static const char *const item_labels[] = {"Game", "Help", "Exit"};
static const int item_y[] = {150, 170, 190};
static constexpr int ITEM_COUNT = 3;

void menu_enter() {
    // A missing title leaves the slot null: the menu still works, without the picture.
    title_sprite = sprite_load_data("Sprites", "Game", "title.txt");

    int cols = (dbuffer->w + CELL_W - 1) / CELL_W;
    int rows = (dbuffer->h + CELL_H - 1) / CELL_H;
    menu_pattern = sprite_create(cols, rows);
    if (menu_pattern) {
        for (int r = 0; r < rows; r++)
            for (int c = 0; c < cols; c++) menu_pattern->cells[r * cols + c] = (c + r) % 2 == 0 ? '/' : '\\';
        menu_pattern->r = menu_pattern->g = menu_pattern->b = 191;
        menu_pattern->a = 255;
    }
    menu_selection = 0;
    menu_scroll = 0;
}

void menu_exit() {
    sprite_destroy(title_sprite);
    title_sprite = nullptr;
    sprite_destroy(menu_pattern);
    menu_pattern = nullptr;
    menu_selection = -1;
    menu_scroll = 0;
}

void menu_update() {
    menu_scroll++;
    if (menu_scroll >= dbuffer->w) menu_scroll = 0;
}

void menu_input() {
    if (!keypressed()) return;
    switch (readkey() >> 8) {
        case KEY_ENTER:
            if (menu_selection == 0) {
                change_state(STATE_GAME);
            } else if (menu_selection == 1) {
                change_state(STATE_HELP);
            } else if (menu_selection == 2) {
                request_quit();
                return;
            }
            break;
        case KEY_UP: menu_selection--; break;
        case KEY_DOWN: menu_selection++; break;
        default: break;
    }
    if (menu_selection < 0) menu_selection = 0;
    if (menu_selection > ITEM_COUNT - 1) menu_selection = ITEM_COUNT - 1;
}

void menu_render() {
    clear_to_color(dbuffer, makecol(220, 220, 220));
    if (menu_pattern) {
        sprite_draw(dbuffer, menu_pattern, menu_scroll, 0);
        sprite_draw(dbuffer, menu_pattern, menu_scroll - menu_pattern->w * CELL_W, 0);
    }
    if (title_sprite) sprite_draw(dbuffer, title_sprite, (dbuffer->w - title_sprite->w * CELL_W) / 2, 30);
    for (int i = 0; i < ITEM_COUNT; i++) {
        int colour = i == menu_selection ? makecol(255, 0, 0) : makecol(64, 0, 0);
        textout_centre_ex(dbuffer, font, item_labels[i], dbuffer->w / 2, item_y[i], colour, -1);
    }
}
