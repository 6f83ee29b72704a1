// tests/game/music_file_test.cpp — the shipped tune is a MIDI file the library plays, long enough to loop rarely.
#include <gtest/gtest.h>

#include "support/fixtures.h"

TEST(Music, ShippedTuneLoadsAndLastsAtLeast45Seconds) {
    use_shipped_data();
    MIDI *m = load_midi("Data/Music/train.mid");
    ASSERT_NE(m, nullptr);
    int seconds = get_midi_length(m);
    EXPECT_GE(seconds, 45);
    EXPECT_LE(seconds, 180);
    destroy_midi(m);
}
