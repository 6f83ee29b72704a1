// tests/game/game_world.h — trains, levels and Data folders for the gameplay tests, built from known sizes.
#pragma once
#include <string>
#include <vector>

#include "app/config.h"
#include "level/level.h"

// Widths in cells of the train's pictures; every car is 5 rows high.
struct TrainWidths {
    int coach = 10, coach2 = 10, coach3 = 12, connector = 2, engine = 8;
};

// The sprite file text of a w x h picture in one colour, every cell `fill`.
std::string sprite_text(int w, int h, int r, int g, int b, char fill = '#');

// Fills every game sprite slot in memory (the smoke as the loader makes it): cars of the given
// widths, a 3 x 4 player in each pose, an 8 x 4 track piece and an 11-glyph digit strip 2 cells wide.
void make_game_sprites(const TrainWidths &w = TrainWidths());

struct LevelDef {
    std::vector<int> cars;
    int width = 100, height = 10;  // units
    int unit_w = 32, unit_h = 48;  // a world of 3200 x 480 pixels
    int time_limit = 90;           // seconds
    int bg_r = 0, bg_g = 0, bg_b = 96;
};

// An attribute record as a level file would give it.
LEVEL_ATTR *make_attr(const LevelDef &def);
// The level list as levels_load leaves it for a good list: one level per record, holding it as its attr slot.
void set_levels(const std::vector<LevelDef> &defs);

// Data folders in the current directory.
void write_game_sprite_files(const TrainWidths &w = TrainWidths());
std::string attr_text(const LevelDef &def);
// Data/Levels/<name>/level.txt naming attr.txt, and attr.txt itself.
void write_level(const std::string &name, const LevelDef &def);
// Data/levels.txt: the count, then the names.
void write_level_list(const std::vector<std::string> &names);
void write_level_list(int count, const std::vector<std::string> &names);

// The messages of gamelog.txt, time stamps removed, "" for the blank line of each run.
std::vector<std::string> log_messages();
// The messages logged after the last "Log Initialized".
std::vector<std::string> log_since_init();

void clear_keys();
// One tick of the main loop at its steady rate: the update, the poll after it and the next pass's poll.
// The polls are skipped, as the state machine skips them, when the tick changed the screen; returns
// false then.
bool tick_and_poll();
// Back to no screen at all, without running any screen's operations.
void reset_states();
