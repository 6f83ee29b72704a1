// src/app/window_web.cpp — in the browser the page is the window: its title is the document's, its icon the
// page's own, and the focus the tab's (the platform layer in platforms/web reports it through the switch callbacks).
#include "app/window.h"

void window_identity_set() {}
