// tests/ascii/sprite_test.cpp — sprite records, the sprite file format and rectangle copies.
#include "ascii/sprite.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace {

struct SpriteFileCase {
    const char *name;
    std::string text;
    bool null;  // the file must give no sprite
    int w, h, r, g, b;
    std::vector<std::string> rows;
};

std::ostream &operator<<(std::ostream &o, const SpriteFileCase &c) { return o << c.name; }

class SpriteFile : public testing::TestWithParam<SpriteFileCase> {};

TEST_P(SpriteFile, LoadsAsTheFormatSays) {
    const SpriteFileCase &c = GetParam();
    ASCII_SPRITE *s = sprite_from_text(c.text);
    if (c.null) {
        EXPECT_EQ(s, nullptr);
        sprite_destroy(s);
        return;
    }
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, c.w);
    EXPECT_EQ(s->h, c.h);
    EXPECT_EQ(s->r, c.r);
    EXPECT_EQ(s->g, c.g);
    EXPECT_EQ(s->b, c.b);
    EXPECT_EQ(s->a, 255);
    EXPECT_EQ(sprite_rows(s), c.rows);
    sprite_destroy(s);
}

SpriteFileCase ok(const char *name, std::string text, int w, int h, int r, int g, int b,
                  std::vector<std::string> rows) {
    return {name, std::move(text), false, w, h, r, g, b, std::move(rows)};
}
SpriteFileCase none(const char *name, std::string text) { return {name, std::move(text), true, 0, 0, 0, 0, 0, {}}; }

INSTANTIATE_TEST_SUITE_P(
    Format, SpriteFile,
    testing::Values(
        ok("Plain", "3 2\n255 0 0\nabc\nd f\n", 3, 2, 255, 0, 0, {"abc", "d f"}),
        ok("CrLf", "3 2\r\n255 0 0\r\nabc\r\nd f\r\n", 3, 2, 255, 0, 0, {"abc", "d f"}),
        ok("LoneCrEndsTheRow", "3 2\n0 0 0\na\rb\ncd\n", 3, 2, 0, 0, 0, {"a  ", "cd "}),
        ok("CrEndsRowEarly", "3 2\r\n1 2 3\r\na\r\nbc\r\n", 3, 2, 1, 2, 3, {"a  ", "bc "}),
        ok("LineExactlyWide", "2 2\n0 0 0\nab\ncd\n", 2, 2, 0, 0, 0, {"ab", "cd"}),
        ok("LongLineCut", "4 2\n0 0 0\nabcdef\nxy\n", 4, 2, 0, 0, 0, {"abcd", "xy  "}),
        ok("LongLineCutCrLf", "2 2\r\n0 0 0\r\nabcd\r\nef\r\n", 2, 2, 0, 0, 0, {"ab", "ef"}),
        ok("TabsControlAndHighBytesAreBlank", "7 1\n0 0 0\na\tb\x80\x01\xff\x7f\n", 7, 1, 0, 0, 0, {"a b    "}),
        ok("HighByteKeepsItsColumn", "3 1\n0 0 0\n\xc3\xa9z\n", 3, 1, 0, 0, 0, {"  z"}),
        ok("EmptyAndBlankRows", "3 3\n0 0 0\n\n \t \nxyz\n", 3, 3, 0, 0, 0, {"   ", "   ", "xyz"}),
        ok("ShortFile", "3 3\n0 0 0\nab\n", 3, 3, 0, 0, 0, {"ab ", "   ", "   "}),
        ok("NoFinalLineFeed", "2 1\n0 0 0\nab", 2, 1, 0, 0, 0, {"ab"}),
        ok("FiveNumbersOnOneLine", "2 2 10 20 30\nab\ncd\n", 2, 2, 10, 20, 30, {"ab", "cd"}),
        ok("NumbersSpreadOverLines", "\n 2\n\n2\n10\n20\n30\nab\ncd\n", 2, 2, 10, 20, 30, {"ab", "cd"}),
        ok("TextAfterColourIgnored", "2 1\n1 2 3 ignored words XY\nab\n", 2, 1, 1, 2, 3, {"ab"}),
        ok("EndsAfterColourLine", "2 2\n5 6 7\n", 2, 2, 5, 6, 7, {"  ", "  "}),
        ok("EndsOnColourLine", "2 2\n5 6 7", 2, 2, 5, 6, 7, {"  ", "  "}),
        ok("NoColourNumbers", "2 1\n", 2, 1, 0, 0, 0, {"  "}), ok("OneColourNumber", "2 1\n7\n", 2, 1, 7, 0, 0, {"  "}),
        // The highest cell count allowed is still loaded.
        ok("LargestAllowed", "16777216 1\n0 0 0\nab\n", 16777216, 1, 0, 0, 0, {"ab" + std::string(16777214, ' ')}),
        none("EmptyFile", ""), none("WidthZero", "0 2\n0 0 0\nab\nab\n"), none("HeightZero", "2 0\n0 0 0\n"),
        none("HeightNegative", "2 -1\n0 0 0\nab\n"), none("WidthNegative", "-3 1\n0 0 0\nabc\n"),
        none("Unreadable", "x y\n0 0 0\n"), none("OnlyWidth", "5"),
        none("HugeBoth", "2000000000 2000000000\n0 0 0\nab\n"), none("HugeWidth", "2000000000 1\n0 0 0\nab\n"),
        // 65536 * 65536 wraps to 0 in 32 bits.
        none("ProductWrapsTo0", "65536 65536\n0 0 0\n"), none("ProductWrapsSmall", "65537 65537\n0 0 0\n"),
        none("OneCellTooMany", "16777217 1\n0 0 0\n"), none("TooManyRows", "1 16777217\n0 0 0\n"),
        none("BeyondIntRange", "99999999999999999999 1\n0 0 0\n"),
        none("BeyondIntRangeNegative", "-99999999999999999999 1\n0 0 0\n")),
    [](const testing::TestParamInfo<SpriteFileCase> &i) { return std::string(i.param.name); });

