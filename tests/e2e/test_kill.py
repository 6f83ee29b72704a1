"""The log is on disk line by line: a run killed outright (kill -9) leaves every line it had written."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402


class KillTest(unittest.TestCase):
    def test_kill_9_keeps_every_line_written(self):
        work = rr.make_workdir()
        with rr.Display() as d:
            # On the title menu, then in the middle of a level with the player running.
            for after_menu in (False, True):
                g = rr.start_game(d, work)
                if after_menu:
                    self.assertTrue(g.play(), g.log())
                    g.key_down("Right")
                    time.sleep(0.5)
                g.kill()
                run = rr.runs(g.log())[-1]
                rr.check_start(run)
                self.assertEqual(run[13:], rr.PLAY_LINES if after_menu else [])
        # Both killed runs stay in the file, one after the other.
        started = [r for r in rr.runs(rr.read_log(os.path.join(work, "gamelog.txt"))) if "Initialized Game" in r]
        self.assertEqual(len(started), 2)


if __name__ == "__main__":
    unittest.main()
