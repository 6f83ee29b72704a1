"""The program's whole life in a real window: start-up log, closing by the window manager, exit codes."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402


class ShellTest(unittest.TestCase):
    def test_close_button_ends_the_run_like_exit_and_runs_append(self):
        work = rr.make_workdir()
        with rr.Display() as d:
            for n in (1, 2):
                g = rr.Game(d, work)
                g.wait_window()
                self.assertTrue(g.wait_log("Initialized Game"))
                shot = rr.Shot(g.screenshot())
                self.assertEqual((shot.w, shot.h), (640, 480))
                g.close_window()
                self.assertEqual(g.wait_exit(), 0)
                runs = rr.runs(g.log())
                self.assertEqual(len(runs), n)
                # The menu is the screen current at the close: nothing of the game is logged in between.
                rr.check_run(runs[-1], middle=[])

    def test_no_display_reports_the_failed_step_and_exits_1(self):
        work = rr.make_workdir()
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        p = subprocess.run([rr.BINARY], cwd=work, env=env, capture_output=True, text=True, timeout=30)
        self.assertEqual(p.returncode, 1)
        lines = [l for l in p.stderr.splitlines() if l.startswith("roofrunner: ")]
        self.assertEqual(len(lines), 1, p.stderr)
        self.assertIn("cannot initialise the game library", lines[0])
        self.assertEqual(rr.read_log(os.path.join(work, "gamelog.txt")), ["", rr.SEPARATOR, "Log Initialized"])


if __name__ == "__main__":
    unittest.main()
