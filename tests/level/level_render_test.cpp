// tests/level/level_render_test.cpp — the level backdrop: which window of each picture layer lands on the
// bitmap, and the renderer's log lines.
#include "level/level_render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "app/log.h"
#include "support/fixtures.h"

namespace {

// What a window of cells c0..c1 of rows r0..r1 must look like: printed by the library from the top-left corner.
void draw_window(BITMAP *bmp, const ASCII_SPRITE *s, int c0, int r0, int c1, int r1) {
    text_region(bmp, s, c0, r0, c1, r1, 0, 0);
}

LEVEL_ATTR *world(int width, int unit_w, int height, int unit_h) {
    LEVEL_ATTR *a = level_attr_create(width, height, 1);
    a->unit_w = unit_w;
    a->unit_h = unit_h;
    return a;
}

struct WindowCase {
    const char *name;
    int layer_w, layer_h;               // cells
    int width, unit_w, height, unit_h;  // the world
    int cam_x, cam_y, k;
    int bmp_w, bmp_h;
    int c0, r0, c1, r1;  // the window expected, in cells
};

std::ostream &operator<<(std::ostream &o, const WindowCase &c) { return o << c.name; }

class LayerWindow : public testing::TestWithParam<WindowCase> {};

TEST_P(LayerWindow, DrawsTheWindowAroundTheCamera) {
    const WindowCase &c = GetParam();
    ASCII_SPRITE *s = distinct_sprite(c.layer_w, c.layer_h, 255, 255, 0);
    LEVEL_ATTR *a = world(c.width, c.unit_w, c.height, c.unit_h);
    BITMAP *got = make_bitmap(c.bmp_w, c.bmp_h);
    BITMAP *want = make_bitmap(c.bmp_w, c.bmp_h);
    level_draw_layer(got, s, a, c.cam_x, c.cam_y, c.k, 0);
    draw_window(want, s, c.c0, c.r0, c.c1, c.r1);
    EXPECT_TRUE(same_pixels(got, want));
    destroy_bitmap(got);
    destroy_bitmap(want);
    level_attr_destroy(a);
    sprite_destroy(s);
}

// Most cases use a layer exactly as large as a world of 1280 x 960 pixels, seen through a 640 x 480 bitmap.
INSTANTIATE_TEST_SUITE_P(
    Cases, LayerWindow,
    testing::Values(
        WindowCase{"AsLargeAsTheWorldAtItsCentre", 160, 120, 160, 8, 120, 8, 640, 480, 0, 640, 480, 40, 30, 120, 90},
        WindowCase{"WorldOfOneScreenAt320", 80, 60, 640, 1, 480, 1, 320, 240, 0, 640, 480, 0, 0, 80, 60},
        // 1000 pixels of layer over 2000 of world: the window runs from pixel 180 to 820.
        WindowCase{"HalfAsWideAsTheWorld", 125, 10, 250, 8, 60, 8, 1000, 240, 0, 640, 480, 22, 0, 102, 60},
        WindowCase{"HalfAsWideAtTheStart", 125, 10, 250, 8, 60, 8, 0, 0, 0, 640, 480, 0, 0, 80, 60},
        WindowCase{"NarrowerThanTheBitmapMiddle", 40, 10, 250, 8, 60, 8, 1000, 240, 0, 640, 480, 0, 0, 80, 60},
        WindowCase{"NarrowerThanTheBitmapEnd", 40, 10, 250, 8, 60, 8, 2000, 480, 0, 640, 480, 0, 0, 80, 60},
        WindowCase{"NarrowerThanTheBitmapBeyond", 40, 10, 250, 8, 60, 8, 99999, 99999, 0, 640, 480, 0, 0, 80, 60},
        WindowCase{"RightEndOfTheWorld", 160, 120, 160, 8, 120, 8, 1280, 960, 0, 640, 480, 80, 60, 160, 120},
        WindowCase{"PastTheRightEnd", 160, 120, 160, 8, 120, 8, 5000, 5000, 0, 640, 480, 80, 60, 160, 120},
        WindowCase{"LeftEnd", 160, 120, 160, 8, 120, 8, 0, 0, 0, 640, 480, 0, 0, 80, 60},
        WindowCase{"NegativeCamera", 160, 120, 160, 8, 120, 8, -500, -500, 0, 640, 480, 0, 0, 80, 60},
        WindowCase{"SmallerBitmap", 160, 120, 160, 8, 120, 8, 640, 480, 0, 320, 200, 60, 47, 100, 72},
        WindowCase{"OrdinalZero", 160, 120, 160, 8, 120, 8, 327, 247, 0, 640, 480, 0, 0, 80, 60},
        WindowCase{"OrdinalOneShiftsAPixelOnBothAxes", 160, 120, 160, 8, 120, 8, 327, 247, 1, 640, 480, 1, 1, 81, 61},
        WindowCase{"WorldWidthZeroDoesNotScrollAcross", 160, 120, 160, 0, 120, 8, 5000, 480, 0, 640, 480, 0, 30, 80,
                   90},
        WindowCase{"WorldHeightZeroDoesNotScrollDown", 160, 120, 160, 8, 120, 0, 640, 99999, 0, 640, 480, 40, 0, 120,
                   60},
        WindowCase{"NegativeWorldDoesNotScroll", 160, 120, 160, -8, 120, -8, 640, 480, 0, 640, 480, 0, 0, 80, 60},
        // Layer width times camera x is beyond 32 bits here.
        WindowCase{"LargeProduct", 1000, 10, 1000000, 8, 60, 8, 600000, 0, 0, 640, 480, 35, 0, 115, 60},
        WindowCase{"CameraIntMax", 160, 120, 160, 8, 120, 8, INT_MAX, INT_MAX, 0, 640, 480, 80, 60, 160, 120},
        WindowCase{"CameraIntMin", 160, 120, 160, 8, 120, 8, INT_MIN, INT_MIN, 0, 640, 480, 0, 0, 80, 60}),
    [](const testing::TestParamInfo<WindowCase> &i) { return std::string(i.param.name); });

// A level of slots built by hand; the LEVEL owns what is put in it.
struct Slot {
    int kind;
    void *object;
};

LEVEL *level_of(const std::vector<Slot> &slots) {
    LEVEL *l = level_create((int)slots.size());
    for (size_t i = 0; i < slots.size(); i++) {
        l->layer_types[i] = slots[i].kind;
        l->layers[i] = slots[i].object;
        if (slots[i].kind == LAYER_ATTR) l->attr = (LEVEL_ATTR *)slots[i].object;
    }
    return l;
}

LEVEL_ATTR *world_1280(int r, int g, int b) {
    LEVEL_ATTR *a = world(160, 8, 120, 8);
    a->bg_r = r;
    a->bg_g = g;
    a->bg_b = b;
    return a;
}

// At camera (327, 246) on a 1280 x 960 world, ordinal 0 gives the window from cell (0, 0), ordinal 1 from
// (1, 0) and ordinals 2 and 3 from (1, 1), each 81 x 61 cells.
struct Ordinal {
    int c0, r0;
};
const Ordinal ORD[] = {{0, 0}, {1, 0}, {1, 1}, {1, 1}};
constexpr int CAM_X = 327, CAM_Y = 246;

class LevelDraw : public testing::Test {
   protected:
    BITMAP *got = nullptr, *want = nullptr;
    void SetUp() override {
        got = make_bitmap(SCREEN_W, SCREEN_H, 0xff00ff);
        want = make_bitmap(SCREEN_W, SCREEN_H, 0x00ff00);
    }
    void TearDown() override {
        destroy_bitmap(got);
        destroy_bitmap(want);
    }
    void expect_layer(const ASCII_SPRITE *s, int k) {
        draw_window(want, s, ORD[k].c0, ORD[k].r0, ORD[k].c0 + 80, ORD[k].r0 + 60);
    }
};

TEST_F(LevelDraw, WithoutPictureLayersOnlyTheBackgroundShows) {
    LEVEL *l = level_of({{LAYER_NONE, nullptr}, {LAYER_ATTR, world_1280(10, 20, 30)}, {LAYER_NONE, nullptr}});
    level_draw(got, l, CAM_X, CAM_Y, 0);
    clear_to_color(want, makecol(10, 20, 30));
    EXPECT_TRUE(same_pixels(got, want));
    level_destroy(l);
}

TEST_F(LevelDraw, LayersAreDrawnInSlotOrderEachShiftedByItsOrdinal) {
    ASCII_SPRITE *l1 = distinct_sprite(160, 120, 255, 255, 0), *l2 = distinct_sprite(160, 120, 0, 255, 255),
                 *l3 = distinct_sprite(160, 120, 255, 0, 0);
    LEVEL *l = level_of({{LAYER_ATTR, world_1280(0, 0, 80)}, {LAYER_ASCII, l1}, {LAYER_ASCII, l2}, {LAYER_ASCII, l3}});
    level_draw(got, l, CAM_X, CAM_Y, 0);
    clear_to_color(want, makecol(0, 0, 80));
    expect_layer(l1, 0);
    expect_layer(l2, 1);
    expect_layer(l3, 2);
    EXPECT_TRUE(same_pixels(got, want));
    level_destroy(l);
}

TEST_F(LevelDraw, OnlyPictureSlotsCountTowardTheOrdinal) {
    ASCII_SPRITE *l1 = distinct_sprite(160, 120, 255, 255, 0), *l2 = distinct_sprite(160, 120, 0, 255, 255);
    LEVEL *l =
        level_of({{LAYER_ASCII, l1}, {LAYER_NONE, nullptr}, {LAYER_ATTR, world_1280(0, 0, 80)}, {LAYER_ASCII, l2}});
    level_draw(got, l, CAM_X, CAM_Y, 0);
    clear_to_color(want, makecol(0, 0, 80));
    expect_layer(l1, 0);
    expect_layer(l2, 1);
    EXPECT_TRUE(same_pixels(got, want));
    level_destroy(l);
}

TEST_F(LevelDraw, FailedPictureSlotIsPassedOverAndStillCounts) {
    ASCII_SPRITE *l2 = distinct_sprite(160, 120, 0, 255, 255);
    LEVEL *l = level_of({{LAYER_ATTR, world_1280(0, 0, 80)}, {LAYER_ASCII, nullptr}, {LAYER_ASCII, l2}});
    level_draw(got, l, CAM_X, CAM_Y, 0);
    clear_to_color(want, makecol(0, 0, 80));
    expect_layer(l2, 1);
    EXPECT_TRUE(same_pixels(got, want));
    level_destroy(l);
}

TEST_F(LevelDraw, WorldOfNoSizeDrawsFromTheCorner) {
    ASCII_SPRITE *s = distinct_sprite(160, 120, 255, 255, 0);
    LEVEL_ATTR *a = world_1280(0, 0, 80);
    a->unit_w = 0;
    a->unit_h = 0;
    LEVEL *l = level_of({{LAYER_ATTR, a}, {LAYER_ASCII, s}});
    level_draw(got, l, 5000, 5000, 0);
    clear_to_color(want, makecol(0, 0, 80));
    draw_window(want, s, 0, 0, 80, 60);
    EXPECT_TRUE(same_pixels(got, want));
    level_destroy(l);
}

TEST_F(LevelDraw, DebugSwitchPrintsTheCamera) {
    LEVEL *l = level_of({{LAYER_ATTR, world_1280(0, 0, 80)}});
    level_draw(got, l, CAM_X, -12, 1);
    clear_to_color(want, makecol(0, 0, 80));
    textprintf_ex(want, font, 0, 0, makecol(255, 255, 255), -1, "Camera: %5d,%5d", CAM_X, -12);
    EXPECT_TRUE(same_pixels(got, want));
    level_destroy(l);
}

TEST_F(LevelDraw, MissingLevelOrAttributesDoNotCrash) {
    level_draw(got, nullptr, 0, 0, 0);
    LEVEL *l = level_of({{LAYER_ASCII, distinct_sprite(4, 4, 255, 255, 255)}});
    level_draw(got, l, 0, 0, 0);
    level_draw_layer(got, nullptr, l->attr, 0, 0, 0, 0);
    level_destroy(l);
}

TEST(LevelRendererLog, InitAndQuitWriteTheirLines) {
    remove("gamelog.txt");
    ASSERT_EQ(log_init(), 0);
    EXPECT_EQ(level_renderer_init(), 0);
    level_renderer_quit();
    log_close();
    std::string log = read_file("gamelog.txt");
    size_t init = log.find("]: Initializing Level Renderer\n");
    size_t quit = log.find("]: Quitting Level Renderer\n");
    ASSERT_NE(init, std::string::npos) << log;
    ASSERT_NE(quit, std::string::npos) << log;
    EXPECT_LT(init, quit);
    // Each is a line of its own, starting with the time stamp.
    EXPECT_EQ(log[log.rfind('\n', init) + 1], '[');
    EXPECT_EQ(log[log.rfind('\n', quit) + 1], '[');

    // With the log closed the renderer still starts.
    EXPECT_EQ(level_renderer_init(), 0);
    level_renderer_quit();
    EXPECT_EQ(read_file("gamelog.txt"), log);
}

}  // namespace
