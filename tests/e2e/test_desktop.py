"""Whole games in a real window with real keys, judged by the log and by the pixels on screen: a game won through
every level, a game lost, pausing by F1 and by turning to another window, ESC and Exit; the window's class and icon.

With RR_SCREENSHOTS=dir set, the won game also saves menu.png, play.png, you-win.png and victory.png there."""
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402
import rr_desktop as dt  # noqa: E402

PLAY_LINES = ["Loaded Game Sprites", "Initializing Level Renderer", "Initializing Game Renderer", "First Level"]
QUIT_LINES = ["Quitting Game Renderer", "Quitting Level Renderer", "Unloaded Game Sprites"]
TEXT_BOX = (200, 232, 440, 248)  # the one-line screens' text row at y = 236
CREDITS_BOX = (330, 0, 640, 480)  # right of the 40-cell victory picture


def level_count():
    with open(os.path.join(rr.SOURCE_DIR, "Data", "levels.txt")) as f:
        return int(f.read().split()[0])


def text_colour(s):
    """The commonest non-black colour in the text row, and how many pixels have it."""
    counts = {}
    x0, y0, x1, y1 = TEXT_BOX
    for y in range(y0, y1):
        for x in range(x0, x1):
            p = s.pixel(x, y)
            if p != (0, 0, 0):
                counts[p] = counts.get(p, 0) + 1
    if not counts:
        return None, 0
    best = max(counts, key=counts.get)
    return best, counts[best]


def exit_from_menu(test, g):
    g.press("Down")
    g.press("Down")
    g.key_down("Return")
    test.assertEqual(g.wait_exit(), 0)


