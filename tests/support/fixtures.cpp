// tests/support/fixtures.cpp
#include "support/fixtures.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::string source_dir() {
    const char *s = getenv("RR_SOURCE_DIR");
    return s ? s : ".";
}

void make_dirs(const std::string &path) {
    for (size_t i = 1; i <= path.size(); i++)
        if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
}

bool write_file(const std::string &path, const std::string &text) {
    size_t slash = path.rfind('/');
    if (slash != std::string::npos) make_dirs(path.substr(0, slash));
    std::ofstream f(path, std::ios::binary);
    f << text;
    return bool(f);
}

std::string read_file(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void remove_tree(const std::string &path) {
    std::string cmd = "rm -rf '" + path + "'";
    if (system(cmd.c_str()) != 0) perror("rm");
}

ASCII_SPRITE *sprite_from_text(const std::string &text) {
    FILE *f = fmemopen((void *)text.data(), text.size(), "r");
    if (f == nullptr) return nullptr;
    ASCII_SPRITE *s = sprite_load(f);
    fclose(f);
    return s;
}

void use_shipped_data() {
    remove_tree("Data");
    std::string target = source_dir() + "/Data";
    if (symlink(target.c_str(), "Data") != 0) perror("symlink");
}

BITMAP *make_bitmap(int w, int h, int fill_rgb) {
    BITMAP *b = create_bitmap_ex(16, w, h);
    clear_to_color(b, makecol_depth(16, (fill_rgb >> 16) & 255, (fill_rgb >> 8) & 255, fill_rgb & 255));
    return b;
}

bool same_pixels(BITMAP *a, BITMAP *b) {
    if (a->w != b->w || a->h != b->h) return false;
    for (int y = 0; y < a->h; y++)
        for (int x = 0; x < a->w; x++)
            if (getpixel(a, x, y) != getpixel(b, x, y)) return false;
    return true;
}
