// tests/level/level_test.cpp — the level list, layer lists and attribute files, read from small Data folders
// written into the scratch folder, and the records they fill.
#include "level/level.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/log.h"
#include "support/fixtures.h"

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

const char *const ATTR_A = "100 10 8 8 2\n0 3\n10 20 30 0\n60\n";
const char *const ATTR_B = "200 12 4 4 1\n3\n1 2 3 4\n90\n";
const char *const PIC_2 = "2 1\n255 255 255\nab\n";
const char *const PIC_3 = "3 1\n0 0 255\nxyz\n";
const char *const ONE_LAYER = "1\nattr a.txt\n";

// A fresh Data folder holding exactly these files (paths relative to the scratch folder).
void data_tree(const Files &files) {
    remove_tree("Data");
    for (const auto &f : files) ASSERT_TRUE(write_file(f.first, f.second)) << f.first;
}

// A level folder with the usual layer files beside its level.txt.
Files level_folder(const std::string &name, const std::string &level_txt) {
    std::string dir = "Data/Levels/" + name + "/";
    return {{dir + "level.txt", level_txt}, {dir + "a.txt", ATTR_A}, {dir + "b.txt", ATTR_B},
            {dir + "p.txt", PIC_2},         {dir + "q.txt", PIC_3},  {dir + "bad.txt", "0 1\n0 0 0\n"}};
}

