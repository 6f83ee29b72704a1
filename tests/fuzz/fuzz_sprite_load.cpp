// tests/fuzz/fuzz_sprite_load.cpp — any bytes as a sprite file, and the sprite drawn at the bitmap's edges.
#include <climits>

#include "ascii/draw.h"
#include "ascii/sprite.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    BITMAP *bmp = fuzz_bitmap();
    FILE *f = fuzz_open(data, size);
    if (f == nullptr) return 0;
    ASCII_SPRITE *s = sprite_load(f);
    fclose(f);
    if (s == nullptr) return 0;
    if (s->w < 1 || s->h < 1 || (long long)s->w * s->h > SPRITE_MAX_CELLS) abort();
    // Every stored character came from the input, so the first cells are enough to look at.
    long long cells = (long long)s->w * s->h;
    for (long long i = 0; i < cells && i < (1 << 16); i++) {
        unsigned char c = (unsigned char)s->cells[i];
        if (c != ' ' && (c < 33 || c > 126)) abort();
    }
    const int xs[] = {0, -5, 60, -s->w * 8 + 3, INT_MIN, INT_MAX};
    for (int x : xs) {
        sprite_draw(bmp, s, x, 7);
        sprite_draw(bmp, s, 3, x);
    }
    sprite_draw_region(s, bmp, -3, 2, s->w + 5, INT_MAX, -9, -1);
    sprite_draw_region(s, bmp, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0);
    ASCII_SPRITE *d = sprite_create(5, 4);
    sprite_copy_rect(s, d, -2, -1, 1, 1, s->w, s->h);
    sprite_copy_rect(s, d, INT_MIN, INT_MAX, INT_MIN, 0, INT_MAX, INT_MAX);
    sprite_destroy(d);
    sprite_destroy(s);
    return 0;
}
