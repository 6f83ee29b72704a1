// tests/perf/reference_draw.cpp — kept word for word apart from its name: the pixels the game must go on drawing.
#include "perf/reference_draw.h"

#include <cstring>

static constexpr int LINE_BUF = 128;

void reference_draw_region(const ASCII_SPRITE *s, BITMAP *bmp, int c0, int r0, int c1, int r1, int x, int y) {
    if (s == nullptr || bmp == nullptr) return;
    if (c0 >= s->w || r0 >= s->h) return;
    if (c0 < 0) c0 = 0;
    if (r0 < 0) r0 = 0;
    if (c1 > s->w - 1) c1 = s->w - 1;
    if (r1 > s->h - 1) r1 = s->h - 1;

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
    cols = (pw + CELL_W - 1) / CELL_W;
    rows = (ph + CELL_H - 1) / CELL_H;

    int colour = makecol(s->r, s->g, s->b);
    char line[LINE_BUF];
    for (long long i = 0; i < rows; i++) {
        const char *src = s->cells + (row0 + i) * s->w + col0;
        for (long long done = 0; done < cols; done += LINE_BUF - 1) {
            long long n = cols - done;
            if (n > LINE_BUF - 1) n = LINE_BUF - 1;
            memcpy(line, src + done, (size_t)n);
            line[n] = '\0';
            textout_ex(bmp, font, line, (int)(px + done * CELL_W), (int)(py + i * CELL_H), colour, -1);
        }
    }
}
