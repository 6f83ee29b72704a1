// src/app/main.cpp — the program's entry: wires the screens to the shell and the loop, starts up, runs the
// loop, shuts down in reverse order.
#include <cstdio>

#include "app/loop.h"
#include "app/shell.h"
#include "app/window.h"
#include "states/states.h"

int main() {
    window_identity_set();
    shell_set_game(game_init, game_uninit);
    loop_set_dispatch(state_input, state_update, state_render, state_close);

    int failed = 1;
    if (platform_init() == 0) {
        if (dbuffer_create() == 0) {
            if (loop_init() == 0) {
                loop_run();
                failed = 0;
            }
            loop_uninit();
        }
        dbuffer_destroy();
    }
    platform_uninit();
    if (failed) {
        const char *step = shell_failed_step();
        const char *why = shell_failed_reason();
        if (step == nullptr) step = "start-up failed";
        if (why)
            fprintf(stderr, "roofrunner: %s: %s\n", step, why);
        else
            fprintf(stderr, "roofrunner: %s\n", step);
        return 1;
    }
    return 0;
}
END_OF_MAIN()
