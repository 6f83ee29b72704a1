// tests/support/main_memory.cpp — the library without a window: memory bitmaps, colours and text.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "app/shell.h"

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return 2;
    set_color_depth(COLOR_DEPTH);
    // The screens and the game draw into dbuffer; here it is a plain memory bitmap.
    dbuffer = create_bitmap(SCREEN_W, SCREEN_H);
    int r = RUN_ALL_TESTS();
    destroy_bitmap(dbuffer);
    dbuffer = nullptr;
    return r;
}
