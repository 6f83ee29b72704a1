// src/app/window.h — what the desktop knows the window by (its icon, name and class), and its focus;
// the identity is the platform's own: window_x11.cpp or window_win.cpp, picked by the build.
#pragma once
#include <atomic>

// Must run before the library creates the window (allegro_init).
void window_identity_set();

// Raised (from the library's own thread) when the window loses the keyboard focus, cleared when it
// gets it back; the game screen takes it on the main thread and pauses.
extern std::atomic<int> focus_lost;

// Keeps the game running in the background and watches the focus; needs the graphics mode set.
void window_focus_watch();
