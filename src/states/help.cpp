// src/states/help.cpp — the story and controls page; also drawn over the paused game.
#include "app/shell.h"
#include "states/screens.h"
#include "states/states.h"

static const char help_lines[25][256] = {
    "Hi! Welcome to Roofrunner.",
    "",
    "You are Mr. Stick, a stick figure, living in ASCII_land. You",
    "love trains. In fact, you like them so much, that you like to hop",
    "on their top.",
    "",
    "",
    "It so happens that there's a new train hopping competition",
    "around the corner. And you are about to get some serious",
    "practise ...",
    "",
    "",
    "... which is where we come in.",
    "",
    "",
    "You start on one end of a train, and move on to the other end. Use",
    "the RIGHT arrow key to go right, and SPACE to Jump. Time left to complete",
    "the level is shown on the upper corner of the screen. Rush fast enough",
    "to beat the scrolling camera.",
    "",
    "",
    "Do you have it in you? Roofrunner awaits ...",
    "",
    "",
    "Press F1 during game for this help. Now press ENTER to close.",
};

void help_input() {
    if (!keypressed()) return;
    if ((readkey() & ~0xff) == (KEY_ENTER << 8)) change_state(previous_state);
}

void help_render() {
    clear_to_color(dbuffer, makecol(220, 220, 220));
    textout_centre_ex(dbuffer, font, "Help", dbuffer->w / 2, 20, makecol(255, 0, 0), -1);
    int colour = makecol(32, 32, 32);
    for (int i = 0; i < 25; i++) textout_ex(dbuffer, font, help_lines[i], 40, 60 + 16 * i, colour, -1);
}
