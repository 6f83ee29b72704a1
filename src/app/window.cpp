// src/app/window.cpp — the X11 icon and WM class, so desktops match the window to its launcher;
// and the focus watch that pauses play when the player turns to another window.
#include "app/window.h"

#include <allegro.h>

#include "app/icon.h"

extern "C" {
extern void *allegro_icon;
void xwin_set_window_name(const char *name, const char *group);
}

std::atomic<int> focus_lost{0};

void window_identity_set() {
    allegro_icon = (void *)roofrunner_icon_xpm;
    xwin_set_window_name("roofrunner", "Roofrunner");
}

// Both run on the library's thread: they only touch the atomic flag.
static void switched_out() { focus_lost.store(1); }
static void switched_in() { focus_lost.store(0); }

void window_focus_watch() {
    // Setting the mode drops earlier callbacks, so it goes first.
    set_display_switch_mode(SWITCH_BACKGROUND);
    set_display_switch_callback(SWITCH_OUT, switched_out);
    set_display_switch_callback(SWITCH_IN, switched_in);
}
