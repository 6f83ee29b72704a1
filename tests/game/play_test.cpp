// tests/game/play_test.cpp — entering the game, level to level, the ways out, the help overlay and
// failed loads, through the state machine with Data folders written here.
#include "game/play.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "app/log.h"
#include "app/loop.h"
#include "app/shell.h"
#include "game/game.h"
#include "game/game_world.h"
#include "game/motion.h"
#include "game/resources.h"
#include "states/screens.h"
#include "states/states.h"
#include "support/fixtures.h"

namespace {

using Lines = std::vector<std::string>;

LevelDef level(int time_limit = 90) {
    LevelDef s;
    s.cars = TRAIN;
    s.time_limit = time_limit;
    return s;
}

// A key buffer for the polls that read keys one at a time; the memory build has no keyboard driver.
std::deque<int> buffered;
int fake_keypressed() { return !buffered.empty(); }
int fake_readkey() {
    if (buffered.empty()) return 0;
    int k = buffered.front();
    buffered.pop_front();
    return k;
}

bool all_slots_empty() {
    return !coach_sprite && !coach2_sprite && !coach3_sprite && !connector_sprite && !engine_sprite && !smoke_sprite &&
           !track_sprite && !player_sprite && !player_jump_sprite && !player_crouch_sprite && !numbers_sprite && !music;
}

bool contains(const Lines &lines, const std::string &s) {
    for (const std::string &l : lines)
        if (l == s) return true;
    return false;
}

class Progression : public testing::Test {
   protected:
    void SetUp() override {
        reset_game_state();
        remove_tree("Data");
        remove_tree("gamelog.txt");
        log_init();
        write_game_sprite_files();
    }
    void TearDown() override {
        state_exit();
        reset_states();
        level_end();
        levels_free();
        game_sprites_unload();
        clear_keys();
        help_overlay = 0;
        install_keyboard_hooks(nullptr, nullptr);
        buffered.clear();
        log_close();
    }
    // Levels named l0, l1, ... in the list.
    void write_levels(const std::vector<LevelDef> &defs) {
        std::vector<std::string> names;
        for (size_t i = 0; i < defs.size(); i++) {
            names.push_back("l" + std::to_string(i));
            write_level(names.back(), defs[i]);
        }
        write_level_list(names);
    }
    // "Game" chosen in the menu.
    void enter_game() {
        if (current_state != STATE_MENU) change_state(STATE_MENU);
        change_state(STATE_GAME);
    }
    void to_goal() { player_x = train_x + TRAIN_GOAL; }
    // Ticks until the screen changes or the level changes; the number of ticks run.
    int run_until_change(int limit = 100000) {
        int at = current_level, ticks = 0;
        while (ticks < limit) {
            ticks++;
            if (!tick_and_poll() || current_level != at) break;
        }
        return ticks;
    }
};

TEST_F(Progression, EnteringLoadsEverythingAndStartsTheFirstLevel) {
    write_levels({level(90), level(30)});
    enter_game();
    EXPECT_EQ(current_state, STATE_GAME);
    EXPECT_EQ(previous_state, STATE_MENU);
    EXPECT_EQ(level_count, 2);
    EXPECT_EQ(current_level, 0);
    EXPECT_EQ(level_attr, levels[0]->attr);
    EXPECT_EQ(time_left, 5760);
    EXPECT_EQ(world_width, 3200);
    EXPECT_EQ(world_height, 480);
    EXPECT_EQ(player_x - camera_x, 330);
    EXPECT_EQ(log_since_init(), GAME_ENTERED);
    ASSERT_NE(smoke_sprite, nullptr);
    EXPECT_EQ(smoke_sprite->w, 3);
    EXPECT_EQ(smoke_sprite->h, 3);
    EXPECT_EQ(smoke_sprite->a, 255);
    EXPECT_EQ(std::string(smoke_sprite->cells, 9), std::string(9, ' '));
    EXPECT_NE(numbers_sprite, nullptr);
    EXPECT_EQ(music, nullptr);  // no sound here: the music file is never looked at
}

TEST_F(Progression, CompletingALevelStartsTheNextInTheSameTickAndTheLastWins) {
    write_levels({level(90), level(30)});
    enter_game();
    for (int t = 0; t < 10; t++) ASSERT_TRUE(tick_and_poll());
    to_goal();
    ASSERT_TRUE(tick_and_poll());
    EXPECT_EQ(current_state, STATE_GAME);
    EXPECT_EQ(current_level, 1);
    EXPECT_EQ(time_left, 30 * 64);
    EXPECT_EQ(elapsed_ticks, 0);
    EXPECT_EQ(level_complete, 0);
    EXPECT_EQ(camera_x, 0);
    EXPECT_EQ(train_x, 320);
    EXPECT_EQ(player_x, 330);
    EXPECT_EQ(log_since_init().back(), "Next Level, @Level 1");

    to_goal();
    EXPECT_FALSE(tick_and_poll());
    EXPECT_EQ(current_state, STATE_YOU_WIN);
    EXPECT_EQ(level_count, 0);
    EXPECT_TRUE(all_slots_empty());
    Lines log = log_since_init();
    EXPECT_EQ(Lines(log.end() - 3, log.end()), GAME_LEFT);
}

TEST_F(Progression, OneLevelListGoesStraightToYouWin) {
    write_levels({level(90)});
    enter_game();
    to_goal();
    EXPECT_FALSE(tick_and_poll());
    EXPECT_EQ(current_state, STATE_YOU_WIN);
    Lines want = GAME_ENTERED;
    want.insert(want.end(), GAME_LEFT.begin(), GAME_LEFT.end());
    EXPECT_EQ(log_since_init(), want);
}

TEST_F(Progression, GameOverAndCompletionInOneTickIsGameOver) {
    struct Case {
        int levels, at;
    } cases[] = {{1, 0}, {2, 0}, {2, 1}, {3, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.levels) + " levels, at " + std::to_string(c.at));
        SetUp();
        write_levels(std::vector<LevelDef>(c.levels, level(1)));
        enter_game();
        while (current_level < c.at) {
            to_goal();
            ASSERT_TRUE(tick_and_poll());
        }
        // The clock runs out on tick 64; the engine is reached in that very tick.
        for (int t = 0; t < 63; t++) ASSERT_TRUE(tick_and_poll());
        ASSERT_EQ(time_left, 1);
        to_goal();
        EXPECT_FALSE(tick_and_poll());
        EXPECT_EQ(current_state, STATE_GAME_OVER);
        Lines log = log_since_init();
        EXPECT_EQ(Lines(log.end() - 3, log.end()), GAME_LEFT);
        EXPECT_FALSE(contains(log, "Next Level, @Level " + std::to_string(c.at + 1)));
        TearDown();
    }
}

