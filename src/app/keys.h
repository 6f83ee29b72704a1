// src/app/keys.h — every key the game reads, in one list, for C and C++ alike (the library's KEY_ names).
//
// The browser build keeps each of them from the page, so that none scrolls it or opens the browser's help, and leaves
// every other key to the browser: platforms/web/platform/web_keyboard.c hands this list to the page at start-up. A
// key the game starts to read goes here as well; the test app_keys fails until it does, and names the file.
#pragma once

// The title menu's UP, DOWN and ENTER; in play RIGHT, SPACE, C, F1, PGUP and PGDN, ENTER to resume and ESC to leave;
// ENTER on the help and end pages and ESC on the victory screen.
#define GAME_KEYS KEY_UP, KEY_DOWN, KEY_ENTER, KEY_ESC, KEY_RIGHT, KEY_SPACE, KEY_C, KEY_F1, KEY_PGUP, KEY_PGDN
