// src/level/level.cpp — reading the level list, layer lists and attribute files.
#include "level/level.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "app/log.h"
#include "ascii/datafile.h"

LEVEL **levels = nullptr;
int level_count = 0;
int current_level = -1;

LEVEL_ATTR *level_attr_create(int width, int height, int car_count) {
    if (width < 1 || height < 1 || car_count < 1 || car_count > MAX_CARS) return nullptr;
    LEVEL_ATTR *a = (LEVEL_ATTR *)calloc(1, sizeof *a);
    if (a == nullptr) return nullptr;
    a->cars = (int *)malloc(sizeof(int) * (size_t)car_count);
    if (a->cars == nullptr) {
        free(a);
        return nullptr;
    }
    for (int i = 0; i < car_count; i++) a->cars[i] = -1;
    a->width = width;
    a->height = height;
    a->car_count = car_count;
    return a;
}

void level_attr_destroy(LEVEL_ATTR *a) {
    if (a == nullptr) return;
    free(a->cars);
    free(a);
}

LEVEL_ATTR *level_attr_load(FILE *f) {
    int width = 0, height = 0, unit_w = 0, unit_h = 0, car_count = 0;
    scan_int(f, &width);
    scan_int(f, &height);
    scan_int(f, &unit_w);
    scan_int(f, &unit_h);
    scan_int(f, &car_count);
    LEVEL_ATTR *a = level_attr_create(width, height, car_count);
    if (a == nullptr) return nullptr;
    a->unit_w = unit_w;
    a->unit_h = unit_h;
    for (int i = 0; i < car_count; i++) scan_int(f, &a->cars[i]);
    scan_int(f, &a->bg_r);
    scan_int(f, &a->bg_g);
    scan_int(f, &a->bg_b);
    scan_int(f, &a->reserved);
    scan_int(f, &a->time_limit);
    return a;
}

LEVEL *level_create(int layer_count) {
    if (layer_count < 1 || layer_count > MAX_LAYERS) return nullptr;
    LEVEL *l = (LEVEL *)calloc(1, sizeof *l);
    if (l == nullptr) return nullptr;
    l->layer_types = (int *)malloc(sizeof(int) * (size_t)layer_count);
    l->layers = (void **)calloc((size_t)layer_count, sizeof(void *));
    if (l->layer_types == nullptr || l->layers == nullptr) {
        free(l->layer_types);
        free(l->layers);
        free(l);
        return nullptr;
    }
    for (int i = 0; i < layer_count; i++) l->layer_types[i] = LAYER_NONE;
    l->layer_count = layer_count;
    return l;
}

void level_destroy(LEVEL *l) {
    if (l == nullptr) return;
    for (int i = 0; i < l->layer_count; i++) {
        if (l->layer_types[i] == LAYER_ATTR)
            level_attr_destroy((LEVEL_ATTR *)l->layers[i]);
        else if (l->layer_types[i] == LAYER_ASCII)
            sprite_destroy((ASCII_SPRITE *)l->layers[i]);
    }
    free(l->layer_types);
    free(l->layers);
    free(l);
}

// The names Windows keeps for devices in every folder, also with an extension ("nul.txt"): opening one
// reads the console, a printer or a serial port, where a read may wait for ever.
static int device_name(const char *name) {
    static const char *const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    size_t n = strcspn(name, ".");
    // Windows also drops the spaces before the extension: "nul .txt" is NUL.
    while (n > 0 && name[n - 1] == ' ') n--;
    for (const char *d : devices)
        if (strlen(d) == n && strncasecmp(name, d, n) == 0) return 1;
    if (n != 4 || (strncasecmp(name, "COM", 3) != 0 && strncasecmp(name, "LPT", 3) != 0)) return 0;
    unsigned char c = (unsigned char)name[3];
    // COM0 to COM9, and COM with a superscript 1, 2 or 3 in the Windows code page; the same for LPT.
    return (c >= '0' && c <= '9') || c == 0xb9 || c == 0xb2 || c == 0xb3;
}

// Both separators on every system: the game's own paths are written with either, and a name that is a path on
// one system would load another level there.
const char *level_name_leaves_folder(const char *name) {
    if (name == nullptr || name[0] == '\0') return "it is empty";
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
        return "\".\" and \"..\" are the folder itself and the one above";
    for (const char *p = name; *p != '\0'; p++) {
        if (*p == '/' || *p == '\\') return "it holds a path separator (/ or \\)";
        if ((unsigned char)*p < 32 || *p == 127) return "it holds a control character";
    }
    return nullptr;
}

