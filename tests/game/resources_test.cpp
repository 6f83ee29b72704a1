// tests/game/resources_test.cpp — the game's sprites load in a fixed order and stop at the first missing one;
// without sound the music is never touched.
#include "game/resources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/log.h"
#include "app/shell.h"
#include "game/game_world.h"
#include "support/fixtures.h"

namespace {

struct Slot {
    const char *file;  // under Data/Sprites; null for the smoke, which is made
    ASCII_SPRITE **sprite;
};

// In loading order.
const Slot SLOTS[] = {
    {"Train/coach.txt", &coach_sprite},          {"Train/coach2.txt", &coach2_sprite},
    {"Train/coach3.txt", &coach3_sprite},        {"Train/connector.txt", &connector_sprite},
    {"Train/engine.txt", &engine_sprite},        {nullptr, &smoke_sprite},
    {"Train/track.txt", &track_sprite},          {"Player/player.txt", &player_sprite},
    {"Player/playerj.txt", &player_jump_sprite}, {"Player/playerc.txt", &player_crouch_sprite},
    {"Numbers/numbers.txt", &numbers_sprite},
};
const int SLOT_COUNT = sizeof SLOTS / sizeof SLOTS[0];

class Resources : public testing::Test {
   protected:
    void SetUp() override {
        remove_tree("Data");
        remove_tree("gamelog.txt");
        log_init();
        write_game_sprite_files();
    }
    void TearDown() override {
        game_sprites_unload();
        log_close();
    }
};

TEST_F(Resources, LoadingStopsAtTheFirstMissingSprite) {
    for (int missing = 0; missing < SLOT_COUNT; missing++) {
        if (SLOTS[missing].file == nullptr) continue;
        SCOPED_TRACE(SLOTS[missing].file);
        SetUp();
        remove_tree(std::string("Data/Sprites/") + SLOTS[missing].file);
        EXPECT_EQ(game_sprites_load(), -1);
        // The loaders leave what they filled for the unload to free; nothing after the gap is opened or made.
        for (int i = 0; i < SLOT_COUNT; i++) EXPECT_EQ(*SLOTS[i].sprite != nullptr, i < missing) << "slot " << i;
        EXPECT_EQ(log_since_init(), std::vector<std::string>{});
        game_sprites_unload();
        for (const Slot &s : SLOTS) EXPECT_EQ(*s.sprite, nullptr);
        EXPECT_EQ(log_since_init(), std::vector<std::string>{"Unloaded Game Sprites"});
        TearDown();
    }
}

TEST_F(Resources, AllLoadedWithTheirLogLine) {
    EXPECT_EQ(game_sprites_load(), 0);
    for (const Slot &s : SLOTS) EXPECT_NE(*s.sprite, nullptr);
    EXPECT_EQ(coach3_sprite->w, 12);
    EXPECT_EQ(log_since_init(), std::vector<std::string>{"Loaded Game Sprites"});
}

TEST_F(Resources, UnloadingNothingOnlyLogs) {
    game_sprites_unload();
    game_sprites_unload();
    EXPECT_EQ(log_since_init(), (std::vector<std::string>{"Unloaded Game Sprites", "Unloaded Game Sprites"}));
}

TEST_F(Resources, WithoutSoundTheMusicIsNeverTouched) {
    ASSERT_EQ(sound_initialized, 0);
    remove_tree("Data/Music");
    EXPECT_EQ(music_load(), 0);
    EXPECT_EQ(music, nullptr);
    music_play();
    music_stop();
    music_unload();
    EXPECT_EQ(music, nullptr);
}

}  // namespace
