// platforms/web/studio/studio.cpp — the level studio's engine: the game's own loaders, renderers and rules, and the
// checker's, called by the studio page (studio.js) over the files it keeps in the module's file system. The page
// writes the pack being edited under /work/Data, the working folder, as the desktop game reads it; the shipped
// pictures and tune sit beside it.
#include <allegro.h>
#include <allegro/internal/aintern.h>
#include <emscripten.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/config.h"
#include "app/shell.h"
#include "check.h"
#include "game/game.h"
#include "game/play.h"
#include "game/resources.h"
#include "level/level.h"
#include "states/states.h"

// The library's lists of what it may start: no screen, keys, timer or sound, and the drawing code of the one
// colour depth the game draws in, so that no other is linked.
_DRIVER_INFO _system_driver_list[] = {{SYSTEM_NONE, &system_none, TRUE}, {0, nullptr, 0}};
_DRIVER_INFO _timer_driver_list[] = {{0, nullptr, 0}};
_DRIVER_INFO _keyboard_driver_list[] = {{0, nullptr, 0}};
_DRIVER_INFO _mouse_driver_list[] = {{0, nullptr, 0}};
_DRIVER_INFO _gfx_driver_list[] = {{0, nullptr, 0}};
_DRIVER_INFO _digi_driver_list[] = {{0, nullptr, 0}};
_DRIVER_INFO _midi_driver_list[] = {{0, nullptr, 0}};
_DRIVER_INFO _joystick_driver_list[] = {{0, nullptr, 0}};
BEGIN_COLOR_DEPTH_LIST
COLOR_DEPTH_16
END_COLOR_DEPTH_LIST

static bool loaded = false;  // the pack's levels and the game's sprites, for the preview
static std::vector<uint32_t> xrgb, rgba;
static std::string answer;  // the last text handed to the page; valid until the next call

// As the browser's screen and the X11 driver set them: 5-6-5 with red on top, so the preview's pixels are the
// game's.
static void screen_colours() {
    _rgb_r_shift_16 = 11;
    _rgb_g_shift_16 = 5;
    _rgb_b_shift_16 = 0;
}

// Text for JSON: quotes, backslashes and control characters escaped; a byte from 128 up stands for itself (the page
// reads the files a byte a character).
static void json_text(std::string &out, const char *s) {
    out += '"';
    for (const unsigned char *p = (const unsigned char *)s; *p; p++) {
        char buf[8];
        if (*p == '"' || *p == '\\') {
            out += '\\';
            out += (char)*p;
        } else if (*p < 32 || *p >= 127) {
            snprintf(buf, sizeof buf, "\\u%04x", *p);
            out += buf;
        } else {
            out += (char)*p;
        }
    }
    out += '"';
}

static std::string found_lines, found_plays;

static void sink_line(const std::string &file, int line, const char *text, bool is_problem) {
    char head[64];
    snprintf(head, sizeof head, "%s{\"line\":%d,\"problem\":%s,\"file\":", found_lines.empty() ? "" : ",", line,
             is_problem ? "true" : "false");
    found_lines += head;
    json_text(found_lines, file.c_str());
    found_lines += ",\"text\":";
    json_text(found_lines, text);
    found_lines += '}';
}

static void sink_play(int level, bool won, int ticks_left, int total_ticks, bool idle_loses) {
    char item[160];
    snprintf(item, sizeof item, "%s{\"level\":%d,\"won\":%s,\"ticksLeft\":%d,\"totalTicks\":%d,\"idleLoses\":%s}",
             found_plays.empty() ? "" : ",", level, won ? "true" : "false", ticks_left, total_ticks,
             idle_loses ? "true" : "false");
    found_plays += item;
}

static void unload() {
    if (!loaded) return;
    game_sprites_unload();
    levels_free();
    loaded = false;
}

static int load() {
    if (loaded) return 0;
    if (levels_load() != 0 || game_sprites_load() != 0) {
        game_sprites_unload();
        levels_free();
        return -1;
    }
    loaded = true;
    return 0;
}

