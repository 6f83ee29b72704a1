// tests/e2e/fail_shim.cpp — preloaded into the real game by the start-up failure tests (LD_PRELOAD): the one
// library call named by RR_FAIL fails, as on a machine that lacks what it needs, and every other call goes
// through to the library. RR_FAIL_REASON, if set, is the error text the failing call leaves, as the library's
// own failures do; unset, the text stays as it was. The game itself carries no test switch for any of this.
#include <allegro.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool failing(const char *name) {
    const char *which = getenv("RR_FAIL");
    if (which == nullptr || strcmp(which, name) != 0) return false;
    // Like the library, a failure that has nothing to say leaves the error text as it was.
    const char *why = getenv("RR_FAIL_REASON");
    if (why && *why) snprintf(allegro_error, ALLEGRO_ERROR_SIZE, "%s", why);
    return true;
}

template <typename F>
F next(const char *name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

bool mode_set = false;  // the off-screen buffer is the first 640 x 480 bitmap made after the mode

}  // namespace

int install_timer() {
    if (failing("install_timer")) return -1;
    return next<int (*)()>("install_timer")();
}

int install_keyboard() {
    if (failing("install_keyboard")) return -1;
    return next<int (*)()>("install_keyboard")();
}

int set_gfx_mode(int card, int w, int h, int v_w, int v_h) {
    if (failing("set_gfx_mode")) return -1;
    int r = next<int (*)(int, int, int, int, int)>("set_gfx_mode")(card, w, h, v_w, v_h);
    mode_set = r == 0;
    return r;
}

BITMAP *create_bitmap(int w, int h) {
    if (mode_set && w == 640 && h == 480 && failing("create_bitmap")) return nullptr;
    return next<BITMAP *(*)(int, int)>("create_bitmap")(w, h);
}

// Only the game's 64 Hz tick; the library's own timers go through.
int install_int_ex(void (*proc)(), long speed) {
    if (speed == BPS_TO_TIMER(64) && failing("install_int_ex")) return -1;
    return next<int (*)(void (*)(), long)>("install_int_ex")(proc, speed);
}
