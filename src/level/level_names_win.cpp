// src/level/level_names_win.cpp — Windows also opens a device for "COM1" (where a read waits for ever), a
// stream or a drive for a colon, and another file for "end.": the game opens only plain file names there.
#include "level/level.h"

const char *level_name_refusal(const char *name) {
    if (const char *why = level_name_leaves_folder(name)) return why;
    return level_name_not_on_windows(name);
}