TEST(SpriteCreate, BlankBlackAndSizesBelowOneRefused) {
    ASCII_SPRITE *s = sprite_create(3, 2);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(sprite_rows(s), (std::vector<std::string>{"   ", "   "}));
    EXPECT_EQ(s->r, 0);
    EXPECT_EQ(s->g, 0);
    EXPECT_EQ(s->b, 0);
    EXPECT_EQ(s->a, 0);
    sprite_fill(s, '#');
    EXPECT_EQ(sprite_rows(s), (std::vector<std::string>{"###", "###"}));
    sprite_clear(s);
    EXPECT_EQ(sprite_rows(s), (std::vector<std::string>{"   ", "   "}));
    sprite_destroy(s);

    for (auto wh :
         {std::pair<int, int>{0, 1}, {1, 0}, {-1, 5}, {5, -1}, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {65536, 65536}})
        EXPECT_EQ(sprite_create(wh.first, wh.second), nullptr) << wh.first << " x " << wh.second;
    sprite_destroy(nullptr);
}

TEST(SpriteLoad, LeavesTheStreamOpen) {
    std::string text = "1 1\n0 0 0\nx\nrest";
    FILE *f = text_stream(text);
    ASSERT_NE(f, nullptr);
    ASCII_SPRITE *s = sprite_load(f);
    ASSERT_NE(s, nullptr);
    char buf[16] = {};
    // The stream is still usable after the load: it was not closed.
    EXPECT_NE(fgets(buf, sizeof buf, f), nullptr);
    fclose(f);
    sprite_destroy(s);
}

// Copies between a 4 x 3 source of distinct letters and a 5 x 4 destination of dots.
struct CopyCase {
    const char *name;
    int sx, sy, dx, dy, cw, ch;
    std::vector<std::string> dst;
};

std::ostream &operator<<(std::ostream &o, const CopyCase &c) { return o << c.name; }

