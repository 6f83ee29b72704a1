"""The title menu and the help page in the real window, driven by real key presses."""
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402

TITLE = os.path.join(rr.SOURCE_DIR, "Data", "Sprites", "Game", "title.txt")
PAGE = (220, 220, 220)
LATTICE = (191, 191, 191)
RED = (255, 0, 0)
DARK_RED = (64, 0, 0)
HELP_TEXT = (32, 32, 32)


def title_sprite():
    """Width and height in cells and the colour of the shipped title picture."""
    with open(TITLE) as f:
        v = f.read().split()
    return int(v[0]), int(v[1]), (int(v[2]), int(v[3]), int(v[4]))


class MenuTest(unittest.TestCase):
    def check_menu(self, shot, highlighted_y):
        total = shot.w * shot.h
        # Light grey page under a grey lattice (16 bits a pixel, so the colours come back slightly rounded).
        self.assertGreater(shot.count(PAGE), total // 3)
        self.assertGreater(shot.count(LATTICE, box=(0, 200, 640, 480)), 5000)
        # The highlighted item in red, centred, the other two in dark red.
        self.assertGreater(shot.count(RED, box=(300, highlighted_y - 2, 340, highlighted_y + 10)), 10)
        self.assertEqual(shot.count(RED), shot.count(RED, box=(300, highlighted_y - 2, 340, highlighted_y + 10)))
        self.assertGreater(shot.count(DARK_RED, box=(300, 148, 340, 200)), 20)
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
                self.assertTrue(g.wait_log("Initialized Game"))
                time.sleep(0.5)
                shot = g.shot8()
                self.assertEqual((shot.w, shot.h), (640, 480))
                self.check_menu(shot, 150)

                g.press("Down")
                self.check_menu(g.shot8(), 170)

                g.press("Return")
                shot = g.shot8()
                self.assertGreater(shot.count(PAGE), 640 * 480 * 9 // 10)
                self.assertEqual(shot.count(LATTICE), 0)
                self.assertGreater(shot.count(RED, box=(300, 18, 340, 30)), 10, "the red title")
                self.assertEqual(shot.count(RED), shot.count(RED, box=(300, 18, 340, 30)))
                self.assertGreater(shot.count(HELP_TEXT, box=(40, 60, 624, 452)), 1000)
                self.assertEqual(shot.count(HELP_TEXT), shot.count(HELP_TEXT, box=(40, 60, 624, 452)))

                g.press("Return")  # back to the menu, "Game" highlighted again
                self.check_menu(g.shot8(), 150)

                g.press("Down")
                g.press("Down")
                # The game ends while ENTER is still down, so its window is gone before the release.
                g.key_down("Return")
                self.assertEqual(g.wait_exit(), 0)
                subprocess.run(["xdotool", "keyup", "Return"], env=d.env, capture_output=True)
            finally:
                g.kill()
        self.assertNotIn("roofrunner:", g.stderr())  # no start-up failure report
        runs = rr.runs(g.log())
        self.assertEqual(len(runs), 1)
        rr.check_run(runs[0], middle=[])


if __name__ == "__main__":
    unittest.main()
