// tests/app/log_test.cpp — the game log's line format, its opening lines, appending, and strip_newline.
#include "app/log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace {

const std::string SEPARATOR(55, '-');

// One log line: the ctime stamp in brackets, then the message.
const std::regex LINE(R"(^\[((?:Sun|Mon|Tue|Wed|Thu|Fri|Sat) (?:Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) )"
                      R"([ 1-3]\d \d\d:\d\d:\d\d \d{4})\]: (.*)$)");

// The messages of the log with "" for a blank line; fails the test on a line without the stamp.
std::vector<std::string> messages(const std::string &text) {
    std::vector<std::string> out;
    for (const std::string &l : split_lines(text)) {
        if (l.empty()) {
            out.push_back("");
            continue;
        }
        std::smatch m;
        EXPECT_TRUE(std::regex_match(l, m, LINE)) << "malformed line: " << l;
        out.push_back(m.size() > 2 ? m[2].str() : l);
    }
    return out;
}

class Log : public testing::Test {
   protected:
    void SetUp() override {
        log_close();
        remove_tree("gamelog.txt");
    }
    void TearDown() override { log_close(); }
};

TEST_F(Log, WritesNothingWhileClosed) {
    EXPECT_EQ(log_printf("nobody listens %d", 1), 0);
    struct stat st;
    EXPECT_NE(stat("gamelog.txt", &st), 0) << "a closed log must not create its file";

    log_init();
    log_close();
    std::string before = read_file("gamelog.txt");
    EXPECT_EQ(log_printf("after the close"), 0);
    log_close();  // a second close finds nothing to do
    EXPECT_EQ(read_file("gamelog.txt"), before);
}

TEST_F(Log, InitWritesBlankLineSeparatorAndGreeting) {
    EXPECT_EQ(log_init(), 0);
    std::string text = read_file("gamelog.txt");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text[0], '\n');
    EXPECT_EQ(messages(text), (std::vector<std::string>{"", SEPARATOR, "Log Initialized"}));
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(Log, StampIsTheCurrentLocalTimeInCtimeForm) {
    time_t before = time(nullptr);
    log_init();
    log_printf("tick");
    time_t after = time(nullptr);
    std::vector<std::string> lines = split_lines(read_file("gamelog.txt"));
    ASSERT_EQ(lines.size(), 4u);
    const std::string &line = lines[3];
    ASSERT_GE(line.size(), 28u);
    EXPECT_EQ(line.substr(0, 1), "[");
    EXPECT_EQ(line.substr(25, 3), "]: ") << "the stamp is exactly 24 characters";
    EXPECT_EQ(line.substr(28), "tick");

    struct tm tm {};
    ASSERT_NE(strptime(line.substr(1, 24).c_str(), "%a %b %d %H:%M:%S %Y", &tm), nullptr) << line;
    tm.tm_isdst = -1;
    time_t stamped = mktime(&tm);
    EXPECT_GE(stamped, before);
    EXPECT_LE(stamped, after);
}

TEST_F(Log, EachMessageGetsExactlyOneLineBreak) {
    struct Case {
        const char *message;
        std::string tail;  // what the file must end with after the stamp
    };
    const Case cases[] = {
        {"plain", "plain\n"},
        {"two\nlines", "two\nlines\n"},
        {"ends in a break\n", "ends in a break\n\n"},
        {"", "\n"},
    };
    log_init();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        size_t size_before = read_file("gamelog.txt").size();
        int n = log_printf("%s", c.message);
        std::string added = read_file("gamelog.txt").substr(size_before);
        EXPECT_EQ(n, (int)added.size()) << "the result counts every character written";
        ASSERT_EQ(added.size(), 28 + c.tail.size());
        EXPECT_EQ(added.substr(0, 1), "[");
        EXPECT_EQ(added.substr(25, 3), "]: ");
        EXPECT_EQ(added.substr(28), c.tail);
    }
}

TEST_F(Log, FormatsItsArgumentsPrintfStyle) {
    log_init();
    log_printf("Screen Initialized: %d x %d @ %d bpp %s", 640, 480, 16, "Windowed");
    log_printf("Next Level, @Level %d", 3);
    std::vector<std::string> m = messages(read_file("gamelog.txt"));
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[3], "Screen Initialized: 640 x 480 @ 16 bpp Windowed");
    EXPECT_EQ(m[4], "Next Level, @Level 3");
}

TEST_F(Log, RunsAppendToTheSameFile) {
    ASSERT_TRUE(write_file("gamelog.txt", "left by an older run\n"));
    log_init();
    log_printf("first run");
    log_close();
    log_init();
    log_printf("second run");
    log_init();  // reopening while open closes first and starts a new block
    log_close();
    std::vector<std::string> m = messages(read_file("gamelog.txt").substr(strlen("left by an older run\n")));
    EXPECT_EQ(read_file("gamelog.txt").rfind("left by an older run\n", 0), 0u);
    EXPECT_EQ(m, (std::vector<std::string>{"", SEPARATOR, "Log Initialized", "first run",   //
                                           "", SEPARATOR, "Log Initialized", "second run",  //
                                           "", SEPARATOR, "Log Initialized"}));
}

TEST_F(Log, UnopenableFileSendsTheLogToStandardOutput) {
    ASSERT_EQ(mkdir("gamelog.txt", 0755), 0);  // a folder in the way: the open fails
    testing::internal::CaptureStdout();
    log_init();
    log_printf("to the console %d", 7);
    log_close();  // must not close standard output
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(messages(out), (std::vector<std::string>{"", SEPARATOR, "Log Initialized", "to the console 7"}));
    EXPECT_NE(fflush(stdout), EOF);
    EXPECT_GE(fprintf(stdout, "%s", ""), 0) << "standard output still usable after log_close";
    remove_tree("gamelog.txt");
}

TEST(StripNewline, CutsAtTheFirstCarriageReturnOrLineFeed) {
    struct Case {
        const char *in;
        const char *out;
    };
    const Case cases[] = {
        {"Tue Dec  8 22:18:32 2026\n", "Tue Dec  8 22:18:32 2026"},
        {"level1\r\n", "level1"},
        {"first\nsecond\n", "first"},
        {"first\rsecond", "first"},
        {"\nleading", ""},
        {"no break", "no break"},
        {"", ""},
    };
    for (const Case &c : cases) {
        char buf[64];
        snprintf(buf, sizeof buf, "%s", c.in);
        SCOPED_TRACE(c.in);
        EXPECT_EQ(strip_newline(buf), buf);
        EXPECT_STREQ(buf, c.out);
    }
    // Nothing after the first break is touched.
    char two[] = "a\r\nb";
    strip_newline(two);
    EXPECT_EQ(std::string(two, sizeof two - 1), std::string("a\0\nb", 4));
    EXPECT_EQ(strip_newline(nullptr), nullptr);
}

}  // namespace
