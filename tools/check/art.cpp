// tools/check/art.cpp — the sizes and colours the drawing relies on: rows that fit their picture, a train that
// stands on the screen above its rails, layers that scroll, colours that show on the level's background.
#include <cmath>
#include <cstdio>
#include <set>

#include "app/config.h"
#include "check.h"
#include "game/motion.h"
#include "game/play.h"

// The title is drawn from y 30 and must end above the first menu item at y 150.
constexpr int TITLE_MAX_W = SCREEN_W / CELL_W, TITLE_MAX_H = 14;
// The credits roll up beside the victory picture, centred in the space to its right.
constexpr int WIN_MAX_W = 48, WIN_MAX_H = SCREEN_H / CELL_H;
// The renderer lays the track three rows below the train's top line, level with the couplings.
constexpr int TRACK_ROW = 3;
// The player reaches the goal four cells into the engine, so it must be wider than that.
constexpr int ENGINE_MIN_W = 5;
// Contrast against the level's background (the ratio of relative luminances): the train, the player and the clock
// must stand out; a picture layer, scenery behind them, need only show.
constexpr double CONTRAST_FRONT = 3.0, CONTRAST_LAYER = 1.4;

static double channel(long long c) {
    double v = (double)c / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

static double luminance(long long r, long long g, long long b) {
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b);
}

static double contrast(const ASCII_SPRITE *s, const long long bg[3]) {
    double a = luminance(s->r, s->g, s->b), b = luminance(bg[0], bg[1], bg[2]);
    return a > b ? (a + 0.05) / (b + 0.05) : (b + 0.05) / (a + 0.05);
}

// By the game's own placement of train and camera.
int train_screen_y() {
    world_width = world_height = 4 * SCREEN_H;
    camera_reset();
    train_place();
    int y = train_y - camera_y;
    train_reset();
    world_width = world_height = 0;
    camera_reset();
    return y;
}

void check_art_rows(const std::string &file, int first_line, const ASCII_SPRITE *s) {
    FILE *f = fopen(("Data/" + file).c_str(), "rb");
    if (f == nullptr) return;
    std::vector<std::string> lines;
    std::string line;
    int c;
    while ((c = getc(f)) != EOF) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += (char)c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    fclose(f);
    for (size_t i = (size_t)first_line - 1; i < lines.size(); i++) {
        std::string text = lines[i];
        if (!text.empty() && text.back() == '\r') text.pop_back();
        int at = (int)i + 1, row = at - first_line + 1;
        if (row > s->h) {
            problem(file, at, "more lines of art than the picture's %d rows", s->h);
            break;
        }
        if ((long long)text.size() > s->w)
            problem(file, at, "row %d is %zu characters long, wider than the picture's %d", row, text.size(), s->w);
        for (size_t k = 0; k < text.size(); k++) {
            unsigned char ch = (unsigned char)text[k];
            if (ch < 32 || ch > 126) {
                problem(file, at,
                        "row %d holds a character the font lacks (code %d in column %zu): it shows as a space", row, ch,
                        k + 1);
                break;
            }
        }
    }
}

static bool row_blank(const ASCII_SPRITE *s, int row) {
    for (int c = 0; c < s->w; c++)
        if (s->cells[(long long)row * s->w + c] != ' ') return false;
    return true;
}

static void check_train_art(const PICTURE art[ART_COUNT]) {
    const int top = train_screen_y();
    const ASCII_SPRITE *coach = art[ART_COACH].sprite;
    for (int k : {ART_COACH, ART_COACH2, ART_COACH3, ART_ENGINE, ART_CONNECTOR}) {
        const PICTURE &p = art[k];
        if (p.sprite == nullptr) continue;
        if (top + p.sprite->h * CELL_H > SCREEN_H)
            problem(p.file, p.line, "is %d rows high: from the train's top line at y %d it runs off the screen",
                    p.sprite->h, top);
        if (k != ART_CONNECTOR && k != ART_COACH && coach && p.sprite->h != coach->h)
            problem(p.file, p.line, "is %d rows high, the coach %d: the cars share one roof line and one track",
                    p.sprite->h, coach->h);
    }
    const PICTURE &engine = art[ART_ENGINE];
    if (engine.sprite && engine.sprite->w >= 2 && engine.sprite->w < ENGINE_MIN_W)
        problem(engine.file, engine.line, "is %d cells wide; the goal starts 4 cells into the engine, so it needs %d",
                engine.sprite->w, ENGINE_MIN_W);
    if (engine.sprite && coach && coach->w - 3 > engine.sprite->w)
        problem(engine.file, engine.line,
                "is %d cells wide, narrower than its body's backing fill (the coach's width less 3: %d cells)",
                engine.sprite->w, coach->w - 3);

    const PICTURE &track = art[ART_TRACK];
    if (track.sprite == nullptr) return;
    const ASCII_SPRITE *t = track.sprite;
    int track_y = top + TRACK_ROW * CELL_H;
    if (track_y + t->h * CELL_H > SCREEN_H)
        problem(track.file, track.line, "is %d rows high: drawn from y %d, only %d fit on the screen", t->h, track_y,
                (SCREEN_H - track_y) / CELL_H);
    if (coach) {
        // Under the train only the rows below the cars' bottom row show: each must carry rails.
        int first = coach->h > TRACK_ROW ? coach->h - TRACK_ROW : 0;
        if (first >= t->h)
            problem(track.file, track.line,
                    "is %d rows high, all hidden behind the cars: no rails show under the train", t->h);
        for (int r = first; r < t->h; r++)
            if (row_blank(t, r)) {
                problem(track.file, track.line,
                        "row %d is blank but shows below the cars: the train would run on nothing", r + 1);
                break;
            }
    }
    if (SCREEN_W % (t->w * CELL_W) != 0)
        problem(track.file, track.line,
                "is %d cells (%d pixels) wide, which does not divide the screen's %d: the strip would leave a gap",
                t->w, t->w * CELL_W, SCREEN_W);
}