TEST_F(Progression, TheClock) {
    struct Case {
        int limit, lost_on;
    } cases[] = {{0, 1}, {-3, 1}, {1, 64}, {2, 128}, {5, 320}};
    for (const Case &c : cases) {
        SCOPED_TRACE("time limit " + std::to_string(c.limit));
        SetUp();
        write_levels({level(c.limit)});
        enter_game();
        EXPECT_EQ(time_left, c.limit * 64);
        EXPECT_EQ(run_until_change(), c.lost_on);
        EXPECT_EQ(current_state, STATE_GAME_OVER);
        TearDown();
    }
}

TEST_F(Progression, EveryNewGameStartsAtTheFirstLevelWithEverythingLoadedAfresh) {
    enum Way { ESC, LOST, WON };
    for (Way way : {ESC, LOST, WON}) {
        SCOPED_TRACE("way out " + std::to_string(way));
        SetUp();
        write_levels({level(90), level(30)});
        enter_game();
        to_goal();
        ASSERT_TRUE(tick_and_poll());
        ASSERT_EQ(current_level, 1);
        switch (way) {
            case ESC:
                key[KEY_ESC] = 1;
                game_input();
                key[KEY_ESC] = 0;
                EXPECT_EQ(current_state, STATE_MENU);
                break;
            case LOST:
                player_x = train_x;  // off the back of the train
                EXPECT_FALSE(tick_and_poll());
                EXPECT_EQ(current_state, STATE_GAME_OVER);
                break;
            case WON:
                to_goal();
                EXPECT_FALSE(tick_and_poll());
                EXPECT_EQ(current_state, STATE_YOU_WIN);
                break;
        }
        EXPECT_TRUE(all_slots_empty());
        EXPECT_EQ(level_attr, nullptr);
        EXPECT_EQ(time_left, 0);

        write_file("Data/Sprites/Train/coach.txt", sprite_text(14, 5, 1, 2, 3));
        enter_game();
        EXPECT_EQ(current_state, STATE_GAME);
        EXPECT_EQ(current_level, 0);
        EXPECT_EQ(time_left, 90 * 64);
        EXPECT_EQ(player_x - camera_x, 330);
        ASSERT_NE(coach_sprite, nullptr);
        EXPECT_EQ(coach_sprite->w, 14);
        EXPECT_EQ(log_since_init().back(), "First Level");
        TearDown();
    }
}

