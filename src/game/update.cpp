// src/game/update.cpp — the game's keys and its logic tick.
#include "app/config.h"
#include "app/window.h"
#include "game/game.h"
#include "game/motion.h"
#include "game/play.h"

void game_input() {
    // Turning to another window pauses play under the help page, as F1 does.
    if (focus_lost.exchange(0) != 0 && help_overlay == 0) help_overlay++;
    if (help_overlay) {
        // Paused: one buffered key a poll, and only ENTER resumes.
        if (keypressed() && (readkey() & ~0xff) == (KEY_ENTER << 8)) help_overlay = 0;
        return;
    }
    if (key[KEY_F1]) {
        help_overlay++;
        return;
    }
    if (key[KEY_ESC]) {
        quit_to_menu();
        return;
    }
    if (key[KEY_PGUP]) camera_clamp_min_y();
    if (key[KEY_PGDN]) camera_clamp_max_y();
    if (key[KEY_C]) player_crouch();
    if (key[KEY_SPACE]) player_jump();
    if (key[KEY_RIGHT]) player_run_right();
}

void game_update() {
    if (help_overlay) return;
    elapsed_ticks++;
    time_left--;
    player_tick();
    train_tick();
    if (time_left <= 0) game_over++;
    camera_x++;
    camera_clamp_max_x();
    // All three checks run every tick; each one that acts clears the flags the later ones test.
    check_game_over();
    check_level_complete();
    check_game_won();
}
