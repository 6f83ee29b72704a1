"""A game played in the real window: ENTER on "Game", RIGHT held through the first level, and a level lost."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402


def first_level():
    """The first level's name and its attribute numbers: background colour and car kinds."""
    name = rr.level_names()[0]
    a = [int(v) for v in rr.data_words(rr.level_attr_path(name))]
    cars = a[5:5 + a[4]]
    bg = tuple(a[5 + a[4]:8 + a[4]])
    return name, bg, cars


@unittest.skipUnless(os.path.exists(os.path.join(rr.DATA, "levels.txt")), "needs the shipped Data")
class PlayTest(unittest.TestCase):
    def start_game(self, d):
        g = rr.start_game(d, rr.make_workdir())
        self.assertTrue(g.play(), g.log())
        return g

    def test_right_held_runs_through_the_first_level(self):
        name, bg, cars = first_level()
        car_colours = [rr.sprite_colour("Train/" + f) for f in ("coach.txt", "coach2.txt", "coach3.txt", "engine.txt")]
        train_colours = {car_colours[k] for k in set(cars) if 0 <= k <= 3}
        player = rr.sprite_colour("Player/player.txt")
        # The cars' tops are on screen row 417, the cars 5 rows high: the train's colours in that band.
        band = (0, 417, 640, 457)

        def running(shot):
            # The level's own background colour shows between the scenery; the train in its band; running holds
            # the player 320 pixels right of the camera, his feet no further than 24 below the roof; the clock.
            return (shot.count(bg) > 2000 and sum(shot.count(c, band) for c in train_colours) > 200
                    and shot.count(player, (318, 417 - 32, 346, 417 + 32)) > 10 and rr.read_clock(shot) is not None)

        with rr.Display() as d:
            g = self.start_game(d)
            try:
                g.key_down("Right")
                shot = g.wait_screen(running)
                self.assertTrue(g.wait_log("Next Level, @Level 1", timeout=60), g.log())
                g.key_up("Right")
                g.close_window()
                self.assertEqual(g.wait_exit(), 0)
            finally:
                g.kill()
            self.assertIsNotNone(shot, "no frame of %s with its background %s, the train, the runner and the clock"
                                 % (name, bg))
            log = g.log()
            self.assertTrue(rr.in_order(log, ["Initialized Game"] + rr.PLAY_LINES + ["Next Level, @Level 1"]), log)
            self.assertNotIn("Unloaded Game Sprites", log[log.index("First Level"):log.index("Next Level, @Level 1")])

    def test_standing_still_loses_to_the_game_over_screen(self):
        with rr.Display() as d:
            g = self.start_game(d)
            try:
                # Drift off the left edge or the clock: either ends the level within the first level's time.
                self.assertTrue(g.wait_log("Unloaded Game Sprites", timeout=90), g.log())
                self.assertIsNotNone(g.wait_screen(rr.is_game_over), "no G A M E  O V E R")
                g.close_window()
                self.assertEqual(g.wait_exit(), 0)
            finally:
                g.kill()
            log = g.log()
            self.assertNotIn("Next Level, @Level 1", log)
            first = log.index("First Level")
            self.assertEqual(log[first + 1:first + 4], rr.QUIT_LINES)


if __name__ == "__main__":
    unittest.main()
