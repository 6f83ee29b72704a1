// tests/app/keys_test.cpp — app/keys.h lists every key the game reads, and nothing else: the browser keeps from the
// page exactly what it lists, so a key read in src/ and missing there would scroll the page or open the browser's
// help while the player uses it.
#include "app/keys.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "app/config.h"
#include "support/fixtures.h"

namespace {

#define NAMES_OF_(...) #__VA_ARGS__
#define NAMES_OF(...) NAMES_OF_(__VA_ARGS__)

const std::regex KEY_NAME(R"(\bKEY_[A-Z0-9_]+\b)");

// The names GAME_KEYS lists, as the sources write them: the library's header defines each KEY_ name as its own
// __allegro_KEY_ one, which the list's expansion shows.
std::set<std::string> listed() {
    std::set<std::string> names;
    const std::string text = NAMES_OF(GAME_KEYS);
    const std::regex item(R"((?:\b__allegro_)?(KEY_[A-Z0-9_]+)\b)");
    for (std::sregex_iterator m(text.begin(), text.end(), item), end; m != end; ++m) names.insert((*m)[1].str());
    return names;
}

// Every KEY_ name the game's sources use, with the first file and line that uses it.
std::map<std::string, std::string> read_in_src(const std::string &src) {
    std::map<std::string, std::string> found;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(src)) {
        const std::filesystem::path &path = entry.path();
        if (!entry.is_regular_file() || (path.extension() != ".cpp" && path.extension() != ".h")) continue;
        std::string rel = std::filesystem::relative(path, src).generic_string();
        if (rel == "app/keys.h") continue;
        std::ifstream f(path);
        std::string line;
        for (int n = 1; std::getline(f, line); n++)
            for (std::sregex_iterator m(line.begin(), line.end(), KEY_NAME), end; m != end; ++m)
                found.emplace(m->str(), "src/" + rel + ":" + std::to_string(n));
    }
    return found;
}

TEST(GameKeys, TheListIsEveryKeyTheGameReads) {
    std::set<std::string> names = listed();
    std::map<std::string, std::string> read = read_in_src(source_dir() + "/src");
    ASSERT_FALSE(read.empty()) << "no KEY_ name found under " << source_dir() << "/src";
    for (const auto &[name, where] : read)
        EXPECT_TRUE(names.count(name)) << where << " reads " << name
                                       << ", which src/app/keys.h does not list: add it to GAME_KEYS there, or the "
                                          "browser lets it scroll the page";
    for (const std::string &name : names)
        EXPECT_TRUE(read.count(name))
            << "src/app/keys.h lists " << name
            << ", which nothing in src/ reads: the browser keeps it from the page for nothing";
}

TEST(GameKeys, EachIsAScancodeOnce) {
    const int keys[] = {GAME_KEYS};
    std::set<int> seen;
    for (int k : keys) {
        EXPECT_GT(k, 0);
        EXPECT_LT(k, KEY_MAX);
        EXPECT_TRUE(seen.insert(k).second) << "scancode " << k << " listed twice";
    }
    EXPECT_EQ(seen.size(), listed().size());
}

}  // namespace
