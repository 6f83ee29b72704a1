// src/game/resources.h — the game screen's sprites and music, loaded on entry and freed on exit.
#pragma once
#include "app/config.h"
#include "ascii/sprite.h"

extern ASCII_SPRITE *coach_sprite, *coach2_sprite, *coach3_sprite, *connector_sprite, *engine_sprite;
extern ASCII_SPRITE *smoke_sprite, *track_sprite;
extern ASCII_SPRITE *player_sprite, *player_jump_sprite, *player_crouch_sprite;
extern ASCII_SPRITE *numbers_sprite;
extern MIDI *music;

int game_sprites_load();  // 0, or -1 at the first sprite that cannot be had
int train_sprites_load();
int player_sprites_load();
int numbers_sprite_load();
void game_sprites_unload();
void numbers_sprite_free();
void train_sprites_free();
void player_sprites_free();

int music_load();  // 0 without sound or when loaded, -1 if the file cannot be loaded
void music_unload();
void music_play();  // from the start, looped
void music_stop();