Files operator+(Files a, const Files &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class LevelFiles : public testing::Test {
   protected:
    void TearDown() override {
        levels_free();
        remove_tree("Data");
    }
};

// ---- the level list ----

TEST_F(LevelFiles, CountOfThreeNamingTwoLeavesTheThirdSlotNull) {
    data_tree(Files{{"Data/levels.txt", "3\nalpha\nbeta\n"}} + level_folder("alpha", ONE_LAYER) +
              level_folder("beta", "2 attr b.txt ascii p.txt"));
    ASSERT_EQ(levels_load(), 0);
    ASSERT_EQ(level_count, 3);
    ASSERT_NE(levels, nullptr);
    ASSERT_NE(levels[0], nullptr);
    ASSERT_NE(levels[1], nullptr);
    EXPECT_EQ(levels[2], nullptr);
    EXPECT_EQ(current_level, 1);
    ASSERT_NE(levels[0]->attr, nullptr);
    EXPECT_EQ(levels[0]->attr->width, 100);
    ASSERT_NE(levels[1]->attr, nullptr);
    EXPECT_EQ(levels[1]->attr->width, 200);
    EXPECT_EQ(levels[1]->layer_count, 2);
}

TEST_F(LevelFiles, MissingLevelLeavesItsSlotNullAndTheOthersLoad) {
    // "missing" has no folder, "empty" a folder without level.txt.
    data_tree(Files{{"Data/levels.txt", "4 alpha missing empty beta"}} + level_folder("alpha", ONE_LAYER) +
              level_folder("beta", ONE_LAYER) + Files{{"Data/Levels/empty/a.txt", ATTR_A}});
    ASSERT_EQ(levels_load(), 0);
    ASSERT_EQ(level_count, 4);
    EXPECT_NE(levels[0], nullptr);
    EXPECT_EQ(levels[1], nullptr);
    EXPECT_EQ(levels[2], nullptr);
    EXPECT_NE(levels[3], nullptr);
    EXPECT_EQ(current_level, 3);
}

TEST_F(LevelFiles, CrLfListReadsTheSameNames) {
    data_tree(Files{{"Data/levels.txt", "2\r\nalpha\r\nbeta\r\n"}} + level_folder("alpha", "1\r\nattr a.txt\r\n") +
              level_folder("beta", ONE_LAYER));
    ASSERT_EQ(levels_load(), 0);
    ASSERT_EQ(level_count, 2);
    ASSERT_NE(levels[0], nullptr);
    EXPECT_NE(levels[0]->attr, nullptr);
    EXPECT_NE(levels[1], nullptr);
}

TEST_F(LevelFiles, MissingListGivesMinusOneAndAnEmptyList) {
    data_tree(Files{{"Data/levels.txt", "1 alpha"}} + level_folder("alpha", ONE_LAYER));
    ASSERT_EQ(levels_load(), 0);
    ASSERT_EQ(level_count, 1);
    // A second load frees the first list even when the list file has gone.
    remove_tree("Data/levels.txt");
    EXPECT_EQ(levels_load(), -1);
    EXPECT_EQ(level_count, 0);
    EXPECT_EQ(levels, nullptr);
    EXPECT_EQ(current_level, -1);

    remove_tree("Data");
    EXPECT_EQ(levels_load(), -1);
    EXPECT_EQ(level_count, 0);
    EXPECT_EQ(current_level, -1);
}

TEST_F(LevelFiles, SecondLoadReplacesTheFirstList) {
    data_tree(Files{{"Data/levels.txt", "2 alpha beta"}} + level_folder("alpha", ONE_LAYER) +
              level_folder("beta", ONE_LAYER));
    ASSERT_EQ(levels_load(), 0);
    ASSERT_EQ(level_count, 2);
    ASSERT_TRUE(write_file("Data/levels.txt", "1 beta"));
    ASSERT_EQ(levels_load(), 0);
    EXPECT_EQ(level_count, 1);
    EXPECT_EQ(current_level, 0);
    ASSERT_NE(levels[0], nullptr);
}

TEST_F(LevelFiles, CountsThatGiveAnEmptyList) {
    for (const char *count : {"", "abc", "0", "-5", "-2000000000", "10001", "2000000000", "99999999999999"}) {
        data_tree(Files{{"Data/levels.txt", std::string(count) + "\nalpha\n"}} + level_folder("alpha", ONE_LAYER));
        EXPECT_EQ(levels_load(), 0) << '"' << count << '"';
        EXPECT_EQ(level_count, 0) << '"' << count << '"';
        EXPECT_EQ(levels, nullptr) << '"' << count << '"';
        EXPECT_EQ(current_level, -1) << '"' << count << '"';
    }
}

TEST_F(LevelFiles, LargestCountIsStillRead) {
    data_tree(Files{{"Data/levels.txt", std::to_string(MAX_LEVELS) + " alpha"}} + level_folder("alpha", ONE_LAYER));
    ASSERT_EQ(levels_load(), 0);
    ASSERT_EQ(level_count, MAX_LEVELS);
    EXPECT_NE(levels[0], nullptr);
    EXPECT_EQ(levels[MAX_LEVELS - 1], nullptr);
    EXPECT_EQ(current_level, 0);
}

TEST_F(LevelFiles, NamesThatLeaveTheLevelsFolderAreNotOpened) {
    // Each of these names would reach a readable level.txt if it were used as a path.
    data_tree(Files{{"Data/levels.txt", "7\n../x\nsub/lv\nsub\\lv\n..\n.\nl\x01v\nok\n"}} +
              level_folder("ok", ONE_LAYER) +
              Files{{"Data/x/level.txt", ONE_LAYER},
                    {"Data/x/a.txt", ATTR_A},
                    {"Data/Levels/sub/lv/level.txt", ONE_LAYER},
                    {"Data/Levels/sub/lv/a.txt", ATTR_A},
                    {"Data/Levels/sub\\lv/level.txt", ONE_LAYER},
                    {"Data/Levels/sub\\lv/a.txt", ATTR_A},
                    {"Data/level.txt", ONE_LAYER},
                    {"Data/a.txt", ATTR_A},
                    {"Data/Levels/level.txt", ONE_LAYER},
                    {"Data/Levels/a.txt", ATTR_A}} +
              level_folder("l\x01v", ONE_LAYER));
    ASSERT_EQ(levels_load(), 0);
    ASSERT_EQ(level_count, 7);
    for (int i = 0; i < 6; i++) EXPECT_EQ(levels[i], nullptr) << i;
    EXPECT_NE(levels[6], nullptr);
    EXPECT_EQ(current_level, 6);

    EXPECT_EQ(level_load(nullptr), nullptr);
    EXPECT_EQ(level_load(""), nullptr);
    EXPECT_EQ(level_load("../x"), nullptr);
    EXPECT_EQ(level_load("ok/"), nullptr);
    EXPECT_EQ(level_load("nowhere"), nullptr);
}

// Every name with where it is refused and why: on every system (it would leave its folder), on Windows alone
// (a device, a drive or a stream, a character Windows refuses, a trailing dot it drops), or nowhere.
enum Refused { NOWHERE, EVERYWHERE, ON_WINDOWS };
struct NameCase {
    std::string name;
    Refused refused;
    const char *why;  // a word of the reason given
};

const std::vector<NameCase> NAME_CASES = {
    {"", EVERYWHERE, "empty"},
    {".", EVERYWHERE, "folder itself"},
    {"..", EVERYWHERE, "the one above"},
    {"../x", EVERYWHERE, "separator"},
    {"sub/lv", EVERYWHERE, "separator"},
    {"sub\\lv", EVERYWHERE, "separator"},
    {"ok/", EVERYWHERE, "separator"},
    {"C:\\a.txt", EVERYWHERE, "separator"},
    {"a\x01b", EVERYWHERE, "control"},
    {"a\x7f", EVERYWHERE, "control"},
    {"aux", ON_WINDOWS, "device"},
    {"con", ON_WINDOWS, "device"},
    {"COM1", ON_WINDOWS, "device"},
    {"nul.lvl", ON_WINDOWS, "device"},
    {"NUL.tar.gz", ON_WINDOWS, "device"},
    {"Aux", ON_WINDOWS, "device"},
    {"PRN", ON_WINDOWS, "device"},
    {"CONIN$", ON_WINDOWS, "device"},
    {"conout$", ON_WINDOWS, "device"},
    {"CLOCK$", ON_WINDOWS, "device"},
    {"com9", ON_WINDOWS, "device"},
    {"COM0", ON_WINDOWS, "device"},
    {"LPT1", ON_WINDOWS, "device"},
    {"lpt9.txt", ON_WINDOWS, "device"},
    {"COM\xb9", ON_WINDOWS, "device"},
    {"LPT\xb2", ON_WINDOWS, "device"},
    {"nul .txt", ON_WINDOWS, "device"},
    {"night:2", ON_WINDOWS, "colon"},
    {"C:a.txt", ON_WINDOWS, "colon"},
    {"a.txt:x", ON_WINDOWS, "colon"},
    {"a::$DATA", ON_WINDOWS, "colon"},
    {"end.", ON_WINDOWS, "trailing dot"},
    {"NUL.", ON_WINDOWS, "trailing dot"},
    {"...", ON_WINDOWS, "trailing dot"},
    {"end ", ON_WINDOWS, "trailing dot or space"},
    {"a*.txt", ON_WINDOWS, "characters"},
    {"a?.txt", ON_WINDOWS, "characters"},
    {"a<b", ON_WINDOWS, "characters"},
    {"a>b", ON_WINDOWS, "characters"},
    {"a|b", ON_WINDOWS, "characters"},
    {"a\"b", ON_WINDOWS, "characters"},
    {"caf\xc3\xa9", ON_WINDOWS, "outside ASCII"},
    {"COM\xc2\xb9", ON_WINDOWS, "outside ASCII"},
    {"\xe9t\xe9", ON_WINDOWS, "outside ASCII"},
    {"a..b", NOWHERE, nullptr},
    {"..a", NOWHERE, nullptr},
    {".hidden", NOWHERE, nullptr},
    {"CONSOLE", NOWHERE, nullptr},
    {"con_", NOWHERE, nullptr},
    {"nul_.txt", NOWHERE, nullptr},
    {"COM10", NOWHERE, nullptr},
    {"com", NOWHERE, nullptr},
    {"LPT", NOWHERE, nullptr},
    {"lpt1x", NOWHERE, nullptr},
    {"COMA", NOWHERE, nullptr},
    {"auxiliary.txt", NOWHERE, nullptr},
    {"a.b.c", NOWHERE, nullptr},
    {"CLOCK", NOWHERE, nullptr},
};

TEST(LevelNames, EachNameIsRefusedWhereItWouldNotOpenWithItsReason) {
    EXPECT_NE(level_name_leaves_folder(nullptr), nullptr);
    for (const NameCase &c : NAME_CASES) {
        SCOPED_TRACE(c.name);
        const char *leaves = level_name_leaves_folder(c.name.c_str());
        EXPECT_EQ(leaves != nullptr, c.refused == EVERYWHERE);
        // The Windows rule is asked only about names that stay in their folder, as the checker asks it.
        const char *windows = c.refused == EVERYWHERE ? nullptr : level_name_not_on_windows(c.name.c_str());
        EXPECT_EQ(windows != nullptr, c.refused == ON_WINDOWS);
        const char *why = leaves ? leaves : windows;
        if (c.why && why) {
            EXPECT_NE(std::string(why).find(c.why), std::string::npos) << why;
        }
        // This build is the Linux one: it refuses only what leaves the folder.
        EXPECT_EQ(level_name_refusal(c.name.c_str()), leaves);
    }
}

// Data/Levels/NAME/FILE may be WINDOWS_PATH_MAX - WINDOWS_FOLDER_ALLOWANCE = 159 characters: "Data/Levels/" is 12.
TEST(LevelNames, APathPastWhatWindowsOpensFromAnUnpackedGameIsNamedWithItsLength) {
    struct Case {
        std::string name, file;
        const char *why;  // a piece of the reason, or null for a path that fits
    } cases[] = {
        {std::string(137, 'n'), "level.txt", nullptr},
        {std::string(138, 'n'), "level.txt", "is 160 characters"},
        {"lv", std::string(144, 'f'), nullptr},
        {"lv", std::string(145, 'f'), "is 160 characters, and with 100 for the folder the game is unpacked in"},
        {std::string(255, 'n'), std::string(255, 'f'), "is 523 characters"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.name.size()) + " + " + std::to_string(c.file.size()));
        const char *why = level_path_not_on_windows(c.name.c_str(), c.file.c_str());
        ASSERT_EQ(why != nullptr, c.why != nullptr);
        if (why) {
            EXPECT_NE(std::string(why).find(c.why), std::string::npos) << why;
        }
    }
}

