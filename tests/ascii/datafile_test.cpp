// tests/ascii/datafile_test.cpp — where data files are looked for, and bounded number and word reading.
#include "ascii/datafile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ascii/sprite.h"
#include "support/fixtures.h"

namespace {

TEST(DataPath, ThreeFormsAndAPathThatDoesNotFit) {
    const std::string sep(1, PATH_SEP);
    char buf[PATH_BUF];
    EXPECT_EQ(data_path(buf, "Sprites", "Game", "win.txt"), 0);
    EXPECT_EQ(std::string(buf), "Data" + sep + "Sprites" + sep + "Game" + sep + "win.txt");
    EXPECT_EQ(data_path(buf, "Music", nullptr, "train.mid"), 0);
    EXPECT_EQ(std::string(buf), "Data" + sep + "Music" + sep + "train.mid");
    EXPECT_EQ(data_path(buf, nullptr, nullptr, "levels.txt"), 0);
    EXPECT_EQ(std::string(buf), "Data" + sep + "levels.txt");

    // "Data" and a separator take 5 characters; the terminating zero needs the last byte.
    std::string longest(PATH_BUF - 6, 'x');
    EXPECT_EQ(data_path(buf, nullptr, nullptr, longest.c_str()), 0);
    EXPECT_EQ(std::string(buf), "Data" + sep + longest);
    std::string too_long(PATH_BUF - 5, 'x');
    EXPECT_EQ(data_path(buf, nullptr, nullptr, too_long.c_str()), -1);
    EXPECT_EQ(std::string(buf), "");
    std::string group(2000, 'g');
    EXPECT_EQ(data_path(buf, "Sprites", group.c_str(), "a.txt"), -1);
    EXPECT_EQ(std::string(buf), "");
}

TEST(DataOpen, OpensUnderDataAndTreatsUnfitPathsAsMissing) {
    remove_tree("Data");
    ASSERT_TRUE(write_file("Data/Sprites/Game/t.txt", "2 1\n9 8 7\nok\n"));
    ASCII_SPRITE *s = sprite_load_data("Sprites", "Game", "t.txt");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(sprite_rows(s), (std::vector<std::string>{"ok"}));
    EXPECT_EQ(s->r, 9);
    sprite_destroy(s);

    EXPECT_EQ(sprite_load_data("Sprites", "Game", "missing.txt"), nullptr);
    ASSERT_TRUE(write_file("Data/Sprites/Game/zero.txt", "0 1\n9 8 7\nok\n"));
    EXPECT_EQ(sprite_load_data("Sprites", "Game", "zero.txt"), nullptr);

    std::string group(2000, 'g');
    EXPECT_EQ(data_open("Sprites", group.c_str(), "t.txt"), nullptr);
    FILE *f = data_open("Sprites", "Game", "t.txt");
    EXPECT_NE(f, nullptr);
    if (f) fclose(f);
    remove_tree("Data");
}

struct IntCase {
    const char *text;
    int read;   // scan_int's result
    int value;  // the value afterwards (starting at 77)
    int next;   // the next character left in the stream
};

TEST(ScanInt, ReadsLikePercentDAndSaturates) {
    const IntCase cases[] = {
        {"42 x", 1, 42, ' '},
        {"  \n\t-17\n", 1, -17, '\n'},
        {"+8;", 1, 8, ';'},
        {"2147483647", 1, INT_MAX, EOF},
        {"-2147483648", 1, INT_MIN, EOF},
        {"2147483648", 1, INT_MAX, EOF},
        {"-2147483649", 1, INT_MIN, EOF},
        {"99999999999999999999999999999 5", 1, INT_MAX, ' '},
        {"-99999999999999999999999999999 5", 1, INT_MIN, ' '},
        {"007", 1, 7, EOF},
        {"abc", 0, 77, 'a'},
        {"", 0, 77, EOF},
        {"   ", 0, 77, EOF},
        {"12abc", 1, 12, 'a'},
    };
    for (const IntCase &c : cases) {
        std::string text = c.text;
        FILE *f = text_stream(text);
        ASSERT_NE(f, nullptr);
        int v = 77;
        EXPECT_EQ(scan_int(f, &v), c.read) << '"' << c.text << '"';
        EXPECT_EQ(v, c.value) << '"' << c.text << '"';
        EXPECT_EQ(getc(f), c.next) << '"' << c.text << '"';
        fclose(f);
    }
}

TEST(ScanWord, StopsAt255Characters) {
    std::string text = std::string(300, 'w') + " next";
    FILE *f = text_stream(text);
    ASSERT_NE(f, nullptr);
    char buf[WORD_MAX + 1];
    ASSERT_EQ(scan_word(f, buf), 1);
    EXPECT_EQ(std::string(buf), std::string(255, 'w'));
    ASSERT_EQ(scan_word(f, buf), 1);
    EXPECT_EQ(std::string(buf), std::string(45, 'w'));
    ASSERT_EQ(scan_word(f, buf), 1);
    EXPECT_EQ(std::string(buf), "next");
    EXPECT_EQ(scan_word(f, buf), 0);
    fclose(f);
}

// The reader the game and the checker share reads exactly as the formatted input the files are written for.
TEST(ScanWord, ReadsEveryWordAsPercent255sDoes) {
    const std::string cases[] = {
        "attr a.txt\nascii b.txt\n",
        "  \r\n\t\v\fword\r\n",
        std::string(255, 'a') + " " + std::string(256, 'b') + "\n" + std::string(600, 'c'),
        std::string(255, 'a'),
        std::string("fi\0rst next", 11),
        std::string("\0\0 x", 5),
        "",
        " \n ",
    };
    for (const std::string &text : cases) {
        SCOPED_TRACE(text.size() < 40 ? text : text.substr(0, 40) + "...");
        FILE *ours = text_stream(text), *theirs = text_stream(text);
        ASSERT_NE(ours, nullptr);
        ASSERT_NE(theirs, nullptr);
        for (int word = 0;; word++) {
            SCOPED_TRACE(word);
            char a[WORD_MAX + 1], b[WORD_MAX + 1];
            memset(a, '#', sizeof a);
            memset(b, '#', sizeof b);
            int read = scan_word(ours, a);
            ASSERT_EQ(read, fscanf(theirs, "%255s", b) == 1);
            EXPECT_EQ(memcmp(a, b, sizeof a), 0);
            EXPECT_EQ(ftell(ours), ftell(theirs));
            if (!read) break;
        }
        fclose(ours);
        fclose(theirs);
    }
}

TEST(ScanWord, SaysWhatItPassedOverAndWhatItCouldNotTakeWhole) {
    struct Case {
        const char *name;
        std::string text;
        std::vector<std::string> words;  // as read
        std::vector<WORD_INFO> info;     // lines, nul, too_long for each
    } cases[] = {
        {"lines before each word", "one\n\ntwo\r\nthree", {"one", "two", "three"}, {{0, 0, 0}, {2, 0, 0}, {1, 0, 0}}},
        {"a word of 255 is whole", std::string(255, 'x') + "\ny", {std::string(255, 'x'), "y"}, {{0, 0, 0}, {1, 0, 0}}},
        {"a word of 259 is two", "\n" + std::string(259, 'x'), {std::string(255, 'x'), "xxxx"}, {{1, 0, 1}, {0, 0, 0}}},
        {"a NUL byte ends the string", std::string("\nfi\0rst next", 12), {"fi", "next"}, {{1, 1, 0}, {0, 0, 0}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FILE *f = text_stream(c.text);
        ASSERT_NE(f, nullptr);
        for (size_t i = 0; i < c.words.size(); i++) {
            char buf[WORD_MAX + 1];
            WORD_INFO info = {-1, -1, -1};
            ASSERT_EQ(scan_word_info(f, buf, &info), 1);
            EXPECT_EQ(std::string(buf), c.words[i]);
            EXPECT_EQ(info.lines, c.info[i].lines) << i;
            EXPECT_EQ(info.nul, c.info[i].nul) << i;
            EXPECT_EQ(info.too_long, c.info[i].too_long) << i;
        }
        char buf[WORD_MAX + 1];
        WORD_INFO info;
        EXPECT_EQ(scan_word_info(f, buf, &info), 0);
        fclose(f);
    }
}

}  // namespace