// The window's close button during play: the level ends and the game screen is left once, as ESC would, before
// the quit; the shut-down's own exit of the current screen (the menu by then) adds nothing.
TEST_F(Progression, ClosingTheWindowInPlayEndsTheLevelAndLeavesTheGameOnce) {
    for (bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused under the help page" : "running");
        SetUp();
        quit_flag = 0;
        write_levels({level(90), level(30)});
        enter_game();
        ASSERT_EQ(current_state, STATE_GAME);
        ASSERT_TRUE(tick_and_poll());
        if (paused) help_overlay = 1;
        size_t mark = log_messages().size();

        state_close();
        EXPECT_EQ(level_attr, nullptr) << "the level ended";
        EXPECT_EQ(time_left, 0);
        EXPECT_EQ(help_overlay, 0);
        EXPECT_EQ(current_state, STATE_MENU);
        EXPECT_EQ(quit_pending, 1);
        EXPECT_TRUE(all_slots_empty());
        state_close();  // pressed again before the quit is carried out: nothing more
        EXPECT_EQ(quit_pending, 1);

        state_update();
        EXPECT_EQ(quit_flag, 1);
        game_uninit();
        Lines all = log_messages();
        EXPECT_EQ(Lines(all.begin() + (long)mark, all.end()), GAME_LEFT) << "each line once";
        quit_flag = 0;
        TearDown();
    }
}

TEST_F(Progression, HelpOverlayFreezesTheGameAndOnlyEnterClosesIt) {
    write_levels({level(90)});
    enter_game();
    install_keyboard_hooks(fake_keypressed, fake_readkey);
    for (int t = 0; t < 20; t++) ASSERT_TRUE(tick_and_poll());

    key[KEY_F1] = 1;
    game_input();
    EXPECT_EQ(help_overlay, 1);
    key[KEY_ESC] = 1;  // held, and never looked at while the page is shown
    key[KEY_RIGHT] = 1;
    int t_left = time_left, cam = camera_x, tx = train_x, px = player_x, py = player_y, ticks = elapsed_ticks;
    for (int t = 0; t < 100; t++) ASSERT_TRUE(tick_and_poll());
    EXPECT_EQ(help_overlay, 1);  // F1 held counts once
    EXPECT_EQ(current_state, STATE_GAME);
    EXPECT_EQ(time_left, t_left);
    EXPECT_EQ(camera_x, cam);
    EXPECT_EQ(train_x, tx);
    EXPECT_EQ(player_x, px);
    EXPECT_EQ(player_y, py);
    EXPECT_EQ(elapsed_ticks, ticks);

    // One buffered key per poll; ESC is used up like any other key.
    buffered = {KEY_ESC << 8 | 27, KEY_A << 8 | 'a', KEY_ENTER << 8 | 13, KEY_ENTER << 8 | 13};
    game_input();
    EXPECT_EQ(help_overlay, 1);
    EXPECT_EQ(buffered.size(), 3u);
    EXPECT_EQ(current_state, STATE_GAME);
    game_input();
    EXPECT_EQ(help_overlay, 1);
    key[KEY_F1] = key[KEY_ESC] = key[KEY_RIGHT] = 0;
    game_input();
    EXPECT_EQ(help_overlay, 0);
    EXPECT_EQ(buffered.size(), 1u);

    ASSERT_TRUE(tick_and_poll());
    EXPECT_EQ(time_left, t_left - 1);
    EXPECT_EQ(camera_x, cam + 1);
}

TEST_F(Progression, HelpOverlayDrawsOnlyTheHelpPage) {
    write_levels({level(90)});
    enter_game();
    help_render();
    BITMAP *page = make_bitmap(SCREEN_W, SCREEN_H);
    blit(dbuffer, page, 0, 0, 0, 0, SCREEN_W, SCREEN_H);

    help_overlay = 1;
    clear_to_color(dbuffer, makecol(0, 255, 0));
    std::string smoke(smoke_sprite->cells, 9);
    int grey = smoke_sprite->r;
    game_render();
    EXPECT_TRUE(same_pixels(dbuffer, page));
    EXPECT_EQ(std::string(smoke_sprite->cells, 9), smoke);
    EXPECT_EQ(smoke_sprite->r, grey);

    // Closed again, the scene is drawn over the level's background.
    help_overlay = 0;
    game_render();
    EXPECT_FALSE(same_pixels(dbuffer, page));
    EXPECT_EQ(getpixel(dbuffer, 5, 100), makecol(0, 0, 96));
    destroy_bitmap(page);
}