const char *level_name_not_on_windows(const char *name) {
    if (name == nullptr || name[0] == '\0') return nullptr;  // refused on every system already
    if (strchr(name, ':')) return "Windows reads a colon as a drive or a stream";
    if (strpbrk(name, "*?\"<>|")) return "Windows refuses the characters *?\"<>|";
    char last = name[strlen(name) - 1];
    if (last == '.' || last == ' ') return "Windows drops a trailing dot or space and opens another file";
    if (device_name(name)) return "Windows keeps it for a device";
    // The game opens files by the bytes of their names, and Windows reads those through the system's code page:
    // "caf\xc3\xa9" written on Linux names another file there, and what a byte means changes from one code page
    // (and one country) to the next. Only ASCII names are the same file everywhere.
    for (const char *p = name; *p != '\0'; p++)
        if ((unsigned char)*p > 127)
            return "Windows reads its characters outside ASCII as another name (its code page)";
    return nullptr;
}

const char *level_path_not_on_windows(const char *name, const char *file) {
    static char why[160];
    char path[PATH_BUF];
    int length = data_path(path, "Levels", name, file) == 0 ? (int)strlen(path) : PATH_BUF;
    if (WINDOWS_FOLDER_ALLOWANCE + length <= WINDOWS_PATH_MAX) return nullptr;
    snprintf(why, sizeof why,
             "its path from the game's folder is %d characters, and with %d for the folder the game is unpacked in "
             "that passes the %d Windows opens",
             length, WINDOWS_FOLDER_ALLOWANCE, WINDOWS_PATH_MAX);
    return why;
}

// A refused name is logged: the level or the layer is missing from the game, and the level maker looks here.
static FILE *level_file_open(const char *name, const char *file) {
    if (const char *why = level_name_refusal(name)) {
        log_printf("Level name \"%s\" not opened: %s", name ? name : "", why);
        return nullptr;
    }
    if (const char *why = level_name_refusal(file)) {
        log_printf("File name \"%s\" in level \"%s\" not opened: %s", file, name, why);
        return nullptr;
    }
    return data_open("Levels", name, file);
}

LEVEL *level_read(FILE *f, const char *name) {
    int count = 0;
    scan_int(f, &count);
    LEVEL *l = level_create(count);
    if (l == nullptr) return nullptr;
    char kind[WORD_MAX + 1], file[WORD_MAX + 1];
    for (int i = 0; i < count; i++) {
        if (!scan_word(f, kind)) continue;
        int is_attr = strcasecmp(kind, "attr") == 0;
        int is_ascii = strcasecmp(kind, "ascii") == 0;
        if (!is_attr && !is_ascii) continue;
        void *obj = nullptr;
        if (scan_word(f, file)) {
            FILE *lf = level_file_open(name, file);
            if (lf) {
                obj = is_attr ? (void *)level_attr_load(lf) : (void *)sprite_load(lf);
                fclose(lf);
            }
        }
        l->layer_types[i] = is_attr ? LAYER_ATTR : LAYER_ASCII;
        l->layers[i] = obj;
        if (is_attr) l->attr = (LEVEL_ATTR *)obj;
    }
    return l;
}

LEVEL *level_load(const char *name) {
    FILE *f = level_file_open(name, "level.txt");
    if (f == nullptr) return nullptr;
    LEVEL *l = level_read(f, name);
    fclose(f);
    return l;
}

void levels_free() {
    for (int i = 0; i < level_count; i++) level_destroy(levels[i]);
    free(levels);
    levels = nullptr;
    level_count = 0;
    current_level = -1;
}

int levels_load() {
    levels_free();
    FILE *f = data_open(nullptr, nullptr, "levels.txt");
    if (f == nullptr) return -1;
    int count = 0;
    scan_int(f, &count);
    // A count that is negative or absurd gives an empty list, which the game treats as a failed load.
    if (count > 0 && count <= MAX_LEVELS) levels = (LEVEL **)calloc((size_t)count, sizeof(LEVEL *));
    if (levels != nullptr) {
        level_count = count;
        char name[WORD_MAX + 1];
        for (int i = 0; i < count; i++) {
            if (!scan_word(f, name)) continue;
            strip_newline(name);
            levels[i] = level_load(name);
            current_level = i;
        }
    }
    fclose(f);
    return 0;
}
