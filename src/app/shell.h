// src/app/shell.h — start-up and shut-down of the library, the off-screen buffer and the game.
#pragma once
#include "app/config.h"

extern BITMAP *dbuffer;  // every screen draws here; copied whole to the window once a frame
extern int platform_initialized;
extern int dbuffer_initialized;
extern int sound_initialized;  // nonzero only when sound came up with a detected digital or MIDI driver

int platform_init();  // log, library, title, timer, keyboard, graphics mode, sound, random seed
void platform_uninit();
int dbuffer_create();
void dbuffer_destroy();
int loop_init();  // tick timer, then the game's own start (which enters the title menu)
void loop_uninit();

// The game the shell starts once the loop is set up and ends before it is taken down; main wires the screens
// in. Without it the game's start succeeds and its end does nothing.
void shell_set_game(int (*game_init)(), void (*game_uninit)());

// The start-up step that failed last, for the one-line report on standard error; null if none did.
const char *shell_failed_step();
// What the library said of that failure at the moment it failed; null when it said nothing.
const char *shell_failed_reason();
