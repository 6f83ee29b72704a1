// tests/support/fixtures.cpp
#include "support/fixtures.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "states/states.h"

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

FILE *text_stream(const std::string &text) { return fmemopen((void *)text.data(), text.size(), "r"); }

void use_shipped_data() {
    remove_tree("Data");
    std::string target = source_dir() + "/Data";
    if (symlink(target.c_str(), "Data") != 0) perror("symlink");
}

std::vector<std::string> level_names() {
    std::ifstream f("Data/levels.txt");
    int n = 0;
    f >> n;
    std::vector<std::string> names;
    std::string name;
    for (int i = 0; i < n && f >> name; i++) names.push_back(name);
    return names;
}

std::vector<std::string> split_lines(const std::string &text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); i++)
        if (text[i] == '\n') {
            out.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    if (start < text.size()) out.push_back(text.substr(start));
    return out;
}

std::vector<std::string> log_messages() {
    std::vector<std::string> out;
    for (const std::string &line : split_lines(read_file("gamelog.txt"))) {
        size_t mark = line.find("]: ");
        out.push_back(line.empty() || mark == std::string::npos ? line : line.substr(mark + 3));
    }
    return out;
}

std::vector<std::string> log_since_init() {
    std::vector<std::string> all = log_messages();
    for (size_t i = all.size(); i-- > 0;)
        if (all[i] == "Log Initialized") return std::vector<std::string>(all.begin() + i + 1, all.end());
    return all;
}

void reset_states() {
    current_state = previous_state = -1;
    transition_count = 0;
    quit_pending = 0;
}

std::string sprite_text(int w, int h, int r, int g, int b, char fill) {
    std::string t = std::to_string(w) + " " + std::to_string(h) + "\n" + std::to_string(r) + " " + std::to_string(g) +
                    " " + std::to_string(b) + "\n";
    for (int i = 0; i < h; i++) t += std::string(w, fill) + "\n";
    return t;
}

ASCII_SPRITE *sprite_from_text(const std::string &text) {
    FILE *f = text_stream(text);
    if (f == nullptr) return nullptr;
    ASCII_SPRITE *s = sprite_load(f);
    fclose(f);
    return s;
}

ASCII_SPRITE *distinct_sprite(int w, int h, int r, int g, int b) {
    ASCII_SPRITE *s = sprite_create(w, h);
    for (long i = 0; i < (long)w * h; i++) s->cells[i] = (char)('!' + (i * 7 + i / w) % 94);
    s->r = r;
    s->g = g;
    s->b = b;
    return s;
}

void scatter_cells(ASCII_SPRITE *s, unsigned seed, unsigned range, unsigned blanks) {
    for (long long i = 0; i < (long long)s->w * s->h; i++) {
        seed = seed * 1103515245u + 12345u;
        unsigned r = (seed >> 16) % range;
        s->cells[i] = r < blanks ? ' ' : (char)(33 + r % 94);
    }
}

std::vector<std::string> sprite_rows(const ASCII_SPRITE *s) {
    std::vector<std::string> rows;
    for (int r = 0; r < s->h; r++) rows.emplace_back(s->cells + (size_t)r * s->w, (size_t)s->w);
    return rows;
}

void text_region(BITMAP *bmp, const ASCII_SPRITE *s, int c0, int r0, int c1, int r1, int x, int y) {
    if (c0 >= s->w || r0 >= s->h) return;
    c0 = std::max(c0, 0);
    r0 = std::max(r0, 0);
    c1 = std::min(c1, s->w - 1);
    r1 = std::min(r1, s->h - 1);
    if (c1 < c0) return;
    int colour = makecol(s->r, s->g, s->b);
    for (int r = r0; r <= r1; r++) {
        std::string text(s->cells + (size_t)r * s->w + c0, (size_t)(c1 - c0 + 1));
        textout_ex(bmp, font, text.c_str(), x, y + (r - r0) * CELL_H, colour, -1);
    }
}

BITMAP *make_bitmap(int w, int h, int fill_rgb, int depth) {
    BITMAP *b = create_bitmap_ex(depth, w, h);
    clear_to_color(b, makecol_depth(depth, (fill_rgb >> 16) & 255, (fill_rgb >> 8) & 255, fill_rgb & 255));
    return b;
}

bool same_pixels(BITMAP *a, BITMAP *b) {
    if (a->w != b->w || a->h != b->h) return false;
    for (int y = 0; y < a->h; y++)
        for (int x = 0; x < a->w; x++)
            if (getpixel(a, x, y) != getpixel(b, x, y)) return false;
    return true;
}

std::ostream &operator<<(std::ostream &os, const Box &b) {
    if (b.empty()) return os << "(empty)";
    return os << "(" << b.x0 << "," << b.y0 << ")-(" << b.x1 << "," << b.y1 << ")";
}

bool shows(BITMAP *bmp, int x, int y, int r, int g, int b) {
    int p = getpixel(bmp, x, y);
    int d = bitmap_color_depth(bmp);
    int want = makecol_depth(d, r, g, b);
    return getr_depth(d, p) == getr_depth(d, want) && getg_depth(d, p) == getg_depth(d, want) &&
           getb_depth(d, p) == getb_depth(d, want);
}

Box ink(BITMAP *bmp, int r, int g, int b, Box within) {
    Box out;
    for (int y = std::max(0, within.y0); y <= std::min(bmp->h - 1, within.y1); y++)
        for (int x = std::max(0, within.x0); x <= std::min(bmp->w - 1, within.x1); x++)
            if (shows(bmp, x, y, r, g, b)) out.add(x, y);
    return out;
}

Box painted(BITMAP *bmp, int fill_rgb) {
    Box out;
    for (int y = 0; y < bmp->h; y++)
        for (int x = 0; x < bmp->w; x++)
            if (!shows(bmp, x, y, (fill_rgb >> 16) & 255, (fill_rgb >> 8) & 255, fill_rgb & 255)) out.add(x, y);
    return out;
}

int count_colour(BITMAP *bmp, int r, int g, int b) {
    int n = 0;
    for (int y = 0; y < bmp->h; y++)
        for (int x = 0; x < bmp->w; x++) n += shows(bmp, x, y, r, g, b);
    return n;
}

Box text_ink(const char *text, int x, int y, bool centred) {
    BITMAP *ref = make_bitmap(SCREEN_W, SCREEN_H);
    int white = makecol_depth(16, 255, 255, 255);
    if (centred)
        textout_centre_ex(ref, font, text, x, y, white, -1);
    else
        textout_ex(ref, font, text, x, y, white, -1);
    Box b = ink(ref, 255, 255, 255);
    destroy_bitmap(ref);
    return b;
}

bool glyph_ink(char c, int gx, int gy) {
    static BITMAP *cell = create_bitmap_ex(16, CELL_W, CELL_H);
    char text[2] = {c, 0};
    clear_bitmap(cell);
    textout_ex(cell, font, text, 0, 0, makecol_depth(16, 255, 255, 255), -1);
    return getpixel(cell, gx, gy) != 0;
}
