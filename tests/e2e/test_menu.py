"""The title menu and the help page in the real window, driven by real key presses."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402

TITLE = os.path.join(rr.DATA, "Sprites", "Game", "title.txt")


def title_sprite():
    """Width and height in cells and the colour of the shipped title picture."""
    v = rr.data_words(TITLE)
    return int(v[0]), int(v[1]), (int(v[2]), int(v[3]), int(v[4]))


class MenuTest(unittest.TestCase):
    def check_menu(self, shot, highlighted_y):
        self.assertIsNotNone(shot, "no menu with the item at y %d chosen" % highlighted_y)
        total = shot.w * shot.h
        # Light grey page under a grey lattice (16 bits a pixel, so the colours come back slightly rounded).
        self.assertGreater(shot.count(rr.GREY), total // 3)
        self.assertGreater(shot.count(rr.LATTICE, box=(0, 200, 640, 480)), 5000)
        # The highlighted item in red, centred, the other two in dark red.
        self.assertGreater(shot.count(rr.RED, box=(300, highlighted_y - 2, 340, highlighted_y + 10)), 10)
        self.assertEqual(shot.count(rr.RED), shot.count(rr.RED, box=(300, highlighted_y - 2, 340, highlighted_y + 10)))
        self.assertGreater(shot.count(rr.DARK_RED, box=(300, 148, 340, 200)), 20)
        if os.path.exists(TITLE):
            w, h, colour = title_sprite()
            x = (640 - w * 8) // 2
            inside = (max(0, x), 30, min(640, x + w * 8), 30 + h * 8)
            self.assertGreater(shot.count(colour, box=inside, tol=6), 50)
            self.assertEqual(shot.count(colour, tol=6), shot.count(colour, box=inside, tol=6))

    def test_menu_help_and_exit(self):
        work = rr.make_workdir()
        with rr.Display() as d:
            g = rr.start_game(d, work)
            try:
                shot = g.wait_menu(0)
                self.assertEqual((shot.w, shot.h), (640, 480))
                self.check_menu(shot, 150)

                g.press("Down")
                self.check_menu(g.wait_menu(1), 170)

                g.press("Return")
                shot = g.wait_screen(rr.is_help)
                self.assertIsNotNone(shot, "ENTER on Help did not show the help page")
                self.assertGreater(shot.count(rr.GREY), 640 * 480 * 9 // 10)
                self.assertEqual(shot.count(rr.LATTICE), 0)
                self.assertGreater(shot.count(rr.RED, box=(300, 18, 340, 30)), 10, "the red title")
                self.assertEqual(shot.count(rr.RED), shot.count(rr.RED, box=(300, 18, 340, 30)))
                self.assertGreater(shot.count(rr.HELP_TEXT, box=(40, 60, 624, 452)), 1000)
                self.assertEqual(shot.count(rr.HELP_TEXT), shot.count(rr.HELP_TEXT, box=(40, 60, 624, 452)))

                g.press("Return")  # back to the menu, "Game" highlighted again
                self.check_menu(g.wait_menu(0), 150)

                self.assertEqual(g.exit_through_menu(), 0)
            finally:
                g.kill()
        self.assertNotIn("roofrunner:", g.stderr())  # no start-up failure report
        runs = rr.runs(g.log())
        self.assertEqual(len(runs), 1)
        rr.check_run(runs[0], middle=[])


if __name__ == "__main__":
    unittest.main()
