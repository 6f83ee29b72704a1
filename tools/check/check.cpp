// tools/check/check.cpp — roofrunner-check: loads a data folder with the game's own loaders, plays each level
// with RIGHT held through the game's own update, and reports every problem in plain words.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/shell.h"
#include "ascii/datafile.h"
#include "fs.h"
#include "game/game.h"
#include "game/motion.h"
#include "game/play.h"
#include "game/resources.h"
#include "level/level.h"
#include "states/states.h"

static const char *usage_text =
    "usage: roofrunner-check [DATA_FOLDER]\n"
    "\n"
    "Checks a Roofrunner data folder (default: Data) with the game's own loaders and reports every\n"
    "problem with its file and line. Exit status 0 when clean, 1 when problems were found.\n"
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
    "Numbers and words are separated by any whitespace. Each level must be winnable by holding RIGHT:\n"
    "the checker plays it with the game's own rules to find out.\n";

static int problems = 0;
static std::string shown_root;  // the data folder as the user named it

static void problem(const std::string &file, int line, const char *fmt, ...) __attribute__((format(printf, 3, 4)));
static void problem(const std::string &file, int line, const char *fmt, ...) {
    char text[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    if (line > 0)
        printf("%s/%s:%d: %s\n", shown_root.c_str(), file.c_str(), line, text);
    else
        printf("%s/%s: %s\n", shown_root.c_str(), file.c_str(), text);
    problems++;
}

struct TOKEN {
    std::string text;
    int line;
};

// The file's words with the line each starts on; false if it cannot be opened.
static bool tokens_of(const std::string &path, std::vector<TOKEN> &out) {
    FILE *f = fopen(("Data/" + path).c_str(), "r");
    if (f == nullptr) return false;
    int line = 1, c;
    std::string word;
    int word_line = 1;
    while ((c = getc(f)) != EOF) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') {
            if (!word.empty()) out.push_back({word, word_line});
            word.clear();
            if (c == '\n') line++;
        } else {
            if (word.empty()) word_line = line;
            word += (char)c;
        }
    }
    if (!word.empty()) out.push_back({word, word_line});
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

static bool plain_name(const std::string &n) {
    return !n.empty() && n.find('/') == std::string::npos && n.find('\\') == std::string::npos &&
           n.find("..") == std::string::npos;
}

// The header of a sprite file: reports a missing file or an unusable size; returns the loaded sprite or null.
static ASCII_SPRITE *check_sprite_file(const std::string &file) {
    std::vector<TOKEN> t;
    if (!tokens_of(file, t)) {
        problem(file, 0, "cannot be opened");
        return nullptr;
    }
    long long w = 0, h = 0;
    if (!want_int(file, t, 0, "the width", &w) || !want_int(file, t, 1, "the height", &h)) return nullptr;
    if (w < 1 || h < 1) {
        problem(file, t[0].line, "the size %lld x %lld is below 1", w, h);
        return nullptr;
    }
    if (w * h > SPRITE_MAX_CELLS) {
        problem(file, t[0].line, "the size %lld x %lld is larger than a picture may be (%lld cells)", w, h,
                SPRITE_MAX_CELLS);
        return nullptr;
    }
    long long colour;
    const char *names[] = {"the red value", "the green value", "the blue value"};
    for (int i = 0; i < 3; i++) {
        if (!want_int(file, t, 2 + i, names[i], &colour)) break;
        if (colour < 0 || colour > 255) problem(file, t[2 + i].line, "%s %lld is not 0 to 255", names[i], colour);
    }
    FILE *f = fopen(("Data/" + file).c_str(), "r");
    ASCII_SPRITE *s = f ? sprite_load(f) : nullptr;
    if (f) fclose(f);
    if (s == nullptr) problem(file, 0, "the game cannot load this picture");
    return s;
}

