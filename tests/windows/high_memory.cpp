// tests/windows/high_memory.cpp — drawing into a bitmap that lies above 4 GB, as the heap of a 64-bit
// Windows process may place it; a pointer kept in 32 bits anywhere on the way would crash here.
// Wine hands out low addresses first, so everything below 4 GB is taken before the bitmap is made.
// Prints what it did; exit status 0 when the high bitmap holds exactly the pixels of a low one.
#include <allegro.h>
#include <winalleg.h>  // windows.h as the library needs it: its BITMAP is not Windows' own

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/config.h"
#include "ascii/draw.h"
#include "ascii/sprite.h"

static constexpr uintptr_t FOUR_GB = 0x100000000ull;

static void reserve_low_memory() {
    MEMORY_BASIC_INFORMATION m;
    uintptr_t a = 0x10000;
    while (a < FOUR_GB && VirtualQuery((void *)a, &m, sizeof m) == sizeof m) {
        uintptr_t end = (uintptr_t)m.BaseAddress + m.RegionSize;
        if (m.State == MEM_FREE) {
            uintptr_t start = (a + 0xffff) & ~(uintptr_t)0xffff;  // the allocation granularity
            uintptr_t stop = end < FOUR_GB ? end : FOUR_GB;
            if (stop > start) VirtualAlloc((void *)start, stop - start, MEM_RESERVE, PAGE_NOACCESS);
        }
        a = end;
    }
    // The heap may still have room below 4 GB: use it up (and keep it) until it gives a block from above.
    // (Kept through a volatile pointer, so the compiler cannot drop allocations that are never used.)
    static void *volatile kept;
    for (int i = 0; i < 1 << 17; i++) {
        kept = malloc(1 << 16);
        if (kept == nullptr || (uintptr_t)kept >= FOUR_GB) break;
    }
}

static void draw(BITMAP *bmp, const ASCII_SPRITE *s) {
    clear_to_color(bmp, makecol(220, 220, 220));
    rectfill(bmp, 100, 100, 300, 200, makecol(0, 0, 255));
    textout_ex(bmp, font, "Roofrunner", 10, 10, makecol(255, 0, 0), -1);
    textout_centre_ex(bmp, font, "Press ENTER", SCREEN_W / 2, 300, makecol(32, 32, 32), -1);
    textprintf_ex(bmp, font, 10, 400, makecol(0, 128, 0), makecol(255, 255, 0), "%d x %d", SCREEN_W, SCREEN_H);
    sprite_draw(bmp, s, 20, 40);
    sprite_draw_textout = 1;
    sprite_draw(bmp, s, 20, 240);
    sprite_draw_textout = 0;
}

int main() {
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return 3;
    set_color_depth(COLOR_DEPTH);
    ASCII_SPRITE *s = sprite_create(12, 3);
    if (s == nullptr) return 3;
    sprite_fill(s, '#');
    s->r = 255;
    s->g = 128;
    BITMAP *low = create_bitmap(SCREEN_W, SCREEN_H);
    if (low == nullptr) return 3;
    draw(low, s);

    reserve_low_memory();
    BITMAP *high = create_bitmap(SCREEN_W, SCREEN_H);
    if (high == nullptr) return 3;
    printf("low bitmap at %p, high bitmap at %p\n", (void *)low->line[0], (void *)high->line[0]);
    fflush(stdout);
    if ((uintptr_t)high->line[0] < FOUR_GB) {
        printf("the high bitmap is not above 4 GB\n");
        return 2;
    }
    draw(high, s);
    long differ = 0;
    for (int y = 0; y < SCREEN_H; y++)
        for (int x = 0; x < SCREEN_W; x++) differ += getpixel(low, x, y) != getpixel(high, x, y);
    printf("%ld pixels differ\n", differ);
    return differ == 0 ? 0 : 1;
}
