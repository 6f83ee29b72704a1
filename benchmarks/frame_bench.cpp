// benchmarks/frame_bench.cpp — what a frame costs against the least any frame can cost, and what loading costs.
//
// Build and run (Release; ratios are worked out at the end from the medians of the same run, in CPU time):
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DROOFRUNNER_BENCHMARKS=ON
//   cmake --build build-bench -j2 --target rr_bench
//   build-bench/benchmarks/rr_bench --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
//
// frame/direct:  clear, game_render, copy to a stand-in for the window: what state_render does each frame.
// frame/textout: the same frame with every sprite row through textout_ex, as the drawing was first written.
// floor:         clear and copy only: no frame can cost less.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/shell.h"
#include "ascii/draw.h"
#include "game/game.h"
#include "game/play.h"
#include "game/resources.h"
#include "level/level.h"
#include "level/level_render.h"
#include "support/fixtures.h"

// In ascii/draw.cpp: nonzero sends every sprite row through textout_ex.

static BITMAP *window;                  // a memory bitmap standing in for the screen
static std::vector<std::string> names;  // of the shipped levels, for the labels

// Camera positions spread over the whole level; the train and the player keep their place on the screen,
// as they do while the camera follows them.
static constexpr int STOPS = 64;
static int train_x0, player_x0;

static void place(int stop) {
    int span = camera_max_x > 0 ? camera_max_x : 1;
    camera_x = (int)((long long)span * stop / (STOPS - 1));
    train_x = train_x0 + camera_x;
    player_x = player_x0 + camera_x;
}

static bool start_level(benchmark::State &state, int level) {
    if (level >= level_count || levels[level] == nullptr || levels[level]->attr == nullptr) {
        state.SkipWithError("level not loaded");
        return false;
    }
    current_level = level;
    level_start(level);
    train_x0 = train_x;
    player_x0 = player_x;
    if (level < (int)names.size()) state.SetLabel(names[level]);
    return true;
}