extern "C" {

// The library without a screen, a 640 x 480 buffer to draw into. 0, or -1. The library's own start-up would
// also register every file format it reads (bitmaps, fonts, samples, datafiles), a third of the engine's size; the
// studio reads only the game's text files and the tune, so it names its one system driver, as that start-up would.
EMSCRIPTEN_KEEPALIVE int studio_start() {
    allegro_errno = &errno;
    system_driver = &system_none;
    if (system_driver->init() != 0) return -1;
    set_color_depth(COLOR_DEPTH);
    screen_colours();
    dbuffer = create_bitmap(SCREEN_W, SCREEN_H);
    xrgb.resize(SCREEN_W * SCREEN_H);
    rgba.resize(SCREEN_W * SCREEN_H);
    current_state = -1;  // no screen: the game's changes of screen free nothing of the studio's
    return dbuffer ? 0 : -1;
}

// Why a level or file name will not load on some system, or null: the game's own rules, every system's and
// Windows' alike, since a level made here may travel anywhere.
EMSCRIPTEN_KEEPALIVE const char *studio_name_refusal(const char *name) {
    if (const char *why = level_name_leaves_folder(name)) return why;
    return level_name_not_on_windows(name);
}

// The whole check of /work/Data, as roofrunner-check makes it: {"problems": N, "lines": [...], "plays": [...]}.
EMSCRIPTEN_KEEPALIVE const char *studio_check() {
    unload();
    remove("gamelog.txt");  // the loaders' log lines would only pile up here
    found_lines.clear();
    found_plays.clear();
    const CHECK_SINK sink = {sink_line, sink_play};
    int problems = check_data(sink, true);
    current_state = -1;
    answer = "{\"problems\":" + std::to_string(problems) + ",\"lines\":[" + found_lines + "],\"plays\":[" +
             found_plays + "]}";
    return answer.c_str();
}

// The files on disk have changed: the next preview loads them anew.
EMSCRIPTEN_KEEPALIVE void studio_forget() { unload(); }

// Level i of the pack reloaded from its folder after an edit; the rest stay as they were. 0, or -1 if the pack
// itself does not load.
EMSCRIPTEN_KEEPALIVE int studio_reload(int i, const char *name) {
    if (!loaded) return load();
    if (i < 0 || i >= level_count) return -1;
    level_destroy(levels[i]);
    levels[i] = level_load(name);
    return 0;
}

// The camera's farthest place across level i's world, or -1 if the game cannot play the level.
EMSCRIPTEN_KEEPALIVE int studio_camera_max(int i) {
    if (load() != 0 || i < 0 || i >= level_count || levels[i] == nullptr || !level_attr_playable(levels[i]->attr))
        return -1;
    current_level = i;
    level_start(i);
    int max = camera_max_x;
    level_end();
    return max;
}

// Level i as the game draws it at its start, the camera moved to x (within its limits): the backdrop, the track,
// the train, the player and the clock. 640 x 480 RGBA pixels, or null if the game cannot play the level.
EMSCRIPTEN_KEEPALIVE const uint32_t *studio_preview(int i, int x) {
    if (load() != 0 || i < 0 || i >= level_count || levels[i] == nullptr || !level_attr_playable(levels[i]->attr))
        return nullptr;
    current_level = i;
    level_start(i);
    camera_x = x < 0 ? 0 : x > camera_max_x ? camera_max_x : x;
    clear_bitmap(dbuffer);
    game_render();
    level_end();
    static COLORCONV_BLITTER_FUNC *convert = _get_colorconv_blitter(16, 32);
    GRAPHICS_RECT src = {SCREEN_W, SCREEN_H, (int)(dbuffer->line[1] - dbuffer->line[0]), dbuffer->line[0]};
    GRAPHICS_RECT dst = {SCREEN_W, SCREEN_H, SCREEN_W * 4, xrgb.data()};
    convert(&src, &dst);
    for (size_t k = 0; k < xrgb.size(); k++) {
        uint32_t c = xrgb[k];  // 0x00RRGGBB; the canvas takes R, G, B, A in memory order
        rgba[k] = 0xff000000u | ((c & 0xff) << 16) | (c & 0xff00) | ((c >> 16) & 0xff);
    }
    return rgba.data();
}
}
