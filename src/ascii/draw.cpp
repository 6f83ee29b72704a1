// src/ascii/draw.cpp — only cells that can touch the bitmap are drawn. On 16-bit memory bitmaps (dbuffer) the
// glyphs are written straight into the pixel rows from masks taken once from the library's own font, so the
// pixels are exactly those of textout_ex; any other bitmap gets one textout_ex per row.
#include "ascii/draw.h"

#include <cstdint>
#include <cstring>

static constexpr int LINE_BUF = 128;
// A glyph's 8 x 8 pixels fit one 64-bit word, a row of them one byte.
static_assert(CELL_W == 8 && CELL_H == 8, "glyph masks hold 8 x 8 cells");

int sprite_draw_textout = 0;

// The font's glyphs by byte. A glyph's rows are one byte each, row r in byte r, bit k being the pixel k to the
// right of the cell's left edge.
struct GLYPH_MASKS {
    const FONT *font;  // the font and text encoding the masks were taken from; null before the first draw
    int format;
    int usable;
    bool direct[256];        // this byte is one glyph of CELL_W pixels that stays inside its cell
    uint64_t rows[256];      // its pixel rows
    uint64_t lanes[256][2];  // the eight 16-bit pixels a row byte sets, as all-ones lanes
};

static GLYPH_MASKS masks;

static void text_row(const char *src, long long cols, BITMAP *bmp, int x, int y, int colour) {
    char line[LINE_BUF];
    // Rows wider than the buffer (bitmaps over 1016 pixels wide) go out in pieces.
    for (long long done = 0; done < cols; done += LINE_BUF - 1) {
        long long n = cols - done;
        if (n > LINE_BUF - 1) n = LINE_BUF - 1;
        memcpy(line, src + done, (size_t)n);
        line[n] = '\0';
        textout_ex(bmp, font, line, (int)(x + done * CELL_W), y, colour, -1);
    }
}

// Renders each single-byte character once with textout_ex and records the pixels it sets. Runs again only if
// the font or the text encoding changes; a character the masks cannot reproduce keeps going through the library.
static int masks_ready() {
    int format = get_uformat();
    if (masks.font == font && masks.format == format) return masks.usable;
    masks.font = font;
    masks.format = format;
    masks.usable = 0;
    memset(masks.direct, 0, sizeof masks.direct);
    memset(masks.rows, 0, sizeof masks.rows);
    for (int b = 0; b < 256; b++) {
        uint16_t lane[8];
        for (int k = 0; k < 8; k++) lane[k] = (b >> k) & 1 ? 0xFFFF : 0;
        memcpy(masks.lanes[b], lane, sizeof lane);
    }
    // Bytes below 128 are whole characters in these encodings; anything else is left to the library.
    if (font == nullptr || (format != U_UTF8 && format != U_ASCII)) return 0;
    if (text_height(font) != CELL_H) return 0;
    BITMAP *cell = create_bitmap_ex(16, 3 * CELL_W, 3 * CELL_H);
    if (cell == nullptr) return 0;
    for (int c = 1; c < 128; c++) {
        char text[2] = {(char)c, '\0'};
        if (text_length(font, text) != CELL_W) continue;
        clear_to_color(cell, 0);
        textout_ex(cell, font, text, CELL_W, CELL_H, 1, -1);
        uint64_t rows = 0;
        bool inside = true;
        for (int y = 0; y < cell->h; y++)
            for (int x = 0; x < cell->w; x++) {
                if (getpixel(cell, x, y) == 0) continue;
                int cx = x - CELL_W, cy = y - CELL_H;
                if (cx < 0 || cx >= CELL_W || cy < 0 || cy >= CELL_H)
                    inside = false;
                else
                    rows |= (uint64_t)1 << (cy * 8 + cx);
            }
        if (!inside) continue;
        masks.direct[c] = true;
        masks.rows[c] = rows;
    }
    destroy_bitmap(cell);
    masks.usable = 1;
    return 1;
}