class DesktopTest(unittest.TestCase):
    def test_a_game_won_through_every_level_then_victory_and_menu(self):
        n = level_count()
        work = rr.make_workdir()
        with rr.Display() as d:
            g = rr.Game(d, work)
            try:
                g.wait_window()
                self.assertTrue(g.wait_log("Initialized Game"))
                self.assertIsNotNone(dt.wait_screen(g, dt.is_menu), "no title menu")
                dt.doc_shot(g, "menu.png")

                g.press("Return")
                self.assertTrue(g.wait_log("First Level"))
                g.key_down("Right")
                time.sleep(4)
                s = dt.doc_shot(g, "play.png")
                self.assertIsNotNone(dt.read_clock(s), "no clock on the play screen")
                for i in range(1, n):
                    self.assertTrue(g.wait_log("Next Level, @Level %d" % i, timeout=60), g.log()[-3:])
                # The last level won: the game screen is left for "Y O U   W I N".
                self.assertTrue(g.wait_log("Unloaded Game Sprites", timeout=60), g.log()[-3:])
                g.key_up("Right")

                colours = []
                for _ in range(8):
                    c, count = text_colour(dt.doc_shot(g, "you-win.png") if not colours else dt.shot(g))
                    self.assertGreater(count, 100, "no text on the you-win screen")
                    colours.append(c)
                    if len(set(colours)) > 1:
                        break
                    time.sleep(0.09)
                self.assertGreater(len(set(colours)), 1, "the you-win text keeps one colour: %s" % colours)

                g.press("Return", after=0)
                entered = time.time()
                time.sleep(1)
                a = dt.shot(g)
                self.assertGreater(a.count(dt.GREY), 100000, "no victory page")
                self.assertGreater(a.count((40, 40, 120), (0, 0, 320, 408)), 500, "no victory picture")
                time.sleep(0.5)
                b = dt.shot(g)
                self.assertNotEqual(dt.crop(a, CREDITS_BOX), dt.crop(b, CREDITS_BOX), "the credits do not move")
                # Most of the credits are on screen about 6.5 s after entering.
                time.sleep(max(0.0, entered + 6.5 - time.time()))
                v = dt.doc_shot(g, "victory.png")
                self.assertGreater(v.count((240, 160, 96), CREDITS_BOX), 50, "no orange title in the credits")
                self.assertFalse(dt.is_menu(v))

                # The roll lasts 880 ticks (13.75 s); then the title menu is back without a key.
                waited = dt.wait_screen(g, dt.is_menu, timeout=25)
                self.assertIsNotNone(waited, "the menu did not come back after the credits")
                back = time.time() - entered
                self.assertTrue(12 <= back <= 18, "menu back after %.1f s" % back)

                exit_from_menu(self, g)
            finally:
                g.kill()
        middle = PLAY_LINES + ["Next Level, @Level %d" % i for i in range(1, n)] + QUIT_LINES
        rr.check_run(rr.runs(g.log())[-1], middle=middle)

    def test_b_window_identity_lost_game_pauses_escape_and_exit(self):
        work = rr.make_workdir()
        with rr.Display() as d:
            g = rr.Game(d, work)
            other = None
            try:
                g.wait_window()
                self.assertTrue(g.wait_log("Initialized Game"))

                # The desktop matches the window to roofrunner.desktop by its class; the icon is the game's own.
                self.assertEqual(dt.wm_class(g), '"roofrunner", "Roofrunner"')
                icon = dt.icon_image(g)
                self.assertIsNotNone(icon, "the window has no icon pixmap")
                w, h, px = icon
                xw, xh, xpx = dt.icon_xpm()
                self.assertEqual((w, h), (xw, xh))
                wrong = [(x, y) for y in range(h) for x in range(w) if xpx(x, y) and px(x, y) != xpx(x, y)]
                self.assertEqual(wrong[:5], [], "icon pixels differ from the XPM")

                # Standing still loses the first level; ENTER on "G A M E  O V E R" gives the menu.
                g.press("Return")
                self.assertTrue(g.wait_log("First Level"))
                self.assertTrue(g.wait_log("Unloaded Game Sprites", timeout=40))
                s = dt.shot(g)
                c, count = text_colour(s)
                self.assertEqual(c, dt.RED)
                self.assertGreater(count, 100)
                g.press("Return")
                self.assertIsNotNone(dt.wait_screen(g, dt.is_menu), "ENTER on game over did not give the menu")

                # F1 pauses under the help page and ENTER resumes: the clock has not run meanwhile.
                g.press("Return")
                self.assertTrue(g.wait_log("First Level", count=2))
                time.sleep(1)
                before = dt.read_clock(dt.shot(g))
                self.assertIsNotNone(before)
                g.press("F1")
                self.assertIsNotNone(dt.wait_screen(g, dt.is_help, timeout=3), "F1 did not show the help page")
                time.sleep(3)
                self.assertTrue(dt.is_help(dt.shot(g)), "the help page went away by itself")
                g.press("Return", after=0.1)
                after = dt.read_clock(dt.shot(g))
                self.assertIsNotNone(after, "ENTER did not resume play")
                self.assertLessEqual(before - after, 1, "the clock ran during the pause: %d -> %d" % (before, after))

                # Turning to another window pauses the same way; ENTER resumes once the game has the focus back.
                before = dt.read_clock(dt.shot(g))
                other, other_id = dt.other_window(d)
                dt.focus_window(d, other_id)
                self.assertIsNotNone(dt.wait_screen(g, dt.is_help, timeout=3), "losing the focus did not pause")
                time.sleep(3)
                self.assertTrue(dt.is_help(dt.shot(g)))
                g.focus()
                time.sleep(0.3)
                self.assertTrue(dt.is_help(dt.shot(g)), "getting the focus back resumed without ENTER")
                g.press("Return", after=0.1)
                after = dt.read_clock(dt.shot(g))
                self.assertIsNotNone(after, "ENTER did not resume play after the focus came back")
                self.assertLessEqual(before - after, 1, "the clock ran while unfocused: %d -> %d" % (before, after))
                other.kill()
                other.wait()
                other = None
                g.focus()

                # ESC leaves play for the menu.
                g.press("Escape")
                self.assertTrue(g.wait_log("Unloaded Game Sprites", count=2))
                self.assertIsNotNone(dt.wait_screen(g, dt.is_menu), "ESC did not give the menu")
                exit_from_menu(self, g)
            finally:
                if other:
                    other.kill()
                g.kill()
        run = PLAY_LINES + QUIT_LINES
        rr.check_run(rr.runs(g.log())[-1], middle=run + run)


if __name__ == "__main__":
    unittest.main()
