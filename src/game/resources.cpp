// src/game/resources.cpp — the game's sprite slots and the music, touched only when sound is up.
#include "game/resources.h"

#include "app/log.h"
#include "app/shell.h"
#include "ascii/datafile.h"

ASCII_SPRITE *coach_sprite = nullptr, *coach2_sprite = nullptr, *coach3_sprite = nullptr;
ASCII_SPRITE *connector_sprite = nullptr, *engine_sprite = nullptr;
ASCII_SPRITE *smoke_sprite = nullptr, *track_sprite = nullptr;
ASCII_SPRITE *player_sprite = nullptr, *player_jump_sprite = nullptr, *player_crouch_sprite = nullptr;
ASCII_SPRITE *numbers_sprite = nullptr;
MIDI *music = nullptr;

// Fills one slot from Data/Sprites/<group>/<file>; nonzero if it stays empty.
static int load_into(ASCII_SPRITE **slot, const char *group, const char *file) {
    *slot = sprite_load_data("Sprites", group, file);
    return *slot == nullptr;
}

int train_sprites_load() {
    if (load_into(&coach_sprite, "Train", "coach.txt")) return -1;
    if (load_into(&coach2_sprite, "Train", "coach2.txt")) return -1;
    if (load_into(&coach3_sprite, "Train", "coach3.txt")) return -1;
    if (load_into(&connector_sprite, "Train", "connector.txt")) return -1;
    if (load_into(&engine_sprite, "Train", "engine.txt")) return -1;
    smoke_sprite = sprite_create(3, 3);
    if (smoke_sprite == nullptr) return -1;
    smoke_sprite->a = 255;
    sprite_clear(smoke_sprite);
    if (load_into(&track_sprite, "Train", "track.txt")) return -1;
    return 0;
}

int player_sprites_load() {
    if (load_into(&player_sprite, "Player", "player.txt")) return -1;
    if (load_into(&player_jump_sprite, "Player", "playerj.txt")) return -1;
    if (load_into(&player_crouch_sprite, "Player", "playerc.txt")) return -1;
    return 0;
}

int numbers_sprite_load() { return load_into(&numbers_sprite, "Numbers", "numbers.txt") ? -1 : 0; }

int game_sprites_load() {
    int r = train_sprites_load();
    if (r == 0) r = player_sprites_load();
    if (r == 0) r = numbers_sprite_load();
    if (r != 0) return r;
    log_printf("Loaded Game Sprites");
    return 0;
}

static void free_slot(ASCII_SPRITE **slot) {
    sprite_destroy(*slot);
    *slot = nullptr;
}

void numbers_sprite_free() { free_slot(&numbers_sprite); }

void train_sprites_free() {
    free_slot(&coach_sprite);
    free_slot(&coach3_sprite);
    free_slot(&coach2_sprite);
    free_slot(&connector_sprite);
    free_slot(&engine_sprite);
    free_slot(&smoke_sprite);
    free_slot(&track_sprite);
}

void player_sprites_free() {
    free_slot(&player_sprite);
    free_slot(&player_jump_sprite);
    free_slot(&player_crouch_sprite);
}

void game_sprites_unload() {
    numbers_sprite_free();
    train_sprites_free();
    player_sprites_free();
    log_printf("Unloaded Game Sprites");
}

int music_load() {
    if (!sound_initialized) return 0;
    char path[PATH_BUF];
    if (data_path(path, "Music", nullptr, "train.mid") != 0) return -1;
    music = load_midi(path);
    return music ? 0 : -1;
}

void music_unload() {
    if (music) destroy_midi(music);
    music = nullptr;
}

void music_play() {
    if (sound_initialized) play_midi(music, -1);
}

void music_stop() {
    if (sound_initialized) stop_midi();
}
