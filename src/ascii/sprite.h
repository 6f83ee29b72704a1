// src/ascii/sprite.h — ASCII-art pictures: one colour, a rectangle of character cells.
#pragma once
#include <cstdio>

struct ASCII_SPRITE {
    int w, h;        // size in cells, both at least 1
    char *cells;     // w * h characters, row by row; ' ' is an empty cell
    int r, g, b, a;  // the one colour; a is 255 for a sprite read from a file
};

// The most cells one sprite may hold; a larger header is treated as unreadable instead of tried.
constexpr long long SPRITE_MAX_CELLS = 1LL << 24;

ASCII_SPRITE *sprite_create(int w, int h);  // all cells blank; null if a size is below 1, too large or memory runs out
void sprite_destroy(ASCII_SPRITE *s);       // accepts null
ASCII_SPRITE *sprite_load(FILE *f);         // reads one sprite; never closes f
void sprite_fill(ASCII_SPRITE *s, char c);
void sprite_clear(ASCII_SPRITE *s);
void sprite_copy_rect(const ASCII_SPRITE *src, ASCII_SPRITE *dst, int sx, int sy, int dx, int dy, int cw, int ch);

// Opens Data/<dir>/<group>/<file>, loads the sprite and closes the file; null if it cannot be opened or read.
ASCII_SPRITE *sprite_load_data(const char *dir, const char *group, const char *file);
