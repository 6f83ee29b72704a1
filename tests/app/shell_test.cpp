// tests/app/shell_test.cpp — start-up and shut-down steps run twice in one process, watched through the log.
// This program starts the library itself, through platform_init, so it has a main of its own.
#include "app/shell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/log.h"
#include "app/loop.h"
#include "states/screens.h"
#include "states/states.h"
#include "support/fixtures.h"

namespace {

// What the log gained since `before` lines.
std::vector<std::string> since(size_t before) {
    std::vector<std::string> all = log_messages();
    return std::vector<std::string>(all.begin() + (long)std::min(before, all.size()), all.end());
}

bool is_sound_line(const std::string &s) { return s == "Sound system Initialized" || s == "Sound system disabled"; }

const std::vector<std::string> PLATFORM_UP = {
    "",
    std::string(55, '-'),
    "Log Initialized",
    "Allegro Initialized",
    "Timer Initialized",
    "Keyboard Initialized",
    "Screen Initialized: 640 x 480 @ 16 bpp Windowed",
    "(sound)",
    "Initialized Random Number Seed",
};

void expect_platform_up(const std::vector<std::string> &got) {
    ASSERT_EQ(got.size(), PLATFORM_UP.size()) << testing::PrintToString(got);
    for (size_t i = 0; i < got.size(); i++) {
        if (PLATFORM_UP[i] == "(sound)")
            EXPECT_TRUE(is_sound_line(got[i])) << got[i];
        else
            EXPECT_EQ(got[i], PLATFORM_UP[i]);
    }
}

TEST(Shell, EveryStageRestartsInsteadOfLeakingAndShutsDownOnce) {
    shell_set_game(game_init, game_uninit);  // as main wires the screens in
    remove_tree("gamelog.txt");
    remove_tree("Data");  // the menu works without its title picture

    // The platform, twice: the second run takes the first down, closes the log and starts again.
    ASSERT_EQ(platform_init(), 0) << allegro_error;
    expect_platform_up(log_messages());
    EXPECT_EQ(platform_initialized, 1);
    int sound = sound_initialized;
    EXPECT_LE(sound, 1);

    size_t mark = log_messages().size();
    ASSERT_EQ(platform_init(), 0) << allegro_error;
    std::vector<std::string> again = since(mark);
    ASSERT_FALSE(again.empty());
    EXPECT_EQ(again[0], "Allegro UnInitialized");
    expect_platform_up(std::vector<std::string>(again.begin() + 1, again.end()));
    EXPECT_EQ(platform_initialized, 1) << "the guard is raised once per running platform";
    EXPECT_EQ(sound_initialized, sound);
    EXPECT_EQ(shell_failed_step(), nullptr);

    // The buffer, twice: the first is destroyed before the second is made.
    mark = log_messages().size();
    ASSERT_EQ(dbuffer_create(), 0);
    BITMAP *first = dbuffer;
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(dbuffer_create(), 0);
    EXPECT_EQ(since(mark), (std::vector<std::string>{"Created DBuffer", "Destroyed DBuffer", "Created DBuffer"}));
    EXPECT_EQ(dbuffer_initialized, 1);
    ASSERT_NE(dbuffer, nullptr);
    EXPECT_EQ(dbuffer->w, SCREEN_W);
    EXPECT_EQ(dbuffer->h, SCREEN_H);
    EXPECT_EQ(bitmap_color_depth(dbuffer), COLOR_DEPTH);

    // The loop and the game: the tick timer runs and the title menu is entered.
    mark = log_messages().size();
    ASSERT_EQ(loop_init(), 0);
    EXPECT_EQ(since(mark),
              (std::vector<std::string>{"Creating Loop at 64 LPS", "Initializing Game", "Initialized Game"}));
    EXPECT_EQ(quit_flag, 0);
    EXPECT_EQ(current_state, STATE_MENU);
    EXPECT_NE(menu_pattern, nullptr);
    tick_count = 0;
    rest(100);
    EXPECT_GT(tick_count.load(), 0) << "the 64 Hz tick callback is installed";

    mark = log_messages().size();
    loop_uninit();
    EXPECT_EQ(since(mark), (std::vector<std::string>{"UnInitializing Game", "UnInitialized Game", "Quitting Loop"}));
    EXPECT_EQ(menu_pattern, nullptr) << "the current screen's exit ran";

    // Shut-down steps run twice do their work once.
    mark = log_messages().size();
    dbuffer_destroy();
    dbuffer_destroy();
    EXPECT_EQ(dbuffer, nullptr);
    EXPECT_EQ(dbuffer_initialized, 0);
    platform_uninit();
    platform_uninit();
    EXPECT_EQ(since(mark), (std::vector<std::string>{"Destroyed DBuffer", "Allegro UnInitialized"}));
    EXPECT_EQ(platform_initialized, 0);
    EXPECT_EQ(sound_initialized, 0);
    EXPECT_EQ(log_printf("closed"), 0);
}

}  // namespace

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
