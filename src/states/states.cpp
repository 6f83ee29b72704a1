// src/states/states.cpp — routes the loop's calls to the current screen through one table.
#include "states/states.h"

#include "app/loop.h"
#include "app/shell.h"
#include "game/game.h"
#include "states/screens.h"

int current_state = -1;
int previous_state = -1;
int transition_count = 0;
int quit_pending = 0;

struct SCREEN {
    int state;  // the row's STATE_ number, so that the build can check that each row stands in its number's place
    void (*enter)();
    void (*exit)();
    void (*input)();
    void (*update)();
    void (*render)();
    void (*close)();  // before a quit asked by the window's close button: leave as the screen's own way out would
};

static void fallback_input() {
    if (!keypressed()) return;
    int k = readkey() >> 8;
    if (k == KEY_ESC)
        request_quit();
    else if (k == KEY_ENTER)
        change_state(previous_state);
}

static void fallback_render() {
    textprintf_ex(dbuffer, font, 180, 232, makecol(255, 0, 0), -1, "State Not Implemented, Press ENTER to Quit.");
}

// Indexed by state number; any other number shows the fallback row.
static constexpr SCREEN screens[] = {
    {STATE_GAME, game_enter, game_exit, game_input, game_update, game_render, game_close},
    {STATE_GAME_OVER, nullptr, nullptr, game_over_input, nullptr, game_over_render, nullptr},
    {STATE_YOU_WIN, you_win_enter, you_win_exit, you_win_input, you_win_update, you_win_render, nullptr},
    {STATE_MENU, menu_enter, menu_exit, menu_input, menu_update, menu_render, nullptr},
    {STATE_VICTORY, victory_enter, victory_exit, victory_input, victory_update, victory_render, nullptr},
    {STATE_HELP, nullptr, nullptr, help_input, nullptr, help_render, nullptr},
};
constexpr int SCREEN_ROWS = (int)(sizeof screens / sizeof screens[0]);

static constexpr bool rows_in_place() {
    for (int i = 0; i < SCREEN_ROWS; i++)
        if (screens[i].state != i) return false;
    return true;
}
static_assert(STATE_GAME == 0 && STATE_GAME_OVER == 1 && STATE_YOU_WIN == 2 && STATE_MENU == 3 && STATE_VICTORY == 4 &&
                  STATE_HELP == 5,
              "the screens' numbers are fixed: a new STATE_ goes last in the enum of states.h, above STATE_COUNT");
static_assert(SCREEN_ROWS == STATE_COUNT, "one row in screens[] for each STATE_ number of states.h, in its place");
static_assert(rows_in_place(), "each row of screens[] stands at its STATE_ number");

static constexpr SCREEN fallback = {-1, nullptr, nullptr, fallback_input, nullptr, fallback_render, nullptr};

static const SCREEN &screen_of(int state) {
    if (state >= 0 && state < SCREEN_ROWS) return screens[state];
    return fallback;
}

static void run(void (*op)()) {
    if (op) op();
}

void state_enter() { run(screen_of(current_state).enter); }
void state_exit() { run(screen_of(current_state).exit); }

void change_state(int new_state) {
    state_exit();
    previous_state = current_state;
    transition_count++;
    current_state = new_state;
    state_enter();
}

void request_quit() {
    transition_count++;
    quit_pending++;
}

void state_close() {
    if (quit_pending) return;
    run(screen_of(current_state).close);
    request_quit();
}

int game_init() {
    change_state(STATE_MENU);
    return 0;
}

void game_uninit() { state_exit(); }

void state_input() {
    if (transition_count || quit_pending) return;
    run(screen_of(current_state).input);
}

void state_update() {
    if (quit_pending) {
        if (quit_pending > 0) {
            state_exit();
            quit_loop();
            quit_pending = -1;
        }
        return;
    }
    if (transition_count) transition_count--;
    run(screen_of(current_state).update);
}

void state_render() {
    if (transition_count || quit_pending) return;
    clear_bitmap(dbuffer);
    run(screen_of(current_state).render);
    blit(dbuffer, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
}
