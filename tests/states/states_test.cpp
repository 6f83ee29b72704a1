// tests/states/states_test.cpp — how the state machine times changes and quits against the loop's calls.
#include <gtest/gtest.h>

#include "app/log.h"
#include "screen_support.h"

namespace {

using Machine = Screens;

TEST_F(Machine, ChangeRunsTheOldExitThenTheNewEnter) {
    show(STATE_MENU);
    ASSERT_NE(menu_pattern, nullptr);
    change_state(STATE_HELP);
    EXPECT_EQ(menu_pattern, nullptr) << "the menu's exit ran";
    EXPECT_EQ(current_state, STATE_HELP);
    EXPECT_EQ(previous_state, STATE_MENU);
    EXPECT_EQ(transition_count, 1);

    change_state(STATE_MENU);  // help has no exit; the menu's enter builds its lattice again
    EXPECT_NE(menu_pattern, nullptr);
    EXPECT_EQ(menu_selection, 0);
    EXPECT_EQ(previous_state, STATE_HELP);
    EXPECT_EQ(transition_count, 2);
}

TEST_F(Machine, ChangingToTheCurrentScreenEntersItAfresh) {
    show(STATE_MENU);
    for (int i = 0; i < 5; i++) state_update();
    press(KEY_DOWN);
    state_input();
    ASSERT_EQ(menu_selection, 1);
    ASSERT_EQ(menu_scroll, 6);  // the settling update and five more
    change_state(STATE_MENU);
    EXPECT_EQ(current_state, STATE_MENU);
    EXPECT_EQ(previous_state, STATE_MENU);
    EXPECT_EQ(menu_selection, 0);
    EXPECT_EQ(menu_scroll, 0);
}

TEST_F(Machine, AChangeInsideAnEnterNests) {
    // With no level list the game's enter fails and changes back to the menu inside the same change.
    log_init();
    show(STATE_MENU);
    change_state(STATE_GAME);
    EXPECT_EQ(current_state, STATE_MENU);
    EXPECT_EQ(previous_state, STATE_GAME);
    EXPECT_EQ(transition_count, 2) << "one per change";
    EXPECT_NE(menu_pattern, nullptr) << "the menu was entered again after the game";
    EXPECT_EQ(menu_selection, 0);
    log_close();
    // The game's exit ran between its enter and the menu's.
    std::string log = read_file("gamelog.txt");
    EXPECT_NE(log.find("Quitting Game Renderer"), std::string::npos) << log;
    remove_tree("gamelog.txt");
}

TEST_F(Machine, InputAndFramesWaitForOneUpdatePerPendingChange) {
    // Each row: the screens changed to, one after another, before any update. The last one is help.
    const std::vector<std::vector<int>> cases = {
        {STATE_HELP},
        {STATE_GAME_OVER, STATE_HELP},
        {STATE_MENU, STATE_COUNT, STATE_HELP},  // a number without a screen
        {STATE_GAME, STATE_HELP},               // the failing game adds its own change back to the menu
    };
    for (const auto &changes : cases) {
        SCOPED_TRACE(testing::PrintToString(changes));
        reset();
        int expected = 0;
        for (int s : changes) {
            change_state(s);
            expected += s == STATE_GAME ? 2 : 1;
        }
        ASSERT_EQ(transition_count, expected);
        press(KEY_A, 'a');
        for (int u = 0; u < expected; u++) {
            state_input();
            EXPECT_TRUE(keypressed()) << "input was dispatched with " << transition_count << " changes pending";
            mark_dbuffer();
            state_render();
            EXPECT_TRUE(dbuffer_untouched()) << "a frame was drawn with " << transition_count << " changes pending";
            state_update();
        }
        EXPECT_EQ(transition_count, 0);
        state_input();
        EXPECT_FALSE(keypressed()) << "help takes the key once the changes are worked off";
        mark_dbuffer();
        state_render();
        EXPECT_TRUE(shows(dbuffer, 0, 0, 220, 220, 220)) << "the help page is drawn";
    }
}

TEST_F(Machine, AQuitRequestedBeforeAChangeStillWins) {
    write_sprite("Game/win.txt", 40, 3, 0, 0, 255);
    show(STATE_MENU);
    request_quit();
    change_state(STATE_VICTORY);
    ASSERT_NE(win_sprite, nullptr);
    EXPECT_EQ(menu_pattern, nullptr);

    state_update();  // the quit is carried out: the exit is that of the screen changed to
    EXPECT_EQ(win_sprite, nullptr);
    EXPECT_EQ(credits_y, 0);
    EXPECT_EQ(quit_flag, 1);
    EXPECT_EQ(quit_pending, -1);
    EXPECT_EQ(current_state, STATE_VICTORY);
}

TEST_F(Machine, NothingIsDispatchedAfterTheQuit) {
    show(STATE_YOU_WIN);
    request_quit();
    state_update();
    ASSERT_EQ(quit_flag, 1);
    ASSERT_EQ(win_color_index, 0) << "you-win's exit ran";

    press(KEY_ENTER, 13);
    for (int i = 0; i < 5; i++) {
        state_update();
        state_input();
        mark_dbuffer();
        state_render();
        EXPECT_TRUE(dbuffer_untouched());
    }
    EXPECT_EQ(win_color_index, 0) << "no update reached the screen";
    EXPECT_TRUE(keypressed()) << "no input poll reached the screen";
    EXPECT_EQ(current_state, STATE_YOU_WIN);
    EXPECT_EQ(quit_flag, 1) << "the quit is carried out once";
    EXPECT_EQ(quit_pending, -1);
}

TEST_F(Machine, FallbackScreenForStatesWithoutOne) {
    const char *text = "State Not Implemented, Press ENTER to Quit.";
    Box expected = text_ink(text, 180, 232, false);
    const int numbers[] = {-1, STATE_COUNT, STATE_COUNT + 1, 100};
    for (int state : numbers) {
        SCOPED_TRACE(state);
        reset();
        show(STATE_GAME_OVER);
        show(state);
        mark_dbuffer();
        state_render();
        EXPECT_EQ(ink(dbuffer, 255, 0, 0), expected);
        EXPECT_EQ(count_colour(dbuffer, 255, 0, 0) + count_colour(dbuffer, 0, 0, 0), SCREEN_W * SCREEN_H)
            << "red text on the black frame, nothing else";

        press(KEY_SPACE, ' ');
        state_input();
        EXPECT_FALSE(keypressed());
        EXPECT_EQ(current_state, state);

        press(KEY_ENTER, 13);
        state_input();
        EXPECT_EQ(current_state, STATE_GAME_OVER) << "ENTER returns to the screen before";
        EXPECT_EQ(previous_state, state);
    }
}

TEST_F(Machine, EscOnTheFallbackScreenQuits) {
    show(STATE_COUNT);
    press(KEY_ESC, 27);
    state_input();
    EXPECT_EQ(quit_pending, 1);
    EXPECT_EQ(current_state, STATE_COUNT);
    state_update();
    EXPECT_EQ(quit_flag, 1);
}

// The loop driving the state machine, wired as main wires it.
void wire_loop() { loop_set_dispatch(state_input, state_update, state_render, state_close); }

// The close button only raises a flag; the loop turns it into the same quit as the menu's "Exit".
TEST_F(Machine, CloseButtonEndsTheLoopThroughOneQuitRequest) {
    for (bool exit_chosen_too : {false, true}) {
        SCOPED_TRACE(exit_chosen_too);
        reset();
        wire_loop();
        show(STATE_MENU);
        if (exit_chosen_too) request_quit();
        close_requested = 1;
        tick_count = 1;  // no timer runs here: one pending tick makes one pass
        loop_run();
        EXPECT_EQ(quit_flag, 1);
        EXPECT_EQ(quit_pending, -1);
        EXPECT_EQ(close_requested.load(), 0);
        EXPECT_EQ(transition_count, 1) << "one quit request, not two";
        EXPECT_EQ(menu_pattern, nullptr) << "the menu's exit ran";
        EXPECT_EQ(tick_count.load(), 0);
        game_uninit();  // at shut-down the exit runs a second time, harmlessly
        EXPECT_EQ(menu_pattern, nullptr);
    }
    loop_set_dispatch(nullptr, nullptr, nullptr, nullptr);
}

TEST_F(Machine, ExitChosenInTheLoopEndsItAfterThatPass) {
    wire_loop();
    show(STATE_MENU);
    press(KEY_DOWN);
    press(KEY_DOWN);
    press(KEY_ENTER, 13);
    tick_count = 6;  // no timer runs here: six pending ticks, then the quit ends the loop
    mark_dbuffer();
    loop_run();
    EXPECT_EQ(quit_flag, 1);
    EXPECT_EQ(quit_pending, -1);
    EXPECT_EQ(menu_pattern, nullptr);
    EXPECT_EQ(tick_count.load(), 0) << "the quit's pass still works off its ticks";
    EXPECT_TRUE(dbuffer_untouched()) << "no frame after the quit";
    loop_set_dispatch(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace
