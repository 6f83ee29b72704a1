// tests/game/levels_run_test.cpp — whole levels played headless with the game's own input and update:
// holding RIGHT must complete every level in time, pressing nothing must lose it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/log.h"
#include "game/game.h"
#include "game/game_world.h"
#include "game/motion.h"
#include "game/play.h"
#include "game/resources.h"
#include "states/states.h"
#include "support/fixtures.h"

namespace {

using Lines = std::vector<std::string>;

struct Outcome {
    int state;       // the screen after the last tick
    bool completed;  // the level ended at the engine
    int ticks;       // ticks played in the level
    int left;        // time_left at the end of the last tick
    int clock;       // the level's clock at its start
};

class LevelRun : public testing::Test {
   protected:
    void SetUp() override {
        reset_game_state();
        remove_tree("gamelog.txt");
        log_init();
    }
    void TearDown() override {
        state_exit();
        reset_states();
        clear_keys();
        log_close();
    }

    // Enters the game from the menu and plays level `index` from its start until it ends.
    Outcome play(int index, bool right) {
        Outcome o{};
        change_state(STATE_MENU);
        change_state(STATE_GAME);
        if (current_state != STATE_GAME) {
            ADD_FAILURE() << "the game did not start";
            return o;
        }
        if (index != 0) {
            level_end();
            current_level = index;
            level_start(index);
        }
        o.clock = time_left;
        key[KEY_RIGHT] = right;
        const int limit = o.clock + 64 * 600;  // loss by time must come first; this only stops a broken run
        while (o.ticks < limit) {
            int before = time_left;
            bool on = tick_and_poll();
            o.ticks++;
            if (!on || current_level != index) {
                o.left = before - 1;
                break;
            }
        }
        key[KEY_RIGHT] = 0;
        o.state = current_state;
        o.completed = current_state == STATE_YOU_WIN || (current_state == STATE_GAME && current_level == index + 1);
        if (current_state == STATE_GAME) quit_to_menu();
        return o;
    }

    void right_completes_every_level(const char *data) {
        std::vector<std::string> names = level_names();
        ASSERT_FALSE(names.empty());
        std::printf("holding RIGHT, %s levels:\n", data);
        for (int i = 0; i < (int)names.size(); i++) {
            SCOPED_TRACE("level " + std::to_string(i) + " " + names[i]);
            Outcome o = play(i, true);
            EXPECT_TRUE(o.completed) << "screen " << o.state << " after " << o.ticks << " ticks";
            EXPECT_EQ(o.state, i + 1 == (int)names.size() ? STATE_YOU_WIN : STATE_GAME);
            std::printf("  level %d %-12s %5d ticks, %5d of %5d ticks left (%5.1f%%)\n", i, names[i].c_str(), o.ticks,
                        o.left, o.clock, o.clock > 0 ? 100.0 * o.left / o.clock : 0.0);
        }
        std::fflush(stdout);
    }

    void nothing_pressed_loses_every_level() {
        std::vector<std::string> names = level_names();
        ASSERT_FALSE(names.empty());
        for (int i = 0; i < (int)names.size(); i++) {
            SCOPED_TRACE("level " + std::to_string(i) + " " + names[i]);
            Outcome o = play(i, false);
            EXPECT_EQ(o.state, STATE_GAME_OVER) << "after " << o.ticks << " ticks";
            EXPECT_FALSE(o.completed);
        }
    }

    // From the first level to the win, without letting go of RIGHT.
    void right_wins_the_game_in_one_go() {
        int n = (int)level_names().size();
        change_state(STATE_MENU);
        change_state(STATE_GAME);
        ASSERT_EQ(current_state, STATE_GAME);
        key[KEY_RIGHT] = 1;
        int ticks = 0;
        while (tick_and_poll() && ticks < 64 * 60 * 60) ticks++;
        key[KEY_RIGHT] = 0;
        EXPECT_EQ(current_state, STATE_YOU_WIN);
        Lines want = GAME_ENTERED;
        for (int i = 1; i < n; i++) want.push_back("Next Level, @Level " + std::to_string(i));
        want.insert(want.end(), GAME_LEFT.begin(), GAME_LEFT.end());
        EXPECT_EQ(log_since_init(), want);
    }
};

class FixtureLevels : public LevelRun {
   protected:
    void SetUp() override {
        LevelRun::SetUp();
        remove_tree("Data");
        write_game_sprite_files();
        LevelDef a, b, c;
        a.cars = {CAR_COACH, CAR_COACH, CAR_COACH2, CAR_ENGINE};
        a.time_limit = 20;
        b.cars = {CAR_COACH3, CAR_COACH2, CAR_COACH2, CAR_COACH, CAR_COACH3, CAR_ENGINE};
        b.time_limit = 15;
        c.cars = {CAR_COACH2, CAR_COACH, CAR_COACH3, CAR_COACH2, CAR_COACH, CAR_COACH3, CAR_COACH, CAR_ENGINE};
        c.width = 200;
        c.time_limit = 20;
        write_level("a", a);
        write_level("b", b);
        write_level("c", c);
        write_level_list({"a", "b", "c"});
    }
};

TEST_F(FixtureLevels, HoldingRightCompletesEveryLevel) { right_completes_every_level("fixture"); }
TEST_F(FixtureLevels, PressingNothingLosesEveryLevel) { nothing_pressed_loses_every_level(); }
TEST_F(FixtureLevels, HoldingRightWinsTheGame) { right_wins_the_game_in_one_go(); }

class ShippedLevels : public LevelRun {
   protected:
    void SetUp() override {
        LevelRun::SetUp();
        use_shipped_data();
    }
};

TEST_F(ShippedLevels, HoldingRightCompletesEveryLevel) { right_completes_every_level("shipped"); }
TEST_F(ShippedLevels, PressingNothingLosesEveryLevel) { nothing_pressed_loses_every_level(); }
TEST_F(ShippedLevels, HoldingRightWinsTheGame) { right_wins_the_game_in_one_go(); }

}  // namespace
