// src/ascii/draw.h — ASCII sprites drawn as text with the library's 8x8 font, spaces see-through.
#pragma once
#include "app/config.h"
#include "ascii/sprite.h"

// Nonzero sends every row through the library's textout_ex, as the drawing was first written; the game never
// sets it, the benchmarks and the identical-pixels test compare against it.
extern int sprite_draw_textout;

// Draws cells (c0, r0) to (c1, r1) inclusive with the top-left of (c0, r0) at pixel (x, y), clipped at every edge.
void sprite_draw_region(const ASCII_SPRITE *s, BITMAP *bmp, int c0, int r0, int c1, int r1, int x, int y);
// The whole sprite at (x, y). The bitmap comes first here, second in sprite_draw_region.
void sprite_draw(BITMAP *bmp, const ASCII_SPRITE *s, int x, int y);
