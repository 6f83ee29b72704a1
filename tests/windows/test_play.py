"""A game played on the Windows build as on the Linux build, side by side: ENTER on "Game", RIGHT held through the
first level into the second, ESC, "Exit". Both end with exit code 0 and the same whole log (the sound line aside)."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rrwine  # noqa: E402
from rrwine import rr  # noqa: E402

def play(windows):
    folder = rrwine.windows_folder() if windows else rrwine.linux_folder()
    with rr.Display() as d:
        g = rrwine.Game(d, folder, windows=windows).wait_started()
        try:
            assert g.play(), g.log()
            assert g.hold_until("Right", lambda: "Next Level, @Level 1" in g.log(), timeout=120), g.log()
            # Held until it is seen: play reads ESC as a held key.
            assert g.hold_until("Escape", lambda: "Unloaded Game Sprites" in g.log()), g.log()
            code = g.exit_through_menu()
        finally:
            g.kill()
    return code, g.log()


class PlayTest(unittest.TestCase):
    def test_first_level_into_the_second_then_exit_logs_as_on_linux(self):
        (lin_code, lin_log), (win_code, win_log) = rrwine.run_side_by_side(lambda: play(False), lambda: play(True))
        self.assertEqual(lin_code, 0)
        self.assertEqual(win_code, 0)

        def plain(log):
            return ["<sound>" if m in rr.SOUND_LINES else m for m in log]

        self.assertEqual(plain(win_log), plain(lin_log))
        self.assertIn("Next Level, @Level 1", win_log)
        self.assertEqual(win_log[-len(rr.SHUTDOWN):], rr.SHUTDOWN)
        self.assertEqual(win_log.count(""), 1)  # one run


if __name__ == "__main__":
    unittest.main()
