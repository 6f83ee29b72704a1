"""A game played in the real window: ENTER on "Game", RIGHT held through the first level, and a level lost."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402

DATA = os.path.join(rr.SOURCE_DIR, "Data")
ENTERED = ["Loaded Game Sprites", "Initializing Level Renderer", "Initializing Game Renderer", "First Level"]


def words(path):
    with open(path) as f:
        return f.read().split()


def sprite_colour(group, name):
    """The one colour of a sprite file: the three numbers after its width and height."""
    w = words(os.path.join(DATA, "Sprites", group, name))
    return tuple(int(v) for v in w[2:5])


def first_level():
    """The first level's name and its attribute numbers: background colour and car kinds."""
    name = words(os.path.join(DATA, "levels.txt"))[1]
    layers = words(os.path.join(DATA, "Levels", name, "level.txt"))
    attr_file = None
    i = 1
    for _ in range(int(layers[0])):
        kind = layers[i].lower()
        if kind in ("attr", "ascii"):
            if kind == "attr":
                attr_file = layers[i + 1]
            i += 2
        else:
            i += 1
    a = [int(v) for v in words(os.path.join(DATA, "Levels", name, attr_file))]
    cars = a[5:5 + a[4]]
    bg = tuple(a[5 + a[4]:8 + a[4]])
    return name, bg, cars


def in_order(log, wanted):
    """True if the wanted messages appear in the log in this order (others may come between)."""
    pos = 0
    for m in log:
        if pos < len(wanted) and m == wanted[pos]:
            pos += 1
    return pos == len(wanted)


@unittest.skipUnless(os.path.exists(os.path.join(DATA, "levels.txt")), "needs the shipped Data")
class PlayTest(unittest.TestCase):
    def start_game(self, d):
        g = rr.Game(d, rr.make_workdir())
        g.wait_window()
        self.assertTrue(g.wait_log("Initialized Game"))
        time.sleep(0.5)  # the menu's first update, then its polls
        g.press("Return")
        self.assertTrue(g.wait_log("First Level"), g.log())
        return g

    def test_right_held_runs_through_the_first_level(self):
        name, bg, cars = first_level()
        car_colours = [sprite_colour("Train", f) for f in ("coach.txt", "coach2.txt", "coach3.txt", "engine.txt")]
        with rr.Display() as d:
            g = self.start_game(d)
            try:
                g.key_down("Right")
                time.sleep(1.0)
                shot = g.shot8()
                self.assertTrue(g.wait_log("Next Level, @Level 1", timeout=60), g.log())
                g.key_up("Right")
                g.close_window()
                self.assertEqual(g.wait_exit(), 0)
            finally:
                g.kill()
            log = g.log()
            self.assertTrue(in_order(log, ["Initialized Game"] + ENTERED + ["Next Level, @Level 1"]), log)
            self.assertNotIn("Unloaded Game Sprites", log[log.index("First Level"):log.index("Next Level, @Level 1")])

            # The level's own background colour shows between the scenery.
            self.assertGreater(shot.count(bg), 2000, "background %s of %s" % (bg, name))
            # The cars' tops are on screen row 417, the cars 5 rows high: the train's colours in that band.
            band = (0, 417, 640, 457)
            train = sum(shot.count(c, band) for c in {car_colours[k] for k in set(cars) if 0 <= k <= 3})
            self.assertGreater(train, 200)
            # Running holds the player 320 pixels right of the camera, his feet no further than 24 below the roof.
            player = sprite_colour("Player", "player.txt")
            self.assertGreater(shot.count(player, (318, 417 - 32, 346, 417 + 32)), 10)
            # The clock: glyphs from (120, 0), six rows of cells high.
            self.assertGreater(shot.count(sprite_colour("Numbers", "numbers.txt"), (120, 0, 400, 48)), 50)

    def test_standing_still_loses_to_the_game_over_screen(self):
        with rr.Display() as d:
            g = self.start_game(d)
            try:
                # Drift off the left edge or the clock: either ends the level within the first level's time.
                self.assertTrue(g.wait_log("Unloaded Game Sprites", timeout=90), g.log())
                end = time.time() + 10
                red = 0
                while time.time() < end and red < 40:
                    shot = g.shot8()
                    red = shot.count((255, 0, 0), (200, 230, 440, 246))
                    time.sleep(0.2)
                self.assertGreaterEqual(red, 40, "no G A M E  O V E R")
                g.close_window()
                self.assertEqual(g.wait_exit(), 0)
            finally:
                g.kill()
            log = g.log()
            self.assertNotIn("Next Level, @Level 1", log)
            first = log.index("First Level")
            self.assertEqual(log[first + 1:first + 4],
                             ["Quitting Game Renderer", "Quitting Level Renderer", "Unloaded Game Sprites"])


if __name__ == "__main__":
    unittest.main()
