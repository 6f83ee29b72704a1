// tools/check/check.cpp — roofrunner-check: loads a data folder with the game's own loaders, checks each file's
// words and the art the drawing relies on, plays each level through the game's own update, and reports every
// problem in plain words.
#include "check.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/shell.h"
#include "ascii/datafile.h"
#include "fs.h"
#include "game/play.h"
#include "game/resources.h"
#include "level/level.h"

static const char *usage_text =
    "usage: roofrunner-check [--no-portability] [DATA_FOLDER]\n"
    "\n"
    "Checks a Roofrunner data folder (default: Data) with the game's own loaders and reports every\n"
    "problem with its file and line. Exit status 0 when clean, 1 when problems were found.\n"
    "\n"
    "  --no-portability  for a folder that never leaves Linux: names that only Windows refuses are still\n"
    "                    named but do not count as problems (on Windows, which refuses them, they do)\n"
    "\n"
    "The layout:\n"
    "  levels.txt                   the number of levels, then one folder name per level, in play order\n"
    "  Levels/NAME/level.txt        the number of layers, then per layer a kind and a file name:\n"
    "                                 attr FILE   the level's numbers (exactly one is needed)\n"
    "                                 ascii FILE  a picture layer, drawn in list order, farthest first\n"
    "  attribute file               width height unit_w unit_h car_count   (world = width*unit_w pixels)\n"
    "                               car_count car codes, rear first: 0 coach, 1 low-deck coach,\n"
    "                                 2 third coach, 3 engine (last: the goal)\n"
    "                               bg_r bg_g bg_b 0                       (background colour)\n"
    "                               time_limit                             (seconds)\n"
    "  Sprites/GROUP/FILE.txt       a picture: width height / red green blue / then height lines of art;\n"
    "                               spaces are see-through, one colour per picture\n"
    "  Sprites/Train/               coach, coach2, coach3, connector, engine, track (.txt)\n"
    "  Sprites/Player/              player, playerj (jumping), playerc (crouching) (.txt)\n"
    "  Sprites/Numbers/numbers.txt  the clock: 11 glyphs of 6 rows (0-9, then the colon), 66 rows\n"
    "  Sprites/Game/                title.txt, win.txt\n"
    "  Music/train.mid              the tune, a standard MIDI file\n"
    "\n"
    "Numbers and words are separated by any whitespace. Beyond the formats, the checker holds the data\n"
    "to what the game relies on:\n"
    "  - Level and file names load on every system. None may leave its folder: no / or \\, not . or ..,\n"
    "    no control characters. And none may be a name Windows does not open as a file: no colon (a drive\n"
    "    or a stream there), none of *?\"<>|, no trailing dot (dropped there, so another file opens), no\n"
    "    device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, CLOCK$, COM0-COM9, LPT0-LPT9, also with an\n"
    "    extension: nul.txt), where a read may wait for ever, and no character outside ASCII (Windows\n"
    "    reads names through its code page: cafe with an accent made on Linux is another name there).\n"
    "    And Windows opens paths of at most 259 characters: the game's Data\\Levels\\NAME\\FILE may be 159,\n"
    "    leaving 100 for the folder the game is unpacked in. Linux opens such names as ordinary\n"
    "    files, so a level made there plays at home and is missing on Windows: the checker names each one,\n"
    "    so that a level pack is fixed before it travels.\n"
    "  - Every word is one the game reads whole: at most 255 characters (the game reads the rest of a\n"
    "    longer one as the next word) and no NUL byte (the game's word ends there).\n"
    "  - Each level is played with the game's own rules and prints the share of its clock left: holding\n"
    "    RIGHT must reach the engine with 15% to 50% of the clock left, and no more than the level before\n"
    "    leaves; doing nothing must lose.\n"
    "  - A world is at least 481 pixels high, unit_w is the track piece's width, and the train uses all\n"
    "    four car kinds.\n"
    "  - A level has 2 to 4 picture layers of different widths, each at least the screen's 80 cells wide,\n"
    "    no wider than the world and no higher than the screen's 60 rows.\n"
    "  - A picture has no more lines and no longer lines of art than its size says, and only characters\n"
    "    the font has.\n"
    "  - The cars are at most 7 rows high and as high as the coach; the engine is at least 5 cells wide\n"
    "    and no narrower than the coach less 3; the track is at most 4 rows high, has rails in every row\n"
    "    below the cars, and its width divides the screen's; the crouching figure is as high as the\n"
    "    standing one; the title is at most 80 x 14 cells and the victory picture 48 x 60.\n"
    "  - The train, the player and the clock stand out on each level's background (contrast 3.0 and\n"
    "    more), and each picture layer shows on it (1.4 and more).\n";