// The names Windows refuses are ordinary file names here: each is a real folder or file holding something valid,
// as a level name and as the file of an attr and of an ascii layer, and each loads; nothing is logged.
TEST_F(LevelFiles, LinuxOpensEveryNameThatStaysInItsFolder) {
    remove("gamelog.txt");
    ASSERT_EQ(log_init(), 0);
    for (const NameCase &c : NAME_CASES) {
        // A word never holds a space.
        if (c.refused == EVERYWHERE || c.name.find(' ') != std::string::npos) continue;
        const std::string &n = c.name;
        SCOPED_TRACE(n);
        data_tree(level_folder("lv", "2 attr " + n + " ascii " + n + ".pic") +
                  Files{{"Data/Levels/lv/" + n, ATTR_A}, {"Data/Levels/lv/" + n + ".pic", PIC_3}});
        LEVEL *l = level_load("lv");
        ASSERT_NE(l, nullptr);
        ASSERT_NE(l->attr, nullptr);
        EXPECT_EQ(l->attr->width, 100);
        ASSERT_NE(l->layers[1], nullptr);
        EXPECT_EQ(((ASCII_SPRITE *)l->layers[1])->w, 3);
        level_destroy(l);
        data_tree(Files{{"Data/levels.txt", "2\n" + n + "\nok\n"}} + level_folder(n, ONE_LAYER) +
                  level_folder("ok", ONE_LAYER));
        ASSERT_EQ(levels_load(), 0);
        ASSERT_EQ(level_count, 2);
        EXPECT_NE(levels[0], nullptr);
        EXPECT_NE(levels[1], nullptr);
    }
    log_close();
    for (const std::string &m : log_since_init()) EXPECT_EQ(m.find("not opened"), std::string::npos) << m;
}

