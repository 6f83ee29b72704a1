// src/app/shell.cpp — every step writes one fixed log line so the log shows how far start-up got.
#include "app/shell.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/log.h"
#include "app/loop.h"
#include "app/window.h"

BITMAP *dbuffer = nullptr;
int platform_initialized = 0;
int dbuffer_initialized = 0;
int sound_initialized = 0;

static const char *failed_step = nullptr;
static char failed_reason[ALLEGRO_ERROR_SIZE];

static int (*start_game)() = nullptr;
static void (*end_game)() = nullptr;

void shell_set_game(int (*game_init)(), void (*game_uninit)()) {
    start_game = game_init;
    end_game = game_uninit;
}

const char *shell_failed_step() { return failed_step; }
const char *shell_failed_reason() { return failed_reason[0] ? failed_reason : nullptr; }

// The library's error text keeps its last message until another failure overwrites it (a normal start leaves
// "DIGMID patch set not found" there), so it is emptied before each step and read only for the step that failed.
static void step_begin() { allegro_error[0] = '\0'; }

static int step_failed(const char *step, int r) {
    failed_step = step;
    snprintf(failed_reason, sizeof failed_reason, "%s", allegro_error);
    return r;
}

// The library calls this from its own thread: only raise the flag, the loop does the rest.
static void close_button_pressed() { close_requested.store(1); }

int platform_init() {
    platform_uninit();
    failed_step = nullptr;
    failed_reason[0] = '\0';
    log_init();

    step_begin();
    int r = allegro_init();
    if (r != 0) {
        step_failed("cannot initialise the game library", r);
        // Without any system driver (no display) the library has nothing to say.
        if (failed_reason[0] == '\0')
            snprintf(failed_reason, sizeof failed_reason, "%s", "no display or system driver available");
        return r;
    }
    log_printf("Allegro Initialized");
    set_window_title("Roofrunner");
    set_close_button_callback(close_button_pressed);

    step_begin();
    r = install_timer();
    if (r != 0) return step_failed("cannot install the timer", r);
    log_printf("Timer Initialized");

    step_begin();
    r = install_keyboard();
    if (r != 0) return step_failed("cannot install the keyboard", r);
    log_printf("Keyboard Initialized");

    set_color_depth(COLOR_DEPTH);
    step_begin();
    if (WINDOWED) {
        r = set_gfx_mode(GFX_AUTODETECT_WINDOWED, SCREEN_W, SCREEN_H, 0, 0);
        if (r != 0) return step_failed("cannot set a 640x480 windowed graphics mode", r);
        log_printf("Screen Initialized: %d x %d @ %d bpp Windowed", SCREEN_W, SCREEN_H, COLOR_DEPTH);
    } else {
        r = set_gfx_mode(GFX_AUTODETECT_FULLSCREEN, SCREEN_W, SCREEN_H, 0, 0);
        if (r != 0) return step_failed("cannot set a 640x480 full-screen graphics mode", r);
        log_printf("Screen Initialized: %d x %d @ %d bpp FS", SCREEN_W, SCREEN_H, COLOR_DEPTH);
    }
    window_focus_watch();

    r = install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, nullptr);
    // Finding nothing, the library still succeeds with its null drivers: that is no sound either.
    if (r == 0 && digi_card == DIGI_NONE && midi_card == MIDI_NONE) {
        remove_sound();
        r = -1;
    }
    if (r == 0) {
        log_printf("Sound system Initialized");
        sound_initialized++;
    } else {
        sound_initialized = 0;
        log_printf("Sound system disabled");
        // With the null drivers every later sound call is a valid no-op.
        install_sound(DIGI_NONE, MIDI_NONE, nullptr);
    }

    srand((unsigned)time(nullptr));
    log_printf("Initialized Random Number Seed");

    clear_bitmap(screen);
    platform_initialized++;
    return 0;
}

void platform_uninit() {
    if (platform_initialized) {
        allegro_exit();
        log_printf("Allegro UnInitialized");
    }
    if (sound_initialized) sound_initialized--;
    log_close();
    if (platform_initialized) platform_initialized--;
}

int dbuffer_create() {
    dbuffer_destroy();
    step_begin();
    dbuffer = create_bitmap(SCREEN_W, SCREEN_H);
    if (dbuffer == nullptr) return step_failed("cannot create the 640x480 off-screen buffer", -1);
    log_printf("Created DBuffer");
    dbuffer_initialized++;
    return 0;
}

void dbuffer_destroy() {
    if (dbuffer != nullptr) {
        destroy_bitmap(dbuffer);
        dbuffer = nullptr;
        log_printf("Destroyed DBuffer");
    }
    if (dbuffer_initialized) dbuffer_initialized--;
}

int loop_init() {
    // Without ticks the loop would wait for ever, so a timer that cannot be installed ends start-up.
    step_begin();
    if (install_int_ex(tick_callback, BPS_TO_TIMER(LPS)) != 0)
        return step_failed("cannot install the 64 Hz tick timer", -1);
    log_printf("Creating Loop at %d LPS", LPS);
    quit_flag = 0;
    log_printf("Initializing Game");
    step_begin();
    int r = start_game ? start_game() : 0;
    if (r != 0) return step_failed("cannot initialise the game", r);
    log_printf("Initialized Game");
    return 0;
}

void loop_uninit() {
    log_printf("UnInitializing Game");
    if (end_game) end_game();
    log_printf("UnInitialized Game");
    log_printf("Quitting Loop");
}
