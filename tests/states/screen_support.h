// tests/states/screen_support.h — a clean state machine per test, key presses, and reading colours off dbuffer.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/loop.h"
#include "app/shell.h"
#include "states/screens.h"
#include "states/states.h"
#include "support/fixtures.h"

// A rectangle of pixels, both ends inclusive; empty when x0 > x1.
struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    bool empty() const { return x0 > x1; }
    void add(int x, int y) {
        if (x < x0) x0 = x;
        if (y < y0) y0 = y;
        if (x > x1) x1 = x;
        if (y > y1) y1 = y;
    }
    void add(const Box &b) {
        if (!b.empty()) {
            add(b.x0, b.y0);
            add(b.x1, b.y1);
        }
    }
    bool operator==(const Box &o) const {
        return (empty() && o.empty()) || (x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1);
    }
};

inline std::ostream &operator<<(std::ostream &os, const Box &b) {
    if (b.empty()) return os << "(empty)";
    return os << "(" << b.x0 << "," << b.y0 << ")-(" << b.x1 << "," << b.y1 << ")";
}

// True if a 16-bit pixel shows the colour makecol(r, g, b) gives, component by component.
inline bool shows(BITMAP *bmp, int x, int y, int r, int g, int b) {
    int p = getpixel(bmp, x, y);
    int want = makecol_depth(bitmap_color_depth(bmp), r, g, b);
    int d = bitmap_color_depth(bmp);
    return getr_depth(d, p) == getr_depth(d, want) && getg_depth(d, p) == getg_depth(d, want) &&
           getb_depth(d, p) == getb_depth(d, want);
}

// Where a colour lies on a bitmap, optionally only inside `within`.
inline Box ink(BITMAP *bmp, int r, int g, int b, Box within = Box{0, 0, 1 << 20, 1 << 20}) {
    Box out;
    for (int y = std::max(0, within.y0); y <= std::min(bmp->h - 1, within.y1); y++)
        for (int x = std::max(0, within.x0); x <= std::min(bmp->w - 1, within.x1); x++)
            if (shows(bmp, x, y, r, g, b)) out.add(x, y);
    return out;
}

inline int count_colour(BITMAP *bmp, int r, int g, int b) {
    int n = 0;
    for (int y = 0; y < bmp->h; y++)
        for (int x = 0; x < bmp->w; x++) n += shows(bmp, x, y, r, g, b);
    return n;
}

// Where the library's font puts the ink of a text centred on x (or starting at x), on a screen-sized page.
inline Box text_ink(const char *text, int x, int y, bool centred) {
    BITMAP *ref = create_bitmap_ex(16, SCREEN_W, SCREEN_H);
    clear_bitmap(ref);
    int white = makecol_depth(16, 255, 255, 255);
    if (centred)
        textout_centre_ex(ref, font, text, x, y, white, -1);
    else
        textout_ex(ref, font, text, x, y, white, -1);
    Box b = ink(ref, 255, 255, 255);
    destroy_bitmap(ref);
    return b;
}

// Is pixel (gx, gy) of character c's 8x8 glyph inked?
inline bool glyph_ink(char c, int gx, int gy) {
    static BITMAP *cell = create_bitmap_ex(16, CELL_W, CELL_H);
    char text[2] = {c, 0};
    clear_bitmap(cell);
    textout_ex(cell, font, text, 0, 0, makecol_depth(16, 255, 255, 255), -1);
    return getpixel(cell, gx, gy) != 0;
}

// A key press as the key buffer receives it: scancode in the high byte, character in the low one.
inline void press(int scancode, int ascii = 0) { simulate_keypress((scancode << 8) | ascii); }

// Runs updates until every pending change has been worked off.
inline void settle() {
    for (int i = 0; i < 16 && transition_count != 0; i++) state_update();
}

// Fills dbuffer with a colour no screen uses, to tell whether a frame was drawn.
inline void mark_dbuffer() { clear_to_color(dbuffer, makecol(255, 0, 255)); }
inline bool dbuffer_untouched() { return count_colour(dbuffer, 255, 0, 255) == SCREEN_W * SCREEN_H; }

// The game screen's files are missing unless a test provides them: entering the game then fails.
class Screens : public testing::Test {
   protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        state_exit();
        current_state = previous_state = -1;
        transition_count = quit_pending = 0;
        quit_flag = 0;
        tick_count = 0;
        close_requested = 0;
        clear_keybuf();
        key[KEY_ESC] = 0;
        remove_tree("Data");
    }
    // Enters a screen from a clean start and works off the change, so that it takes input and draws.
    static void show(int state) {
        change_state(state);
        settle();
    }
};

// A 40-cell wide victory picture, or another sprite file, in the scratch folder's Data.
inline void write_sprite(const std::string &group_file, int w, int h, int r, int g, int b, char c = '#') {
    std::string text = std::to_string(w) + " " + std::to_string(h) + "\n" + std::to_string(r) + " " +
                       std::to_string(g) + " " + std::to_string(b) + "\n";
    for (int row = 0; row < h; row++) text += std::string(w, c) + "\n";
    ASSERT_TRUE(write_file("Data/Sprites/" + group_file, text));
}