void check_game_art(const PICTURE art[ART_COUNT]) {
    const PICTURE &title = art[ART_TITLE];
    if (title.sprite && (title.sprite->w > TITLE_MAX_W || title.sprite->h > TITLE_MAX_H))
        problem(title.file, title.line, "is %d x %d cells; above the menu there is room for %d x %d", title.sprite->w,
                title.sprite->h, TITLE_MAX_W, TITLE_MAX_H);
    const PICTURE &win = art[ART_WIN];
    if (win.sprite && (win.sprite->w > WIN_MAX_W || win.sprite->h > WIN_MAX_H))
        problem(win.file, win.line, "is %d x %d cells; beside the credits there is room for %d x %d", win.sprite->w,
                win.sprite->h, WIN_MAX_W, WIN_MAX_H);
    check_train_art(art);
    const PICTURE &stand = art[ART_PLAYER], &crouch = art[ART_PLAYER_CROUCH];
    if (stand.sprite && crouch.sprite && crouch.sprite->h != stand.sprite->h)
        problem(crouch.file, crouch.line,
                "is %d rows high, the standing figure %d: drawn from the standing figure's top, it would float or sink",
                crouch.sprite->h, stand.sprite->h);
}

static void check_layers(const LEVEL_FILES &level) {
    const ATTR_NUMBERS &a = level.numbers;
    int count = (int)level.layers.size();
    if (count < 2 || count > 4) problem(level.list, 0, "names %d picture layers; a level wants 2 to 4", count);
    std::set<int> widths;
    int loaded = 0;
    for (const PICTURE &p : level.layers) {
        const ASCII_SPRITE *s = p.sprite;
        if (s == nullptr) continue;
        loaded++;
        widths.insert(s->w);
        if ((long long)s->h * CELL_H > SCREEN_H)
            problem(p.file, p.line, "is %d rows high, taller than the screen: the layer would scroll up and down",
                    s->h);
        if ((long long)s->w * CELL_W < SCREEN_W)
            problem(p.file, p.line, "is %d cells wide, narrower than the screen's %d", s->w, SCREEN_W / CELL_W);
        if (!a.complete) continue;
        long long world = a.width * a.unit_w;
        if ((long long)s->w * CELL_W > world)
            problem(p.file, p.line, "is %lld pixels wide, wider than the world's %lld: its right end is never seen",
                    (long long)s->w * CELL_W, world);
        double c = contrast(s, a.bg);
        if (c < CONTRAST_LAYER)
            problem(p.file, p.line,
                    "its colour %d %d %d hardly shows on the background %lld %lld %lld (contrast %.2f, at least %.1f)",
                    s->r, s->g, s->b, a.bg[0], a.bg[1], a.bg[2], c, CONTRAST_LAYER);
    }
    if ((int)widths.size() < loaded)
        problem(level.list, 0, "has two picture layers of the same width: they would scroll as one");
}

void check_level_art(const LEVEL_FILES &level, const PICTURE art[ART_COUNT]) {
    check_layers(level);
    const ATTR_NUMBERS &a = level.numbers;
    if (!a.complete) return;
    const ASCII_SPRITE *track = art[ART_TRACK].sprite;
    if (track && a.unit_w != (long long)track->w * CELL_W)
        problem(level.attr, a.unit_line,
                "unit_w %lld is not the track piece's width of %d pixels: the track would jump", a.unit_w,
                track->w * CELL_W);
    std::set<long long> kinds(a.cars.begin(), a.cars.end());
    for (int k : {CAR_COACH, CAR_COACH2, CAR_COACH3, CAR_ENGINE})
        if (kinds.count(k) == 0) {
            problem(level.attr, a.cars_line, "the train has no car of kind %d: a level uses all four (0, 1, 2, 3)", k);
            break;
        }
    static const struct {
        int art;
        const char *name;
    } front[] = {{ART_COACH, "coach"},         {ART_COACH2, "low-deck coach"}, {ART_COACH3, "third coach"},
                 {ART_CONNECTOR, "connector"}, {ART_ENGINE, "engine"},         {ART_TRACK, "track"},
                 {ART_PLAYER, "player"},       {ART_NUMBERS, "clock"}};
    for (const auto &f : front) {
        const ASCII_SPRITE *s = art[f.art].sprite;
        if (s == nullptr) continue;
        double c = contrast(s, a.bg);
        if (c < CONTRAST_FRONT)
            problem(level.attr, a.bg_line,
                    "the %s's colour %d %d %d is weak on the background %lld %lld %lld (contrast %.2f, at least %.1f)",
                    f.name, s->r, s->g, s->b, a.bg[0], a.bg[1], a.bg[2], c, CONTRAST_FRONT);
    }
}
