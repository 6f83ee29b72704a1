// src/app/window.cpp — the focus watch that pauses play when the player turns to another window.
#include "app/window.h"

#include <allegro.h>

std::atomic<int> focus_lost{0};

// Both run on the library's thread: they only touch the atomic flag.
static void switched_out() { focus_lost.store(1); }
static void switched_in() { focus_lost.store(0); }

void window_focus_watch() {
    // Setting the mode drops earlier callbacks, so it goes first.
    set_display_switch_mode(SWITCH_BACKGROUND);
    set_display_switch_callback(SWITCH_OUT, switched_out);
    set_display_switch_callback(SWITCH_IN, switched_in);
}
