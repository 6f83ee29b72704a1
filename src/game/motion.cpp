// src/game/motion.cpp — the ground under the player follows the cars' roofs, couplings and low decks.
#include "game/motion.h"

#include "app/config.h"
#include "app/shell.h"
#include "game/play.h"
#include "game/resources.h"

static int width_of(const ASCII_SPRITE *s) { return s ? s->w : 0; }

void player_find_ground() {
    int rel = player_x - train_x;
    ground_y = train_y;
    long long s = 0, p = 0;  // a long train of very wide cars must not overflow
    int cw = width_of(connector_sprite);
    for (int i = 0; i < level_attr->car_count; i++) {
        switch (level_attr->cars[i]) {
            case CAR_COACH:
            case CAR_COACH3: {
                int w = width_of(level_attr->cars[i] == CAR_COACH ? coach_sprite : coach3_sprite);
                p += (w - 2) * CELL_W;
                if (s <= rel && rel <= p) return;
                p += cw * CELL_W;
                if (s <= rel && rel <= p) {
                    ground_y = train_y + 24;  // down on the coupling, three rows below the roof
                    return;
                }
                p += CELL_W;
                break;
            }
            case CAR_COACH2: {
                p += (width_of(coach2_sprite) - 4) * CELL_W;
                if (s <= rel && rel <= p) {
                    ground_y = train_y + 16;  // the low deck
                    return;
                }
                s = p;
                p += 16;
                if (s <= rel && rel <= p) return;  // the raised end
                p += cw * CELL_W;
                if (s <= rel && rel <= p) {
                    ground_y = train_y + 24;
                    return;
                }
                p += CELL_W;
                break;
            }
            case CAR_ENGINE:
                p += (width_of(engine_sprite) - 2) * CELL_W;
                // From four cells into the engine on, everything is the goal.
                if (rel >= s + 32) {
                    ground_y = train_y + 24;
                    if (player_y - ground_y <= 16) at_engine++;
                    return;
                }
                if (s <= rel && rel <= p) return;
                break;
            default: break;
        }
        s = p;
    }
}

void player_tick() {
    player_find_ground();
    if (player_x - camera_x + 32 <= 0) {  // left behind by the camera
        game_over++;
        return;
    }
    if (player_x <= train_x) {  // off the back of the train
        game_over++;
        return;
    }
    if (at_engine) {
        level_complete++;
        return;
    }
    if (jump_ticks > 0) {
        jump_ticks--;
        player_y--;
        return;
    }
    if (player_y < ground_y) {
        player_y++;
        return;
    }
    if (player_y == ground_y) {
        if (player_pose != POSE_CROUCH) player_pose = POSE_RUN;
        return;
    }
    // Walking from a coupling onto the next roof lifts him at once.
    player_y = ground_y;
}

void train_tick() {
    if (elapsed_ticks % 4 == 0) {
        // The train carries the player, in the air too.
        train_x += current_level + 2;
        player_x += current_level + 2;
    }
    if (train_x >= world_width + SCREEN_W) game_over++;
}

void player_jump() {
    if (player_pose == POSE_JUMP) return;
    if (player_pose == POSE_CROUCH) {
        player_pose = POSE_RUN;
        return;
    }
    player_pose = POSE_JUMP;
    jump_ticks = JUMP_TICKS;
}

void player_crouch() { player_pose = POSE_CROUCH; }

void player_run_right() {
    if (player_pose != POSE_JUMP) player_pose = POSE_RUN;
    player_x++;
    int half = dbuffer->w / 2;
    if (player_x - camera_x > half) camera_x = player_x - half;
    camera_clamp_max_x();
}

void player_place() {
    player_x = train_x + 10;
    player_find_ground();
    player_y = ground_y;
    player_pose = POSE_RUN;
    at_engine = 0;
}

void player_reset() {
    player_x = player_y = ground_y = jump_ticks = at_engine = 0;
    if (player_pose != POSE_JUMP) player_pose = POSE_RUN;
}

void train_place() {
    train_x = dbuffer->w / 2;
    train_y = dbuffer->h / 2 - 8 * CELL_H + world_height;
}

void train_reset() { train_x = train_y = 0; }

void camera_reset() {
    camera_min_y = SCREEN_H / 2 < world_height / 2 ? SCREEN_H / 2 : world_height / 2;
    camera_max_x = world_width - SCREEN_W / 2 - 1;
    if (camera_max_x < 0) camera_max_x = world_width / 2;
    camera_max_y = world_height - SCREEN_H / 2 - 1;
    if (camera_max_y < 0) camera_max_y = world_height / 2;
    camera_x = 0;
    camera_y = camera_max_y;
}

void camera_clamp_max_x() {
    if (camera_x > camera_max_x) camera_x = camera_max_x;
}

void camera_clamp_min_y() {
    if (camera_y < camera_min_y) camera_y = camera_min_y;
}

void camera_clamp_max_y() {
    if (camera_y > camera_max_y) camera_y = camera_max_y;
}
