// tests/perf/same_pixels_test.cpp — the direct glyph writing must leave exactly the pixels of one textout_ex per row.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/shell.h"
#include "ascii/draw.h"
#include "game/game.h"
#include "game/play.h"
#include "game/resources.h"
#include "level/level.h"
#include "perf/reference_draw.h"
#include "support/fixtures.h"

// In ascii/draw.cpp: nonzero sends every sprite row through textout_ex.

namespace {

// A background that differs from pixel to pixel, so a glyph's transparent gaps that were overwritten show up.
void paint(BITMAP *b) {
    for (int y = 0; y < b->h; y++)
        for (int x = 0; x < b->w; x++)
            putpixel(b, x, y, makecol_depth(bitmap_color_depth(b), x * 37 & 255, y * 11 & 255, (x ^ y) * 5 & 255));
}

// Sprites: every printable character; a wide one with gaps (rows longer than one 127-character text call);
// one whose rows mix art with bytes that are not one plain glyph each (tab, DEL, UTF-8, a NUL mid-row).
std::vector<ASCII_SPRITE *> make_sprites() {
    std::vector<ASCII_SPRITE *> v;
    ASCII_SPRITE *all = sprite_create(19, 5);
    for (int c = 32; c < 127; c++) all->cells[c - 32] = (char)c;
    v.push_back(all);

    ASCII_SPRITE *wide = sprite_create(300, 9);
    scatter_cells(wide, 12345, 150, 55);
    v.push_back(wide);

    ASCII_SPRITE *odd = sprite_create(12, 4);
    const char *rows[4] = {
        "ab\tcd\x7f"
        "ef#$%&",
        "XY\xc3\xa9Z\x80\xffQRST", "plain row!@#",
        "12\x01"
        "3"};
    for (int r = 0; r < 4; r++) memcpy(odd->cells + r * 12, rows[r], strlen(rows[r]));
    odd->cells[3 * 12 + 6] = '\0';
    odd->cells[3 * 12 + 8] = 'Z';
    v.push_back(odd);
    return v;
}

struct TARGET {
    const char *name;
    int depth, w, h;
    int clip[4];  // clip rectangle x1, y1, x2, y2 (inclusive); all 0 keeps the whole bitmap
    int sub[4];   // drawn through a sub-bitmap at x, y of size w, h of the bitmap; all 0 draws on it directly
};

const TARGET targets[] = {
    {"16-bit", 16, 203, 117, {}, {}},
    {"16-bit clipped", 16, 203, 117, {13, 7, 150, 90}, {}},
    {"16-bit one-pixel clip", 16, 64, 64, {21, 30, 21, 30}, {}},
    {"16-bit sub-bitmap", 16, 220, 140, {}, {9, 5, 173, 101}},
    {"16-bit wider than 1016", 16, 1300, 40, {}, {}},
    {"15-bit", 15, 160, 90, {}, {}},
    {"32-bit", 32, 160, 90, {}, {}},
};

struct PLACE {
    int x, y;  // relative to the right or bottom edge when from_end is set
    bool x_from_end, y_from_end;
};

const PLACE places[] = {
    {0, 0, false, false},      {3, 5, false, false},   {-20, -3, false, false},  {-7, -7, false, false},
    {-1, -9, false, false},    {-13, -5, true, true},  {-1, -1, true, true},     {-3, 2, true, false},
    {0, 0, true, false},       {5, 0, false, true},    {-1000, 2, false, false}, {INT_MIN, INT_MIN, false, false},
    {-801, -41, false, false}, {11, -68, false, true},
};

struct REGION {
    int c0, r0, c1, r1;  // INT_MAX reaches the sprite's end
};

const REGION regions[] = {
    {0, 0, INT_MAX, INT_MAX}, {2, 1, 9, 3}, {-5, -5, 4, 1}, {INT_MIN, 3, 150, INT_MAX}, {7, 0, 7, 0},
};

const int colours[][3] = {{255, 255, 255}, {12, 200, 99}, {0, 0, 0}, {250, 3, 130}};

}  // namespace

