// tests/states/screen_support.h — a clean state machine per test, key presses, and telling whether a frame was drawn.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "app/loop.h"
#include "app/shell.h"
#include "states/screens.h"
#include "states/states.h"
#include "support/fixtures.h"

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
        reset_states();
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

// A picture of w x h '#' cells as Data/Sprites/<group_file>, in the scratch folder.
inline void write_sprite(const std::string &group_file, int w, int h, int r, int g, int b) {
    ASSERT_TRUE(write_file("Data/Sprites/" + group_file, sprite_text(w, h, r, g, b)));
}
