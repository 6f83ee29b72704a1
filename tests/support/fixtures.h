// tests/support/fixtures.h — small helpers shared by the test programs and the benchmarks.
#pragma once
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "app/config.h"
#include "ascii/sprite.h"

// ---- files and Data folders

// The repository's root (for the shipped Data), from the test environment.
std::string source_dir();

// Writes text to path, making parent folders; returns false on failure.
bool write_file(const std::string &path, const std::string &text);
std::string read_file(const std::string &path);
void remove_tree(const std::string &path);
void make_dirs(const std::string &path);

// A stream that reads text exactly as a file holding it would be read; the caller closes it.
FILE *text_stream(const std::string &text);

// Links the shipped Data folder into the current working directory as ./Data.
void use_shipped_data();

// The level names Data/levels.txt lists: as many as its count says, or as it holds.
std::vector<std::string> level_names();

// ---- the log and the screens

// The lines of a text; an unterminated last line counts too.
std::vector<std::string> split_lines(const std::string &text);
// The messages of gamelog.txt, time stamps removed, "" for the blank line of each run.
std::vector<std::string> log_messages();
// The messages logged after the last "Log Initialized".
std::vector<std::string> log_since_init();

// Back to no screen at all, without running any screen's operations.
void reset_states();

// ---- sprites

// The sprite file text of a w x h picture in one colour, every cell `fill`.
std::string sprite_text(int w, int h, int r, int g, int b, char fill = '#');

// A sprite parsed from text, through a memory stream, exactly as from a file.
ASCII_SPRITE *sprite_from_text(const std::string &text);

// A sprite whose cells are all different printable characters, each row shifted against the one above, so
// that a cell or a row out of place shows.
ASCII_SPRITE *distinct_sprite(int w, int h, int r = 255, int g = 255, int b = 0);

// Art from a fixed pseudo-random sequence: of every `range` draws, `blanks` leave the cell empty and the
// others pick one of the 94 printable characters.
void scatter_cells(ASCII_SPRITE *s, unsigned seed, unsigned range, unsigned blanks);

std::vector<std::string> sprite_rows(const ASCII_SPRITE *s);

// What drawing cells c0..c1 of rows r0..r1 at (x, y) must give: each row of the region (cut to the sprite)
// printed whole by the library, which clips by itself.
void text_region(BITMAP *bmp, const ASCII_SPRITE *s, int c0, int r0, int c1, int r1, int x, int y);

// ---- bitmaps and where their colours lie

// A memory bitmap filled with a colour (0xRRGGBB), 16 bits a pixel like dbuffer unless told otherwise; the
// caller destroys it.
BITMAP *make_bitmap(int w, int h, int fill_rgb = 0, int depth = 16);
bool same_pixels(BITMAP *a, BITMAP *b);

// A rectangle of pixels, both ends inclusive; empty when x0 > x1.
struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    bool empty() const { return x0 > x1; }
    void add(int x, int y) {
        if (x < x0) x0 = x;
        if (y < y0) y0 = y;
        if (x > x1) x1 = x;
        if (y > y1) y1 = y;
    }
    void add(const Box &b) {
        if (!b.empty()) {
            add(b.x0, b.y0);
            add(b.x1, b.y1);
        }
    }
    bool operator==(const Box &o) const {
        return (empty() && o.empty()) || (x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1);
    }
};

std::ostream &operator<<(std::ostream &os, const Box &b);

// True if a pixel shows the colour makecol gives for (r, g, b) at the bitmap's depth, component by component.
bool shows(BITMAP *bmp, int x, int y, int r, int g, int b);

// Where a colour lies on a bitmap, optionally only inside `within`.
Box ink(BITMAP *bmp, int r, int g, int b, Box within = Box{0, 0, 1 << 20, 1 << 20});

// Where a bitmap filled with fill_rgb (as make_bitmap fills it) shows anything else.
Box painted(BITMAP *bmp, int fill_rgb);

int count_colour(BITMAP *bmp, int r, int g, int b);

// Where the library's font puts the ink of a text centred on x (or starting at x), on a screen-sized page.
Box text_ink(const char *text, int x, int y, bool centred);

// Is pixel (gx, gy) of character c's 8x8 glyph inked?
bool glyph_ink(char c, int gx, int gy);
