// src/game/play_web.cpp — what the browser's page may set before the game starts: a level pack played from the level
// studio starts at the level being edited, at that level's place (the train's speed grows with it).
#include <emscripten.h>

#include "game/play.h"

extern "C" EMSCRIPTEN_KEEPALIVE void play_from_level(int i) { first_level = i; }