static void check_game_sprites() {
    struct NEED {
        const char *file;
        int min_w, rows;  // rows 0: any height
    };
    static const NEED needs[] = {
        {"Sprites/Train/coach.txt", 2, 0},    {"Sprites/Train/coach2.txt", 4, 0},
        {"Sprites/Train/coach3.txt", 2, 0},   {"Sprites/Train/connector.txt", 1, 0},
        {"Sprites/Train/engine.txt", 2, 0},   {"Sprites/Train/track.txt", 1, 0},
        {"Sprites/Player/player.txt", 1, 0},  {"Sprites/Player/playerj.txt", 1, 0},
        {"Sprites/Player/playerc.txt", 1, 0}, {"Sprites/Numbers/numbers.txt", 1, 66},
        {"Sprites/Game/title.txt", 1, 0},     {"Sprites/Game/win.txt", 1, 0},
    };
    for (const NEED &n : needs) {
        ASCII_SPRITE *s = check_sprite_file(n.file);
        if (s == nullptr) continue;
        if (s->w < n.min_w) problem(n.file, 1, "is %d cells wide; the roof rules need at least %d", s->w, n.min_w);
        if (n.rows && s->h != n.rows)
            problem(n.file, 1, "has %d rows; the clock needs %d (11 glyphs of 6 rows: 0-9 and the colon)", s->h,
                    n.rows);
        sprite_destroy(s);
    }
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

static void check_attr_file(const std::string &file) {
    std::vector<TOKEN> t;
    if (!tokens_of(file, t)) {
        problem(file, 0, "cannot be opened");
        return;
    }
    long long v[5];
    const char *names[] = {"the width", "the height", "unit_w", "unit_h", "the car count"};
    for (int i = 0; i < 5; i++)
        if (!want_int(file, t, i, names[i], &v[i])) return;
    if (v[0] < 1 || v[1] < 1) problem(file, t[0].line, "the world size %lld x %lld units is below 1", v[0], v[1]);
    if (v[2] < 1 || v[3] < 1) problem(file, t[2].line, "a unit of %lld x %lld pixels is below 1", v[2], v[3]);
    if (v[0] * v[2] > INT_MAX / 2 || v[1] * v[3] > INT_MAX / 2)
        problem(file, t[0].line, "the world of %lld x %lld pixels is too large for the game", v[0] * v[2], v[1] * v[3]);
    if (v[4] < 1 || v[4] > MAX_CARS) {
        problem(file, t[4].line, "the car count %lld is not 1 to %d", v[4], MAX_CARS);
        return;
    }
    size_t i = 5;
    int engine_at = -1;
    for (long long c = 0; c < v[4]; c++, i++) {
        long long code;
        if (!want_int(file, t, i, "a car code", &code)) return;
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
        long long c;
        if (!want_int(file, t, i, colours[k], &c)) return;
        if (c < 0 || c > 255) problem(file, t[i].line, "%s %lld is not 0 to 255", colours[k], c);
    }
    long long reserved, limit;
    if (!want_int(file, t, i++, "the fourth colour number", &reserved)) return;
    if (!want_int(file, t, i, "the time limit", &limit)) return;
    if (limit <= 0) problem(file, t[i].line, "the time limit %lld seconds leaves no time to play", limit);
    if (limit * LPS > INT_MAX / 2) problem(file, t[i].line, "the time limit %lld seconds is too large", limit);
    if (i + 1 < t.size())
        problem(file, t[i + 1].line, "unexpected text after the time limit: \"%s\"", t[i + 1].text.c_str());
}

// Returns true if the level's files are sound enough to play it.
static bool check_level_files(const std::string &name) {
    std::string list = "Levels/" + name + "/level.txt";
    std::vector<TOKEN> t;
    if (!tokens_of(list, t)) {
        problem(list, 0, "cannot be opened");
        return false;
    }
    long long count;
    if (!want_int(list, t, 0, "the layer count", &count)) return false;
    if (count < 1 || count > MAX_LAYERS) {
        problem(list, t[0].line, "the layer count %lld is not 1 to %d", count, MAX_LAYERS);
        return false;
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
        if (!plain_name(file.text)) {
            problem(list, file.line, "file name \"%s\" must be a plain name in the level's folder", file.text.c_str());
            continue;
        }
        std::string path = "Levels/" + name + "/" + file.text;
        if (is_attr) {
            attrs++;
            check_attr_file(path);
        } else {
            sprite_destroy(check_sprite_file(path));
        }
    }
    if (given < count)
        problem(list, t.back().line, "names %lld layers but the count says %lld", given, count);
    else if (i < t.size())
        problem(list, t[i].line, "text after the last layer is ignored: \"%s\"", t[i].text.c_str());
    if (attrs == 0) problem(list, 0, "has no attr layer: the level has no numbers to play with");
    if (attrs > 1) problem(list, 0, "has %d attr layers; only the last one counts", attrs);
    return attrs > 0;
}

// Plays level i with RIGHT held, polling input twice a tick as the main loop does.
// Returns the ticks left on the clock when the engine is reached, or -1 if the level is lost.
static int play_holding_right(int i, int *worst_screen_x) {
    current_state = -1;  // a screen without an exit, so the game's own changes of screen free nothing
    int count = level_count;
    level_count = i + 1;  // played as the last level: reaching the engine wins instead of starting the next
    current_level = i;
    level_start(i);
    key[KEY_RIGHT] = 1;
    int result = -1;
    *worst_screen_x = 0;
    game_input();
    for (int tick = 0; tick < 10000000; tick++) {
        int left = time_left;
        game_update();
        if (current_state == STATE_GAME_OVER) break;
        if (current_state == STATE_YOU_WIN) {
            result = left - 1;
            break;
        }
        game_input();
        game_input();
        if (player_x - camera_x > *worst_screen_x) *worst_screen_x = player_x - camera_x;
    }
    key[KEY_RIGHT] = 0;
    level_end();
    current_state = -1;
    level_count = count;
    return result;
}

static void check_levels() {
    std::vector<TOKEN> t;
    if (!tokens_of("levels.txt", t)) {
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
    std::vector<std::string> names;
    std::vector<bool> sound;
    for (size_t i = 1; i < t.size() && (long long)names.size() < count; i++) {
        names.push_back(t[i].text);
        bool ok = plain_name(t[i].text);
        if (!ok) problem("levels.txt", t[i].line, "level name \"%s\" must be a plain folder name", t[i].text.c_str());
        sound.push_back(ok && check_level_files(t[i].text));
    }

    // Now the game's own loaders, and a play of every level that loaded.
    if (levels_load() != 0 || game_sprites_load() != 0) return;
    for (int i = 0; i < level_count && i < (int)names.size(); i++) {
        if (!sound[i] || levels[i] == nullptr || levels[i]->attr == nullptr) continue;
        const LEVEL_ATTR *a = levels[i]->attr;
        if (!level_attr_playable(a) || a->time_limit <= 0) continue;
        int worst_x = 0;
        int left = play_holding_right(i, &worst_x);
        std::string list = "Levels/" + names[i] + "/level.txt";
        if (left < 0)
            problem(list, 0, "cannot be won by holding RIGHT");
        else if (worst_x >= SCREEN_W)
            problem(list, 0, "holding RIGHT leaves the player off the right edge of the screen");
        else
            printf("%s/%s: won by holding RIGHT with %d of %d seconds left\n", shown_root.c_str(), list.c_str(),
                   left / LPS, a->time_limit);
    }
    game_sprites_unload();
    levels_free();
}

int main(int argc, char **argv) {
    const char *root = "Data";
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(usage_text, stdout);
            return 0;
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

    check_game_sprites();
    check_levels();

    destroy_bitmap(dbuffer);
    dbuffer = nullptr;
    fs_leave_data();
    if (problems) {
        printf("%d problem%s found\n", problems, problems == 1 ? "" : "s");
        return 1;
    }
    printf("no problems found\n");
    return 0;
}
