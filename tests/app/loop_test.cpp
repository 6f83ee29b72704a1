// tests/app/loop_test.cpp — the main loop's order of calls, watched through dispatch functions of our own.
// No timer runs here: tick_count only changes when a test sets it, so every sequence is exact.
#include "app/loop.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// What the loop called, one letter each: I input, U update, R render.
std::string calls;
int renders_before_quit = 1;  // the render that ends the loop (quit_loop at the end of that pass)
int arrive_at_update = 0;     // on this update (1-based) ...
int arrive_count = 0;         // ... this many ticks arrive, as if from the timer
int min_ticks_at_update = 1 << 30;

int count(char c) {
    int n = 0;
    for (char x : calls) n += x == c;
    return n;
}

void rec_input() { calls += 'I'; }
void rec_update() {
    calls += 'U';
    if (tick_count.load() < min_ticks_at_update) min_ticks_at_update = tick_count.load();
    if (count('U') == arrive_at_update) tick_count.fetch_add(arrive_count);
}
void rec_render() {
    calls += 'R';
    if (count('R') == renders_before_quit) quit_loop();
}

class Loop : public testing::Test {
   protected:
    void SetUp() override {
        calls.clear();
        renders_before_quit = 1;
        arrive_at_update = 0;
        arrive_count = 0;
        min_ticks_at_update = 1 << 30;
        quit_flag = 0;
        tick_count = 0;
        loop_set_dispatch(rec_input, rec_update, rec_render, nullptr);
    }
    void TearDown() override {
        loop_set_dispatch(nullptr, nullptr, nullptr, nullptr);
        quit_flag = 0;
        tick_count = 0;
        close_requested = 0;
    }
};

std::string repeat(const std::string &s, int n) {
    std::string out;
    for (int i = 0; i < n; i++) out += s;
    return out;
}

TEST_F(Loop, PendingTicksAllRunAsUpdatesBeforeOneFrame) {
    for (int pending : {1, 2, 3, 64, 640}) {
        SCOPED_TRACE(pending);
        SetUp();
        tick_count = pending;
        loop_run();
        // One poll before the wait, then every update followed at once by a poll, then one frame.
        EXPECT_EQ(calls, "I" + repeat("UI", pending) + "R");
        EXPECT_EQ(tick_count.load(), 0);
        EXPECT_EQ(min_ticks_at_update, 1) << "an update ran without a pending tick";
    }
}

TEST_F(Loop, TicksArrivingDuringCatchUpRunInTheSamePass) {
    struct Case {
        int pending, at_update, arriving;
    };
    const Case cases[] = {{1, 1, 1}, {1, 1, 5}, {3, 2, 2}, {3, 3, 4}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.pending << " pending, " << c.arriving << " at update " << c.at_update);
        SetUp();
        tick_count = c.pending;
        arrive_at_update = c.at_update;
        arrive_count = c.arriving;
        loop_run();
        EXPECT_EQ(calls, "I" + repeat("UI", c.pending + c.arriving) + "R");
        EXPECT_EQ(tick_count.load(), 0);
    }
}

TEST_F(Loop, EachPassWorksOffWhatIsPendingAtItsStart) {
    // Ticks that arrive while a frame is drawn belong to the next pass.
    renders_before_quit = 3;
    tick_count = 2;
    struct Refill {
        static void render() {
            rec_render();
            tick_count = count('R') == 1 ? 4 : 1;
        }
    };
    loop_set_dispatch(rec_input, rec_update, Refill::render, nullptr);
    loop_run();
    EXPECT_EQ(calls, "I" + repeat("UI", 2) + "R" + "I" + repeat("UI", 4) + "R" + "I" + repeat("UI", 1) + "R");
    EXPECT_EQ(tick_count.load(), 1) << "the ticks that came with the last frame stay pending";
    EXPECT_GE(min_ticks_at_update, 1);
}

TEST_F(Loop, QuitIsSeenOnlyAtTheEndOfAPass) {
    // A quit raised by the first update still lets that pass finish its ticks and its frame.
    struct QuitEarly {
        static void update() {
            rec_update();
            if (count('U') == 1) quit_loop();
        }
    };
    loop_set_dispatch(rec_input, QuitEarly::update, rec_render, nullptr);
    renders_before_quit = 100;
    tick_count = 3;
    loop_run();
    EXPECT_EQ(calls, "I" + repeat("UI", 3) + "R");
    EXPECT_EQ(tick_count.load(), 0);
}

TEST_F(Loop, ReturnsAtOnceWhenQuitIsAlreadyRaised) {
    quit_flag = 1;
    tick_count = 5;
    loop_run();
    EXPECT_EQ(calls, "");
    EXPECT_EQ(tick_count.load(), 5);
}

TEST_F(Loop, TheCloseButtonIsHeardOnceAtTheStartOfAPass) {
    struct Close {
        static void call() { calls += 'C'; }
    };
    loop_set_dispatch(rec_input, rec_update, rec_render, Close::call);
    close_requested = 1;
    tick_count = 1;
    loop_run();
    EXPECT_EQ(calls, "CIUIR");
    EXPECT_EQ(close_requested.load(), 0) << "taken, not heard again";

    SetUp();
    loop_set_dispatch(rec_input, rec_update, rec_render, Close::call);
    tick_count = 1;
    loop_run();
    EXPECT_EQ(calls, "IUIR") << "no press, no call";
}

TEST(TickCallback, CountsOneTickPerCall) {
    tick_count = 0;
    for (int i = 0; i < 10; i++) tick_callback();
    EXPECT_EQ(tick_count.load(), 10);
    tick_count = 0;
}

}  // namespace