// One row of cells written into a 16-bit memory bitmap inside its clip rectangle [cl, cr) x [ct, cb).
// Returns false, having possibly drawn part of the row, at a byte the masks do not cover.
static bool direct_row(const unsigned char *src, long long cols, BITMAP *bmp, int x, int y, uint16_t colour, int cl,
                       int cr, int ct, int cb) {
    int ya = ct > y ? ct - y : 0, yb = cb - y < CELL_H ? cb - y : CELL_H;
    if (ya >= yb) return true;
    uint64_t keep_rows = 0;
    for (int r = ya; r < yb; r++) keep_rows |= (uint64_t)0xFF << (r * 8);
    uint16_t *line[CELL_H];
    for (int r = ya; r < yb; r++) line[r] = (uint16_t *)bmp->line[y + r];
    uint64_t fill = colour * 0x0001000100010001ULL;

    for (long long n = 0; n < cols; n++, x += CELL_W) {
        unsigned char ch = src[n];
        if (!masks.direct[ch]) return false;
        uint64_t m = masks.rows[ch] & keep_rows;
        if (m == 0) continue;
        if (x >= cl && x + CELL_W <= cr) {
            // A whole cell: blend eight pixels at a time.
            for (int r = ya; r < yb; r++) {
                unsigned bits = (unsigned)(m >> (r * 8)) & 0xFF;
                if (bits == 0) continue;
                const uint64_t *lane = masks.lanes[bits];
                uint64_t px[2];
                memcpy(px, line[r] + x, sizeof px);
                px[0] = (px[0] & ~lane[0]) | (fill & lane[0]);
                px[1] = (px[1] & ~lane[1]) | (fill & lane[1]);
                memcpy(line[r] + x, px, sizeof px);
            }
            continue;
        }
        if (x >= cr || x + CELL_W <= cl) continue;
        // A cell cut by the clip rectangle: only its pixels inside, one at a time.
        unsigned keep_cols = 0xFF;
        if (x < cl) keep_cols &= 0xFFu << (cl - x);
        if (x + CELL_W > cr) keep_cols &= (1u << (cr - x)) - 1;
        for (int r = ya; r < yb; r++) {
            unsigned bits = (unsigned)(m >> (r * 8)) & keep_cols;
            while (bits) {
                int k = __builtin_ctz(bits);
                line[r][x + k] = colour;
                bits &= bits - 1;
            }
        }
    }
    return true;
}

void sprite_draw_region(const ASCII_SPRITE *s, BITMAP *bmp, int c0, int r0, int c1, int r1, int x, int y) {
    if (s == nullptr || bmp == nullptr) return;
    if (c0 >= s->w || r0 >= s->h) return;
    if (c0 < 0) c0 = 0;
    if (r0 < 0) r0 = 0;
    if (c1 > s->w - 1) c1 = s->w - 1;
    if (r1 > s->h - 1) r1 = s->h - 1;

    // 64-bit: a position far off the bitmap must not overflow while it is clipped.
    long long px = x, py = y, col0 = c0, row0 = r0;
    if (px < 0) {
        col0 += (-px) / CELL_W;
        px = -((-px) % CELL_W);
    }
    if (py < 0) {
        row0 += (-py) / CELL_H;
        py = -((-py) % CELL_H);
    }
    long long cols = c1 - col0 + 1, rows = r1 - row0 + 1;
    if (cols < 1 || rows < 1) return;

    long long pw = cols * CELL_W, ph = rows * CELL_H;
    if (pw > bmp->w - px) pw = bmp->w - px;
    if (ph > bmp->h - py) ph = bmp->h - py;
    if (pw < 1 || ph < 1) return;
    // A partly visible cell at the right or bottom edge is still drawn, cut at the bitmap's clip rectangle.
    cols = (pw + CELL_W - 1) / CELL_W;
    rows = (ph + CELL_H - 1) / CELL_H;

    int colour = makecol(s->r, s->g, s->b);
    bool direct = !sprite_draw_textout && is_memory_bitmap(bmp) && bitmap_color_depth(bmp) == 16 && masks_ready();
    // The glyph drawing clips to the clip rectangle when clipping is on, which never reaches past the bitmap.
    int cl = 0, cr = bmp->w, ct = 0, cb = bmp->h;
    if (bmp->clip) {
        if (bmp->cl > cl) cl = bmp->cl;
        if (bmp->cr < cr) cr = bmp->cr;
        if (bmp->ct > ct) ct = bmp->ct;
        if (bmp->cb < cb) cb = bmp->cb;
    }
    for (long long i = 0; i < rows; i++) {
        const char *src = s->cells + (row0 + i) * s->w + col0;
        int row_y = (int)(py + i * CELL_H);
        // A row with a byte the masks do not cover goes to the library whole; the cells already written get
        // the same pixels again.
        if (direct &&
            direct_row((const unsigned char *)src, cols, bmp, (int)px, row_y, (uint16_t)colour, cl, cr, ct, cb))
            continue;
        text_row(src, cols, bmp, (int)px, row_y, colour);
    }
}

void sprite_draw(BITMAP *bmp, const ASCII_SPRITE *s, int x, int y) {
    if (s == nullptr) return;
    sprite_draw_region(s, bmp, 0, 0, s->w - 1, s->h - 1, x, y);
}
