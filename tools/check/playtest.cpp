// tools/check/playtest.cpp — plays a level through the game's own input and update, once holding RIGHT and once
// touching nothing, and reads the clock, the player's place on the screen and the camera off the game's state.
#include <cstdio>

#include "app/config.h"
#include "check.h"
#include "game/game.h"
#include "game/play.h"
#include "level/level.h"
#include "states/states.h"

// Holding RIGHT must win with this share of the clock left: below the low mark a slower machine, which polls the
// keys fewer times a tick, may not make it; above the high mark the level is no test at all.
constexpr double LEFT_MIN = 0.15, LEFT_MAX = 0.50;
// No play goes on longer (about 43 hours at 64 ticks a second); the clock ends every real level long before.
constexpr int PLAY_TICKS_MAX = 10000000;

enum { PLAY_LOST, PLAY_WON, PLAY_UNDECIDED };

struct PLAY {
    int outcome;
    int ticks;         // updates played
    int ticks_left;    // on the clock when the engine was reached
    int max_screen_x;  // the player's farthest place from the screen's left edge
};

// The share of the clock the level before left when RIGHT won it; total 0 before the first.
static long long before_left = 0, before_total = 0;

void check_plays_begin() { before_left = before_total = 0; }

static void screen_x_seen(PLAY *p) {
    if (player_x - camera_x > p->max_screen_x) p->max_screen_x = player_x - camera_x;
}

// Plays level i from its start until it is won or lost, polling the keys twice a tick as the main loop does.
static PLAY play(int i, bool hold_right) {
    current_state = -1;  // a screen without an exit, so the game's own changes of screen free nothing
    int count = level_count;
    level_count = i + 1;  // played as the last level: reaching the engine wins instead of starting the next
    current_level = i;
    level_start(i);
    key[KEY_RIGHT] = hold_right ? 1 : 0;
    PLAY p = {PLAY_UNDECIDED, 0, 0, player_x - camera_x};
    // The first level is entered through a change of screen, so its first update comes before any poll; a later
    // level starts inside the last update of the one before, and that tick's poll and the next pass's come first.
    int polls = i == 0 ? 0 : 2;
    while (p.ticks < PLAY_TICKS_MAX) {
        for (; polls > 0; polls--) {
            game_input();
            screen_x_seen(&p);
        }
        int left = time_left;
        game_update();
        p.ticks++;
        if (current_state == STATE_GAME_OVER) {
            p.outcome = PLAY_LOST;
            break;
        }
        if (current_state == STATE_YOU_WIN) {
            p.outcome = PLAY_WON;
            p.ticks_left = left - 1;
            break;
        }
        screen_x_seen(&p);
        polls = 2;
    }
    key[KEY_RIGHT] = 0;
    level_end();
    current_state = -1;
    level_count = count;
    return p;
}

// PGUP and PGDN clamp the camera to the world's rows. In a world at least a screen high and a pixel more the camera
// starts at both limits, so the keys do nothing, and the train stands where the art rules expect it.
static void check_view(int i, const LEVEL_FILES &level) {
    current_state = -1;
    current_level = i;
    level_start(i);
    int y = camera_y, height = world_height, top = train_y - camera_y;
    bool moved = false;
    for (int k : {KEY_PGUP, KEY_PGDN}) {
        key[k] = 1;
        game_input();
        key[k] = 0;
        moved = moved || camera_y != y;
    }
    level_end();
    current_state = -1;
    if (moved)
        problem(level.attr, level.numbers.size_line,
                "the world is %d pixels high: PGUP and PGDN would move the view (it keeps still from %d pixels on)",
                height, SCREEN_H + 1);
    else if (top != train_screen_y())
        problem(level.attr, level.numbers.size_line,
                "the world is %d pixels high: the train would stand at y %d, not on its line at y %d (it does from %d "
                "pixels on)",
                height, top, train_screen_y(), SCREEN_H + 1);
}

void check_level_play(int i, const LEVEL_FILES &level) {
    check_view(i, level);
    PLAY right = play(i, true), idle = play(i, false);
    long long total = (long long)levels[i]->attr->time_limit * LPS;
    if (right.outcome != PLAY_WON) {
        problem(level.list, 0, "cannot be won by holding RIGHT");
    } else {
        double share = (double)right.ticks_left / (double)total;
        char idle_text[64] = "";
        if (idle.outcome == PLAY_LOST)
            snprintf(idle_text, sizeof idle_text, "; doing nothing loses in %d ticks", idle.ticks);
        note(level.list, 0, "won by holding RIGHT in %d ticks with %d of %d seconds left, %.1f%% of the clock%s",
             right.ticks, right.ticks_left / LPS, levels[i]->attr->time_limit, 100 * share, idle_text);
        if (share < LEFT_MIN)
            problem(level.attr, level.numbers.limit_line,
                    "holding RIGHT wins with only %.1f%% of the clock left; below %.0f%% a slower machine may not "
                    "make it",
                    100 * share, 100 * LEFT_MIN);
        if (share > LEFT_MAX)
            problem(level.attr, level.numbers.limit_line,
                    "holding RIGHT wins with %.1f%% of the clock left; above %.0f%% the level is no test at all",
                    100 * share, 100 * LEFT_MAX);
        // Later levels are harder: none leaves more of its clock than the one before.
        if (before_total > 0 && right.ticks_left * before_total > before_left * total)
            problem(level.attr, level.numbers.limit_line,
                    "holding RIGHT leaves %.1f%% of the clock, more than the %.1f%% the level before leaves",
                    100 * share, 100.0 * (double)before_left / (double)before_total);
        before_left = right.ticks_left;
        before_total = total;
        if (right.max_screen_x >= SCREEN_W)
            problem(level.list, 0, "holding RIGHT leaves the player off the right edge of the screen");
    }
    play_seen(i, right.outcome == PLAY_WON, right.ticks_left, (int)total, idle.outcome == PLAY_LOST);
    if (idle.outcome == PLAY_WON)
        problem(level.list, 0, "doing nothing wins: the train carries the player to the engine");
    else if (idle.outcome == PLAY_UNDECIDED)
        problem(level.list, 0, "doing nothing does not lose: still playing after %d ticks (%d hours)", idle.ticks,
                idle.ticks / LPS / 3600);
}