// A refused name leaves a level or a layer out of the game: the log says which and why.
TEST_F(LevelFiles, ARefusedNameIsLoggedWithItsReason) {
    data_tree(Files{{"Data/levels.txt", "2\n../x\nok\n"}} + level_folder("ok", "2 attr a.txt ascii sub/p.txt") +
              Files{{"Data/x/level.txt", ONE_LAYER}, {"Data/x/a.txt", ATTR_A}, {"Data/Levels/ok/sub/p.txt", PIC_2}});
    remove("gamelog.txt");
    ASSERT_EQ(log_init(), 0);
    ASSERT_EQ(levels_load(), 0);
    log_close();
    EXPECT_EQ(levels[0], nullptr);
    ASSERT_NE(levels[1], nullptr);
    EXPECT_EQ(levels[1]->layers[1], nullptr);
    const std::vector<std::string> want = {
        "Level name \"../x\" not opened: it holds a path separator (/ or \\)",
        "File name \"sub/p.txt\" in level \"ok\" not opened: it holds a path separator (/ or \\)",
    };
    EXPECT_EQ(log_since_init(), want);
}

TEST_F(LevelFiles, LongNamesAreReadAsWordsOf255) {
    std::string longest(255, 'n');
    std::string rest(45, 'r');
    // A 300-character word is read as a 255-character name followed by the other 45 as the next name.
    data_tree(Files{{"Data/levels.txt", "3\n" + longest + "\n" + longest + rest + "\n"}} +
              level_folder(longest, ONE_LAYER) + level_folder(rest, "1 attr b.txt"));
    ASSERT_EQ(levels_load(), 0);
    ASSERT_EQ(level_count, 3);
    ASSERT_NE(levels[0], nullptr);
    ASSERT_NE(levels[1], nullptr);
    ASSERT_NE(levels[2], nullptr);
    EXPECT_EQ(levels[1]->attr->width, 100);
    EXPECT_EQ(levels[2]->attr->width, 200);
    EXPECT_EQ(current_level, 2);
}

