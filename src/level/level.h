// src/level/level.h — the level list and the level files: layer list, attribute record, picture layers.
#pragma once
#include <cstdio>

#include "ascii/sprite.h"

constexpr int LAYER_NONE = -1;
constexpr int LAYER_ATTR = 1;
constexpr int LAYER_ASCII = 2;

// Counts beyond these are treated as broken files rather than tried.
constexpr int MAX_LEVELS = 10000;
constexpr int MAX_LAYERS = 10000;
constexpr int MAX_CARS = 100000;

struct LEVEL_ATTR {
    int width, height;     // world size in units, at least 1
    int unit_w, unit_h;    // pixels per unit
    int car_count;         // entries in cars, at least 1
    int *cars;             // car kinds from the rear of the train; -1 where the file gave none
    int bg_r, bg_g, bg_b;  // background colour
    int reserved;          // stored, read by nothing
    int time_limit;        // seconds
};

struct LEVEL {
    int layer_count;
    int *layer_types;  // LAYER_NONE, LAYER_ATTR or LAYER_ASCII per slot
    void **layers;     // the slot's LEVEL_ATTR or ASCII_SPRITE; null if empty or failed
    LEVEL_ATTR *attr;  // the last attr slot's record, not separately owned
};

extern LEVEL **levels;
extern int level_count;
extern int current_level;

LEVEL_ATTR *level_attr_create(int width, int height, int car_count);
void level_attr_destroy(LEVEL_ATTR *a);
LEVEL_ATTR *level_attr_load(FILE *f);
LEVEL *level_create(int layer_count);
void level_destroy(LEVEL *l);
LEVEL *level_read(FILE *f, const char *name);
LEVEL *level_load(const char *name);  // null for a name this system does not open (level_name_refusal)
int levels_load();                    // 0, or -1 if the list file cannot be opened
void levels_free();

// Why a level or file name would leave its folder on every system: empty, "." or "..", a separator ('/' or
// '\\') or a control character. Null for a name in its folder.
const char *level_name_leaves_folder(const char *name);
// Why Windows would not open the name as a file in its folder, or would open something else: a colon (a drive
// or a stream), a character it refuses (*?"<>|), a trailing dot or space (dropped), a device name (CON, NUL,
// COM1, ... also with an extension), a character outside ASCII (read through the system's code page, it names
// another file or none). Null if it opens it; the name is expected to stay in its folder.
const char *level_name_not_on_windows(const char *name);
// Windows opens a path of at most WINDOWS_PATH_MAX characters (its MAX_PATH of 260 with the terminating zero), and
// the game opens Data\Levels\NAME\FILE from its own folder, whose path counts too. A level leaves room for the folder
// a player unpacks the game in, up to the separator before Data: C:\Users\, a user name of up to 20 characters and
// \Downloads\roofrunner-windows-x64\roofrunner\ take 74 of WINDOWS_FOLDER_ALLOWANCE's 100, and the rest a folder
// or two more (Desktop, OneDrive). The path from the game's folder may then be 159 characters.
constexpr int WINDOWS_PATH_MAX = 259;
constexpr int WINDOWS_FOLDER_ALLOWANCE = 100;
// Why Windows may not open the level's file: Data\Levels\NAME\FILE and the allowance for the game's folder pass
// WINDOWS_PATH_MAX. Null if the path fits. The game opens what fits in the folder it really is in, on every system;
// the checker reports what might not.
const char *level_path_not_on_windows(const char *name, const char *file);
// Why the game does not open the name on this system, or null: level_name_leaves_folder, and on Windows
// level_name_not_on_windows as well. In level_names_posix.cpp or level_names_win.cpp, picked by the build.
const char *level_name_refusal(const char *name);
