// src/app/window.h — what the desktop knows the window by: its icon, name and class.
#pragma once

// Must run before the library creates the window (allegro_init).
void window_identity_set();