TEST_F(LevelFiles, FreeWithNothingLoadedOnlyResets) {
    levels_free();
    current_level = 7;
    levels_free();
    EXPECT_EQ(level_count, 0);
    EXPECT_EQ(current_level, -1);
    EXPECT_EQ(levels, nullptr);
}

// ---- layer lists ----

struct LayerCase {
    const char *name;
    std::string level_txt;
    std::vector<int> kinds;
    std::vector<int> widths;  // per slot: the record's width or the sprite's width in cells; 0 for null
    int attr_slot;            // the slot attr must point at; -1 for null
};

std::ostream &operator<<(std::ostream &o, const LayerCase &c) { return o << c.name; }

class LayerList : public LevelFiles, public testing::WithParamInterface<LayerCase> {};

TEST_P(LayerList, ReadsKindsAndFiles) {
    const LayerCase &c = GetParam();
    // Files beyond the level's folder, reachable only through names that leave it.
    data_tree(level_folder("lv", c.level_txt) + Files{{"Data/Levels/p.txt", PIC_2},
                                                      {"Data/a.txt", ATTR_A},
                                                      {"Data/Levels/lv/sub/p.txt", PIC_2},
                                                      {"Data/Levels/lv/sub\\p.txt", PIC_2}});
    LEVEL *l = level_load("lv");
    ASSERT_NE(l, nullptr);
    ASSERT_EQ(l->layer_count, (int)c.kinds.size());
    for (int i = 0; i < l->layer_count; i++) {
        EXPECT_EQ(l->layer_types[i], c.kinds[i]) << "slot " << i;
        int width = 0;
        if (l->layers[i] && l->layer_types[i] == LAYER_ATTR) width = ((LEVEL_ATTR *)l->layers[i])->width;
        if (l->layers[i] && l->layer_types[i] == LAYER_ASCII) width = ((ASCII_SPRITE *)l->layers[i])->w;
        if (l->layer_types[i] == LAYER_NONE) {
            EXPECT_EQ(l->layers[i], nullptr) << "slot " << i;
        }
        EXPECT_EQ(width, c.widths[i]) << "slot " << i;
    }
    if (c.attr_slot < 0) {
        EXPECT_EQ(l->attr, nullptr);
    } else {
        EXPECT_EQ((void *)l->attr, l->layers[c.attr_slot]);
    }
    level_destroy(l);
}

constexpr int N = LAYER_NONE, A = LAYER_ATTR, S = LAYER_ASCII;

