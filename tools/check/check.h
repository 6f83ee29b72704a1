// tools/check/check.h — the checker's three parts: the files (check.cpp), the art rules (art.cpp) and the plays
// through the game's own update (playtest.cpp); the command's main is check_main.cpp, and the browser's level
// studio runs the same check over the files in its page.
#pragma once
#include <string>
#include <vector>

#include "ascii/sprite.h"

// Where the checker's findings go: the command prints each line, the studio lists them beside the level.
struct CHECK_SINK {
    // A problem, or a note (what the checker found out), about a file under the data folder ("Levels/NAME/level.txt",
    // with '/'); line 0 means the file as a whole.
    void (*line)(const std::string &file, int line, const char *text, bool is_problem);
    // Level i of the list played through: whether holding RIGHT won, the ticks left on the clock when it did, out of
    // the whole clock, and whether standing still lost. May be null.
    void (*play)(int level, bool won, int ticks_left, int total_ticks, bool idle_loses);
};

// Checks the folder Data in the working directory with the game's own loaders and rules, the library started and
// dbuffer made; names that only Windows refuses count as problems when portability is true. Returns the number of
// problems; every finding goes to the sink.
int check_data(const CHECK_SINK &sink, bool portability);
// The command: roofrunner-check's arguments, its output and its exit status.
int check_main(int argc, char **argv);

// A problem with its file and line (line 0: the whole file), for the sink; counted.
void problem(const std::string &file, int line, const char *fmt, ...) __attribute__((format(printf, 3, 4)));
// What the checker found out, not a problem, for the sink likewise.
void note(const std::string &file, int line, const char *fmt, ...) __attribute__((format(printf, 3, 4)));
// A level's plays, for the sink.
void play_seen(int level, bool won, int ticks_left, int total_ticks, bool idle_loses);

// A picture as the game loaded it, with its file and the line its size stands on.
struct PICTURE {
    std::string file;      // under the data folder
    int line;              // of the width and height
    ASCII_SPRITE *sprite;  // null if the game cannot load it
};

// The game's own pictures, in the order the checker loads them.
enum {
    ART_COACH,
    ART_COACH2,
    ART_COACH3,
    ART_CONNECTOR,
    ART_ENGINE,
    ART_TRACK,
    ART_PLAYER,
    ART_PLAYER_JUMP,
    ART_PLAYER_CROUCH,
    ART_NUMBERS,
    ART_TITLE,
    ART_WIN,
    ART_COUNT
};

// An attribute file's numbers with the lines they stand on; complete only when every one was a whole number.
struct ATTR_NUMBERS {
    bool complete;
    long long width, height, unit_w, unit_h;
    std::vector<long long> cars;
    long long bg[3];
    int size_line, unit_line, cars_line, bg_line, limit_line;
};

// What the file checks learned of one level of the list, for the art rules and the plays to point at.
struct LEVEL_FILES {
    std::string list;             // Levels/NAME/level.txt
    std::string attr;             // the attribute file that counts (the last one named); empty if none
    ATTR_NUMBERS numbers;         // read from it
    std::vector<PICTURE> layers;  // the picture layers in list order
    bool sound;                   // the files are sound enough to play the level
};

// art.cpp: the sizes and colours the drawing relies on.
int train_screen_y();  // the train's top line on the screen, in every world at least a screen high
void check_art_rows(const std::string &file, int first_line, const ASCII_SPRITE *s);
void check_game_art(const PICTURE art[ART_COUNT]);
void check_level_art(const LEVEL_FILES &level, const PICTURE art[ART_COUNT]);

// playtest.cpp: level i of the game's loaded list, played holding RIGHT and touching nothing; the view kept still.
void check_level_play(int i, const LEVEL_FILES &level);
// Forgets the level before, whose share of the clock the next level's is held to: a new check starts.
void check_plays_begin();
