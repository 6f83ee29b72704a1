// tests/game/render_test.cpp — the track strip, the clock, the train's car list, the smoke and the player's
// poses, drawn on memory bitmaps.
#include "game/render.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "ascii/draw.h"
#include "game/game_world.h"
#include "game/motion.h"
#include "game/play.h"
#include "game/resources.h"
#include "support/fixtures.h"

namespace {

class Render : public testing::Test {
   protected:
    void SetUp() override {
        make_game_sprites();
        LevelDef s;
        s.cars = {CAR_COACH, CAR_ENGINE};
        set_levels({s});
        level_first();
    }
    void TearDown() override {
        level_end();
        levels_free();
        game_sprites_unload();
        for (BITMAP *b : bitmaps) destroy_bitmap(b);
    }
    BITMAP *bitmap(int w, int h) {
        bitmaps.push_back(make_bitmap(w, h));
        return bitmaps.back();
    }
    std::vector<BITMAP *> bitmaps;
};

TEST_F(Render, TrackPiecesCoverTheWidthWithOneMoreWhenTheCameraIsBetweenUnits) {
    struct Case {
        int bmp_w, unit_w, cam_x;
        int last_covered;  // x0 + pieces * 64: each piece's fill reaches one pixel past it
    };
    const Case cases[] = {
        {700, 32, 64, 640},   // on a unit: 10 pieces from 0
        {700, 32, 0, 640},    //
        {700, 32, 70, 698},   // 6 into a unit: 11 pieces from -6
        {700, 50, 149, 655},  // 11 from -49
        {700, 64, 128, 640},  //
        {650, 32, 33, 703},   // 11 from -1
        {640, 32, 0, 640},    // exactly 10 pieces fill a 640-pixel screen
        {640, 32, 31, 673},   //
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.bmp_w) + ", unit " + std::to_string(c.unit_w) + ", camera " +
                     std::to_string(c.cam_x));
        level_attr->unit_w = c.unit_w;
        train_x = player_x = 100000;     // neither train nor player on this bitmap
        int cam_y = train_y + 24 - 200;  // the strip's top on row 200
        BITMAP *b = bitmap(c.bmp_w, 300);
        game_scene_draw(b, c.cam_x, cam_y);
        for (int y : {199, 233})
            for (int x = 0; x < c.bmp_w; x++) ASSERT_EQ(getpixel(b, x, y), 0) << x << "," << y;
        for (int y : {200, 216, 232})
            for (int x = 0; x < c.bmp_w; x++) ASSERT_EQ(getpixel(b, x, y) != 0, x <= c.last_covered) << x << "," << y;
    }
}

// The digit strip of game_world.cpp shows glyph g's character at its band's first row, column 0, and
// at its sixth row, column 1: a clock text reads back as those characters at those places.
void expected_clock(BITMAP *b, const std::string &text, int x, int y) {
    int colour = makecol(255, 230, 80);
    for (char c : text) {
        char s[2] = {c, 0};
        textout_ex(b, font, s, x, y, colour, -1);
        textout_ex(b, font, s, x + 8, y + 40, colour, -1);
        x += 16;
    }
}

