// src/app/main.cpp — the program's entry: start-up, the loop, shut-down in reverse order.
#include <cstdio>

#include "app/loop.h"
#include "app/shell.h"
#include "app/window.h"

int main() {
    window_identity_set();
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
        // The library leaves its error text empty when it finds no system driver at all (no display).
        const char *why = allegro_error[0] ? allegro_error : "no display or system driver available";
        fprintf(stderr, "roofrunner: %s: %s\n", step ? step : "start-up failed", why);
        return 1;
    }
    return 0;
}
END_OF_MAIN()
