// tests/ascii/draw_test.cpp — sprite drawing on memory bitmaps, checked against the library's own text output
// of the same cells. 16-bit bitmaps (the depth of dbuffer) and 32-bit ones are both checked: they may be drawn
// by different routes.
#include "ascii/draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "support/fixtures.h"

namespace {

constexpr int BG = 0x203040;  // background fill, distinct from every sprite colour used here

int bg_colour(int depth = 16) { return makecol_depth(depth, 0x20, 0x30, 0x40); }

const int DEPTHS[] = {16, 32};

// Two like bitmaps filled with BG: the drawing under test goes on `got`, the library's text on `want`.
struct Bitmaps {
    BITMAP *got, *want;
    Bitmaps(int w, int h, int depth = 16) : got(make_bitmap(w, h, BG, depth)), want(make_bitmap(w, h, BG, depth)) {}
    ~Bitmaps() {
        destroy_bitmap(got);
        destroy_bitmap(want);
    }
    Bitmaps(const Bitmaps &) = delete;
    Bitmaps &operator=(const Bitmaps &) = delete;
    bool same() const { return same_pixels(got, want); }
};

// The whole sprite as the library prints it from (x, y).
void text_sprite(BITMAP *bmp, const ASCII_SPRITE *s, int x, int y) {
    text_region(bmp, s, 0, 0, s->w - 1, s->h - 1, x, y);
}

ASCII_SPRITE *sprite_of(const std::string &row, int r = 255, int g = 0, int b = 0) {
    ASCII_SPRITE *s = sprite_create((int)row.size(), 1);
    memcpy(s->cells, row.data(), row.size());
    s->r = r;
    s->g = g;
    s->b = b;
    return s;
}

// A one-row sprite drawn at the top-left corner of a w x 8 bitmap filled with BG; the caller destroys the bitmap.
BITMAP *row_drawn(const std::string &row, int w, int r = 255, int g = 0, int b = 0) {
    ASCII_SPRITE *s = sprite_of(row, r, g, b);
    BITMAP *bmp = make_bitmap(w, 8, BG);
    sprite_draw(bmp, s, 0, 0);
    sprite_destroy(s);
    return bmp;
}

// The painted columns of one glyph of the font, from 0 to 7.
Box glyph_box(char c) {
    char text[2] = {c, 0};
    return text_ink(text, 0, 0, false);
}

bool only_colours(BITMAP *bmp, int colour) {
    int bg = bg_colour(bitmap_color_depth(bmp));
    for (int y = 0; y < bmp->h; y++)
        for (int x = 0; x < bmp->w; x++) {
            int p = getpixel(bmp, x, y);
            if (p != bg && p != colour) return false;
        }
    return true;
}

struct DrawCase {
    const char *name;
    int x, y;
    bool nothing;  // the position is so far off that nothing may be drawn
};

std::ostream &operator<<(std::ostream &o, const DrawCase &c) { return o << c.name; }

class DrawAt : public testing::TestWithParam<DrawCase> {};

// A 5 x 3 sprite (40 x 24 pixels) on a 64 x 32 bitmap.
TEST_P(DrawAt, MatchesTheLibrarysText) {
    const DrawCase &c = GetParam();
    ASCII_SPRITE *s = distinct_sprite(5, 3);
    for (int depth : DEPTHS) {
        Bitmaps bm(64, 32, depth);
        sprite_draw(bm.got, s, c.x, c.y);
        if (!c.nothing) text_sprite(bm.want, s, c.x, c.y);
        EXPECT_TRUE(bm.same()) << depth << " bits";
        EXPECT_TRUE(only_colours(bm.got, makecol(255, 255, 0))) << depth << " bits";
    }
    sprite_destroy(s);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, DrawAt,
    testing::Values(DrawCase{"Origin", 0, 0, false}, DrawCase{"Inside", 5, 3, false},
                    DrawCase{"LeftCut", -20, 0, false}, DrawCase{"TopCut", 0, -13, false},
                    DrawCase{"TopLeftCut", -20, -13, false}, DrawCase{"OnePixelColumnLeft", -39, 0, false},
                    DrawCase{"PartialRightCell", 30, 0, false}, DrawCase{"PartialBottomCell", 0, 20, false},
                    DrawCase{"PartialBottomRight", 61, 29, false}, DrawCase{"JustLeft", -40, 0, false},
                    DrawCase{"JustAbove", 0, -24, false}, DrawCase{"RightOfBitmap", 64, 0, false},
                    DrawCase{"BelowBitmap", 0, 32, false}, DrawCase{"FarRight", INT_MAX, 0, true},
                    DrawCase{"FarBelow", 0, INT_MAX, true}, DrawCase{"FarLeft", INT_MIN, 0, true},
                    DrawCase{"FarAbove", 0, INT_MIN, true}, DrawCase{"FarCorner", INT_MIN, INT_MIN, true},
                    DrawCase{"FarOtherCorner", INT_MAX, INT_MAX, true}),
    [](const testing::TestParamInfo<DrawCase> &i) { return std::string(i.param.name); });

struct RegionCase {
    const char *name;
    int c0, r0, c1, r1, x, y;
};

std::ostream &operator<<(std::ostream &o, const RegionCase &c) { return o << c.name; }

class DrawRegion : public testing::TestWithParam<RegionCase> {};

TEST_P(DrawRegion, DrawsTheClampedRectangle) {
    const RegionCase &c = GetParam();
    ASCII_SPRITE *s = distinct_sprite(5, 3, 0, 255, 255);
    for (int depth : DEPTHS) {
        Bitmaps bm(64, 32, depth);
        sprite_draw_region(s, bm.got, c.c0, c.r0, c.c1, c.r1, c.x, c.y);
        text_region(bm.want, s, c.c0, c.r0, c.c1, c.r1, c.x, c.y);
        EXPECT_TRUE(bm.same()) << depth << " bits";
    }
    sprite_destroy(s);
}

INSTANTIATE_TEST_SUITE_P(
    Regions, DrawRegion,
    testing::Values(RegionCase{"Whole", 0, 0, 4, 2, 0, 0}, RegionCase{"Inner", 1, 1, 3, 2, 10, 10},
                    RegionCase{"SingleCell", 2, 1, 2, 1, 3, 4}, RegionCase{"FirstColumnAtWidth", 5, 0, 6, 2, 0, 0},
                    RegionCase{"FirstColumnBeyond", 9, 0, 12, 2, 0, 0}, RegionCase{"FirstRowBeyond", 0, 3, 4, 5, 0, 0},
                    RegionCase{"LastColumnBeyond", 2, 0, 99, 2, 0, 0}, RegionCase{"LastRowBeyond", 0, 1, 4, 99, 0, 0},
                    RegionCase{"NegativeFirst", -3, -2, 1, 1, 8, 8}, RegionCase{"LastBeforeFirst", 3, 0, 1, 2, 0, 0},
                    RegionCase{"LastRowBeforeFirst", 0, 2, 4, 0, 0, 0}, RegionCase{"CutOnTheLeft", 1, 0, 4, 2, -12, -3},
                    RegionCase{"EverythingExtreme", INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0}),
    [](const testing::TestParamInfo<RegionCase> &i) { return std::string(i.param.name); });

TEST(Draw, AtMinus20TheThirdColumnStartsAtMinus4) {
    ASCII_SPRITE *s = sprite_of("##M");
    Bitmaps bm(40, 8);
    sprite_draw(bm.got, s, -20, 0);
    sprite_destroy(s);
    textout_ex(bm.want, font, "M", -4, 0, makecol(255, 0, 0), -1);
    EXPECT_TRUE(bm.same());
    // Only the last four pixel columns of the third cell can show.
    Box g = glyph_box('M');
    Box b = painted(bm.got, BG);
    ASSERT_GE(g.x1, 4) << "the glyph must reach into its right half for this check";
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(b.x0, std::max(0, g.x0 - 4));
    EXPECT_EQ(b.x1, g.x1 - 4);
}

TEST(Draw, PartialRightCellIsPrintedAndClipped) {
    // Cell 2 covers pixels 16..23, of which 16..19 are on the bitmap; cell 3 is wholly off.
    BITMAP *got = row_drawn("  MM", 20);
    Box g = glyph_box('M');
    ASSERT_LT(g.x0, 4) << "the glyph must reach into its left half for this check";
    Box b = painted(got, BG);
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(b.x0, 16 + g.x0);
    EXPECT_EQ(b.x1, 19);
    destroy_bitmap(got);
}

TEST(Draw, SpacesLeaveTheBackground) {
    BITMAP *got = row_drawn("a b", 24, 255, 0, 0);
    int bg = bg_colour(), red = makecol(255, 0, 0);
    int in_a = 0, in_b = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 24; x++) {
            int p = getpixel(got, x, y);
            if (x >= 8 && x < 16)
                EXPECT_EQ(p, bg) << x << "," << y;
            else if (p == red)
                (x < 8 ? in_a : in_b)++;
            else
                EXPECT_EQ(p, bg) << x << "," << y;  // gaps inside a glyph are see-through too
        }
    EXPECT_GT(in_a, 0);
    EXPECT_GT(in_b, 0);
    EXPECT_LT(in_a, 64);
    destroy_bitmap(got);
}

