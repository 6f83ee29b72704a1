// tests/support/fixtures.h — small helpers shared by the test programs.
#pragma once
#include <string>

#include "app/config.h"
#include "ascii/sprite.h"

// The repository's root (for the shipped Data), from the test environment.
std::string source_dir();

// Writes text to path, making parent folders; returns false on failure.
bool write_file(const std::string &path, const std::string &text);
std::string read_file(const std::string &path);
void remove_tree(const std::string &path);
void make_dirs(const std::string &path);

// A sprite parsed from text, through a memory stream, exactly as from a file.
ASCII_SPRITE *sprite_from_text(const std::string &text);

// Links or copies the shipped Data folder into the current working directory as ./Data.
void use_shipped_data();

// A 16-bit memory bitmap filled with a colour; the caller destroys it.
BITMAP *make_bitmap(int w, int h, int fill_rgb = 0);
bool same_pixels(BITMAP *a, BITMAP *b);