TEST_F(Progression, AFailedLoadReturnsToTheMenuWithNothingHeld) {
    const char *files[] = {
        "Sprites/Train/coach.txt",
        "Sprites/Train/coach2.txt",
        "Sprites/Train/coach3.txt",
        "Sprites/Train/connector.txt",
        "Sprites/Train/engine.txt",
        "Sprites/Train/track.txt",
        "Sprites/Player/player.txt",
        "Sprites/Player/playerj.txt",
        "Sprites/Player/playerc.txt",
        "Sprites/Numbers/numbers.txt",
        "levels.txt",
    };
    for (const char *file : files) {
        for (bool empty_picture : {false, true}) {
            SCOPED_TRACE(std::string(file) + (empty_picture ? " with width 0" : " missing"));
            SetUp();
            write_levels({level(90)});
            std::string path = std::string("Data/") + file;
            if (empty_picture)
                write_file(path, "0 5\n255 255 255\n#\n");
            else
                remove_tree(path);
            enter_game();
            EXPECT_EQ(current_state, STATE_MENU);
            EXPECT_EQ(previous_state, STATE_GAME);
            EXPECT_TRUE(all_slots_empty());
            EXPECT_EQ(level_count, 0);
            EXPECT_EQ(current_level, -1);
            EXPECT_EQ(level_attr, nullptr);
            EXPECT_EQ(log_since_init(), GAME_LEFT);
            TearDown();
        }
    }
}

TEST_F(Progression, AnUnplayableLevelListReturnsToTheMenu) {
    struct Case {
        const char *what;
        void (*write)();
    };
    const Case cases[] = {
        {"no level named", [] { write_level_list(0, {}); }},
        {"a count of one and no name", [] { write_level_list(1, {}); }},
        {"a second slot left empty",
         [] {
             write_level("a", level(90));
             write_level_list(2, {"a"});
         }},
        {"a level folder that is missing",
         [] {
             write_level("a", level(90));
             write_level_list({"a", "nowhere"});
         }},
        {"a level without an attr layer",
         [] {
             write_level("a", level(90));
             write_file("Data/Levels/b/level.txt", "1\nascii sky.txt\n");
             write_file("Data/Levels/b/sky.txt", sprite_text(4, 2, 9, 9, 9));
             write_level_list({"a", "b"});
         }},
        {"an attr layer whose file is missing",
         [] {
             write_file("Data/Levels/a/level.txt", "1\nattr gone.txt\n");
             write_level_list({"a"});
         }},
        {"a world too wide for an int",
         [] {
             LevelDef s = level(90);
             s.width = 100000;
             s.unit_w = 100000;
             write_level("a", s);
             write_level_list({"a"});
         }},
        {"a world too wide the other way",
         [] {
             LevelDef s = level(90);
             s.width = 100000;
             s.unit_w = -100000;
             write_level("a", s);
             write_level_list({"a"});
         }},
        {"a world too high for an int",
         [] {
             LevelDef s = level(90);
             s.height = 70000;
             s.unit_h = 70000;
             write_level("a", level(90));
             write_level("b", s);
             write_level_list({"a", "b"});
         }},
        {"a clock too long for an int",
         [] {
             write_level("a", level(2000000000));
             write_level_list({"a"});
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        c.write();
        enter_game();
        EXPECT_EQ(current_state, STATE_MENU);
        EXPECT_TRUE(all_slots_empty());
        EXPECT_EQ(level_count, 0);
        EXPECT_EQ(log_since_init(), GAME_LEFT);
        TearDown();
    }

    // Large but sane numbers play.
    SetUp();
    LevelDef big = level(100000);
    big.width = 100000;
    big.unit_w = 100;
    big.height = 1000;
    big.unit_h = 100;
    write_level("a", big);
    write_level_list({"a"});
    enter_game();
    EXPECT_EQ(current_state, STATE_GAME);
    EXPECT_EQ(world_width, 10000000);
    EXPECT_EQ(time_left, 6400000);
    EXPECT_EQ(train_y - camera_y, 417);
}

TEST_F(Progression, NextLevelPastTheEndStartsOverAtTheFirst) {
    write_levels({level(90), level(30)});
    enter_game();
    level_next();
    ASSERT_EQ(current_level, 1);
    level_next();
    EXPECT_EQ(current_level, 0);
    EXPECT_EQ(time_left, 90 * 64);
    EXPECT_EQ(log_since_init().back(), "Next Level, @Level 0");
}

TEST_F(Progression, APackPlaysFromItsFirstLevelOnAtThatLevelsPlace) {
    struct Case {
        const char *name;
        int first, level, time_left, train_step;
    } cases[] = {
        {"the list's first", 0, 0, 90 * 64, 2},
        {"the second: its clock, its speed", 1, 1, 30 * 64, 3},
        {"beyond the list: the first", 3, 0, 90 * 64, 2},
        {"below the list: the first", -1, 0, 90 * 64, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        write_levels({level(90), level(30)});
        first_level = c.first;
        enter_game();
        first_level = 0;
        EXPECT_EQ(current_level, c.level);
        EXPECT_EQ(time_left, c.time_left);
        EXPECT_EQ(log_since_init().back(), "First Level");
        int x = train_x;
        for (int t = 0; t < 4; t++) ASSERT_TRUE(tick_and_poll());
        EXPECT_EQ(train_x - x, c.train_step);
        quit_to_menu();
        state_update();
    }
}

}  // namespace
