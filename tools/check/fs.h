// tools/check/fs.h — the checker's few file-system steps; fs_posix.cpp or fs_win.cpp, picked by the build.
#pragma once

// Whether c separates the parts of a path on this platform.
bool fs_is_sep(char c);

// Whether path names an existing folder.
bool fs_is_folder(const char *path);

// Makes the working directory one in which "Data" is the folder at path, since the game reads Data/...
// from the working directory. Returns 0, or -1 (having undone what it did).
int fs_enter_data(const char *path);

// Undoes fs_enter_data: removes whatever it made.
void fs_leave_data();
