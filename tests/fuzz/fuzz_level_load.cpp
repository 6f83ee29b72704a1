// tests/fuzz/fuzz_level_load.cpp — one level folder made from the input, loaded and drawn.
// The input is cut at 0x1E bytes into level.txt and the files "a", "p" and "q" beside it; a missing piece
// is a missing file.
#include <climits>

#include "fuzz_common.h"
#include "level/level.h"
#include "level/level_render.h"

static const char SEP = 0x1e;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    BITMAP *bmp = fuzz_bitmap();
    static bool ready = false;
    if (!ready) {
        fuzz_scratch();
        mkdir("Data/Levels/L", 0700);
        ready = true;
    }
    static const char *const files[] = {"Data/Levels/L/level.txt", "Data/Levels/L/a", "Data/Levels/L/p",
                                        "Data/Levels/L/q"};
    size_t pos = 0;
    for (const char *path : files) {
        if (pos > size) {
            unlink(path);
            continue;
        }
        const uint8_t *end = (const uint8_t *)memchr(data + pos, SEP, size - pos);
        size_t n = end ? (size_t)(end - (data + pos)) : size - pos;
        fuzz_write(path, data + pos, n);
        pos += n + 1;
    }
    LEVEL *l = level_load("L");
    if (l != nullptr) {
        if (l->layer_count < 1 || l->layer_count > MAX_LAYERS) abort();
        const LEVEL_ATTR *last = nullptr;
        for (int i = 0; i < l->layer_count; i++) {
            int t = l->layer_types[i];
            if (t != LAYER_NONE && t != LAYER_ATTR && t != LAYER_ASCII) abort();
            if (t == LAYER_NONE && l->layers[i] != nullptr) abort();
            if (t == LAYER_ATTR) last = (const LEVEL_ATTR *)l->layers[i];
        }
        if (l->attr != last) abort();
        const int cams[][2] = {{0, 0}, {300, -40}, {-40, 300}, {INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}};
        for (const auto &c : cams) level_draw(bmp, l, c[0], c[1], c[0] == 300);
        level_destroy(l);
    }
    // The same layer list read straight from memory, under a name that must never be opened.
    size_t n0 = 0;
    while (n0 < size && data[n0] != SEP) n0++;
    FILE *f = fuzz_open(data, n0);
    if (f) {
        level_destroy(level_read(f, "../L"));
        fclose(f);
    }
    return 0;
}
