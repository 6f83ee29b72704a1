// tests/web/frames.cpp — the Linux build's frames for the browser tests to match: the game's own code drawing
// into memory bitmaps, converted to 24-bit colour by the library's converter as its X11 driver does on a
// 24-bit display. Run in a folder holding Data:
//   rr_frames OUTDIR TICKS [FIRST_LEVEL_TICKS]
// writes OUTDIR/help.ppm and game-over.ppm; you-win-K.ppm after K updates of that screen (its text changes
// colour); level-L-K.ppm: level L (from 0) after K updates, K from 0 to TICKS (to FIRST_LEVEL_TICKS for the
// first level, whose early frames are compared one by one). The first level is entered from
// the menu with no key held (its first update is the one that works off the change of screen); every later one is
// reached as by a runner holding RIGHT, so each of its updates is followed by a poll with RIGHT held, and its first
// frame comes after the poll that follows the update in which the level before was completed.
//   rr_frames OUTDIR preview LEVEL X...
// writes OUTDIR/preview-LEVEL-X.ppm: the level studio's picture of level LEVEL, the game's frame of the level at its
// start with the camera moved to X.
#include <allegro.h>
#include <allegro/internal/aintern.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/config.h"
#include "app/shell.h"
#include "game/game.h"
#include "game/play.h"
#include "game/resources.h"
#include "level/level.h"
#include "states/states.h"

static std::string out_dir;

static int save(const std::string &name) {
    static COLORCONV_BLITTER_FUNC *convert = _get_colorconv_blitter(16, 32);
    std::vector<uint32_t> xrgb(SCREEN_W * SCREEN_H);
    GRAPHICS_RECT src = {SCREEN_W, SCREEN_H, (int)(dbuffer->line[1] - dbuffer->line[0]), dbuffer->line[0]};
    GRAPHICS_RECT dst = {SCREEN_W, SCREEN_H, SCREEN_W * 4, xrgb.data()};
    convert(&src, &dst);
    std::string path = out_dir + "/" + name + ".ppm";
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return -1;
    fprintf(f, "P6\n%d %d\n255\n", SCREEN_W, SCREEN_H);
    for (uint32_t c : xrgb) {
        unsigned char rgb[3] = {(unsigned char)(c >> 16), (unsigned char)(c >> 8), (unsigned char)c};
        fwrite(rgb, 1, 3, f);
    }
    return fclose(f);
}

static void draw() {
    clear_bitmap(dbuffer);
    state_render();
}

// Changes screen and works off the change, as the loop's next update would.
static void enter(int state) {
    change_state(state);
    while (transition_count) state_update();
}

// As the studio draws it (platforms/web/studio/studio.cpp, studio_preview): the level started, the camera moved.
static int previews(int level, char **xs, int count) {
    if (levels_load() != 0 || game_sprites_load() != 0 || level < 0 || level >= level_count) {
        fprintf(stderr, "rr_frames: no level %d (Data?)\n", level);
        return 1;
    }
    int failed = 0;
    for (int i = 0; i < count; i++) {
        current_level = level;
        level_start(level);
        int x = atoi(xs[i]);
        camera_x = x < 0 ? 0 : x > camera_max_x ? camera_max_x : x;
        clear_bitmap(dbuffer);
        game_render();
        level_end();
        failed |= save("preview-" + std::to_string(level) + "-" + xs[i]);
    }
    game_sprites_unload();
    levels_free();
    return failed ? 1 : 0;
}

int main(int argc, char **argv) {
    bool preview = argc >= 5 && std::string(argv[2]) == "preview";
    if (!preview && argc != 3 && argc != 4) {
        fprintf(stderr, "usage: rr_frames OUTDIR TICKS [FIRST_LEVEL_TICKS] | rr_frames OUTDIR preview LEVEL X...\n");
        return 2;
    }
    out_dir = argv[1];
    int ticks = preview ? 0 : atoi(argv[2]);
    int first_level_ticks = argc == 4 ? atoi(argv[3]) : ticks;
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return 1;
    set_color_depth(COLOR_DEPTH);
    // As the X11 driver sets them on a 24-bit display.
    _rgb_r_shift_16 = 11;
    _rgb_g_shift_16 = 5;
    _rgb_b_shift_16 = 0;
    dbuffer = create_bitmap(SCREEN_W, SCREEN_H);
    screen = create_bitmap(SCREEN_W, SCREEN_H);
    install_keyboard();
    srand(1);
    if (preview) return previews(atoi(argv[3]), argv + 4, argc - 4);
    int failed = 0;

    enter(STATE_MENU);
    enter(STATE_HELP);
    draw();
    failed |= save("help");
    enter(STATE_GAME_OVER);
    draw();
    failed |= save("game-over");
    enter(STATE_YOU_WIN);
    for (int k = 0; k <= ticks; k++) {
        draw();
        failed |= save("you-win-" + std::to_string(k));
        state_update();
    }
    enter(STATE_MENU);

    enter(STATE_GAME);
    if (current_state != STATE_GAME) {
        fprintf(stderr, "rr_frames: the game did not start (Data?)\n");
        return 1;
    }
    int count = level_count;
    for (int level = 0; level < count; level++) {
        enter(STATE_MENU);
        enter(STATE_GAME);
        key[KEY_RIGHT] = 0;
        for (int i = 0; i < level; i++) level_next();
        if (level > 0) {
            key[KEY_RIGHT] = 1;
            state_input();
        }
        for (int k = 0; k <= (level == 0 ? first_level_ticks : ticks); k++) {
            draw();
            failed |= save("level-" + std::to_string(level) + "-" + std::to_string(k));
            state_update();
            state_input();
        }
    }
    key[KEY_RIGHT] = 0;
    change_state(STATE_MENU);
    return failed ? 1 : 0;
}
