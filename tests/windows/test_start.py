"""The Windows build starts and ends as the Linux one does: its window, its icon, its log in CR LF lines."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rrwine  # noqa: E402
from rrwine import rr  # noqa: E402

def icon_pixels(prop):
    """{(w, h): [ARGB...]} from xprop's list of _NET_WM_ICON numbers."""
    nums = [int(v) for v in prop.split("=", 1)[1].replace(",", " ").split()]
    out = {}
    i = 0
    while i + 2 <= len(nums):
        w, h = nums[i], nums[i + 1]
        out[(w, h)] = nums[i + 2:i + 2 + w * h]
        i += 2 + w * h
    return out


class StartTest(unittest.TestCase):
    def test_start_and_exit_twice_the_log_in_crlf_lines(self):
        folder = rrwine.windows_folder()
        with rr.Display() as d:
            for n in (1, 2):
                g = rrwine.Game(d, folder).wait_started()
                try:
                    shot = g.wait_menu()
                    self.assertIsNotNone(shot, "no title menu")
                    self.assertEqual((shot.w, shot.h), (640, 480))
                    self.assertEqual(g.exit_through_menu(), 0, g.stderr()[-2000:])
                finally:
                    g.kill()
                r = rr.runs(g.log())  # read_log_crlf: every line, the blank ones too, ends in CR LF
                self.assertEqual(len(r), n)
                rr.check_run(r[-1], middle=[])
        with open(os.path.join(folder, "gamelog.txt"), "rb") as f:
            raw = f.read()
        self.assertTrue(raw.startswith(b"\r\n["), raw[:40])
        self.assertEqual(raw.count(b"\r\n"), 2 * (1 + len(rr.STARTUP) + len(rr.SHUTDOWN)))

    def test_window_icon_is_the_games_art(self):
        ico = os.path.join(rrwine.WIN_BUILD, "roofrunner.ico")
        folder = rrwine.windows_folder()
        with rr.Display() as d:
            g = rrwine.Game(d, folder).wait_started()
            try:
                prop = subprocess.run(["xprop", "-id", g.window, "-notype", "-f", "_NET_WM_ICON", "32c", "=$0+",
                                       "_NET_WM_ICON"], env=d.env, capture_output=True, text=True).stdout
                self.assertEqual(g.exit_through_menu(), 0)
            finally:
                g.kill()
        icons = icon_pixels(prop)
        self.assertIn((32, 32), icons, prop[:200])
        # The 32 x 32 picture of the executable's icon resource, as ImageMagick reads it from the .ico.
        rgb = subprocess.run(["convert", ico + "[2]", "-depth", "8", "rgb:-"], capture_output=True,
                             check=True).stdout
        self.assertEqual(len(rgb), 32 * 32 * 3)
        want = [(rgb[i], rgb[i + 1], rgb[i + 2]) for i in range(0, len(rgb), 3)]
        got = [((v >> 16) & 255, (v >> 8) & 255, v & 255) for v in icons[(32, 32)]]
        self.assertEqual(got, want)
        # The runner's white (averaged into greys at this size) stands out against the night-blue sky.
        self.assertGreater(sum(1 for c in got if min(c) > 150), 10)

    def test_close_button_ends_the_run_like_exit(self):
        folder = rrwine.windows_folder()
        with rr.Display() as d:
            g = rrwine.Game(d, folder).wait_started()
            try:
                g.close_window()
                self.assertEqual(g.wait_exit(), 0, g.stderr()[-2000:])
            finally:
                g.kill()
        r = rr.runs(g.log())
        self.assertEqual(len(r), 1)
        rr.check_run(r[0], middle=[])


if __name__ == "__main__":
    unittest.main()
