// src/app/loop.h — the fixed-rate main loop: LPS updates a second, at most one frame a pass. Setting it up and
// taking it down (loop_init, loop_uninit: the tick timer and the game's start and end) are start-up steps, in shell.
#pragma once
#include <atomic>

extern std::atomic<int> tick_count;       // ticks elapsed and not yet run; the only datum the timer touches
extern std::atomic<int> close_requested;  // raised by the window's close button
extern int quit_flag;                     // nonzero ends the loop at the end of the pass

void tick_callback();
void quit_loop();
void loop_run();

// What the loop drives: one input poll, one logic tick, one frame, and what a press of the window's close
// button asks for (taken at the start of a pass, on this thread). The loop knows nothing of screens: main wires
// the screen state machine in, tests put their own in to watch the order. An empty slot does nothing.
void loop_set_dispatch(void (*input)(), void (*update)(), void (*render)(), void (*close)());