class CopyRect : public testing::TestWithParam<CopyCase> {};

TEST_P(CopyRect, CopiesOnlyTheOverlap) {
    const CopyCase &c = GetParam();
    ASCII_SPRITE *src = sprite_create(4, 3);
    ASCII_SPRITE *dst = sprite_create(5, 4);
    ASSERT_TRUE(src && dst);
    memcpy(src->cells, "abcdefghijkl", 12);
    sprite_fill(dst, '.');
    sprite_copy_rect(src, dst, c.sx, c.sy, c.dx, c.dy, c.cw, c.ch);
    EXPECT_EQ(sprite_rows(dst), c.dst);
    EXPECT_EQ(sprite_rows(src), (std::vector<std::string>{"abcd", "efgh", "ijkl"}));
    sprite_destroy(src);
    sprite_destroy(dst);
}

const std::vector<std::string> untouched = {".....", ".....", ".....", "....."};

INSTANTIATE_TEST_SUITE_P(
    Clipping, CopyRect,
    testing::Values(CopyCase{"Inside", 1, 1, 2, 1, 2, 2, {".....", "..fg.", "..jk.", "....."}},
                    CopyCase{"WholeSource", 0, 0, 0, 0, 4, 3, {"abcd.", "efgh.", "ijkl.", "....."}},
                    CopyCase{"PartlyOutsideSource", 2, 1, 0, 0, 5, 5, {"gh...", "kl...", ".....", "....."}},
                    CopyCase{"PartlyOutsideDestination", 0, 0, 3, 2, 4, 3, {".....", ".....", "...ab", "...ef"}},
                    CopyCase{"NegativeSource", -1, -1, 0, 0, 3, 3, {".....", ".ab..", ".ef..", "....."}},
                    CopyCase{"NegativeDestination", 0, 0, -2, -1, 4, 3, {"gh...", "kl...", ".....", "....."}},
                    CopyCase{"NegativeBoth", -1, 0, -2, 0, 4, 1, {"bc...", ".....", ".....", "....."}},
                    CopyCase{"SourceColumnBeyond", 5, 0, 0, 0, 2, 2, untouched},
                    CopyCase{"SourceRowBeyond", 0, 4, 0, 0, 2, 2, untouched},
                    CopyCase{"SourceAtRightEdge", 4, 0, 0, 0, 2, 2, untouched},
                    CopyCase{"DestinationColumnBeyond", 0, 0, 6, 0, 2, 2, untouched},
                    CopyCase{"DestinationRowBeyond", 0, 0, 0, 5, 2, 2, untouched},
                    CopyCase{"DestinationAtBottomEdge", 0, 0, 0, 4, 2, 2, untouched},
                    CopyCase{"WhollyLeftOfSource", -10, 0, 0, 0, 4, 3, untouched},
                    CopyCase{"WhollyAboveDestination", 0, 0, 0, -10, 4, 3, untouched},
                    CopyCase{"ZeroWidth", 0, 0, 0, 0, 0, 3, untouched},
                    CopyCase{"NegativeHeight", 0, 0, 0, 0, 3, -2, untouched},
                    CopyCase{"ExtremeNegative", INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MAX, INT_MAX, untouched},
                    CopyCase{"ExtremeSize", 0, 0, 0, 0, INT_MAX, INT_MAX, {"abcd.", "efgh.", "ijkl.", "....."}}),
    [](const testing::TestParamInfo<CopyCase> &i) { return std::string(i.param.name); });

TEST(CopyRectNull, IgnoresMissingSprites) {
    ASCII_SPRITE *s = sprite_create(2, 2);
    sprite_copy_rect(nullptr, s, 0, 0, 0, 0, 2, 2);
    sprite_copy_rect(s, nullptr, 0, 0, 0, 0, 2, 2);
    EXPECT_EQ(sprite_rows(s), (std::vector<std::string>{"  ", "  "}));
    sprite_destroy(s);
}

}  // namespace
