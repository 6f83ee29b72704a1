// tests/perf/frame_alloc_test.cpp — a game frame with the shipped levels and sprites touches the heap not once.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "app/shell.h"
#include "game/game.h"
#include "game/play.h"
#include "game/resources.h"
#include "level/level.h"
#include "support/fixtures.h"

#if defined(__SANITIZE_ADDRESS__)
#define RR_COUNT_ALLOCS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RR_COUNT_ALLOCS 0
#endif
#endif
#ifndef RR_COUNT_ALLOCS
#define RR_COUNT_ALLOCS 1
#endif

static int counting = 0;
static long allocations = 0;

#if RR_COUNT_ALLOCS
// glibc's own allocator under the public names: the library, the C++ runtime and the game all come through here.
extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void *__libc_memalign(size_t, size_t);

void *malloc(size_t n) {
    if (counting) allocations++;
    return __libc_malloc(n);
}
void *calloc(size_t n, size_t size) {
    if (counting) allocations++;
    return __libc_calloc(n, size);
}
void *realloc(void *p, size_t n) {
    if (counting) allocations++;
    return __libc_realloc(p, n);
}
void *memalign(size_t align, size_t n) {
    if (counting) allocations++;
    return __libc_memalign(align, n);
}
int posix_memalign(void **out, size_t align, size_t n) {
    if (counting) allocations++;
    void *p = __libc_memalign(align, n);
    if (p == nullptr) return ENOMEM;
    *out = p;
    return 0;
}
void *aligned_alloc(size_t align, size_t n) {
    if (counting) allocations++;
    return __libc_memalign(align, n);
}
}
#endif

TEST(FrameAlloc, CountingSeesAllocations) {
#if !RR_COUNT_ALLOCS
    GTEST_SKIP() << "the sanitizer owns malloc";
#endif
    counting = 1;
    allocations = 0;
    // Through volatile pointers so that the compiler cannot drop the pairs.
    static void *volatile p, *volatile q;
    p = malloc(16);
    q = ::operator new(16);
    counting = 0;
    free(p);
    ::operator delete(q);
    EXPECT_EQ(allocations, 2);
}

TEST(FrameAlloc, GameFramesWithShippedDataAllocateNothing) {
#if !RR_COUNT_ALLOCS
    GTEST_SKIP() << "the sanitizer owns malloc";
#endif
    use_shipped_data();
    ASSERT_EQ(levels_load(), 0);
    ASSERT_TRUE(levels_playable());
    ASSERT_EQ(game_sprites_load(), 0);
    level_first();
    // The first frame may set up what drawing keeps for the whole run; it is not counted.
    game_render();
    for (int i = 0; i < level_count; i++) {
        level_start(i);
        for (int frame = 0; frame < 40; frame++) {
            // Sweep the camera over the whole world, with a jump pose on the way.
            camera_x = (int)((long long)world_width * frame / 40);
            player_pose = frame % 3;
            counting = 1;
            allocations = 0;
            game_render();
            counting = 0;
            ASSERT_EQ(allocations, 0) << "level " << i << ", frame " << frame;
        }
        level_end();
    }
    game_sprites_unload();
    levels_free();
}
