// src/app/shell.cpp — every step writes one fixed log line so the log shows how far start-up got.
#include "app/shell.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "app/log.h"
#include "app/loop.h"
#include "app/window.h"
#include "states/states.h"

BITMAP *dbuffer = nullptr;
int platform_initialized = 0;
int dbuffer_initialized = 0;
int sound_initialized = 0;

static const char *failed_step = nullptr;

const char *shell_failed_step() { return failed_step; }

// The library calls this from its own thread: only raise the flag, the loop does the rest.
static void close_button_pressed() { close_requested.store(1); }

int platform_init() {
    platform_uninit();
    failed_step = nullptr;
    log_init();

    int r = allegro_init();
    if (r != 0) {
        failed_step = "cannot initialise the game library";
        return r;
    }
    log_printf("Allegro Initialized");
    set_window_title("Roofrunner");
    set_close_button_callback(close_button_pressed);

    r = install_timer();
    if (r != 0) {
        failed_step = "cannot install the timer";
        return r;
    }
    log_printf("Timer Initialized");

    r = install_keyboard();
    if (r != 0) {
        failed_step = "cannot install the keyboard";
        return r;
    }
    log_printf("Keyboard Initialized");

    set_color_depth(COLOR_DEPTH);
    if (WINDOWED) {
        r = set_gfx_mode(GFX_AUTODETECT_WINDOWED, SCREEN_W, SCREEN_H, 0, 0);
        if (r != 0) {
            failed_step = "cannot set a 640x480 windowed graphics mode";
            return r;
        }
        log_printf("Screen Initialized: %d x %d @ %d bpp Windowed", SCREEN_W, SCREEN_H, COLOR_DEPTH);
    } else {
        r = set_gfx_mode(GFX_AUTODETECT_FULLSCREEN, SCREEN_W, SCREEN_H, 0, 0);
        if (r != 0) {
            failed_step = "cannot set a 640x480 full-screen graphics mode";
            return r;
        }
        log_printf("Screen Initialized: %d x %d @ %d bpp FS", SCREEN_W, SCREEN_H, COLOR_DEPTH);
    }
    window_focus_watch();

    if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, nullptr) == 0) {
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
    dbuffer = create_bitmap(SCREEN_W, SCREEN_H);
    if (dbuffer == nullptr) {
        failed_step = "cannot create the 640x480 off-screen buffer";
        return -1;
    }
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
    if (install_int_ex(tick_callback, BPS_TO_TIMER(LPS)) != 0) {
        failed_step = "cannot install the 64 Hz tick timer";
        return -1;
    }
    log_printf("Creating Loop at %d LPS", LPS);
    quit_flag = 0;
    log_printf("Initializing Game");
    int r = game_init();
    if (r != 0) {
        failed_step = "cannot initialise the game";
        return r;
    }
    log_printf("Initialized Game");
    return 0;
}

void loop_uninit() {
    log_printf("UnInitializing Game");
    game_uninit();
    log_printf("UnInitialized Game");
    log_printf("Quitting Loop");
}

int game_init() {
    change_state(STATE_MENU);
    return 0;
}

void game_uninit() { state_exit(); }