INSTANTIATE_TEST_SUITE_P(
    Cases, LayerList,
    testing::Values(
        LayerCase{"Plain", "2\nattr a.txt\nascii p.txt\n", {A, S}, {100, 2}, 0},
        LayerCase{"MixedCaseKinds", "3\nATTR a.txt\nAscii p.txt\naScIi q.txt\n", {A, S, S}, {100, 2, 3}, 0},
        LayerCase{"CrLf", "2\r\nattr a.txt\r\nascii q.txt\r\n", {A, S}, {100, 3}, 0},
        LayerCase{"FreeLayout", "  2 attr\n\n a.txt ascii\tq.txt", {A, S}, {100, 3}, 0},
        LayerCase{"TwoAttrLayersAttrIsTheSecond", "2 attr a.txt attr b.txt", {A, A}, {100, 200}, 1},
        LayerCase{"AttrAfterPictures", "3 ascii p.txt attr b.txt ascii q.txt", {S, A, S}, {2, 200, 3}, 1},
        LayerCase{
            "UnknownKindThenFileName", "4\nfoo p.txt\nascii p.txt\nattr a.txt\n", {N, N, S, A}, {0, 0, 2, 100}, 3},
        LayerCase{"CountLargerThanLayers", "4 attr a.txt ascii p.txt", {A, S, N, N}, {100, 2, 0, 0}, 0},
        LayerCase{"KindWithoutFileName", "2 attr a.txt ascii", {A, S}, {100, 0}, 0},
        LayerCase{"MissingFiles", "3 attr none.txt ascii none.txt ascii p.txt", {A, S, S}, {0, 0, 2}, -1},
        LayerCase{"LastAttrMissing", "2 attr a.txt attr none.txt", {A, A}, {100, 0}, -1},
        LayerCase{"MalformedFiles", "2 attr bad.txt ascii bad.txt", {A, S}, {0, 0}, -1},
        LayerCase{"FileNamesLeavingTheFolder",
                  "5 ascii ../p.txt ascii sub/p.txt ascii sub\\p.txt attr ../../a.txt "
                  "attr ..",
                  {S, S, S, A, A},
                  {0, 0, 0, 0, 0},
                  -1},
        LayerCase{"LongFileName", "1 ascii " + std::string(300, 'f'), {S}, {0}, -1},
        LayerCase{"LargestCount", std::to_string(MAX_LAYERS) + " ascii p.txt",
                  [] {
                      std::vector<int> k(MAX_LAYERS, N);
                      k[0] = S;
                      return k;
                  }(),
                  [] {
                      std::vector<int> w(MAX_LAYERS, 0);
                      w[0] = 2;
                      return w;
                  }(),
                  -1}),
    [](const testing::TestParamInfo<LayerCase> &i) { return std::string(i.param.name); });

TEST_F(LevelFiles, LayerCountsThatGiveNoLevel) {
    for (const char *count : {"", "abc", "0", "-1", "-2000000000", "10001", "2000000000", "99999999999999"}) {
        data_tree(level_folder("lv", std::string(count) + " attr a.txt"));
        LEVEL *l = level_load("lv");
        EXPECT_EQ(l, nullptr) << '"' << count << '"';
        level_destroy(l);
    }
}

// ---- attribute files ----

struct AttrCase {
    const char *name;
    std::string text;
    bool null;
    int width, height, unit_w, unit_h;
    std::vector<int> cars;
    int bg_r, bg_g, bg_b, reserved, time_limit;
};

std::ostream &operator<<(std::ostream &o, const AttrCase &c) { return o << c.name; }

class AttrFile : public testing::TestWithParam<AttrCase> {};

TEST_P(AttrFile, ReadsTheRecord) {
    const AttrCase &c = GetParam();
    FILE *f = text_stream(c.text);
    ASSERT_NE(f, nullptr);
    LEVEL_ATTR *a = level_attr_load(f);
    fclose(f);
    if (c.null) {
        EXPECT_EQ(a, nullptr);
        level_attr_destroy(a);
        return;
    }
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->width, c.width);
    EXPECT_EQ(a->height, c.height);
    EXPECT_EQ(a->unit_w, c.unit_w);
    EXPECT_EQ(a->unit_h, c.unit_h);
    EXPECT_EQ(std::vector<int>(a->cars, a->cars + a->car_count), c.cars);
    EXPECT_EQ(a->bg_r, c.bg_r);
    EXPECT_EQ(a->bg_g, c.bg_g);
    EXPECT_EQ(a->bg_b, c.bg_b);
    EXPECT_EQ(a->reserved, c.reserved);
    EXPECT_EQ(a->time_limit, c.time_limit);
    level_attr_destroy(a);
}

