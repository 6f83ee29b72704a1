// tests/game/game_world.h — trains, levels and Data folders for the gameplay tests, built from known sizes.
#pragma once
#include <string>
#include <vector>

#include "app/config.h"
#include "game/motion.h"
#include "level/level.h"
#include "support/fixtures.h"

// Widths in cells of the train's pictures; every car is 5 rows high.
struct TrainWidths {
    int coach = 10, coach2 = 10, coach3 = 12, connector = 2, engine = 8;
};

// Fills every game sprite slot in memory (the smoke as the loader makes it): cars of the given
// widths, a 3 x 4 player in each pose, an 8 x 4 track piece and an 11-glyph digit strip 2 cells wide.
void make_game_sprites(const TrainWidths &w = TrainWidths());

// The train most tests run on. With the default widths, along the train from train_x:
//   coach   roof 0..64, coupling 65..80, gap 81..87
//   coach2  low deck 88..136, raised end 137..152, coupling 153..168, gap 169..175
//   coach3  roof 176..256, coupling 257..272, gap 273..279
//   engine  roof 280..311, goal from TRAIN_GOAL (4 cells in) onwards, to the end of the world
inline const std::vector<int> TRAIN = {CAR_COACH, CAR_COACH2, CAR_COACH3, CAR_ENGINE};
constexpr int TRAIN_GOAL = 312;

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

// What the log gains when the game screen is entered and starts its first level, and when it is left.
inline const std::vector<std::string> GAME_ENTERED = {"Loaded Game Sprites", "Initializing Level Renderer",
                                                      "Initializing Game Renderer", "First Level"};
inline const std::vector<std::string> GAME_LEFT = {"Quitting Game Renderer", "Quitting Level Renderer",
                                                   "Unloaded Game Sprites"};

void clear_keys();
// Where the gameplay tests start: no screen, no key held, no help page over the game.
void reset_game_state();
// One tick of the main loop at its steady rate: the update, the poll after it and the next pass's poll.
// The polls are skipped, as the state machine skips them, when the tick changed the screen; returns
// false then.
bool tick_and_poll();
