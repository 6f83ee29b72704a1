// src/game/play.h — the play state of the level being played and the road from level to level.
#pragma once
#include "level/level.h"

extern LEVEL_ATTR *level_attr;
extern int world_width, world_height;  // pixels
extern int time_left;                  // ticks
extern int elapsed_ticks;
extern int game_over, level_complete, game_won;  // flags, raised by adding 1
extern int camera_x, camera_y;
extern int camera_max_x, camera_min_y, camera_max_y;
extern int train_x, train_y;
extern int player_x, player_y, player_pose, ground_y, at_engine, jump_ticks;
extern int help_overlay;  // nonzero: paused under the help page
// The level a play-through starts at: 0, the list's first, unless a page that plays a level pack from one of its
// levels on (the browser's, for the level studio) sets it; one beyond the list counts as 0.
extern int first_level;

void level_start(int index);
void level_end();
void level_first();
void level_next();
void check_game_over();
void check_level_complete();
void check_game_won();
void quit_to_menu();
int game_renderer_init();
void game_renderer_uninit();

// Nonzero if a world size in pixels or a clock in ticks fits in an int with the room play needs.
int play_value_fits(long long v);
// Nonzero if the record's world sizes and clock all fit.
int level_attr_playable(const LEVEL_ATTR *a);
// Nonzero if the list names a level and every slot holds one with a playable attribute record.
int levels_playable();