AttrCase rec(const char *name, std::string text, int w, int h, int uw, int uh, std::vector<int> cars, int r, int g,
             int b, int res, int t) {
    return {name, std::move(text), false, w, h, uw, uh, std::move(cars), r, g, b, res, t};
}
AttrCase no_rec(const char *name, std::string text) {
    return {name, std::move(text), true, 0, 0, 0, 0, {}, 0, 0, 0, 0, 0};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AttrFile,
    testing::Values(
        rec("Full", "40 10 16 24 3\n0 1 3\n10 20 30 99\n120\n", 40, 10, 16, 24, {0, 1, 3}, 10, 20, 30, 99, 120),
        rec("OneLine", "40 10 16 24 3 0 1 3 10 20 30 99 120", 40, 10, 16, 24, {0, 1, 3}, 10, 20, 30, 99, 120),
        rec("EndsAfterFiveNumbers", "40 10 16 24 3", 40, 10, 16, 24, {-1, -1, -1}, 0, 0, 0, 0, 0),
        rec("PartOfTheCars", "4 1 1 1 3\n2\n", 4, 1, 1, 1, {2, -1, -1}, 0, 0, 0, 0, 0),
        rec("NoTimeLimit", "4 1 1 1 1 3 9 8 7 6", 4, 1, 1, 1, {3}, 9, 8, 7, 6, 0),
        rec("UnreadableCarStopsTheRest", "4 1 1 1 2 x 3 9 8 7 6 5", 4, 1, 1, 1, {-1, -1}, 0, 0, 0, 0, 0),
        rec("ZeroAndNegativeUnits", "4 2 0 -8 1 3", 4, 2, 0, -8, {3}, 0, 0, 0, 0, 0),
        rec("SaturatedNumbers", "99999999999 1 99999999999 -99999999999 1 5", INT_MAX, 1, INT_MAX, INT_MIN, {5}, 0, 0,
            0, 0, 0),
        no_rec("Empty", ""), no_rec("WidthZero", "0 1 1 1 1 0"), no_rec("HeightZero", "1 0 1 1 1 0"),
        no_rec("HeightNegative", "1 -1 1 1 1 0"), no_rec("NoCars", "1 1 1 1 0"), no_rec("NegativeCars", "1 1 1 1 -3 0"),
        no_rec("CarCountMissing", "1 1 1 1"), no_rec("TooManyCars", "1 1 1 1 100001 0"),
        no_rec("HugeCarCount", "1 1 1 1 2000000000 0"), no_rec("CarCountBeyondInt", "1 1 1 1 99999999999999 0"),
        no_rec("Words", "attr a.txt")),
    [](const testing::TestParamInfo<AttrCase> &i) { return std::string(i.param.name); });

TEST(AttrFileLimits, LargestCarCountIsRead) {
    std::string text = "1 1 1 1 " + std::to_string(MAX_CARS) + " 2";
    FILE *f = text_stream(text);
    ASSERT_NE(f, nullptr);
    LEVEL_ATTR *a = level_attr_load(f);
    fclose(f);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->car_count, MAX_CARS);
    EXPECT_EQ(a->cars[0], 2);
    EXPECT_EQ(a->cars[MAX_CARS - 1], -1);
    level_attr_destroy(a);
}

TEST(Records, CreateRefusesSizesBelowOneAndBeyondTheLimits) {
    LEVEL_ATTR *a = level_attr_create(3, 2, 2);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->width, 3);
    EXPECT_EQ(a->height, 2);
    EXPECT_EQ(a->car_count, 2);
    EXPECT_EQ(a->cars[0], -1);
    EXPECT_EQ(a->cars[1], -1);
    EXPECT_EQ(a->unit_w, 0);
    EXPECT_EQ(a->unit_h, 0);
    EXPECT_EQ(a->bg_r + a->bg_g + a->bg_b + a->reserved + a->time_limit, 0);
    level_attr_destroy(a);
    for (auto args : {std::vector<int>{0, 1, 1},
                      {1, 0, 1},
                      {1, 1, 0},
                      {-1, 1, 1},
                      {1, 1, MAX_CARS + 1},
                      {1, 1, INT_MAX},
                      {INT_MIN, INT_MIN, INT_MIN}})
        EXPECT_EQ(level_attr_create(args[0], args[1], args[2]), nullptr);
    level_attr_destroy(nullptr);

    LEVEL *l = level_create(3);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->layer_count, 3);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(l->layer_types[i], LAYER_NONE);
        EXPECT_EQ(l->layers[i], nullptr);
    }
    EXPECT_EQ(l->attr, nullptr);
    level_destroy(l);
    for (int n : {0, -1, MAX_LAYERS + 1, INT_MAX, INT_MIN}) EXPECT_EQ(level_create(n), nullptr) << n;
    level_destroy(nullptr);
}

TEST(Records, DestroyFreesEachSlotByItsKind) {
    // Run under the leak checker of the sanitizer build: every object must go with its level.
    LEVEL *l = level_create(4);
    ASSERT_NE(l, nullptr);
    l->layer_types[0] = LAYER_ATTR;
    l->layers[0] = level_attr_create(1, 1, 1);
    l->attr = (LEVEL_ATTR *)l->layers[0];
    l->layer_types[1] = LAYER_ASCII;
    l->layers[1] = sprite_create(2, 2);
    l->layer_types[2] = LAYER_ASCII;  // a picture that failed to load
    level_destroy(l);
}

}  // namespace
