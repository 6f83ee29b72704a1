// src/level/level_render.h — the level's backdrop: background colour and parallax picture layers.
#pragma once
#include "app/config.h"
#include "level/level.h"

extern int debug_mode;  // nonzero prints the camera position; 0 in every build

int level_renderer_init();
void level_renderer_quit();
void level_draw(BITMAP *bmp, const LEVEL *level, int cam_x, int cam_y, int debug);
void level_draw_layer(BITMAP *bmp, const ASCII_SPRITE *layer, const LEVEL_ATTR *attr, int cam_x, int cam_y, int k,
                      int debug);
