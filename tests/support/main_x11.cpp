// tests/support/main_x11.cpp — the real window, keyboard and timer (run under Xvfb).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/shell.h"

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    if (allegro_init() != 0 || install_timer() != 0 || install_keyboard() != 0) {
        fprintf(stderr, "no display for the window tests: %s\n", allegro_error);
        return 2;
    }
    set_color_depth(COLOR_DEPTH);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, SCREEN_W, SCREEN_H, 0, 0) != 0) {
        fprintf(stderr, "no window: %s\n", allegro_error);
        return 2;
    }
    install_sound(DIGI_NONE, MIDI_NONE, nullptr);
    dbuffer = create_bitmap(SCREEN_W, SCREEN_H);
    int r = RUN_ALL_TESTS();
    destroy_bitmap(dbuffer);
    dbuffer = nullptr;
    return r;
}
