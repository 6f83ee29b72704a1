// src/app/loop.cpp — every pending tick runs as an update before the next frame; no cap on catch-up.
#include "app/loop.h"

#include "app/config.h"
#include "states/states.h"

std::atomic<int> tick_count{0};
std::atomic<int> close_requested{0};
int quit_flag = 0;

static void (*do_input)() = state_input;
static void (*do_update)() = state_update;
static void (*do_render)() = state_render;

void loop_set_dispatch(void (*input)(), void (*update)(), void (*render)()) {
    do_input = input ? input : state_input;
    do_update = update ? update : state_update;
    do_render = render ? render : state_render;
}

void tick_callback() { tick_count.fetch_add(1); }
END_OF_FUNCTION(tick_callback)

void quit_loop() { quit_flag++; }

// The close button takes the same road as the menu's "Exit", once.
static void take_close_request() {
    if (close_requested.exchange(0) != 0 && quit_pending == 0) request_quit();
}

void loop_run() {
    if (quit_flag) return;
    for (;;) {
        take_close_request();
        do_input();
        while (tick_count.load() <= 0) rest(1);
        do {
            do_update();
            do_input();
            tick_count.fetch_sub(1);
        } while (tick_count.load() > 0);
        do_render();
        rest(0);
        if (quit_flag) return;
    }
}
