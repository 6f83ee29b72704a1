// src/game/render.cpp — everything is ASCII art; solid backing fills keep the backdrop out of the train.
#include "game/render.h"

#include <cstdio>

#include "app/shell.h"
#include "ascii/draw.h"
#include "game/game.h"
#include "game/motion.h"
#include "game/play.h"
#include "game/resources.h"
#include "level/level_render.h"
#include "states/screens.h"

void game_render() {
    if (help_overlay) {
        help_render();
        return;
    }
    level_draw(dbuffer, levels[current_level], camera_x, camera_y, debug_mode);
    game_scene_draw(dbuffer, camera_x, camera_y);
}

void game_scene_draw(BITMAP *bmp, int cam_x, int cam_y) {
    int colour = makecol(level_attr->bg_r, level_attr->bg_g, level_attr->bg_b);

    int piece = track_sprite->w * CELL_W;
    int unit = level_attr->unit_w;
    // The strip moves by one unit of the world and then jumps back, so it seems to roll past forever.
    int x0 = unit != 0 ? -(cam_x % unit) : 0;
    int count = bmp->w / piece + (x0 != 0 ? 1 : 0);
    track_draw(bmp, x0, train_y + 3 * CELL_H - cam_y, count, colour);

    train_draw(bmp, train_x - cam_x, train_y - cam_y, level_attr->car_count, level_attr->cars, colour);
    player_draw(bmp, player_x - cam_x, player_y - cam_y);
    clock_draw(bmp, 120, 0);
}

void track_draw(BITMAP *bmp, int x, int y, int count, int colour) {
    int tw = track_sprite->w * CELL_W, th = track_sprite->h * CELL_H;
    for (int i = 0; i < count; i++) {
        rectfill(bmp, x, y, x + tw, y + th, colour);
        sprite_draw(bmp, track_sprite, x, y);
        x += tw;
    }
}

void train_draw(BITMAP *bmp, int x, int y, int car_count, const int *cars, int colour) {
    int cw = connector_sprite->w;
    for (int i = 0; i < car_count; i++) {
        if (x >= bmp->w) break;  // the rest of the train is off to the right; adding on could overflow
        const ASCII_SPRITE *car = nullptr;
        switch (cars[i]) {
            case CAR_COACH: car = coach_sprite; break;
            case CAR_COACH2: car = coach2_sprite; break;
            case CAR_COACH3: car = coach3_sprite; break;
            case CAR_ENGINE: {
                int ew = engine_sprite->w;
                // The cab, then the body: the body's fill is sized by the ordinary coach.
                rectfill(bmp, x, y, x + 48, y + 16, colour);
                rectfill(bmp, x, y + 16, x + (coach_sprite->w - 3) * CELL_W, y + (coach_sprite->h - 1) * CELL_H,
                         colour);
                sprite_draw(bmp, engine_sprite, x, y);
                smoke_draw(bmp, x + (ew - 3) * CELL_W, y + CELL_H);
                x += ew * CELL_W;
                continue;
            }
            default: continue;
        }
        int w = car->w, h = car->h;
        // The low-deck coach is open above its lowest rows.
        int top = cars[i] == CAR_COACH2 ? y + (h - 4) * CELL_H : y;
        rectfill(bmp, x, top, x + (w - 1) * CELL_W, y + (h - 1) * CELL_H, colour);
        sprite_draw(bmp, car, x, y);
        // The connector covers the car's last column.
        x += (w - 1) * CELL_W;
        sprite_draw(bmp, connector_sprite, x, y);
        x += cw * CELL_W;
    }
}

void smoke_draw(BITMAP *bmp, int x, int y) {
    static const char puffs[] = ",.;:'\"";
    int grey = rand() % 21 + 160;
    smoke_sprite->r = smoke_sprite->g = smoke_sprite->b = grey;
    char c = puffs[rand() % 6];
    int row = rand() % smoke_sprite->h;
    int col = rand() % smoke_sprite->w;
    smoke_sprite->cells[row * smoke_sprite->w + col] = c;
    sprite_draw(bmp, smoke_sprite, x, y - 3 * CELL_H);
}

void player_draw(BITMAP *bmp, int x, int y) {
    switch (player_pose) {
        case POSE_RUN: sprite_draw(bmp, player_sprite, x, y - (player_sprite->h - 1) * CELL_H); break;
        case POSE_JUMP: sprite_draw(bmp, player_jump_sprite, x, y - (player_jump_sprite->h - 1) * CELL_H); break;
        // The crouching figure hangs from the standing figure's top line.
        case POSE_CROUCH: sprite_draw(bmp, player_crouch_sprite, x, y - (player_sprite->h - 1) * CELL_H); break;
        default: break;
    }
}

void clock_draw(BITMAP *bmp, int x, int y) {
    int s = time_left / LPS;
    char text[32];  // room for any two ints
    snprintf(text, sizeof text, "%02d:%02d", s / 60, s % 60);
    int step = numbers_sprite->w * CELL_W;
    for (const char *p = text; *p; p++) {
        int g = -1;
        if (*p >= '0' && *p <= '9')
            g = *p - '0';
        else if (*p == ':')
            g = 10;
        if (g >= 0) sprite_draw_region(numbers_sprite, bmp, 0, 6 * g, numbers_sprite->w - 1, 6 * g + 5, x, y);
        x += step;
    }
}
