// src/game/render.h — the game scene: track, train with smoke, player and the countdown clock.
#pragma once
#include "app/config.h"

void game_scene_draw(BITMAP *bmp, int cam_x, int cam_y);
void track_draw(BITMAP *bmp, int x, int y, int count, int colour);
void train_draw(BITMAP *bmp, int x, int y, int car_count, const int *cars, int colour);
void smoke_draw(BITMAP *bmp, int x, int y);
void player_draw(BITMAP *bmp, int x, int y);
void clock_draw(BITMAP *bmp, int x, int y);
