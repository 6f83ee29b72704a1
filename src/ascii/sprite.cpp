// src/ascii/sprite.cpp — sprite records and the sprite file format.
#include "ascii/sprite.h"

#include <cstdlib>
#include <cstring>

#include "ascii/datafile.h"

ASCII_SPRITE *sprite_create(int w, int h) {
    if (w < 1 || h < 1 || (long long)w * h > SPRITE_MAX_CELLS) return nullptr;
    ASCII_SPRITE *s = (ASCII_SPRITE *)calloc(1, sizeof *s);
    if (s == nullptr) return nullptr;
    s->cells = (char *)malloc((size_t)w * (size_t)h);
    if (s->cells == nullptr) {
        free(s);
        return nullptr;
    }
    s->w = w;
    s->h = h;
    memset(s->cells, ' ', (size_t)w * (size_t)h);
    return s;
}

void sprite_destroy(ASCII_SPRITE *s) {
    if (s == nullptr) return;
    free(s->cells);
    free(s);
}

void sprite_fill(ASCII_SPRITE *s, char c) {
    if (s) memset(s->cells, c, (size_t)s->w * (size_t)s->h);
}

void sprite_clear(ASCII_SPRITE *s) { sprite_fill(s, ' '); }

ASCII_SPRITE *sprite_load(FILE *f) {
    int w = 0, h = 0;
    scan_int(f, &w);
    scan_int(f, &h);
    ASCII_SPRITE *s = sprite_create(w, h);
    if (s == nullptr) return nullptr;
    int r = 0, g = 0, b = 0;
    scan_int(f, &r);
    scan_int(f, &g);
    scan_int(f, &b);
    s->r = r;
    s->g = g;
    s->b = b;
    s->a = 255;

    int last = 0;  // the last character taken from the file
    for (int row = 0; row < h; row++) {
        // Skip what is left of the previous line (the colour line before the first row).
        if (last != '\n' && last != EOF) {
            do last = getc(f);
            while (last != '\n' && last != EOF);
        }
        char *cells = s->cells + (size_t)row * (size_t)w;
        for (int c = 0; c < w; c++) {
            last = getc(f);
            if (last == EOF || last == '\r' || last == '\n') break;
            // Only printable ASCII is art; tabs, control bytes and bytes from 128 up stay blank.
            if (last > ' ' && last < 127) cells[c] = (char)last;
        }
    }
    return s;
}

void sprite_copy_rect(const ASCII_SPRITE *src, ASCII_SPRITE *dst, int sx, int sy, int dx, int dy, int cw, int ch) {
    if (src == nullptr || dst == nullptr) return;
    if (sx > src->w || sy > src->h || dx > dst->w || dy > dst->h) return;
    // 64-bit so that extreme arguments cannot overflow while clipping.
    long long x0 = sx, y0 = sy, x1 = dx, y1 = dy, w = cw, h = ch;
    if (x0 < 0) {
        x1 -= x0;
        w += x0;
        x0 = 0;
    }
    if (y0 < 0) {
        y1 -= y0;
        h += y0;
        y0 = 0;
    }
    if (w > src->w - x0) w = src->w - x0;
    if (h > src->h - y0) h = src->h - y0;
    if (x1 < 0) {
        x0 -= x1;
        w += x1;
        x1 = 0;
    }
    if (y1 < 0) {
        y0 -= y1;
        h += y1;
        y1 = 0;
    }
    if (w > dst->w - x1) w = dst->w - x1;
    if (h > dst->h - y1) h = dst->h - y1;
    if (w < 1 || h < 1) return;
    for (long long i = 0; i < h; i++)
        memmove(dst->cells + (y1 + i) * dst->w + x1, src->cells + (y0 + i) * src->w + x0, (size_t)w);
}

ASCII_SPRITE *sprite_load_data(const char *dir, const char *group, const char *file) {
    FILE *f = data_open(dir, group, file);
    if (f == nullptr) return nullptr;
    ASCII_SPRITE *s = sprite_load(f);
    fclose(f);
    return s;
}
