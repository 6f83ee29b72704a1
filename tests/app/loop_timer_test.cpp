// tests/app/loop_timer_test.cpp — the main loop driven by the real 64 Hz tick timer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/config.h"
#include "app/loop.h"

namespace {

// One entry per pass: the calls it made (I input, U update, R render).
std::vector<std::string> passes;
int quit_at_render = 1;
int stall_at_render = 0;  // this render stalls the process for a while
int min_ticks_at_update = 1 << 30;
bool quit_at_first_input = false;

void rec_input() {
    if (passes.empty() || passes.back().back() == 'R') passes.emplace_back();
    passes.back() += 'I';
    if (quit_at_first_input && passes.size() == 1 && passes.back() == "I") quit_loop();
}
void rec_update() {
    passes.back() += 'U';
    if (tick_count.load() < min_ticks_at_update) min_ticks_at_update = tick_count.load();
}
void rec_render() {
    passes.back() += 'R';
    if ((int)passes.size() == stall_at_render) rest(120);
    if ((int)passes.size() == quit_at_render) quit_loop();
}

int updates(const std::string &pass) {
    int n = 0;
    for (char c : pass) n += c == 'U';
    return n;
}

// A pass: one poll, then at least one update each followed by a poll, then one frame.
bool well_formed(const std::string &pass) {
    if (pass.size() < 4 || pass.front() != 'I' || pass.back() != 'R') return false;
    for (size_t i = 1; i + 1 < pass.size(); i += 2)
        if (pass[i] != 'U' || pass[i + 1] != 'I') return false;
    return true;
}

class LoopWithTimer : public testing::Test {
   protected:
    void SetUp() override {
        passes.clear();
        quit_at_render = 1;
        stall_at_render = 0;
        min_ticks_at_update = 1 << 30;
        quit_at_first_input = false;
        quit_flag = 0;
        ASSERT_EQ(install_int_ex(tick_callback, BPS_TO_TIMER(LPS)), 0);
        tick_count = 0;
        loop_set_dispatch(rec_input, rec_update, rec_render, nullptr);
    }
    void TearDown() override {
        remove_int(tick_callback);
        loop_set_dispatch(nullptr, nullptr, nullptr, nullptr);
        quit_flag = 0;
        tick_count = 0;
    }
};

TEST_F(LoopWithTimer, EveryPassWaitsForAndConsumesAtLeastOneTick) {
    quit_at_render = 12;
    loop_run();
    ASSERT_EQ(passes.size(), 12u);
    for (const std::string &p : passes) {
        SCOPED_TRACE(p);
        EXPECT_TRUE(well_formed(p));
        EXPECT_GE(updates(p), 1);
    }
    EXPECT_GE(min_ticks_at_update, 1) << "an update ran without a pending tick";
    EXPECT_GE(tick_count.load(), 0);
}

TEST_F(LoopWithTimer, AStallIsCaughtUpWithUpdatesBeforeTheNextFrame) {
    quit_at_render = 2;
    stall_at_render = 1;
    loop_run();
    ASSERT_EQ(passes.size(), 2u);
    EXPECT_TRUE(well_formed(passes[1])) << passes[1];
    // 120 ms is about 7 ticks; all of them run back to back before the one frame.
    EXPECT_GE(updates(passes[1]), 3) << passes[1];
    EXPECT_GE(min_ticks_at_update, 1);
    EXPECT_GE(tick_count.load(), 0);
}

TEST_F(LoopWithTimer, QuitFromThePollBeforeTheWaitStillFinishesThatPass) {
    quit_at_first_input = true;
    quit_at_render = 1000;
    loop_run();
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_TRUE(well_formed(passes[0])) << passes[0];
    EXPECT_GE(updates(passes[0]), 1);
    EXPECT_GE(tick_count.load(), 0);
}

}  // namespace
