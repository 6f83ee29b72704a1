// tests/states/screens_test.cpp — the title menu, help page, game-over, you-win and victory screens.
#include <gtest/gtest.h>

#include <vector>

#include "game/game.h"
#include "screen_support.h"

namespace {

// ---------------------------------------------------------------- title menu

using Menu = Screens;

TEST_F(Menu, UpAndDownStopAtTheEndsWithoutWrapping) {
    struct Case {
        std::vector<int> keys;
        std::vector<int> selection;  // after each poll
    };
    const Case cases[] = {
        {{KEY_UP}, {0}},
        {{KEY_DOWN, KEY_DOWN, KEY_DOWN}, {1, 2, 2}},
        {{KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_UP, KEY_UP, KEY_UP}, {1, 2, 2, 1, 0, 0}},
        {{KEY_DOWN, KEY_A, KEY_SPACE, KEY_ESC, KEY_LEFT}, {1, 1, 1, 1, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.keys));
        reset();
        show(STATE_MENU);
        ASSERT_EQ(menu_selection, 0);
        for (size_t i = 0; i < c.keys.size(); i++) {
            press(c.keys[i]);
            state_input();
            EXPECT_EQ(menu_selection, c.selection[i]) << "after key " << i;
            EXPECT_FALSE(keypressed());
        }
        EXPECT_EQ(current_state, STATE_MENU);
        EXPECT_EQ(quit_pending, 0) << "ESC does not quit from the menu";
    }
}

TEST_F(Menu, TakesOneKeyPerPollInOrder) {
    show(STATE_MENU);
    press(KEY_DOWN);
    press(KEY_DOWN);
    press(KEY_UP);
    const int expected[] = {1, 2, 1};
    for (int want : expected) {
        state_input();
        EXPECT_EQ(menu_selection, want);
    }
    EXPECT_FALSE(keypressed());
    state_input();  // nothing waiting: nothing changes
    EXPECT_EQ(menu_selection, 1);
}

TEST_F(Menu, EnterOnEachItem) {
    // "Game" without any level data fails to load and comes straight back to the menu.
    show(STATE_MENU);
    press(KEY_ENTER, 13);
    state_input();
    EXPECT_EQ(current_state, STATE_MENU);
    EXPECT_EQ(previous_state, STATE_GAME);
    EXPECT_EQ(transition_count, 2);
    EXPECT_EQ(menu_selection, 0);
    EXPECT_NE(menu_pattern, nullptr);

    reset();
    show(STATE_MENU);
    press(KEY_DOWN);
    press(KEY_ENTER, 13);
    state_input();
    state_input();
    EXPECT_EQ(current_state, STATE_HELP);
    EXPECT_EQ(previous_state, STATE_MENU);
    EXPECT_EQ(menu_pattern, nullptr) << "the menu's exit ran";
    EXPECT_EQ(menu_selection, 0) << "the clamp after the exit";

    reset();
    show(STATE_MENU);
    press(KEY_DOWN);
    press(KEY_DOWN);
    press(KEY_ENTER, 13);
    for (int i = 0; i < 3; i++) state_input();
    EXPECT_EQ(quit_pending, 1);
    EXPECT_EQ(current_state, STATE_MENU);
    EXPECT_EQ(menu_selection, 2);
    EXPECT_NE(menu_pattern, nullptr) << "the exit waits for the next update";
    state_update();
    EXPECT_EQ(quit_flag, 1);
    EXPECT_EQ(menu_pattern, nullptr);
}

TEST_F(Menu, ComingBackHighlightsGameAgain) {
    show(STATE_MENU);
    press(KEY_DOWN);
    press(KEY_ENTER, 13);
    state_input();
    state_input();
    ASSERT_EQ(current_state, STATE_HELP);
    settle();
    press(KEY_ENTER, 13);
    state_input();
    EXPECT_EQ(current_state, STATE_MENU);
    EXPECT_EQ(menu_selection, 0);
    EXPECT_EQ(menu_scroll, 0);
}

TEST_F(Menu, LatticeDriftsOnePixelATickAndRepeatsEvery640) {
    show(STATE_MENU);
    EXPECT_EQ(menu_scroll, 1);
    for (int i = 1; i < 639; i++) state_update();
    EXPECT_EQ(menu_scroll, 639);
    state_update();
    EXPECT_EQ(menu_scroll, 0);
    state_update();
    EXPECT_EQ(menu_scroll, 1);
}

TEST_F(Menu, DrawsTheLatticeOverTheGreyPageWithoutASeam) {
    show(STATE_MENU);
    // Two cell rows well below the title and the items: every pixel is lattice or page.
    const int rows[] = {40, 41};
    for (int scroll : {0, 1, 7, 8, 320, 639}) {
        SCOPED_TRACE(scroll);
        menu_scroll = scroll;
        state_render();
        int wrong = 0;
        for (int row : rows)
            for (int y = row * CELL_H; y < (row + 1) * CELL_H; y++)
                for (int x = 0; x < SCREEN_W; x++) {
                    int lx = ((x - scroll) % SCREEN_W + SCREEN_W) % SCREEN_W;  // x inside the lattice
                    int col = lx / CELL_W;
                    char c = (col + row) % 2 == 0 ? '/' : '\\';
                    bool lattice = glyph_ink(c, lx % CELL_W, y % CELL_H);
                    bool ok = lattice ? shows(dbuffer, x, y, 191, 191, 191) : shows(dbuffer, x, y, 220, 220, 220);
                    if (!ok && wrong++ < 5) ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
                }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(Menu, ItemsAreCentredWithTheChoiceInRed) {
    const char *labels[] = {"Game", "Help", "Exit"};
    const int ys[] = {150, 170, 190};
    show(STATE_MENU);
    for (int sel = 0; sel < 3; sel++) {
        SCOPED_TRACE(sel);
        if (sel > 0) {
            press(KEY_DOWN);
            state_input();
        }
        state_render();
        EXPECT_EQ(ink(dbuffer, 255, 0, 0), text_ink(labels[sel], SCREEN_W / 2, ys[sel], true));
        Box others;
        for (int i = 0; i < 3; i++)
            if (i != sel) others.add(text_ink(labels[i], SCREEN_W / 2, ys[i], true));
        EXPECT_EQ(ink(dbuffer, 64, 0, 0), others);
    }
}

TEST_F(Menu, TitlePictureIsCentredThirtyPixelsDown) {
    struct Case {
        int w, h;
    };
    for (Case c : {Case{10, 2}, Case{7, 1}, Case{80, 3}}) {
        SCOPED_TRACE(c.w);
        reset();
        write_sprite("Game/title.txt", c.w, c.h, 0, 0, 255);
        show(STATE_MENU);
        ASSERT_NE(title_sprite, nullptr);
        state_render();
        int x = (SCREEN_W - c.w * CELL_W) / 2;
        Box want = text_ink(std::string(c.w, '#').c_str(), x, 30, false);
        want.add(text_ink(std::string(c.w, '#').c_str(), x, 30 + (c.h - 1) * CELL_H, false));
        EXPECT_EQ(ink(dbuffer, 0, 0, 255), want);
    }
}

TEST_F(Menu, WorksWithoutItsTitlePicture) {
    show(STATE_MENU);
    EXPECT_EQ(title_sprite, nullptr);
    ASSERT_NE(menu_pattern, nullptr);
    state_render();
    EXPECT_EQ(ink(dbuffer, 255, 0, 0), text_ink("Game", SCREEN_W / 2, 150, true));
    // Only page, lattice and items: the title's place shows the lattice.
    int n = count_colour(dbuffer, 220, 220, 220) + count_colour(dbuffer, 191, 191, 191) +
            count_colour(dbuffer, 255, 0, 0) + count_colour(dbuffer, 64, 0, 0);
    EXPECT_EQ(n, SCREEN_W * SCREEN_H);
}

// ---------------------------------------------------------------- help page

using Help = Screens;

TEST_F(Help, EnterReturnsToTheScreenBefore) {
    for (int before : {STATE_MENU, STATE_GAME_OVER, STATE_YOU_WIN, STATE_COUNT}) {
        SCOPED_TRACE(before);
        reset();
        show(before);
        show(STATE_HELP);
        press(KEY_ENTER, 13);
        state_input();
        EXPECT_EQ(current_state, before);
        EXPECT_EQ(previous_state, STATE_HELP);
        EXPECT_EQ(transition_count, 1) << "the screen returned to waits for its update";
    }
}

TEST_F(Help, OtherKeysAreSwallowed) {
    show(STATE_MENU);
    show(STATE_HELP);
    for (int k : {KEY_ESC, KEY_SPACE, KEY_A, KEY_UP, KEY_F1}) {
        press(k);
        state_input();
        EXPECT_FALSE(keypressed());
        EXPECT_EQ(current_state, STATE_HELP);
    }
}

TEST_F(Help, PageLayout) {
    show(STATE_HELP);
    state_render();
    EXPECT_TRUE(shows(dbuffer, 0, 0, 220, 220, 220));
    EXPECT_TRUE(shows(dbuffer, SCREEN_W - 1, SCREEN_H - 1, 220, 220, 220));
    EXPECT_EQ(ink(dbuffer, 255, 0, 0), text_ink("Help", SCREEN_W / 2, 20, true));

    // Dark text from x = 40, one line every 16 pixels from y = 60; the longest line ends by x = 624.
    Box text = ink(dbuffer, 32, 32, 32);
    ASSERT_FALSE(text.empty());
    EXPECT_GE(text.x0, 40);
    EXPECT_LE(text.x0, 41);
    EXPECT_LT(text.x1, 624);
    EXPECT_GE(text.x1, 616);
    EXPECT_GE(text.y0, 60);
    EXPECT_LT(text.y1, 444 + CELL_H);
    const bool empty_line[25] = {0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 1, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0};
    for (int line = 0; line < 25; line++) {
        int y = 60 + 16 * line;
        Box band = ink(dbuffer, 32, 32, 32, Box{0, y, SCREEN_W - 1, y + CELL_H - 1});
        EXPECT_EQ(band.empty(), empty_line[line]) << "line " << line;
    }
    EXPECT_EQ(
        count_colour(dbuffer, 220, 220, 220) + count_colour(dbuffer, 32, 32, 32) + count_colour(dbuffer, 255, 0, 0),
        SCREEN_W * SCREEN_H);
}

// ---------------------------------------------------------------- game over and you win

using Endings = Screens;

TEST_F(Endings, GameOverSwallowsOtherKeysOnePerPollThenEnterOpensTheMenu) {
    show(STATE_GAME_OVER);
    press(KEY_A, 'a');
    press(KEY_ESC, 27);
    press(KEY_SPACE, ' ');
    press(KEY_ENTER, 13);
    for (int i = 0; i < 3; i++) {
        state_input();
        EXPECT_EQ(current_state, STATE_GAME_OVER) << "poll " << i;
        EXPECT_TRUE(keypressed()) << "one key per poll";
    }
    state_input();
    EXPECT_EQ(current_state, STATE_MENU);
    EXPECT_EQ(quit_pending, 0);
}

TEST_F(Endings, GameOverText) {
    show(STATE_GAME_OVER);
    state_render();
    EXPECT_EQ(ink(dbuffer, 255, 0, 0), text_ink("G A M E  O V E R", SCREEN_W / 2, 236, true));
    EXPECT_EQ(count_colour(dbuffer, 255, 0, 0) + count_colour(dbuffer, 0, 0, 0), SCREEN_W * SCREEN_H);
}

const int WIN_COLORS[16][3] = {
    {255, 12, 0},  {255, 101, 0},  {255, 101, 0},  {255, 158, 0}, {255, 211, 0}, {255, 255, 0},
    {173, 223, 8}, {8, 207, 16},   {8, 207, 16},   {8, 142, 206}, {8, 142, 206}, {8, 81, 206},
    {41, 12, 206}, {140, 12, 206}, {206, 12, 123}, {255, 12, 0},
};

TEST_F(Endings, YouWinCyclesItsSixteenColoursFromStepZero) {
    Box where = text_ink("Y O U   W I N", SCREEN_W / 2, 236, true);
    change_state(STATE_YOU_WIN);
    EXPECT_EQ(win_color_index, 0);
    for (int tick = 1; tick <= 34; tick++) {
        state_update();
        int step = tick % 16;
        ASSERT_EQ(win_color_index, step) << "tick " << tick;
        state_render();
        const int *c = WIN_COLORS[step];
        EXPECT_EQ(ink(dbuffer, c[0], c[1], c[2]), where) << "tick " << tick;
    }
}

TEST_F(Endings, YouWinRestartsAtStepZeroOnEveryEntry) {
    show(STATE_YOU_WIN);
    for (int i = 0; i < 6; i++) state_update();
    ASSERT_EQ(win_color_index, 7);
    press(KEY_ENTER, 13);
    state_input();
    EXPECT_EQ(current_state, STATE_VICTORY);
    EXPECT_EQ(win_color_index, 0) << "the exit resets it";
    change_state(STATE_YOU_WIN);
    EXPECT_EQ(win_color_index, 0);
    for (int i = 0; i < 3; i++) state_update();
    change_state(STATE_YOU_WIN);
    EXPECT_EQ(win_color_index, 0);
    // The enter starts the cycle itself, whatever step was left behind.
    show(STATE_MENU);
    win_color_index = 9;
    change_state(STATE_YOU_WIN);
    EXPECT_EQ(win_color_index, 0);
}

TEST_F(Endings, YouWinSwallowsOtherKeys) {
    show(STATE_YOU_WIN);
    for (int k : {KEY_ESC, KEY_SPACE, KEY_F1}) {
        press(k);
        state_input();
        EXPECT_FALSE(keypressed());
        EXPECT_EQ(current_state, STATE_YOU_WIN);
    }
    EXPECT_EQ(quit_pending, 0);
}

// ---------------------------------------------------------------- victory

using Victory = Screens;

TEST_F(Victory, CreditsAreCentredRightOfThePicture) {
    struct Case {
        int picture_w;  // 0: no win.txt
        int x;
    };
    for (Case c : {Case{0, 320}, Case{40, 480}, Case{20, 400}, Case{1, 324}}) {
        SCOPED_TRACE(c.picture_w);
        reset();
        if (c.picture_w) write_sprite("Game/win.txt", c.picture_w, 5, 0, 0, 255);
        change_state(STATE_VICTORY);
        EXPECT_EQ(win_sprite != nullptr, c.picture_w != 0);
        EXPECT_EQ(credits_x, c.x);
        EXPECT_EQ(credits_y, SCREEN_H);
    }
}

TEST_F(Victory, RollEndsOnTheTickTheCreditsReachMinus400) {
    change_state(STATE_VICTORY);
    for (int tick = 1; tick < 880; tick++) {
        state_update();
        ASSERT_EQ(current_state, STATE_VICTORY) << "tick " << tick;
    }
    EXPECT_EQ(credits_y, -399);
    state_update();
    EXPECT_EQ(current_state, STATE_MENU);
    EXPECT_EQ(previous_state, STATE_VICTORY);
    EXPECT_EQ(credits_y, 0) << "the exit ran";
}

TEST_F(Victory, HeldEscLeavesEarlyEnterDoesNothing) {
    write_sprite("Game/win.txt", 40, 5, 0, 0, 255);
    show(STATE_VICTORY);
    press(KEY_ENTER, 13);
    for (int i = 0; i < 3; i++) state_input();
    EXPECT_EQ(current_state, STATE_VICTORY);
    EXPECT_TRUE(keypressed()) << "the key buffer is not read here";
    clear_keybuf();

    press(KEY_ESC, 27);
    state_input();
    EXPECT_EQ(current_state, STATE_VICTORY) << "a buffered ESC is not a held ESC";

    key[KEY_ESC] = 1;
    state_input();
    key[KEY_ESC] = 0;
    EXPECT_EQ(current_state, STATE_MENU);
    EXPECT_EQ(win_sprite, nullptr);
}

TEST_F(Victory, HeldEscWaitsForTheFirstUpdate) {
    change_state(STATE_VICTORY);
    key[KEY_ESC] = 1;
    state_input();
    EXPECT_EQ(current_state, STATE_VICTORY);
    state_update();
    state_input();
    key[KEY_ESC] = 0;
    EXPECT_EQ(current_state, STATE_MENU);
}

// Draws the frame after `ticks` updates and returns where a colour lies.
Box victory_ink_after(int ticks, int r, int g, int b) {
    change_state(STATE_VICTORY);
    for (int i = 0; i < ticks; i++) state_update();
    state_render();
    return ink(dbuffer, r, g, b);
}

TEST_F(Victory, FirstCreditReachesTheBottomRowAfter49Ticks) {
    // "Roofrunner" is line 6, 48 pixels below the top of the block, in orange.
    for (int ticks : {48, 49, 52, 60}) {
        SCOPED_TRACE(ticks);
        reset();
        Box want = text_ink("Roofrunner", 320, SCREEN_H - ticks + 6 * CELL_H, true);
        EXPECT_EQ(victory_ink_after(ticks, 240, 160, 96), want);
    }
    // When the font inks the top row of "Roofrunner", it shows on tick 49 and not before.
    reset();
    bool top_row_inked = text_ink("Roofrunner", 320, 0, true).y0 == 0;
    EXPECT_EQ(!victory_ink_after(49, 240, 160, 96).empty(), top_row_inked);
}

TEST_F(Victory, PagePictureAndCreditColours) {
    write_sprite("Game/win.txt", 40, 5, 0, 0, 255);
    const int ticks = 300;  // the block's top at y = 180
    Box picture = victory_ink_after(ticks, 0, 0, 255);
    Box want_picture = text_ink(std::string(40, '#').c_str(), 0, 0, false);
    want_picture.add(text_ink(std::string(40, '#').c_str(), 0, 4 * CELL_H, false));
    EXPECT_EQ(picture, want_picture) << "the picture at the top-left corner";
    EXPECT_TRUE(shows(dbuffer, SCREEN_W - 1, SCREEN_H - 1, 220, 220, 220));

    int top = SCREEN_H - ticks;
    struct Line {
        int line;
        const char *text;
    };
    auto block = [&](std::initializer_list<Line> lines) {
        Box b;
        for (const Line &l : lines) b.add(text_ink(l.text, 480, top + CELL_H * l.line, true));
        return b;
    };
    EXPECT_EQ(ink(dbuffer, 240, 160, 96), block({{6, "Roofrunner"}, {8, "was made in Allegro"}}));
    EXPECT_EQ(ink(dbuffer, 255, 0, 0), block({{15, "Programmed By"}, {24, "Designed By"}, {33, "Many Thanks to"}}));
    EXPECT_EQ(ink(dbuffer, 32, 32, 32),
              block({{17, "Vorel"}, {26, "Vorel"}, {35, "Allegro Developers"}, {36, "#allegro"}}));
    EXPECT_EQ(ink(dbuffer, 0, 192, 192), block({{43, "Thank you for playing"}}));
}

// ---------------------------------------------------------------- every exit, twice

TEST_F(Screens, EveryExitIsHarmlessTwiceInARow) {
    for (bool with_files : {false, true}) {
        for (int state = 0; state <= STATE_COUNT; state++) {  // every screen, and the fallback
            SCOPED_TRACE(testing::Message() << "state " << state << (with_files ? " with pictures" : ""));
            reset();
            if (with_files) {
                write_sprite("Game/title.txt", 12, 3, 0, 0, 255);
                write_sprite("Game/win.txt", 40, 5, 0, 0, 255);
            }
            show(state);
            for (int i = 0; i < 10; i++) state_update();
            state_exit();
            state_exit();
            EXPECT_EQ(title_sprite, nullptr);
            EXPECT_EQ(menu_pattern, nullptr);
            EXPECT_EQ(menu_selection, -1);
            EXPECT_EQ(menu_scroll, 0);
            EXPECT_EQ(win_sprite, nullptr);
            EXPECT_EQ(credits_x, 0);
            EXPECT_EQ(credits_y, 0);
            EXPECT_EQ(win_color_index, 0);
            current_state = -1;  // already left: reset() must not run the exit a third time
        }
    }
}

TEST_F(Screens, GameExitIsHarmlessTwiceInARow) {
    // Without level data the enter fails half way and has already run the exit once.
    change_state(STATE_GAME);
    ASSERT_EQ(current_state, STATE_MENU);
    game_exit();
    game_exit();

    // With the shipped data, when it is complete enough to play.
    reset();
    use_shipped_data();
    change_state(STATE_GAME);
    if (current_state != STATE_GAME) {
        remove_tree("Data");
        GTEST_SKIP() << "the shipped data does not load yet";
    }
    for (int i = 0; i < 10; i++) state_update();
    state_exit();
    state_exit();
    current_state = -1;
    remove_tree("Data");
}

}  // namespace
