/* platforms/web/platform/web_gfx.c — the screen is a 16-bit bitmap in memory, presented to the page's canvas as
 * RGBA once a frame, when something was drawn to it since the last time. The colours go through the library's
 * own 16- to 32-bit conversion, the one its X11 driver uses on a 24-bit display, so that every pixel is the one
 * the desktop shows. */
#include <allegro.h>
#include <allegro/internal/aintern.h>
#include <stdint.h>
#include <stdlib.h>

#include "web.h"

static uint16_t *pixels = NULL; /* the screen's memory */
static uint32_t *rgba = NULL;   /* what the canvas is given, byte order R, G, B, A */
static uint32_t *lookup = NULL; /* every 16-bit colour as RGBA */
static int width = 0, height = 0;
static int dirty = 0;

/* Every drawing routine reaches a line of the screen through its bank switch; so a write marks the frame. */
static uintptr_t write_line(BITMAP *bmp, int line) {
    dirty = 1;
    return (uintptr_t)bmp->line[line];
}

/* Runs every 16-bit colour through the library's converter once; a frame is then one lookup a pixel. */
static int build_lookup(void) {
    COLORCONV_BLITTER_FUNC *blit = _get_colorconv_blitter(16, 32);
    if (!blit) return -1;
    uint16_t *all = malloc(65536 * sizeof *all);
    uint32_t *xrgb = malloc(65536 * sizeof *xrgb);
    lookup = malloc(65536 * sizeof *lookup);
    if (!all || !xrgb || !lookup) {
        free(all);
        free(xrgb);
        free(lookup);
        lookup = NULL;
        _release_colorconv_blitter(blit);
        return -1;
    }
    for (int i = 0; i < 65536; i++) all[i] = (uint16_t)i;
    GRAPHICS_RECT src = {256, 256, 256 * 2, all};
    GRAPHICS_RECT dst = {256, 256, 256 * 4, xrgb};
    blit(&src, &dst);
    _release_colorconv_blitter(blit);
    for (int i = 0; i < 65536; i++) {
        uint32_t c = xrgb[i]; /* 0x00RRGGBB, as an X server takes it */
        lookup[i] = 0xff000000u | ((c & 0xff) << 16) | (c & 0xff00) | ((c >> 16) & 0xff);
    }
    free(all);
    free(xrgb);
    return 0;
}

static void release(void) {
    free(pixels);
    free(rgba);
    free(lookup);
    pixels = NULL;
    rgba = NULL;
    lookup = NULL;
}

static BITMAP *gfx_init(int w, int h, int v_w, int v_h, int color_depth) {
    if (color_depth != 16 || (v_w && v_w != w) || (v_h && v_h != h) || w <= 0 || h <= 0) {
        ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Unsupported screen size or colour depth"));
        return NULL;
    }
    /* As the X11 driver sets them on a 24-bit display: 5-6-5 with red on top. */
    _rgb_r_shift_16 = 11;
    _rgb_g_shift_16 = 5;
    _rgb_b_shift_16 = 0;
    pixels = calloc((size_t)w * h, sizeof *pixels);
    rgba = calloc((size_t)w * h, sizeof *rgba);
    if (!pixels || !rgba || build_lookup() != 0) {
        release();
        ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Not enough memory"));
        return NULL;
    }
    BITMAP *b = _make_bitmap(w, h, (uintptr_t)pixels, &gfx_web, 16, w * 2);
    if (!b) {
        release();
        ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Not enough memory"));
        return NULL;
    }
    b->write_bank = write_line;
    width = w;
    height = h;
    gfx_web.w = w;
    gfx_web.h = h;
    dirty = 1;
    return b;
}

static void gfx_exit(BITMAP *b) {
    (void)b;
    release();
    width = height = 0;
}

void web_gfx_present(void) {
    if (!dirty || !pixels) return;
    dirty = 0;
    int n = width * height;
    for (int i = 0; i < n; i++) rgba[i] = lookup[pixels[i]];
    web_js_present(rgba, width, height);
}

GFX_DRIVER gfx_web = {
    GFX_WEB,
    empty_string,
    empty_string,
    "Browser canvas",
    gfx_init,
    gfx_exit,
    NULL, /* scroll */
    NULL, /* vsync */
    NULL, /* set_palette */
    NULL,
    NULL,
    NULL, /* request_scroll, poll_scroll, enable_triple_buffer */
    NULL,
    NULL,
    NULL,
    NULL, /* video bitmaps */
    NULL,
    NULL, /* system bitmaps */
    NULL,
    NULL,
    NULL,
    NULL, /* mouse */
    NULL,
    NULL,
    NULL,
    NULL, /* drawing_mode, save/restore state, set_blender_mode */
    NULL, /* fetch_mode_list */
    0,
    0,    /* size, set by init */
    TRUE, /* linear */
    0,
    0,
    0,
    0,    /* bank_size, bank_gran, vid_mem, vid_phys_base */
    TRUE, /* windowed */
};
