// src/level/level_render.cpp — each layer scrolls by its width over the world's: a narrower layer moves slower.
#include "level/level_render.h"

#include <algorithm>

#include "app/log.h"
#include "ascii/draw.h"

int debug_mode = 0;

int level_renderer_init() {
    log_printf("Initializing Level Renderer");
    return 0;
}

void level_renderer_quit() { log_printf("Quitting Level Renderer"); }

// The window's far edge on one axis: the layer's share of the camera, clamped to the layer.
// A world of no size does not scroll the layer; 64-bit keeps layer size x camera from overflowing.
static long long window_end(long long layer, long long world, long long cam, int k, int view) {
    long long centre = (world > 0 ? layer * cam / world : 0) + k;
    return std::min(layer, centre + view / 2);
}

static int clamp_int(long long v) { return (int)std::max<long long>(INT32_MIN, std::min<long long>(INT32_MAX, v)); }

void level_draw_layer(BITMAP *bmp, const ASCII_SPRITE *layer, const LEVEL_ATTR *attr, int cam_x, int cam_y, int k,
                      int) {
    if (layer == nullptr || attr == nullptr) return;
    long long lw = (long long)layer->w * CELL_W, lh = (long long)layer->h * CELL_H;
    long long ww = (long long)attr->width * attr->unit_w, wh = (long long)attr->height * attr->unit_h;
    long long right = window_end(lw, ww, cam_x, k, bmp->w);
    long long left = std::max(0LL, right - bmp->w);
    long long bottom = window_end(lh, wh, cam_y, k, bmp->h);
    long long top = std::max(0LL, bottom - bmp->h);
    sprite_draw_region(layer, bmp, clamp_int(left / CELL_W), clamp_int(top / CELL_H),
                       clamp_int((left + bmp->w) / CELL_W), clamp_int((top + bmp->h) / CELL_H), 0, 0);
}

void level_draw(BITMAP *bmp, const LEVEL *level, int cam_x, int cam_y, int debug) {
    if (level == nullptr || level->attr == nullptr) return;
    const LEVEL_ATTR *a = level->attr;
    clear_to_color(bmp, makecol(a->bg_r, a->bg_g, a->bg_b));
    int k = 0;
    for (int i = 0; i < level->layer_count; i++) {
        if (level->layer_types[i] != LAYER_ASCII) continue;
        // A layer that failed to load still takes its place, so the others sit where a complete level puts them.
        level_draw_layer(bmp, (const ASCII_SPRITE *)level->layers[i], a, cam_x, cam_y, k, debug);
        k++;
    }
    if (debug) textprintf_ex(bmp, font, 0, 0, makecol(255, 255, 255), -1, "Camera: %5d,%5d", cam_x, cam_y);
}
