// tests/perf/reference_draw.h — sprite drawing as it was first written: one textout_ex per row of cells.
#pragma once
#include "app/config.h"
#include "ascii/sprite.h"

// Same arguments and clipping as sprite_draw_region.
void reference_draw_region(const ASCII_SPRITE *s, BITMAP *bmp, int c0, int r0, int c1, int r1, int x, int y);