TEST(Draw, ColourIsTheSpritesOwn) {
    BITMAP *got = row_drawn("#", 8, 10, 200, 30);
    EXPECT_FALSE(painted(got, BG).empty());
    EXPECT_TRUE(only_colours(got, makecol(10, 200, 30)));
    destroy_bitmap(got);
}

// Rows wider than the 127 cells one print can carry: every cell must still appear.
struct WideCase {
    int bitmap_w, sprite_w, x, y;
};

TEST(Draw, RowsWiderThanOnePrintAreDrawnWhole) {
    const WideCase cases[] = {
        {1200, 150, 0, 0}, {1200, 150, -3, 0},  {1200, 150, 5, 4}, {1200, 200, -600, 0},
        {2100, 300, 0, 0}, {2100, 300, -7, -5}, {640, 100, 0, 0},  {640, 100, -3, 0},
    };
    for (const WideCase &c : cases)
        for (int depth : DEPTHS) {
            ASCII_SPRITE *s = distinct_sprite(c.sprite_w, 2);
            Bitmaps bm(c.bitmap_w, 16, depth);
            sprite_draw(bm.got, s, c.x, c.y);
            text_sprite(bm.want, s, c.x, c.y);
            EXPECT_TRUE(bm.same()) << c.bitmap_w << " wide, sprite " << c.sprite_w << " at " << c.x << ", " << depth
                                   << " bits";
            sprite_destroy(s);
        }
}

