/* platforms/web/platform/web_system.c — the browser's system and timer drivers, and the driver lists. The page has
 * one thread: the library's timers run inside rest(), from the browser's clock, and rest() hands the thread to
 * the browser (emscripten_sleep, under ASYNCIFY) so that the game's own loop stays as it is on the desktop. */
#include <allegro.h>
#include <allegro/internal/aintern.h>
#include <emscripten.h>

#include "web.h"

/* The longest stretch of time one pump hands to the timers: a stall shorter than this is caught up as on the
 * desktop. A hidden tab is woken about once a second or less often; without the cap the game would race through
 * the ticks it missed when the player comes back. */
#define WEB_TIMER_MAX_CATCH_UP_MS 250.0

static int timer_running = 0;
static double timer_last_ms = 0.0;
static double timer_carry = 0.0; /* what is left of a timer unit, so that no time is lost in rounding */
static double timer_next_ms = 0.0;
static int was_active = 1;
static double last_yield_ms = 0.0;

/* How long rest(0) may keep the thread from the browser: the loop yields once a frame anyway, when it waits for
 * the next tick, so a yield of its own is only needed when the game is behind and never waits. */
#define WEB_YIELD_INTERVAL_MS 10.0

static void run_timers(void) {
    if (!timer_running) return;
    double now = emscripten_get_now();
    double elapsed = now - timer_last_ms;
    timer_last_ms = now;
    if (elapsed < 0.0) elapsed = 0.0;
    if (elapsed > WEB_TIMER_MAX_CATCH_UP_MS) {
        elapsed = WEB_TIMER_MAX_CATCH_UP_MS;
        timer_carry = 0.0;
    }
    double units = elapsed * TIMERS_PER_SECOND / 1000.0 + timer_carry;
    int whole = (int)units;
    timer_carry = units - whole;
    long delay = _handle_timer_tick(whole);
    timer_next_ms = now + delay * 1000.0 / TIMERS_PER_SECOND;
}

static void watch_focus(void) {
    int active = web_js_active();
    if (active == was_active) return;
    was_active = active;
    if (active) {
        _switch_in();
    } else {
        /* A key let go while the page is hidden never says so: let go of every key now. */
        web_keyboard_release_all();
        _switch_out();
    }
}

void web_pump(unsigned int ms) {
    web_gfx_present();
    double now = emscripten_get_now();
    if (ms > 0 || now - last_yield_ms >= WEB_YIELD_INTERVAL_MS) {
        emscripten_sleep(ms);
        last_yield_ms = emscripten_get_now();
        /* The loop yields once a frame, when it waits for the next tick: the gamepads are read as often. */
        web_keyboard_poll_pads();
    }
    watch_focus();
    web_keyboard_pump();
    run_timers();
    web_sound_pump();
}

/* Sleeps until the time is up; nothing can change before the next timer is due, so a short rest waits for it. */
static void timer_rest(unsigned int ms, void (*callback)(void)) {
    double end = emscripten_get_now() + ms;
    for (;;) {
        if (callback) callback();
        double now = emscripten_get_now();
        if (now >= end) return;
        double wait = end - now;
        if (timer_running && timer_next_ms - now > wait) wait = timer_next_ms - now;
        web_pump((unsigned int)(wait + 0.999));
    }
}

static int timer_init(void) {
    timer_last_ms = emscripten_get_now();
    timer_next_ms = timer_last_ms;
    timer_carry = 0.0;
    timer_running = 1;
    return 0;
}

static void timer_exit(void) { timer_running = 0; }

TIMER_DRIVER timer_web = {
    TIMER_WEB, empty_string, empty_string, "Browser clock", timer_init, timer_exit, NULL, NULL, NULL,
    NULL,      NULL,         NULL,         timer_rest,
};

static int system_init(void) {
    os_type = OSTYPE_UNIX;
    os_multitasking = TRUE;
    was_active = web_js_active();
    return 0;
}

static void system_exit(void) {}

/* The library looks for allegro.cfg beside the program: the build puts it, and the patch set, in /game. */
static void system_executable_name(char *output, int size) {
    do_uconvert("/game/roofrunner", U_ASCII, output, U_CURRENT, size);
}

static void system_title(const char *name) {
    char ascii[256];
    do_uconvert(name, U_CURRENT, ascii, U_ASCII, sizeof ascii);
    web_js_title(ascii);
}

/* A page has no close button: only the game's own Exit ends it. */
static int system_close_button(void (*proc)(void)) {
    (void)proc;
    return -1;
}

static void system_message(const char *msg) {
    char ascii[1024];
    do_uconvert(msg, U_CURRENT, ascii, U_ASCII, sizeof ascii);
    emscripten_log(EM_LOG_CONSOLE, "%s", ascii);
}

/* The page keeps running when hidden (at the browser's pace), and says so through the switch callbacks. */
static int system_switch_mode(int mode) { return (mode == SWITCH_BACKGROUND || mode == SWITCH_NONE) ? 0 : -1; }

static int system_desktop_depth(void) { return 32; }

static int system_desktop_size(int *w, int *h) {
    *w = 640;
    *h = 480;
    return 0;
}

static void system_yield(void) { web_pump(0); }

SYSTEM_DRIVER system_web = {
    SYSTEM_WEB,
    empty_string,
    empty_string,
    "Browser",
    system_init,
    system_exit,
    system_executable_name,
    NULL, /* find_resource */
    system_title,
    system_close_button,
    system_message,
    NULL, /* assert */
    NULL, /* save_console_state */
    NULL, /* restore_console_state */
    NULL, /* create_bitmap */
    NULL, /* created_bitmap */
    NULL, /* create_sub_bitmap */
    NULL, /* created_sub_bitmap */
    NULL, /* destroy_bitmap */
    NULL, /* read_hardware_palette */
    NULL, /* set_palette_range */
    NULL, /* get_vtable */
    system_switch_mode,
    NULL, /* display_switch_lock */
    system_desktop_depth,
    system_desktop_size,
    NULL, /* get_gfx_safe_mode */
    system_yield,
    NULL, /* create_mutex: one thread, no locks */
    NULL,
    NULL,
    NULL,
    NULL, /* the lists below */
    NULL,
    NULL,
    NULL,
    NULL,
    NULL,
    NULL,
};

_DRIVER_INFO _system_driver_list[] = {
    {SYSTEM_WEB, &system_web, TRUE},
    {SYSTEM_NONE, &system_none, FALSE},
    {0, NULL, 0},
};

_DRIVER_INFO _timer_driver_list[] = {
    {TIMER_WEB, &timer_web, TRUE},
    {0, NULL, 0},
};

_DRIVER_INFO _keyboard_driver_list[] = {
    {KEYBOARD_WEB, &keyboard_web, TRUE},
    {0, NULL, 0},
};

_DRIVER_INFO _mouse_driver_list[] = {
    {0, NULL, 0},
};

_DRIVER_INFO _gfx_driver_list[] = {
    {GFX_WEB, &gfx_web, TRUE},
    {0, NULL, 0},
};

_DRIVER_INFO _digi_driver_list[] = {
    {DIGI_WEB, &digi_web, TRUE},
    {0, NULL, 0},
};

_DRIVER_INFO _midi_driver_list[] = {
    {MIDI_DIGMID, &midi_digmid, TRUE},
    {0, NULL, 0},
};

_DRIVER_INFO _joystick_driver_list[] = {
    {0, NULL, 0},
};
