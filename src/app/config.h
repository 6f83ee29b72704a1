// src/app/config.h — the library's header and the game's build-time constants, in one place.
#pragma once
#include <allegro.h>

// The library defines SCREEN_W and SCREEN_H as the current mode's size; ours are fixed at build time.
#undef SCREEN_W
#undef SCREEN_H

constexpr int SCREEN_W = 640;
constexpr int SCREEN_H = 480;
constexpr int COLOR_DEPTH = 16;
constexpr int WINDOWED = 1;
constexpr int LPS = 64;    // logic ticks per second
constexpr int CELL_W = 8;  // one ASCII-art cell: a glyph of the library's font
constexpr int CELL_H = 8;
