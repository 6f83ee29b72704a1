"""The Windows build draws the same frames as the Linux build: the help page and the game-over page, taken from
both games running side by side, match pixel for pixel."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rrwine  # noqa: E402
from rrwine import rr  # noqa: E402

def screens(windows):
    """Help page and game-over page of one game."""
    folder = rrwine.windows_folder() if windows else rrwine.linux_folder()
    with rr.Display() as d:
        g = rrwine.Game(d, folder, windows=windows).wait_started()
        try:
            g.choose(1)
            help_shot = rrwine.wait_stable_shot(g, rr.is_help)
            g.press("Return")  # back to the menu
            assert g.play(), g.log()
            # Standing still, the camera leaves the runner behind within seconds.
            assert g.wait_log("Unloaded Game Sprites", timeout=90), g.log()
            over_shot = rrwine.wait_stable_shot(g, rr.is_game_over)
            g.press("Return")
            code = g.exit_through_menu()
        finally:
            g.kill()
    return help_shot, over_shot, code


class ScreensTest(unittest.TestCase):
    def test_help_and_game_over_pages_match_the_linux_build(self):
        (lin_help, lin_over, lin_code), (win_help, win_over, win_code) = rrwine.run_side_by_side(
            lambda: screens(False), lambda: screens(True))
        self.assertEqual((lin_code, win_code), (0, 0))
        for name, lin, win in (("help", lin_help, win_help), ("game-over", lin_over, win_over)):
            self.assertEqual((win.w, win.h), (640, 480))
            if lin.rgb != win.rgb:
                keep = tempfile.mkdtemp(prefix="rr-win-screens-")
                rrwine.save_png(lin, os.path.join(keep, name + "-linux.png"))
                rrwine.save_png(win, os.path.join(keep, name + "-windows.png"))
                differ = sum(1 for i in range(0, len(lin.rgb), 3) if lin.rgb[i:i + 3] != win.rgb[i:i + 3])
                self.fail("%s page: %d pixels differ (both kept in %s)" % (name, differ, keep))


if __name__ == "__main__":
    unittest.main()