TEST(Draw, LastCellOfA150WideRowReachesPixel1199) {
    std::string row(150, ' ');
    row[149] = 'M';
    BITMAP *got = row_drawn(row, 1200);
    Box g = glyph_box('M');
    Box b = painted(got, BG);
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(b.x0, 1192 + g.x0);
    EXPECT_EQ(b.x1, 1192 + g.x1);
    destroy_bitmap(got);
}

TEST(Draw, EveryPrintableGlyphAtEveryOffset) {
    ASCII_SPRITE *s = sprite_create(94, 2);
    for (int i = 0; i < 94; i++) {
        s->cells[i] = (char)('!' + i);
        s->cells[94 + i] = (char)('~' - i);
    }
    s->r = 200;
    s->g = 100;
    s->b = 50;
    for (int depth : DEPTHS)
        for (int dx = -8; dx <= 8; dx++)
            for (int dy : {-9, -3, 0, 5}) {
                Bitmaps bm(94 * CELL_W, 24, depth);
                sprite_draw(bm.got, s, dx, dy);
                text_sprite(bm.want, s, dx, dy);
                EXPECT_TRUE(bm.same()) << "at " << dx << "," << dy << ", " << depth << " bits";
            }
    sprite_destroy(s);
}

// Cells set in memory can hold any byte, unlike cells read from a file; the library decides how they look.
TEST(Draw, ControlAndHighBytesInCellsLookAsTheLibraryPrintsThem) {
    const std::string rows[] = {
        "A\x01B\x7f"
        "C",
        "ab\xc3\xa9"
        "cd",
        "x\xffy\x80z", "\t\n\r q"};
    for (const std::string &row : rows)
        for (int depth : DEPTHS) {
            ASCII_SPRITE *s = sprite_of(row, 0, 255, 0);
            Bitmaps bm(64, 8, depth);
            sprite_draw(bm.got, s, 3, 0);
            text_sprite(bm.want, s, 3, 0);
            EXPECT_TRUE(bm.same()) << depth << " bits";
            sprite_destroy(s);
        }
}