static void frame(benchmark::State &state, int textout) {
    int level = (int)state.range(0);
    if (!start_level(state, level)) return;
    sprite_draw_textout = textout;
    int stop = 0;
    for (auto _ : state) {
        place(stop);
        stop = (stop + 1) % STOPS;
        clear_bitmap(dbuffer);
        game_render();
        blit(dbuffer, window, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
        benchmark::ClobberMemory();
    }
    sprite_draw_textout = 0;
}

static void bm_frame_direct(benchmark::State &state) { frame(state, 0); }
static void bm_frame_textout(benchmark::State &state) { frame(state, 1); }

static void bm_floor(benchmark::State &state) {
    for (auto _ : state) {
        clear_bitmap(dbuffer);
        blit(dbuffer, window, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
        benchmark::ClobberMemory();
    }
}

// A level of one picture layer exactly as large as its world, about half its cells art, the camera at its centre.
static LEVEL *pattern_level(int w, int h) {
    LEVEL *l = level_create(2);
    LEVEL_ATTR *a = level_attr_create(w, h, 1);
    ASCII_SPRITE *s = sprite_create(w, h);
    a->unit_w = CELL_W;
    a->unit_h = CELL_H;
    a->bg_r = 20, a->bg_g = 30, a->bg_b = 60;
    s->r = 200, s->g = 200, s->b = 120;
    scatter_cells(s, 7, 188, 94);
    l->layer_types[0] = LAYER_ATTR;
    l->layers[0] = a;
    l->attr = a;
    l->layer_types[1] = LAYER_ASCII;
    l->layers[1] = s;
    return l;
}

static void bm_level_draw(benchmark::State &state) {
    int w = (int)state.range(0), h = (int)state.range(1);
    LEVEL *l = pattern_level(w, h);
    int cx = w * CELL_W / 2, cy = h * CELL_H / 2;
    for (auto _ : state) {
        level_draw(dbuffer, l, cx, cy, 0);
        benchmark::ClobberMemory();
    }
    level_destroy(l);
}

static void bm_sprite_load(benchmark::State &state) {
    int w = (int)state.range(0), h = (int)state.range(1);
    char path[] = "/tmp/rr_bench_spriteXXXXXX";
    int fd = mkstemp(path);
    FILE *f = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (f == nullptr) {
        state.SkipWithError("cannot write the sprite file");
        return;
    }
    fprintf(f, "%d %d\n200 100 50\n", w, h);
    for (int r = 0; r < h; r++) {
        for (int c = 0; c < w; c++) fputc(" .:-=+*#%@"[(r * 7 + c * 3) % 10], f);
        fputc('\n', f);
    }
    long bytes = ftell(f);
    fclose(f);
    for (auto _ : state) {
        FILE *in = fopen(path, "r");
        ASCII_SPRITE *s = sprite_load(in);
        fclose(in);
        if (s == nullptr) state.SkipWithError("sprite did not load");
        sprite_destroy(s);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    unlink(path);
}

// Each pass frees the list it finds and reads the shipped one again; the last pass leaves it loaded.
static void bm_levels_load(benchmark::State &state) {
    for (auto _ : state)
        if (levels_load() != 0) state.SkipWithError("levels_load failed");
}

// Keeps the medians (or the single runs) of this run and prints the ratios at the end. CPU time, not real
// time: on a shared machine the wall clock also counts the time other processes held the core.
struct RatioReporter : benchmark::ConsoleReporter {
    std::map<std::string, double> ns;
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs) {
            if (r.error_occurred) continue;
            std::string name = r.benchmark_name();
            if (r.run_type == Run::RT_Aggregate) {
                if (r.aggregate_name != "median") continue;
                name = name.substr(0, name.size() - 7);  // "_median"
            } else if (r.repetitions > 1) {
                continue;
            }
            ns[name] = r.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        auto has = [&](const std::string &n) { return ns.count(n) > 0; };
        double floor = has("floor") ? ns["floor"] : 0;
        printf("\nRatios of CPU time (medians when repeated), floor = %.1f us:\n", floor);
        for (int i = 0; i < level_count; i++) {
            std::string d = "frame/direct/" + std::to_string(i), t = "frame/textout/" + std::to_string(i);
            if (!has(d) || !has(t) || floor <= 0) continue;
            const char *name = i < (int)names.size() ? names[i].c_str() : "?";
            printf(
                "  %-10s direct %6.2f x floor, textout %6.2f x floor, textout/direct %5.2f, "
                "drawing alone (frame - floor) textout/direct %5.2f\n",
                name, ns[d] / floor, ns[t] / floor, ns[t] / ns[d], (ns[t] - floor) / (ns[d] - floor));
        }
        std::string big = "level_draw/10000/200", small = "level_draw/80/60";
        if (has(big) && has(small)) printf("  level_draw 10000x200 / 80x60: %.2f\n", ns[big] / ns[small]);
    }
};

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    setenv("RR_SOURCE_DIR", RR_DEFAULT_SOURCE_DIR, 0);  // unless it names another tree
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return 2;
    set_color_depth(COLOR_DEPTH);
    dbuffer = create_bitmap(SCREEN_W, SCREEN_H);
    window = create_bitmap(SCREEN_W, SCREEN_H);
    if (chdir(source_dir().c_str()) != 0 || levels_load() != 0 || !levels_playable() || game_sprites_load() != 0) {
        fprintf(stderr, "rr_bench: the shipped Data under %s did not load\n", source_dir().c_str());
        return 2;
    }
    names = level_names();

    for (int i = 0; i < level_count; i++) {
        benchmark::RegisterBenchmark("frame/direct", bm_frame_direct)->Arg(i)->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("frame/textout", bm_frame_textout)->Arg(i)->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("floor", bm_floor)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("level_draw", bm_level_draw)
        ->Args({80, 60})
        ->Args({10000, 200})
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("sprite_load", bm_sprite_load)->Args({2000, 1000})->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("levels_load", bm_levels_load)->Unit(benchmark::kMillisecond);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    game_sprites_unload();
    levels_free();
    destroy_bitmap(window);
    destroy_bitmap(dbuffer);
    return 0;
}
