"""The music as a player hears it: the game's sound goes through ALSA's file plugin into a raw file, and the file's
loudness is measured while the title menu shows, while the first and the second level play, and after ESC. Also:
without a sound device, and with a device but no patch set, the game still plays and quits cleanly."""
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402
import rr_desktop as dt  # noqa: E402

PLAY_LINES = ["Loaded Game Sprites", "Initializing Level Renderer", "Initializing Game Renderer", "First Level"]
QUIT_LINES = ["Quitting Game Renderer", "Quitting Level Renderer", "Unloaded Game Sprites"]
SILENT = 30      # RMS of 16-bit samples about their mid-level: below this nothing is heard
LOUD = 1000      # a tune that is clearly playing
SPAN = 60        # windows of the envelope compared when looking for the tune's beginning (about 2.5 s)


def exit_from_menu(test, g):
    g.press("Down")
    g.press("Down")
    g.key_down("Return")
    test.assertEqual(g.wait_exit(), 0)


def play_briefly_and_quit(test, g):
    """Game, two seconds of RIGHT, ESC, Exit: the whole run must end cleanly."""
    test.assertTrue(g.wait_log("Initialized Game"))
    test.assertIsNotNone(dt.wait_screen(g, dt.is_menu), "no title menu")
    g.press("Return")
    test.assertTrue(g.wait_log("First Level"))
    g.press("Right", hold=2)
    g.press("Escape")
    test.assertTrue(g.wait_log("Unloaded Game Sprites"))
    time.sleep(0.5)
    exit_from_menu(test, g)
    rr.check_run(rr.runs(g.log())[-1], middle=PLAY_LINES + QUIT_LINES)


class AudioTest(unittest.TestCase):
    def test_music_plays_in_each_level_from_its_beginning_and_nowhere_else(self):
        tmp = tempfile.mkdtemp(prefix="rr-audio-")
        cap = dt.Capture(tmp)
        work = rr.make_workdir()
        with rr.Display() as d:
            g = rr.Game(d, work, env=cap.env())
            try:
                g.wait_window()
                self.assertTrue(g.wait_log("Initialized Game"))
                self.assertIn("Sound system Initialized", g.log(), "no sound through the file device")
                self.assertIsNotNone(dt.wait_screen(g, dt.is_menu), "no title menu")
                time.sleep(1.5)
                menu_end = cap.size()
                g.press("Return", after=0)
                self.assertTrue(g.wait_log("First Level"))
                first = cap.size()
                g.key_down("Right")
                self.assertTrue(g.wait_log("Next Level, @Level 1", timeout=40))
                second = cap.size()
                time.sleep(3)
                g.key_up("Right")
                g.press("Escape", after=0)
                self.assertTrue(g.wait_log("Unloaded Game Sprites"))
                esc = cap.size()
                time.sleep(1.5)
                end = cap.size()
                exit_from_menu(self, g)
            finally:
                g.kill()
        rr.check_run(rr.runs(g.log())[-1], middle=PLAY_LINES + ["Next Level, @Level 1"] + QUIT_LINES)
        self.assertGreater(menu_end, 0, "nothing was written to the sound device on the menu")

        env, crossings = cap.levels(0, end)
        i_menu, i_first, i_second, i_esc = (cap.index(v) for v in (menu_end, first, second, esc))
        menu = env[2:i_menu - 1]
        # The tune starts when the level does (the log line and the file size are read a little late).
        start = next((i for i in range(i_menu - 1, min(len(env), i_first + 10)) if env[i] > SILENT), None)
        self.assertIsNotNone(start, "no sound within the first level's first moments")
        level1 = env[start:i_second - 2]
        level2 = env[i_second + 2:i_esc - 2]
        after = env[i_esc + 10:]

        # The tune's opening (its loudness and its crossings, window by window) found again right where the second
        # level begins: the music restarted there. For comparison, the same opening against the first level's middle.
        def likeness(i):
            return (dt.correlation(env[start:start + SPAN], env[i:i + SPAN])
                    + dt.correlation(crossings[start:start + SPAN], crossings[i:i + SPAN])) / 2

        restart, at = max((likeness(i), i) for i in range(max(start + SPAN, i_second - 15), i_second + 25))
        middle = max(likeness(i) for i in range(start + 20, i_second - SPAN - 15))

        mean = lambda xs: sum(xs) / len(xs)
        print("audio RMS (16-bit, about 32768): menu max %.1f over %d windows; level 1 mean %.0f (min %.0f) over %d; "
              "level 2 mean %.0f over %d; after ESC max %.1f over %d; opening found at window %d of level 2's "
              "start %d with correlation %.2f (best in level 1's middle %.2f)"
              % (max(menu), len(menu), mean(level1), min(level1), len(level1), mean(level2), len(level2),
                 max(after), len(after), at, i_second, restart, middle), flush=True)
        self.assertGreater(len(menu), 5)
        self.assertLess(max(menu), SILENT, "sound on the title menu")
        self.assertGreater(mean(level1), LOUD, "the first level is not clearly audible")
        self.assertGreater(sum(1 for v in level1 if v > SILENT) / len(level1), 0.9, "the first level has gaps")
        self.assertGreater(len(level2), 20)
        self.assertGreater(mean(level2), LOUD, "the second level is not clearly audible")
        self.assertGreater(len(after), 5)
        self.assertLess(max(after), SILENT, "sound after ESC")
        self.assertGreater(restart, 0.7, "the second level does not begin with the tune's opening")
        # The tune repeats its themes, so its middle resembles its opening too: the opening only has to win.
        self.assertGreater(restart, middle + 0.05, "the tune's opening is not told apart from its middle")
        shutil.rmtree(tmp, ignore_errors=True)

    def test_no_sound_device_or_no_patch_set_the_game_plays_silently(self):
        tmp = tempfile.mkdtemp(prefix="rr-audio-")
        work = rr.make_workdir()
        with rr.Display() as d:
            # No device: the default ALSA device is a card that does not exist.
            home = os.path.join(tmp, "nodevice")
            os.makedirs(home)
            with open(os.path.join(home, ".asoundrc"), "w") as f:
                f.write("pcm.!default { type hw; card 99 }\nctl.!default { type hw; card 99 }\n")
            g = rr.Game(d, work, env={"HOME": home})
            try:
                g.wait_window()
                play_briefly_and_quit(self, g)
            finally:
                g.kill()
            self.assertIn("Sound system disabled", g.log())

            # A device but no patch set beside the program: the tune is loaded and played, and nothing is heard.
            bare = os.path.join(tmp, "bare")
            os.makedirs(bare)
            shutil.copy2(rr.BINARY, bare)
            cap = dt.Capture(os.path.join(tmp, "capture"))
            work2 = rr.make_workdir()
            g = rr.Game(d, work2, env=cap.env(), binary=os.path.join(bare, os.path.basename(rr.BINARY)))
            try:
                g.wait_window()
                play_briefly_and_quit(self, g)
            finally:
                g.kill()
            self.assertIn("Sound system Initialized", g.log())
            levels, _ = cap.levels(0, cap.size())
            self.assertGreater(len(levels), 20)
            self.assertLess(max(levels), SILENT, "music without a patch set?")
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
