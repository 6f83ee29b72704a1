// tests/fuzz/fuzz_common.h — what the fuzz targets share: a private scratch folder and the library.
#pragma once
#include <allegro.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/config.h"

// One scratch folder per process, made once and entered, so that the loaders' relative "Data/..." paths land in
// it (the fuzzer must therefore be given absolute paths). Files are rewritten in place on every input: the folder
// never grows.
inline const std::string &fuzz_scratch() {
    static std::string dir;
    if (dir.empty()) {
        char tmpl[] = "/tmp/rr-fuzz-XXXXXX";
        if (mkdtemp(tmpl) == nullptr || chdir(tmpl) != 0) abort();
        dir = tmpl;
        mkdir("Data", 0700);
        mkdir("Data/Levels", 0700);
        // Removed again when the fuzzer exits normally; a crash leaves it for inspection.
        atexit([] {
            std::string cmd = "rm -rf '" + dir + "'";
            if (system(cmd.c_str()) != 0) {
            }
        });
    }
    return dir;
}

inline void fuzz_write(const char *path, const uint8_t *data, size_t size) {
    FILE *f = fopen(path, "wb");
    if (f == nullptr) abort();
    if (size && fwrite(data, 1, size, f) != size) abort();
    fclose(f);
}

inline void fuzz_write(const char *path, const char *text) { fuzz_write(path, (const uint8_t *)text, strlen(text)); }

// The loaders draw nothing, but the renderers need colours, the font and a memory bitmap.
inline BITMAP *fuzz_bitmap() {
    static BITMAP *bmp = nullptr;
    if (bmp == nullptr) {
        if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) abort();
        set_color_depth(COLOR_DEPTH);
        // Small, so that drawing a huge picture stays cheap, and not a multiple of a cell.
        bmp = create_bitmap(67, 45);
        if (bmp == nullptr) abort();
    }
    return bmp;
}

// An in-memory file over the input; null only if the C library refuses.
inline FILE *fuzz_open(const uint8_t *data, size_t size) {
    static const char empty[1] = {0};
    return fmemopen(size ? (void *)data : (void *)empty, size, "r");
}