TEST(SamePixels, DirectGlyphsMatchOneTextCallPerRow) {
    std::vector<ASCII_SPRITE *> sprites = make_sprites();
    int compared = 0, changed = 0;
    for (const TARGET &t : targets) {
        BITMAP *a = create_bitmap_ex(t.depth, t.w, t.h), *b = create_bitmap_ex(t.depth, t.w, t.h);
        ASSERT_TRUE(a && b);
        BITMAP *blank = create_bitmap_ex(t.depth, t.w, t.h);
        paint(blank);
        // Whole before the clip rectangle is set: blits below are clipped like everything else.
        blit(blank, a, 0, 0, 0, 0, t.w, t.h);
        blit(blank, b, 0, 0, 0, 0, t.w, t.h);
        BITMAP *da = a, *db = b;
        if (t.sub[2] > 0) {
            da = create_sub_bitmap(a, t.sub[0], t.sub[1], t.sub[2], t.sub[3]);
            db = create_sub_bitmap(b, t.sub[0], t.sub[1], t.sub[2], t.sub[3]);
        }
        if (t.clip[2] > 0) {
            set_clip_rect(da, t.clip[0], t.clip[1], t.clip[2], t.clip[3]);
            set_clip_rect(db, t.clip[0], t.clip[1], t.clip[2], t.clip[3]);
        }
        for (size_t si = 0; si < sprites.size(); si++)
            for (const auto &rgb : colours)
                for (const PLACE &p : places)
                    for (const REGION &g : regions) {
                        ASCII_SPRITE *s = sprites[si];
                        s->r = rgb[0], s->g = rgb[1], s->b = rgb[2];
                        int x = p.x_from_end ? da->w + p.x : p.x, y = p.y_from_end ? da->h + p.y : p.y;
                        blit(blank, a, 0, 0, 0, 0, t.w, t.h);
                        blit(blank, b, 0, 0, 0, 0, t.w, t.h);
                        sprite_draw_region(s, da, g.c0, g.r0, g.c1, g.r1, x, y);
                        reference_draw_region(s, db, g.c0, g.r0, g.c1, g.r1, x, y);
                        ASSERT_TRUE(same_pixels(a, b))
                            << t.name << ", sprite " << si << ", colour " << rgb[0] << "," << rgb[1] << "," << rgb[2]
                            << ", at " << x << "," << y << ", cells " << g.c0 << "," << g.r0 << " to " << g.c1 << ","
                            << g.r1;
                        compared++;
                        if (!same_pixels(a, blank)) changed++;
                    }
        destroy_bitmap(blank);
        if (da != a) destroy_bitmap(da), destroy_bitmap(db);
        destroy_bitmap(a);
        destroy_bitmap(b);
    }
    // Many cases must actually draw something, or the comparison proves little.
    EXPECT_GT(changed, compared / 3);
    for (ASCII_SPRITE *s : sprites) sprite_destroy(s);
}

// sprite_draw is the region from the first to the last cell: the same pixels as the reference over the whole sprite.
TEST(SamePixels, WholeSpriteMatchesReference) {
    std::vector<ASCII_SPRITE *> sprites = make_sprites();
    BITMAP *a = make_bitmap(SCREEN_W, SCREEN_H, 0x203040), *b = make_bitmap(SCREEN_W, SCREEN_H, 0x203040);
    for (ASCII_SPRITE *s : sprites) {
        s->r = 200, s->g = 180, s->b = 10;
        for (int x : {-5, 0, 17, SCREEN_W - 9})
            for (int y : {-3, 0, 29, SCREEN_H - 4}) {
                sprite_draw(a, s, x, y);
                reference_draw_region(s, b, 0, 0, s->w - 1, s->h - 1, x, y);
            }
    }
    EXPECT_TRUE(same_pixels(a, b));
    destroy_bitmap(a);
    destroy_bitmap(b);
    for (ASCII_SPRITE *s : sprites) sprite_destroy(s);
}

// Whole game frames of every shipped level, drawn both ways: the same smoke (same random draws), the same pixels.
TEST(SamePixels, ShippedGameFramesMatchTextDrawing) {
    use_shipped_data();
    ASSERT_EQ(levels_load(), 0);
    ASSERT_TRUE(levels_playable());
    ASSERT_EQ(game_sprites_load(), 0);
    BITMAP *by_text = create_bitmap(SCREEN_W, SCREEN_H);
    for (int i = 0; i < level_count; i++) {
        current_level = i;
        level_start(i);
        int train0 = train_x, player0 = player_x;
        for (int stop = 0; stop < 12; stop++) {
            // The camera across the level with the train and the player kept in view, in every pose.
            camera_x = (int)((long long)camera_max_x * stop / 11);
            train_x = train0 + camera_x;
            player_x = player0 + camera_x;
            player_pose = stop % 3;
            time_left = stop * 997 * LPS;
            srand(stop + 1);
            sprite_draw_textout = 1;
            game_render();
            sprite_draw_textout = 0;
            blit(dbuffer, by_text, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
            srand(stop + 1);
            game_render();
            ASSERT_TRUE(same_pixels(dbuffer, by_text)) << "level " << i << ", camera x " << camera_x;
        }
        level_end();
    }
    destroy_bitmap(by_text);
    game_sprites_unload();
    levels_free();
}
