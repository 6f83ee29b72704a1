// tests/fuzz/fuzz_levels_load.cpp — any bytes as Data/levels.txt beside two small levels, "a" and "b".
#include "fuzz_common.h"
#include "level/level.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = false;
    if (!ready) {
        fuzz_scratch();
        for (const char *name : {"a", "b"}) {
            std::string dir = std::string("Data/Levels/") + name;
            mkdir(dir.c_str(), 0700);
            fuzz_write((dir + "/level.txt").c_str(), "3 attr attr.txt ascii far.txt ascii near.txt\n");
            fuzz_write((dir + "/attr.txt").c_str(), "100 10 8 8 3 0 1 3 30 60 90 0 45\n");
            fuzz_write((dir + "/far.txt").c_str(), "4 2\n200 200 200\n/\\/\\\n====\n");
            fuzz_write((dir + "/near.txt").c_str(), "3 1 10 10 10\n#.#\n");
        }
        // Layer lists that only names leaving the level folder ("a/x", "..") would reach.
        mkdir("Data/Levels/a/x", 0700);
        fuzz_write("Data/Levels/a/x/level.txt", "1 attr ../attr.txt\n");
        fuzz_write("Data/level.txt", "1 attr Levels/a/attr.txt\n");
        ready = true;
    }
    fuzz_write("Data/levels.txt", data, size);
    if (levels_load() == 0) {
        if (level_count < 0 || level_count > MAX_LEVELS || (level_count > 0) != (levels != nullptr)) abort();
        if (current_level < -1 || current_level >= level_count) abort();
        for (int i = 0; i < level_count; i++) {
            LEVEL *l = levels[i];
            if (l && l->attr && (l->attr->width < 1 || l->attr->car_count < 1)) abort();
        }
    }
    levels_free();
    if (level_count != 0 || levels != nullptr || current_level != -1) abort();
    return 0;
}
