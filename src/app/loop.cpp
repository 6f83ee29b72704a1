// src/app/loop.cpp — every pending tick runs as an update before the next frame; no cap on catch-up.
#include "app/loop.h"

#include "app/config.h"

std::atomic<int> tick_count{0};
std::atomic<int> close_requested{0};
int quit_flag = 0;

static void nothing() {}

static void (*do_input)() = nothing;
static void (*do_update)() = nothing;
static void (*do_render)() = nothing;
static void (*do_close)() = nothing;

void loop_set_dispatch(void (*input)(), void (*update)(), void (*render)(), void (*close)()) {
    do_input = input ? input : nothing;
    do_update = update ? update : nothing;
    do_render = render ? render : nothing;
    do_close = close ? close : nothing;
}

void tick_callback() { tick_count.fetch_add(1); }
END_OF_FUNCTION(tick_callback)

void quit_loop() { quit_flag++; }

void loop_run() {
    if (quit_flag) return;
    for (;;) {
        // The library raises the flag from its own thread; the screens hear of it here, between two passes.
        if (close_requested.exchange(0) != 0) do_close();
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
