"""Whole games in a real window with real keys, judged by the log and by the pixels on screen: a game won through
every level, a game lost, pausing by F1 and by turning to another window, ESC and Exit; the window's class and icon.

With RR_SCREENSHOTS=dir set, the won game also saves menu.png, play.png, you-win.png and victory.png there."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402
import rr_desktop as dt  # noqa: E402

CREDITS_BOX = (330, 0, 640, 480)  # right of the 40-cell victory picture


def is_victory(s):
    """The victory page: grey, the picture at the top left, neither the menu nor the help page."""
    return s.count(rr.GREY) > 100000 and s.count((40, 40, 120), (0, 0, 320, 408)) > 500 and not rr.is_menu(s) \
        and not rr.is_help(s)


class DesktopTest(unittest.TestCase):
    def test_a_game_won_through_every_level_then_victory_and_menu(self):
        n = len(rr.level_names())
        work = rr.make_workdir()
        with rr.Display() as d:
            g = rr.start_game(d, work)
            try:
                self.assertIsNotNone(g.wait_menu(0), "no title menu")
                dt.doc_shot(g, "menu.png")

                self.assertTrue(g.play())
                g.key_down("Right")
                # A few seconds into the first level, for the README's picture.
                self.assertIsNotNone(g.wait_clock(lambda seconds: seconds <= 16, timeout=20),
                                     "no clock on the play screen")
                s = dt.doc_shot(g, "play.png")
                self.assertIsNotNone(rr.read_clock(s), "no clock on the play screen")
                for i in range(1, n):
                    self.assertTrue(g.wait_log("Next Level, @Level %d" % i, timeout=60), g.log()[-3:])
                # The last level won: the game screen is left for "Y O U   W I N".
                self.assertTrue(g.wait_log("Unloaded Game Sprites", timeout=60), g.log()[-3:])
                g.key_up("Right")

                colours = []

                def another_colour(shot):
                    c, count = rr.text_colour(shot)
                    if count > 100:
                        colours.append(c)
                    return len(set(colours)) > 1

                first = g.wait_screen(lambda s: rr.text_colour(s)[1] > 100)
                self.assertIsNotNone(first, "no text on the you-win screen")
                dt.doc_shot(g, "you-win.png")
                self.assertIsNotNone(g.wait_screen(another_colour, timeout=5, step=0.05),
                                     "the you-win text keeps one colour: %s" % colours)

                g.press("Return", after=0)
                entered = time.time()
                a = g.wait_screen(is_victory)
                self.assertIsNotNone(a, "no victory page with its picture")
                b = g.wait_screen(lambda s: s.crop(CREDITS_BOX) != a.crop(CREDITS_BOX), timeout=5)
                self.assertIsNotNone(b, "the credits do not move")
                # Most of the credits are on screen about 6.5 s after entering.
                time.sleep(max(0.0, entered + 6.5 - time.time()))
                v = dt.doc_shot(g, "victory.png")
                self.assertGreater(v.count((240, 160, 96), CREDITS_BOX), 50, "no orange title in the credits")
                self.assertFalse(rr.is_menu(v))

                # The roll lasts 880 ticks (13.75 s); then the title menu is back without a key.
                self.assertIsNotNone(g.wait_menu(timeout=25), "the menu did not come back after the credits")
                back = time.time() - entered
                self.assertTrue(12 <= back <= 18, "menu back after %.1f s" % back)

                self.assertEqual(g.exit_through_menu(), 0)
            finally:
                g.kill()
        middle = rr.PLAY_LINES + ["Next Level, @Level %d" % i for i in range(1, n)] + rr.QUIT_LINES
        rr.check_run(rr.runs(g.log())[-1], middle=middle)

    def test_b_window_identity_lost_game_pauses_escape_and_exit(self):
        work = rr.make_workdir()
        with rr.Display() as d:
            g = rr.start_game(d, work)
            other = None
            try:
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
                self.assertTrue(g.play())
                self.assertTrue(g.wait_log("Unloaded Game Sprites", timeout=40))
                self.assertIsNotNone(g.wait_screen(rr.is_game_over), "no red G A M E  O V E R")
                g.press("Return")
                self.assertIsNotNone(g.wait_menu(), "ENTER on game over did not give the menu")

                # F1 pauses under the help page and ENTER resumes: the clock has not run meanwhile.
                self.assertTrue(g.play())
                self.assertIsNotNone(g.wait_clock(lambda seconds: seconds < 20), "the clock does not run")
                before = g.wait_clock()
                self.assertIsNotNone(g.hold_until("F1", lambda: g.wait_screen(rr.is_help, 0.3)),
                                     "F1 did not show the help page")
                time.sleep(3)
                self.assertTrue(rr.is_help(g.shot()), "the help page went away by itself")
                g.press("Return")
                after = g.wait_clock()
                self.assertIsNotNone(after, "ENTER did not resume play")
                self.assertLessEqual(before - after, 1, "the clock ran during the pause: %d -> %d" % (before, after))

                # Turning to another window pauses the same way; ENTER resumes once the game has the focus back.
                before = g.wait_clock()
                other, other_id = dt.other_window(d)
                dt.focus_window(d, other_id)
                self.assertIsNotNone(g.wait_screen(rr.is_help, timeout=3), "losing the focus did not pause")
                time.sleep(3)
                self.assertTrue(rr.is_help(g.shot()))
                g.focus()
                time.sleep(0.3)
                self.assertTrue(rr.is_help(g.shot()), "getting the focus back resumed without ENTER")
                g.press("Return")
                after = g.wait_clock()
                self.assertIsNotNone(after, "ENTER did not resume play after the focus came back")
                self.assertLessEqual(before - after, 1, "the clock ran while unfocused: %d -> %d" % (before, after))
                other.kill()
                other.wait()
                other = None
                g.focus()

                # ESC leaves play for the menu.
                self.assertTrue(g.hold_until("Escape", lambda: g.log().count("Unloaded Game Sprites") >= 2),
                                "ESC not seen")
                self.assertIsNotNone(g.wait_menu(), "ESC did not give the menu")
                self.assertEqual(g.exit_through_menu(), 0)
            finally:
                if other:
                    other.kill()
                g.kill()
        run = rr.PLAY_LINES + rr.QUIT_LINES
        rr.check_run(rr.runs(g.log())[-1], middle=run + run)


if __name__ == "__main__":
    unittest.main()
