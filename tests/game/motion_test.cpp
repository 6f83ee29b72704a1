// tests/game/motion_test.cpp — the roof profile, level start, jumping, sinking, the goal, drift, camera limits.
#include "game/motion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/shell.h"
#include "game/game.h"
#include "game/game_world.h"
#include "game/play.h"
#include "game/resources.h"
#include "states/states.h"

namespace {

class Motion : public testing::Test {
   protected:
    void SetUp() override {
        reset_game_state();
        jump_ticks = 0;
        player_pose = POSE_RUN;
        make_game_sprites();
    }
    void TearDown() override {
        level_end();
        levels_free();
        game_sprites_unload();
        clear_keys();
        reset_states();
    }
    // One level in play, with the game screen current so that the end of a level leaves it as in the game.
    void start(const LevelDef &def) {
        set_levels({def});
        level_first();
        current_state = STATE_GAME;
    }
    LevelDef train(std::vector<int> cars = TRAIN) {
        LevelDef s;
        s.cars = cars;
        return s;
    }
    // Puts the player at a place along the train, at a height relative to the roof.
    void put(int rel, int dy = 0) {
        player_x = train_x + rel;
        player_y = train_y + dy;
    }
};

struct GroundCase {
    int rel;
    int drop;  // ground_y - train_y
    bool goal;
};

// The places along TRAIN are laid out beside it in game_world.h.
TEST_F(Motion, GroundAlongTheTrain) {
    start(train());
    const GroundCase cases[] = {
        {-40, 0, false},  {-1, 0, false},   {0, 0, false},    {64, 0, false},   {65, 24, false}, {80, 24, false},
        {81, 0, false},   {87, 0, false},   {88, 16, false},  {136, 16, false}, {137, 0, false}, {152, 0, false},
        {153, 24, false}, {168, 24, false}, {169, 0, false},  {175, 0, false},  {176, 0, false}, {256, 0, false},
        {257, 24, false}, {272, 24, false}, {273, 0, false},  {280, 0, false},  {311, 0, false}, {312, 24, true},
        {343, 24, true},  {400, 24, true},  {5000, 24, true},
    };
    for (const GroundCase &c : cases) {
        SCOPED_TRACE("rel " + std::to_string(c.rel));
        put(c.rel);
        at_engine = 0;
        player_find_ground();
        EXPECT_EQ(ground_y - train_y, c.drop);
        EXPECT_EQ(at_engine != 0, c.goal);
    }
}

TEST_F(Motion, OtherMakeUps) {
    struct Case {
        std::vector<int> cars;
        int rel, drop;
        bool goal;
    };
    const Case cases[] = {
        // A kind outside 0..3 takes no length: the engine follows the coach directly.
        {{CAR_COACH, 7, CAR_ENGINE}, 88, 0, false},
        {{CAR_COACH, -1, CAR_ENGINE}, 119, 0, false},
        {{CAR_COACH, 7, CAR_ENGINE}, 120, 24, true},
        // An engine alone: its roof, then the goal 32 pixels in.
        {{CAR_ENGINE}, 31, 0, false},
        {{CAR_ENGINE}, 32, 24, true},
        // Cars after the engine are never stood on.
        {{CAR_ENGINE, CAR_COACH, CAR_COACH}, 100, 24, true},
        // Without an engine there is no goal, and beyond the last car the ground is the roof line.
        {{CAR_COACH, CAR_COACH}, 150, 0, false},
        {{CAR_COACH, CAR_COACH}, 2000, 0, false},
        {{CAR_COACH3, CAR_COACH3}, 90, 24, false},
        {{CAR_COACH3, CAR_COACH3}, 102, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("rel " + std::to_string(c.rel) + ", " + std::to_string(c.cars.size()) + " cars");
        start(train(c.cars));
        put(c.rel);
        at_engine = 0;
        player_find_ground();
        EXPECT_EQ(ground_y - train_y, c.drop);
        EXPECT_EQ(at_engine != 0, c.goal);
        level_end();
    }
}

TEST_F(Motion, GoalCountsFromAboveAndUpTo16PixelsBelowItsFloor) {
    start(train());
    const struct {
        int dy;  // player_y - train_y; the goal's floor is at 24
        bool goal;
    } cases[] = {{-32, true}, {0, true}, {24, true}, {40, true}, {41, false}, {60, false}};
    for (auto c : cases) {
        SCOPED_TRACE("dy " + std::to_string(c.dy));
        put(320, c.dy);
        at_engine = 0;
        player_find_ground();
        EXPECT_EQ(at_engine != 0, c.goal);
    }
}

TEST_F(Motion, LevelStartPlacesTrainPlayerAndCamera) {
    struct Case {
        int width, unit_w, height, unit_h;
        int max_x, min_y, max_y;
        int train_screen_y;
    };
    const Case cases[] = {
        {100, 32, 10, 48, 2879, 240, 239, 417},  // 3200 x 480
        {100, 32, 241, 1, 2879, 120, 0, 417},    // 241 high: the least that shows the train at 417
        {100, 32, 300, 1, 2879, 150, 59, 417},   //
        {100, 32, 481, 1, 2879, 240, 240, 417},  //
        {100, 32, 40, 25, 2879, 240, 759, 417},  // 1000 high
        {10, 30, 10, 48, 150, 240, 239, 417},    // 300 wide: narrower than half a screen, camera_max_x is half
        {10, 32, 10, 20, 160, 100, 100, 276},    // 320 x 200: both maxima are half the world
    };
    for (const Case &c : cases) {
        LevelDef s = train();
        s.width = c.width;
        s.unit_w = c.unit_w;
        s.height = c.height;
        s.unit_h = c.unit_h;
        SCOPED_TRACE(std::to_string(c.width * c.unit_w) + " x " + std::to_string(c.height * c.unit_h));
        start(s);
        EXPECT_EQ(world_width, c.width * c.unit_w);
        EXPECT_EQ(world_height, c.height * c.unit_h);
        EXPECT_EQ(camera_max_x, c.max_x);
        EXPECT_EQ(camera_min_y, c.min_y);
        EXPECT_EQ(camera_max_y, c.max_y);
        EXPECT_EQ(camera_x, 0);
        EXPECT_EQ(camera_y, camera_max_y);
        EXPECT_EQ(train_x, 320);
        EXPECT_EQ(train_y, world_height + 176);
        EXPECT_EQ(train_y - camera_y, c.train_screen_y);
        EXPECT_EQ(player_x - camera_x, 330);
        EXPECT_EQ(player_y, train_y);
        EXPECT_EQ(ground_y, train_y);
        EXPECT_EQ(player_pose, POSE_RUN);
        EXPECT_EQ(at_engine, 0);
        level_end();
    }
}

TEST_F(Motion, FirstRightPushesTheCameraTo11) {
    start(train());
    player_run_right();
    EXPECT_EQ(player_x, 331);
    EXPECT_EQ(camera_x, 11);
    // From then on the player is held at 320 pixels right of the camera.
    for (int i = 0; i < 50; i++) player_run_right();
    EXPECT_EQ(player_x - camera_x, 320);
}

TEST_F(Motion, LevelStartAfterALevelEndedInAJump) {
    start(train());
    player_jump();
    game_update();
    level_end();
    EXPECT_EQ(jump_ticks, 0);
    start(train());
    EXPECT_EQ(player_pose, POSE_RUN);
    EXPECT_EQ(player_y, train_y);
}

// player_y - train_y after each tick of a jump from a level roof, with nothing held after the take-off.
TEST_F(Motion, JumpRises32TicksFalls32AndRunsTheTickAfter) {
    start(train());
    key[KEY_SPACE] = 1;
    game_input();
    key[KEY_SPACE] = 0;
    EXPECT_EQ(player_pose, POSE_JUMP);
    EXPECT_EQ(jump_ticks, 32);
    for (int t = 1; t <= 65; t++) {
        SCOPED_TRACE("tick " + std::to_string(t));
        ASSERT_TRUE(tick_and_poll());
        int want = t <= 32 ? -t : t <= 64 ? -(64 - t) : 0;
        EXPECT_EQ(player_y - train_y, want);
        EXPECT_EQ(player_pose, t <= 64 ? POSE_JUMP : POSE_RUN);
    }
}

TEST_F(Motion, SpaceHeldJumpsAgainOnlyAfterLanding) {
    start(train());
    key[KEY_SPACE] = 1;
    game_input();
    std::vector<int> heights;
    for (int t = 1; t <= 130; t++) {
        ASSERT_TRUE(tick_and_poll());
        heights.push_back(player_y - train_y);
    }
    // Every poll saw SPACE; the rise was never restarted in the air, and the next jump took off
    // at the poll after the landing tick: the pattern repeats every 65 ticks.
    for (int t = 0; t < 65; t++) EXPECT_EQ(heights[t], heights[t + 65]) << "tick " << t + 1;
    EXPECT_EQ(heights[31], -32);
    EXPECT_EQ(heights[64], 0);
}

TEST_F(Motion, SinkingIntoACouplingAndSteppingOntoTheNextRoof) {
    start(train({CAR_COACH, CAR_COACH3, CAR_ENGINE}));
    put(70);
    for (int t = 1; t <= 30; t++) {
        player_tick();
        EXPECT_EQ(player_y - train_y, t < 24 ? t : 24) << "tick " << t;
    }
    // The next car is at roof height: back up in one tick.
    put(88, 24);
    player_tick();
    EXPECT_EQ(player_y, train_y);
    EXPECT_EQ(player_pose, POSE_RUN);
    EXPECT_EQ(game_over, 0);
}

TEST_F(Motion, RunningTheTrainOnlyDipsAndNeverLoses) {
    start(train());
    key[KEY_RIGHT] = 1;
    int deepest = 0, highest = 0, ticks = 0;
    while (tick_and_poll() && ticks < 2000) {
        ticks++;
        deepest = std::max(deepest, player_y - train_y);
        highest = std::min(highest, player_y - train_y);
        EXPECT_EQ(player_pose, POSE_RUN);
    }
    // The only level is complete: the game is won, not lost.
    EXPECT_EQ(current_state, STATE_YOU_WIN);
    EXPECT_GT(deepest, 0);
    EXPECT_LE(deepest, 24);
    EXPECT_EQ(highest, 0);
}

TEST_F(Motion, SpaceWhileFallingOffARoofStartsANewRise) {
    start(train({CAR_COACH, CAR_COACH3, CAR_ENGINE}));
    put(70);
    for (int t = 0; t < 10; t++) player_tick();
    ASSERT_EQ(player_y - train_y, 10);
    ASSERT_EQ(player_pose, POSE_RUN);
    player_jump();
    EXPECT_EQ(player_pose, POSE_JUMP);
    EXPECT_EQ(jump_ticks, 32);
    for (int t = 0; t < 32; t++) player_tick();
    EXPECT_EQ(player_y - train_y, 10 - 32);
    // Down to the coupling, 24 below the roof: 46 ticks, then the landing tick.
    for (int t = 0; t < 46; t++) player_tick();
    EXPECT_EQ(player_y - train_y, 24);
    EXPECT_EQ(player_pose, POSE_JUMP);
    player_tick();
    EXPECT_EQ(player_pose, POSE_RUN);
}

TEST_F(Motion, SpaceInAJumpIsIgnored) {
    start(train());
    player_jump();
    for (int t = 0; t < 10; t++) player_tick();
    player_jump();  // rising
    EXPECT_EQ(jump_ticks, 22);
    for (int t = 0; t < 30; t++) player_tick();
    ASSERT_EQ(jump_ticks, 0);
    ASSERT_LT(player_y, train_y);
    player_jump();  // falling
    EXPECT_EQ(jump_ticks, 0);
    EXPECT_EQ(player_pose, POSE_JUMP);
}

TEST_F(Motion, CrouchDuringARiseLandsCrouchedUntilSpaceOrRight) {
    start(train());
    player_jump();
    for (int t = 0; t < 10; t++) player_tick();
    player_crouch();
    EXPECT_EQ(player_pose, POSE_CROUCH);
    EXPECT_EQ(jump_ticks, 22);
    for (int t = 0; t < 22; t++) player_tick();
    EXPECT_EQ(player_y - train_y, -32);
    for (int t = 0; t < 32 + 40; t++) player_tick();
    EXPECT_EQ(player_y, train_y);
    EXPECT_EQ(player_pose, POSE_CROUCH);

    player_jump();  // SPACE stands him up without a jump
    EXPECT_EQ(player_pose, POSE_RUN);
    EXPECT_EQ(jump_ticks, 0);

    player_crouch();
    int x = player_x;
    player_run_right();
    EXPECT_EQ(player_pose, POSE_RUN);
    EXPECT_EQ(player_x, x + 1);
}

TEST_F(Motion, CrouchAndSpaceHeldTogetherNeverJump) {
    start(train());
    key[KEY_C] = 1;
    key[KEY_SPACE] = 1;
    for (int t = 0; t < 100; t++) {
        ASSERT_TRUE(tick_and_poll());
        EXPECT_EQ(player_pose, POSE_RUN);
        EXPECT_EQ(jump_ticks, 0);
        EXPECT_EQ(player_y, train_y);
    }
}

TEST_F(Motion, GoalReachedWhileRising) {
    start(train());
    put(300);
    player_jump();
    for (int t = 0; t < 5; t++) player_tick();
    ASSERT_EQ(player_y - train_y, -5);
    player_x = train_x + TRAIN_GOAL;
    player_tick();
    EXPECT_NE(level_complete, 0);
    EXPECT_EQ(player_pose, POSE_JUMP);
    EXPECT_EQ(player_y - train_y, -5);  // the goal tick moves nobody
    EXPECT_EQ(jump_ticks, 27);
}

TEST_F(Motion, StandingStillDriftsLeftAndIsLostAtScreenXMinus32) {
    LevelDef s = train();
    s.time_limit = 60;
    start(s);  // 3200 wide: the camera is nowhere near its limit
    int ticks = 0;
    std::vector<int> screen_x;  // before each tick
    while (current_state == STATE_GAME && ticks < 2000) {
        screen_x.push_back(player_x - camera_x);
        tick_and_poll();
        ticks++;
    }
    ASSERT_EQ(current_state, STATE_GAME_OVER);
    // The camera gains a pixel a tick, the train gives back 2 every 4th: after 4 ticks he is at 328.
    EXPECT_EQ(screen_x[4], 328);
    EXPECT_EQ(screen_x[400], 130);
    // Lost on the first tick that starts with him 32 pixels off the left edge.
    EXPECT_EQ(screen_x.back(), -32);
    for (size_t i = 0; i + 1 < screen_x.size(); i++) ASSERT_GT(screen_x[i], -32) << "tick " << i + 1;
    EXPECT_EQ(ticks, 723);
}

TEST_F(Motion, OtherLosses) {
    start(train());
    put(0);  // at the rear end of the train
    player_tick();
    EXPECT_NE(game_over, 0);
    game_over = 0;

    put(10);
    train_x = world_width + 640 - 2;  // the next move takes the train out of the world
    elapsed_ticks = 4;
    train_tick();
    EXPECT_NE(game_over, 0);
}

TEST_F(Motion, TrainSpeedGrowsWithTheLevel) {
    for (int level = 0; level < 3; level++) {
        set_levels({train(), train(), train()});
        current_level = level;
        level_start(level);
        SCOPED_TRACE("level " + std::to_string(level));
        for (int t = 1; t <= 64; t++) {
            elapsed_ticks = t;
            train_tick();
        }
        EXPECT_EQ(train_x - 320, 16 * (level + 2));
        EXPECT_EQ(player_x - train_x, 10);  // carried along
        level_end();
    }
}

TEST_F(Motion, PageKeysMoveTheCameraOnlyInMiddleHeightWorlds) {
    struct Case {
        int height;  // pixels; unit_h 1
        int after_pgup, after_pgdn;
    };
    const Case cases[] = {
        {241, 120, 0}, {300, 150, 59}, {480, 240, 239}, {481, 240, 240}, {1000, 759, 759}, {2000, 1759, 1759},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("height " + std::to_string(c.height));
        LevelDef s = train();
        s.height = c.height;
        s.unit_h = 1;
        start(s);
        key[KEY_PGUP] = 1;
        game_input();
        EXPECT_EQ(camera_y, c.after_pgup);
        key[KEY_PGUP] = 0;
        key[KEY_PGDN] = 1;
        game_input();
        EXPECT_EQ(camera_y, c.after_pgdn);
        key[KEY_PGDN] = 0;
        level_end();
    }
}

TEST_F(Motion, CameraStopsAtItsLimitWhileTrainAndPlayerGoOn) {
    LevelDef s = train();
    s.width = 1000;
    s.unit_w = 1;  // camera_max_x 679
    s.time_limit = 100;
    start(s);
    int ticks = 0;
    while (current_state == STATE_GAME && ticks < 10000) {
        if (ticks == 700) {
            EXPECT_EQ(camera_x, 679);
            EXPECT_EQ(train_x, 320 + 2 * 175);
        }
        tick_and_poll();
        ticks++;
    }
    EXPECT_EQ(current_state, STATE_GAME_OVER);
    // Standing still, he is carried past the stopped camera; the train leaving the world
    // (train_x 1640 after 660 moves) ends the level.
    EXPECT_EQ(ticks, 2640);

    // Running: the camera is pushed to its limit and stays there. A long train without an engine
    // keeps the level going.
    make_game_sprites();
    s.cars = std::vector<int>(12, CAR_COACH);
    start(s);
    key[KEY_RIGHT] = 1;
    for (int t = 0; t < 300; t++) ASSERT_TRUE(tick_and_poll());
    EXPECT_EQ(camera_x, 679);
    EXPECT_GT(player_x - camera_x, 320);
}

}  // namespace
