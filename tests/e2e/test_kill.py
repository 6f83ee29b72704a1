"""The log is on disk line by line: a run killed outright (kill -9) leaves every line it had written."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402

PLAY_LINES = ["Loaded Game Sprites", "Initializing Level Renderer", "Initializing Game Renderer", "First Level"]


class KillTest(unittest.TestCase):
    def check_start(self, run):
        """The run's start-up lines, as check_run reads them, without a shut-down."""
        self.assertEqual(run[0], "")
        for want, got in zip(rr.STARTUP, run[1:13]):
            if want is None:
                self.assertIn(got, rr.SOUND_LINES)
            else:
                self.assertEqual(got, want)

    def test_kill_9_keeps_every_line_written(self):
        work = rr.make_workdir()
        with rr.Display() as d:
            # On the title menu, then in the middle of a level with the player running.
            for after_menu in (False, True):
                g = rr.start_game(d, work)
                self.assertTrue(g.wait_log("Initialized Game"))
                if after_menu:
                    g.press("Return")
                    self.assertTrue(g.wait_log("First Level"), g.log())
                    g.key_down("Right")
                    time.sleep(0.5)
                g.kill()
                run = rr.runs(g.log())[-1]
                self.check_start(run)
                self.assertEqual(run[13:], PLAY_LINES if after_menu else [])
        # Both killed runs stay in the file, one after the other.
        started = [r for r in rr.runs(rr.read_log(os.path.join(work, "gamelog.txt"))) if "Initialized Game" in r]
        self.assertEqual(len(started), 2)


if __name__ == "__main__":
    unittest.main()
