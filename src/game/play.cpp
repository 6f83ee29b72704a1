// src/game/play.cpp — starting and ending levels, the end-of-tick checks, entering and leaving the game.
#include "game/play.h"

#include <climits>

#include "app/config.h"
#include "app/log.h"
#include "app/shell.h"
#include "game/game.h"
#include "game/motion.h"
#include "game/resources.h"
#include "level/level_render.h"
#include "states/states.h"

LEVEL_ATTR *level_attr = nullptr;
int world_width = 0, world_height = 0;
int time_left = 0;
int elapsed_ticks = 0;
int game_over = 0, level_complete = 0, game_won = 0;
int camera_x = 0, camera_y = 0;
int camera_max_x = 0, camera_min_y = 0, camera_max_y = 0;
int train_x = 0, train_y = 0;
int player_x = 0, player_y = 0, player_pose = 0, ground_y = 0, at_engine = 0, jump_ticks = 0;
int help_overlay = 0;
int first_level = 0;

void level_start(int index) {
    level_attr = levels[index]->attr;
    world_width = level_attr->width * level_attr->unit_w;
    world_height = level_attr->height * level_attr->unit_h;
    time_left = level_attr->time_limit * LPS;
    elapsed_ticks = 0;
    game_won = game_over = level_complete = 0;
    camera_reset();
    train_place();
    player_place();
    music_play();
}

void level_end() {
    music_stop();
    player_reset();
    train_reset();
    world_width = world_height = 0;
    level_complete = game_won = game_over = 0;
    elapsed_ticks = 0;
    time_left = 0;
    level_attr = nullptr;
}

void level_first() {
    current_level = first_level > 0 && first_level < level_count ? first_level : 0;
    level_start(current_level);
    log_printf("First Level");
}

void level_next() {
    level_end();
    current_level++;
    if (current_level >= level_count) current_level = 0;
    level_start(current_level);
    log_printf("Next Level, @Level %d", current_level);
}

void check_game_over() {
    if (!game_over) return;
    level_end();
    change_state(STATE_GAME_OVER);
}

void check_level_complete() {
    if (!level_complete) return;
    if (current_level == level_count - 1)
        game_won++;
    else
        level_next();
}

void check_game_won() {
    if (!game_won) return;
    level_end();
    change_state(STATE_YOU_WIN);
}

void quit_to_menu() {
    level_end();
    change_state(STATE_MENU);
}

void game_close() {
    // Also from the pause, which ESC alone could not leave: the game screen is never left paused.
    help_overlay = 0;
    quit_to_menu();
}

int game_renderer_init() {
    log_printf("Initializing Game Renderer");
    return 0;
}

void game_renderer_uninit() { log_printf("Quitting Game Renderer"); }

// The scene is placed below the world (train_y = world height + 176) and scrolled across it,
// so the sizes and the clock in ticks must leave that headroom inside an int.
int play_value_fits(long long v) {
    const long long limit = INT_MAX / 2;
    return v > -limit && v < limit;
}

int level_attr_playable(const LEVEL_ATTR *a) {
    if (a == nullptr) return 0;
    return play_value_fits((long long)a->width * a->unit_w) && play_value_fits((long long)a->height * a->unit_h) &&
           play_value_fits((long long)a->time_limit * LPS);
}

int levels_playable() {
    if (level_count < 1) return 0;
    for (int i = 0; i < level_count; i++)
        if (levels[i] == nullptr || !level_attr_playable(levels[i]->attr)) return 0;
    return 1;
}

void game_enter() {
    int result = levels_load();
    if (result == 0 && !levels_playable()) result = -1;
    if (result == 0) result = game_sprites_load();
    if (sound_initialized) {
        if (result != 0) {
            change_state(STATE_MENU);
            return;
        }
        result = music_load();
    }
    if (result == 0 && level_renderer_init() == 0 && game_renderer_init() == 0) {
        level_first();
        return;
    }
    change_state(STATE_MENU);
}

void game_exit() {
    game_renderer_uninit();
    level_renderer_quit();
    if (sound_initialized) music_unload();
    game_sprites_unload();
    levels_free();
}