TEST_F(Render, ClockShowsMinutesAndSecondsInDigitGlyphs) {
    struct Case {
        int ticks;
        const char *text;
    };
    const Case cases[] = {
        {64 * 65, "01:05"}, {64 * 65 + 63, "01:05"}, {63, "00:00"},         {0, "00:00"},
        {64 * 59, "00:59"}, {64 * 600, "10:00"},     {64 * 6000, "100:00"}, {64 * 5999, "99:59"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        time_left = c.ticks;
        BITMAP *got = bitmap(640, 60), *want = bitmap(640, 60);
        clock_draw(got, 120, 0);
        expected_clock(want, c.text, 120, 0);
        EXPECT_TRUE(same_pixels(got, want));
    }
}

TEST_F(Render, ClockOfAnyIntFitsItsBuffer) {
    for (int t : {INT32_MAX, INT32_MIN, -64 * 61}) {
        time_left = t;
        BITMAP *b = bitmap(640, 60);
        clock_draw(b, 120, 0);  // characters other than digits and colon only advance
    }
}

TEST_F(Render, CarKindsOutsideTheFourLeaveTheOthersInPlace) {
    struct Case {
        std::vector<int> with, without;
    };
    const Case cases[] = {
        {{CAR_COACH, 7, CAR_ENGINE}, {CAR_COACH, CAR_ENGINE}},
        {{-1, CAR_COACH2, 4, CAR_COACH3, CAR_ENGINE}, {CAR_COACH2, CAR_COACH3, CAR_ENGINE}},
        {{CAR_ENGINE, 99, CAR_COACH}, {CAR_ENGINE, CAR_COACH}},
    };
    for (const Case &c : cases) {
        BITMAP *a = bitmap(640, 200), *b = bitmap(640, 200);
        // The engine's smoke draws from rand(): both pictures get the same draws from a blank puff.
        srand(11);
        sprite_clear(smoke_sprite);
        train_draw(a, 20, 100, (int)c.with.size(), c.with.data(), makecol(0, 0, 96));
        srand(11);
        sprite_clear(smoke_sprite);
        train_draw(b, 20, 100, (int)c.without.size(), c.without.data(), makecol(0, 0, 96));
        EXPECT_TRUE(same_pixels(a, b)) << c.with.size() << " cars";
    }
}

TEST_F(Render, SmokeChangesOneCellAFrameInOneGrey) {
    const std::string puffs = ",.;:'\"";
    std::set<int> greys;
    srand(5);
    sprite_clear(smoke_sprite);
    BITMAP *b = bitmap(200, 200);
    for (int frame = 0; frame < 400; frame++) {
        std::string before(smoke_sprite->cells, 9);
        smoke_draw(b, 100, 100);
        std::string after(smoke_sprite->cells, 9);
        int changed = 0;
        for (int i = 0; i < 9; i++)
            if (before[i] != after[i]) {
                changed++;
                EXPECT_NE(puffs.find(after[i]), std::string::npos) << after[i];
            }
        ASSERT_LE(changed, 1) << "frame " << frame;
        ASSERT_EQ(smoke_sprite->r, smoke_sprite->g);
        ASSERT_EQ(smoke_sprite->g, smoke_sprite->b);
        ASSERT_GE(smoke_sprite->r, 160);
        ASSERT_LE(smoke_sprite->r, 180);
        greys.insert(smoke_sprite->r);
    }
    EXPECT_EQ(std::string(smoke_sprite->cells, 9).find(' '), std::string::npos) << "every cell is smoke by now";
    // Four hundred frames see every grey from 160 to 180.
    EXPECT_EQ(greys.size(), 21u);
    // The puff sits with its bottom row on the given row: (100, 76) to (123, 99).
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 200; x++)
            if (getpixel(b, x, y) != 0) {
                ASSERT_TRUE(x >= 100 && x < 124 && y >= 76 && y < 100) << x << "," << y;
            }
}

TEST_F(Render, EngineSmokeRisesFromThreeCellsBeforeItsEnd) {
    sprite_fill(smoke_sprite, '#');
    BITMAP *b = bitmap(400, 400);
    int cars[] = {CAR_ENGINE};
    train_draw(b, 200, 300, 1, cars, makecol(0, 0, 96));
    int grey_pixels = 0;
    for (int y = 0; y < 400; y++)
        for (int x = 0; x < 400; x++) {
            int p = getpixel(b, x, y);
            // 16 bits a pixel: a grey comes back with its channels a few steps apart.
            int r = getr(p), g = getg(p), bl = getb(p);
            if (abs(r - g) <= 8 && abs(g - bl) <= 8 && r >= 150 && r <= 190) {
                grey_pixels++;
                // Engine 8 cells wide at x 200: the puff's left column is at 240, its lowest row the engine's top.
                ASSERT_TRUE(x >= 240 && x < 264 && y >= 284 && y < 308) << x << "," << y;
            }
        }
    EXPECT_GT(grey_pixels, 0);
}

TEST_F(Render, PlayerPosesStandOnTheGivenRow) {
    struct Case {
        int pose;
        ASCII_SPRITE **sprite;  // null: nothing drawn
        int top;
    };
    // Drawn at (100, 200): the standing figure is 4 rows high, the crouching one 2 and hung from the same top.
    const Case cases[] = {
        {POSE_RUN, &player_sprite, 176},
        {POSE_JUMP, &player_jump_sprite, 176},
        {POSE_CROUCH, &player_crouch_sprite, 176},
        {7, nullptr, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("pose " + std::to_string(c.pose));
        player_pose = c.pose;
        BITMAP *got = bitmap(300, 300), *want = bitmap(300, 300);
        player_draw(got, 100, 200);
        if (c.sprite) sprite_draw(want, *c.sprite, 100, c.top);
        EXPECT_TRUE(same_pixels(got, want));
    }
    player_pose = POSE_RUN;
}

}  // namespace
