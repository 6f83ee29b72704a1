// src/app/window_x11.cpp — the X11 icon and WM class, so desktops match the window to its launcher.
#include <allegro.h>

#include "app/icon.h"
#include "app/window.h"

extern "C" {
extern void *allegro_icon;
void xwin_set_window_name(const char *name, const char *group);
}

void window_identity_set() {
    allegro_icon = (void *)roofrunner_icon_xpm;
    xwin_set_window_name("roofrunner", "Roofrunner");
}
