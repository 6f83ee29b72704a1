// src/app/window_win.cpp — on Windows the library finds the icon itself: the executable's resource
// "ALLEGRO_ICON", made from the same art as the X11 icon. The title is the window's only name.
#include "app/window.h"

void window_identity_set() {}