static int problems = 0;
static const CHECK_SINK *sink = nullptr;

void problem(const std::string &file, int line, const char *fmt, ...) {
    char text[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    sink->line(file, line, text, true);
    problems++;
}

void note(const std::string &file, int line, const char *fmt, ...) {
    char text[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    sink->line(file, line, text, false);
}

void play_seen(int level, bool won, int ticks_left, int total_ticks, bool idle_loses) {
    if (sink->play) sink->play(level, won, ticks_left, total_ticks, idle_loses);
}

struct TOKEN {
    std::string text;
    int line;
};

// Names that only Windows refuses are problems unless --no-portability says the folder stays on this system.
static bool portable = true;
static std::string shown_root;  // the data folder as the user named it

// Reports a level or file name that will not load on some system, and tells whether the game here opens it (and
// so whether its files are checked): a level made on Linux must not turn out broken on Windows. level is the level
// whose folder holds the file, or null for a level name (whose level.txt is the file then).
static bool name_opens(const std::string &file, const TOKEN &name, const char *what, const char *level) {
    const char *n = name.text.c_str();
    if (const char *why = level_name_leaves_folder(n)) {
        problem(file, name.line, "%s \"%s\" will not load on any system: %s", what, n, why);
        return false;
    }
    const char *why = level_name_not_on_windows(n);
    // A path too long already for the level's level.txt is told once, at the level's name.
    if (why == nullptr && level == nullptr) why = level_path_not_on_windows(n, "level.txt");
    if (why == nullptr && level && level_path_not_on_windows(level, "level.txt") == nullptr)
        why = level_path_not_on_windows(level, n);
    bool opens = level_name_refusal(n) == nullptr;
    if (why && (portable || !opens))
        problem(file, name.line, "%s \"%s\" will not load on Windows: %s", what, n, why);
    else if (why)
        note(file, name.line, "%s \"%s\" will not load on Windows: %s", what, n, why);
    return opens;
}

// The file's words as the game reads them, with its own reader, and the line each stands on; false if the file
// cannot be opened. With tell, a word the game cannot read whole is a problem: one longer than the game's words,
// whose rest the game reads as the next word, or one holding a NUL byte, where the game's word ends.
static bool tokens_of(const std::string &path, std::vector<TOKEN> &out, bool tell) {
    FILE *f = fopen(("Data/" + path).c_str(), "r");
    if (f == nullptr) return false;
    char word[WORD_MAX + 1];
    WORD_INFO info;
    int line = 1;
    bool rest = false;  // this word is the rest of a longer one
    while (scan_word_info(f, word, &info)) {
        line += info.lines;
        out.push_back({word, line});
        if (tell && info.too_long && !rest)
            problem(path, line,
                    "a word longer than %d characters: the game reads its first %d (\"%.16s...\") as one word and the "
                    "rest as the next",
                    WORD_MAX, WORD_MAX, word);
        if (tell && info.nul)
            problem(path, line, "a NUL byte in a word: the game reads the word only up to it, as \"%s\"", word);
        rest = info.too_long;
    }
    fclose(f);
    return true;
}

static bool is_int(const std::string &s, long long *v) {
    if (s.empty()) return false;
    char *end = nullptr;
    errno = 0;
    long long n = strtoll(s.c_str(), &end, 10);
    if (*end != '\0' || errno != 0) return false;
    *v = n;
    return true;
}

// Reads the integer at tokens[i]; reports what is wrong and returns false if there is none.
static bool want_int(const std::string &file, const std::vector<TOKEN> &t, size_t i, const char *what, long long *v) {
    if (i >= t.size()) {
        int line = t.empty() ? 1 : t.back().line;
        problem(file, line, "the file ends before %s", what);
        return false;
    }
    if (!is_int(t[i].text, v)) {
        problem(file, t[i].line, "%s should be a whole number, not \"%s\"", what, t[i].text.c_str());
        return false;
    }
    if (*v < INT_MIN || *v > INT_MAX) {
        problem(file, t[i].line, "%s %s is out of range", what, t[i].text.c_str());
        return false;
    }
    return true;
}

// A picture file: reports a missing file, an unusable header and art that does not fit its size; returns the
// picture as the game loads it.
static PICTURE check_sprite_file(const std::string &file) {
    PICTURE p = {file, 1, nullptr};
    std::vector<TOKEN> t;
    if (!tokens_of(file, t, false)) {  // the art's rows are lines, not words
        problem(file, 0, "cannot be opened");
        return p;
    }
    if (!t.empty()) p.line = t[0].line;
    long long w = 0, h = 0;
    if (!want_int(file, t, 0, "the width", &w) || !want_int(file, t, 1, "the height", &h)) return p;
    if (w < 1 || h < 1) {
        problem(file, t[0].line, "the size %lld x %lld is below 1", w, h);
        return p;
    }
    if (w * h > SPRITE_MAX_CELLS) {
        problem(file, t[0].line, "the size %lld x %lld is larger than a picture may be (%lld cells)", w, h,
                SPRITE_MAX_CELLS);
        return p;
    }
    long long colour;
    const char *names[] = {"the red value", "the green value", "the blue value"};
    bool header = true;
    for (int i = 0; i < 3 && header; i++) {
        header = want_int(file, t, 2 + i, names[i], &colour);
        if (header && (colour < 0 || colour > 255))
            problem(file, t[2 + i].line, "%s %lld is not 0 to 255", names[i], colour);
    }
    FILE *f = fopen(("Data/" + file).c_str(), "r");
    p.sprite = f ? sprite_load(f) : nullptr;
    if (f) fclose(f);
    if (p.sprite == nullptr)
        problem(file, 0, "the game cannot load this picture");
    else if (header)  // the art starts on the line after the blue value
        check_art_rows(file, t[4].line + 1, p.sprite);
    return p;
}

static PICTURE game_art[ART_COUNT];

static void check_game_sprites() {
    struct NEED {
        const char *file;
        int min_w, rows;  // rows 0: any height
    };
    // In the order of the ART_ names.
    static const NEED needs[ART_COUNT] = {
        {"Sprites/Train/coach.txt", 2, 0},    {"Sprites/Train/coach2.txt", 4, 0},
        {"Sprites/Train/coach3.txt", 2, 0},   {"Sprites/Train/connector.txt", 1, 0},
        {"Sprites/Train/engine.txt", 2, 0},   {"Sprites/Train/track.txt", 1, 0},
        {"Sprites/Player/player.txt", 1, 0},  {"Sprites/Player/playerj.txt", 1, 0},
        {"Sprites/Player/playerc.txt", 1, 0}, {"Sprites/Numbers/numbers.txt", 1, 66},
        {"Sprites/Game/title.txt", 1, 0},     {"Sprites/Game/win.txt", 1, 0},
    };
    for (int k = 0; k < ART_COUNT; k++) {
        const NEED &n = needs[k];
        game_art[k] = check_sprite_file(n.file);
        const ASCII_SPRITE *s = game_art[k].sprite;
        if (s == nullptr) continue;
        if (s->w < n.min_w) problem(n.file, 1, "is %d cells wide; the roof rules need at least %d", s->w, n.min_w);
        if (n.rows && s->h != n.rows)
            problem(n.file, 1, "has %d rows; the clock needs %d (11 glyphs of 6 rows: 0-9 and the colon)", s->h,
                    n.rows);
    }
    check_game_art(game_art);
    if (access("Data/Music/train.mid", R_OK) != 0) {
        problem("Music/train.mid", 0, "cannot be opened");
    } else {
        MIDI *m = load_midi("Data/Music/train.mid");
        if (m == nullptr)
            problem("Music/train.mid", 0, "is not a MIDI file the game can load");
        else
            destroy_midi(m);
    }
}

static void game_art_free() {
    for (PICTURE &p : game_art) {
        sprite_destroy(p.sprite);
        p.sprite = nullptr;
    }
}

static ATTR_NUMBERS check_attr_file(const std::string &file) {
    ATTR_NUMBERS a = {};
    std::vector<TOKEN> t;
    if (!tokens_of(file, t, true)) {
        problem(file, 0, "cannot be opened");
        return a;
    }
    long long v[5];
    const char *names[] = {"the width", "the height", "unit_w", "unit_h", "the car count"};
    for (int i = 0; i < 5; i++)
        if (!want_int(file, t, i, names[i], &v[i])) return a;
    a.width = v[0];
    a.height = v[1];
    a.unit_w = v[2];
    a.unit_h = v[3];
    a.size_line = t[0].line;
    a.unit_line = t[2].line;
    if (v[0] < 1 || v[1] < 1) problem(file, t[0].line, "the world size %lld x %lld units is below 1", v[0], v[1]);
    if (v[2] < 1 || v[3] < 1) problem(file, t[2].line, "a unit of %lld x %lld pixels is below 1", v[2], v[3]);
    if (!play_value_fits(v[0] * v[2]) || !play_value_fits(v[1] * v[3]))
        problem(file, t[0].line, "the world of %lld x %lld pixels is too large for the game", v[0] * v[2], v[1] * v[3]);
    if (v[4] < 1 || v[4] > MAX_CARS) {
        problem(file, t[4].line, "the car count %lld is not 1 to %d", v[4], MAX_CARS);
        return a;
    }
    size_t i = 5;
    int engine_at = -1;
    for (long long c = 0; c < v[4]; c++, i++) {
        long long code;
        if (!want_int(file, t, i, "a car code", &code)) return a;
        if (c == 0) a.cars_line = t[i].line;
        a.cars.push_back(code);
        if (code < 0 || code > 3)
            problem(file, t[i].line, "car code %lld is not 0 to 3 (0, 1, 2 coaches, 3 engine)", code);
        else if (code == 3 && engine_at < 0)
            engine_at = (int)c;
        else if (engine_at >= 0)
            problem(file, t[i].line, "car %lld comes after the engine: it is drawn but can never be reached", c + 1);
    }
    if (engine_at < 0) problem(file, t[4].line, "the train has no engine (code 3): the level cannot be won");
    const char *colours[] = {"the background red", "the background green", "the background blue"};
    for (int k = 0; k < 3; k++, i++) {
        if (!want_int(file, t, i, colours[k], &a.bg[k])) return a;
        if (a.bg[k] < 0 || a.bg[k] > 255) problem(file, t[i].line, "%s %lld is not 0 to 255", colours[k], a.bg[k]);
    }
    a.bg_line = t[i - 3].line;
    long long reserved, limit;
    if (!want_int(file, t, i++, "the fourth colour number", &reserved)) return a;
    if (!want_int(file, t, i, "the time limit", &limit)) return a;
    a.limit_line = t[i].line;
    if (limit <= 0) problem(file, t[i].line, "the time limit %lld seconds leaves no time to play", limit);
    if (!play_value_fits(limit * LPS)) problem(file, t[i].line, "the time limit %lld seconds is too large", limit);
    if (i + 1 < t.size())
        problem(file, t[i + 1].line, "unexpected text after the time limit: \"%s\"", t[i + 1].text.c_str());
    a.complete = true;
    return a;
}

// The level's layer list and every file it names; the level is sound enough to play if it has an attr layer.
static LEVEL_FILES check_level_files(const std::string &name) {
    LEVEL_FILES level = {};
    level.list = "Levels/" + name + "/level.txt";
    const std::string &list = level.list;
    std::vector<TOKEN> t;
    if (!tokens_of(list, t, true)) {
        problem(list, 0, "cannot be opened");
        return level;
    }
    long long count;
    if (!want_int(list, t, 0, "the layer count", &count)) return level;
    if (count < 1 || count > MAX_LAYERS) {
        problem(list, t[0].line, "the layer count %lld is not 1 to %d", count, MAX_LAYERS);
        return level;
    }
    size_t i = 1;
    int attrs = 0;
    long long given = 0;
    while (i < t.size() && given < count) {
        const TOKEN &kind = t[i++];
        given++;
        bool is_attr = strcasecmp(kind.text.c_str(), "attr") == 0,
             is_ascii = strcasecmp(kind.text.c_str(), "ascii") == 0;
        if (!is_attr && !is_ascii) {
            problem(list, kind.line, "unknown layer kind \"%s\" (attr or ascii); the next word is read as a kind",
                    kind.text.c_str());
            continue;
        }
        if (i >= t.size()) {
            problem(list, kind.line, "the file ends before the file name of this %s layer", kind.text.c_str());
            break;
        }
        const TOKEN &file = t[i++];
        if (!name_opens(list, file, "file name", name.c_str())) continue;
        std::string path = "Levels/" + name + "/" + file.text;
        if (is_attr) {
            attrs++;
            level.attr = path;
            level.numbers = check_attr_file(path);
        } else {
            level.layers.push_back(check_sprite_file(path));
        }
    }
    if (given < count)
        problem(list, t.back().line, "names %lld layers but the count says %lld", given, count);
    else if (i < t.size())
        problem(list, t[i].line, "text after the last layer is ignored: \"%s\"", t[i].text.c_str());
    if (attrs == 0) problem(list, 0, "has no attr layer: the level has no numbers to play with");
    if (attrs > 1) problem(list, 0, "has %d attr layers; only the last one counts", attrs);
    check_level_art(level, game_art);
    for (PICTURE &p : level.layers) {
        sprite_destroy(p.sprite);
        p.sprite = nullptr;
    }
    level.sound = attrs > 0;
    return level;
}

static void check_levels() {
    std::vector<TOKEN> t;
    if (!tokens_of("levels.txt", t, true)) {
        problem("levels.txt", 0, "cannot be opened: the game cannot start");
        return;
    }
    long long count;
    if (!want_int("levels.txt", t, 0, "the level count", &count)) return;
    if (count < 1 || count > MAX_LEVELS) {
        problem("levels.txt", t[0].line, "the level count %lld is not 1 to %d", count, MAX_LEVELS);
        return;
    }
    if ((long long)t.size() - 1 < count)
        problem("levels.txt", t.back().line, "names %zu levels but the count says %lld", t.size() - 1, count);
    else if ((long long)t.size() - 1 > count)
        problem("levels.txt", t[count + 1].line, "text after the last of the %lld levels is ignored: \"%s\"", count,
                t[count + 1].text.c_str());
    // The names as the game reads them, and each level's files checked once however often the list names it.
    std::vector<std::string> names;
    std::map<std::string, LEVEL_FILES> files;
    for (size_t i = 1; i < t.size() && (long long)names.size() < count; i++) {
        names.push_back(t[i].text);
        bool opens = name_opens("levels.txt", t[i], "level name", nullptr);
        if (files.count(t[i].text) == 0) files[t[i].text] = opens ? check_level_files(t[i].text) : LEVEL_FILES{};
    }

    // Now the game's own loaders, and a play of every level that loaded. The game read the list with the same
    // reader, so its slot i holds the level named by names[i], and the plays point at that level's own files.
    if (levels_load() != 0 || game_sprites_load() != 0) return;
    for (int i = 0; i < level_count && i < (int)names.size(); i++) {
        const LEVEL_FILES &level = files[names[i]];
        if (!level.sound || levels[i] == nullptr || levels[i]->attr == nullptr) continue;
        const LEVEL_ATTR *a = levels[i]->attr;
        if (!level_attr_playable(a) || a->time_limit <= 0) continue;
        check_level_play(i, level);
    }
    game_sprites_unload();
    levels_free();
}

int check_data(const CHECK_SINK &to, bool portability) {
    sink = &to;
    portable = portability;
    problems = 0;
    check_plays_begin();
    check_game_sprites();
    check_levels();
    game_art_free();
    sink = nullptr;
    return problems;
}

// Files are named with '/' inside the checker; a level maker reads them the platform's way (Data\Levels\... on
// Windows), as the game's own paths are joined.
static void print_line(const std::string &file, int line, const char *text, bool) {
    std::string path = shown_root + PATH_SEP + file;
    for (char &c : path)
        if (c == '/') c = PATH_SEP;
    if (line > 0)
        printf("%s:%d: %s\n", path.c_str(), line, text);
    else
        printf("%s: %s\n", path.c_str(), text);
}

int check_main(int argc, char **argv) {
    const char *root = "Data";
    bool portability = true;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(usage_text, stdout);
            return 0;
        }
        if (strcmp(argv[i], "--no-portability") == 0) {
            portability = false;
            continue;
        }
        root = argv[i];
    }
    shown_root = root;
    while (shown_root.size() > 1 && fs_is_sep(shown_root.back())) shown_root.pop_back();
    if (!fs_is_folder(root)) {
        fprintf(stderr, "roofrunner-check: %s is not a folder\n", root);
        return 1;
    }

    // The game reads Data/... from the working directory: give it one whose Data is the folder to check.
    if (fs_enter_data(root) != 0) {
        fprintf(stderr, "roofrunner-check: cannot make a scratch folder\n");
        return 1;
    }
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        fprintf(stderr, "roofrunner-check: cannot start the game library\n");
        return 1;
    }
    set_color_depth(COLOR_DEPTH);
    dbuffer = create_bitmap(SCREEN_W, SCREEN_H);

    const CHECK_SINK print = {print_line, nullptr};
    int found = check_data(print, portability);

    destroy_bitmap(dbuffer);
    dbuffer = nullptr;
    fs_leave_data();
    if (found) {
        printf("%d problem%s found\n", found, found == 1 ? "" : "s");
        return 1;
    }
    printf("no problems found\n");
    return 0;
}
