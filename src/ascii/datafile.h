// src/ascii/datafile.h — where data files live and how their numbers and words are read.
#pragma once
#include <cstdio>

#ifdef _WIN32
constexpr char PATH_SEP = '\\';
#else
constexpr char PATH_SEP = '/';
#endif

// Large enough for "Data", a directory, a 255-character group and a 255-character file name.
constexpr int PATH_BUF = 1024;
constexpr int WORD_MAX = 255;  // the longest word a data file may hold

// Data/<dir>/<group>/<file>, Data/<dir>/<file> (group null) or Data/<file> (dir and group null).
// Returns 0, or -1 if the path does not fit (the buffer then holds an empty string).
int data_path(char *buf, const char *dir, const char *group, const char *file);

// Data/<dir>/<group>/<file> opened for reading in text mode; null if the path does not fit or the open fails.
FILE *data_open(const char *dir, const char *group, const char *file);

// Reads one decimal integer as fscanf's %d does, but a value beyond the int range saturates
// instead of being undefined. Returns 1 if a number was read, else 0 (*v untouched).
int scan_int(FILE *f, int *v);

// Reads one word of at most WORD_MAX characters into buf (WORD_MAX + 1 bytes), as fscanf's "%255s" does: any
// whitespace before it is passed over, and a longer word leaves its rest to the next read. Returns 1 if one was read.
int scan_word(FILE *f, char *buf);

// What scan_word passed over and what it could not take whole, so that the level checker reads the data files with
// the game's own reader and can point at the line where the game reads a word other than the file shows.
struct WORD_INFO {
    int lines;     // line feeds passed over before the word
    int nul;       // the word held a NUL byte: the string read ends at the first one
    int too_long;  // the word goes on past WORD_MAX characters: its rest is the next word read
};
int scan_word_info(FILE *f, char *buf, WORD_INFO *info);  // scan_word, filling in *info
