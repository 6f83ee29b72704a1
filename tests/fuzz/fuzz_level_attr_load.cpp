// tests/fuzz/fuzz_level_attr_load.cpp — any bytes as an attribute file, then a picture layer scrolled by it.
#include <climits>

#include "fuzz_common.h"
#include "level/level.h"
#include "level/level_render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    BITMAP *bmp = fuzz_bitmap();
    static ASCII_SPRITE *layer = nullptr;
    if (layer == nullptr) {
        layer = sprite_create(40, 12);
        sprite_fill(layer, '#');
    }
    FILE *f = fuzz_open(data, size);
    if (f == nullptr) return 0;
    LEVEL_ATTR *a = level_attr_load(f);
    fclose(f);
    if (a == nullptr) return 0;
    if (a->width < 1 || a->height < 1 || a->car_count < 1 || a->car_count > MAX_CARS) abort();
    long long sum = 0;
    for (int i = 0; i < a->car_count; i++) sum += a->cars[i];  // every entry initialised
    (void)sum;
    // The middle, the edges and the far ends of the camera's range, with a few layer indices.
    const int cams[][3] = {{0, 0, 0}, {-7, 1, 1}, {5000, 300, 2}, {INT_MAX, INT_MIN, 0}, {INT_MIN, INT_MAX, 9}};
    for (const auto &c : cams) level_draw_layer(bmp, layer, a, c[0], c[1], c[2], 0);
    level_attr_destroy(a);
    return 0;
}