// The library's text output keeps inside a bitmap's clip rectangle; so must the drawing.
TEST(Draw, KeepsInsideTheClipRectangle) {
    ASCII_SPRITE *s = distinct_sprite(12, 6);
    const int at[][2] = {{0, 0}, {-5, -3}, {9, 2}, {13, 11}, {30, 20}, {-60, 0}};
    for (int depth : DEPTHS)
        for (const auto &p : at) {
            Bitmaps bm(64, 40, depth);
            set_clip_rect(bm.got, 11, 5, 41, 22);
            set_clip_rect(bm.want, 11, 5, 41, 22);
            sprite_draw(bm.got, s, p[0], p[1]);
            text_sprite(bm.want, s, p[0], p[1]);
            set_clip_rect(bm.got, 0, 0, 63, 39);
            set_clip_rect(bm.want, 0, 0, 63, 39);
            EXPECT_TRUE(bm.same()) << "at " << p[0] << "," << p[1] << ", " << depth << " bits";
        }
    sprite_destroy(s);
}

// A sub-bitmap shares its parent's pixels: drawing on it must land inside its own area only.
TEST(Draw, OnASubBitmapStaysInsideIt) {
    ASCII_SPRITE *s = distinct_sprite(12, 6);
    const int at[][2] = {{0, 0}, {-5, -3}, {30, 14}, {-90, 0}};
    for (int depth : DEPTHS)
        for (const auto &p : at) {
            Bitmaps bm(64, 40, depth);
            BITMAP *got_sub = create_sub_bitmap(bm.got, 13, 7, 37, 21);
            BITMAP *want_sub = create_sub_bitmap(bm.want, 13, 7, 37, 21);
            sprite_draw(got_sub, s, p[0], p[1]);
            text_sprite(want_sub, s, p[0], p[1]);
            EXPECT_TRUE(bm.same()) << "at " << p[0] << "," << p[1] << ", " << depth << " bits";
            destroy_bitmap(got_sub);
            destroy_bitmap(want_sub);
        }
    sprite_destroy(s);
}

TEST(Draw, NullSpriteOrBitmapIsIgnored) {
    ASCII_SPRITE *s = sprite_of("ab");
    BITMAP *b = make_bitmap(16, 8, BG);
    sprite_draw(b, nullptr, 0, 0);
    sprite_draw(nullptr, s, 0, 0);
    sprite_draw_region(nullptr, b, 0, 0, 1, 0, 0, 0);
    sprite_draw_region(s, nullptr, 0, 0, 1, 0, 0, 0);
    EXPECT_TRUE(painted(b, BG).empty());
    destroy_bitmap(b);
    sprite_destroy(s);
}

}  // namespace
