"""The music as a player hears it: the game's sound goes through ALSA's file plugin into a raw file, and the file's
loudness is measured while the title menu shows, while the first and the second level play, and after ESC. Also
the machine states without music: no sound device, no patch set, neither: the game plays and quits cleanly, and
counts sound as on only when a driver was found."""
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402
import rr_desktop as dt  # noqa: E402

STEP = 1024      # frames between two windows looked at: one of the library's periods, on whose edges notes start
PER = 4096 // STEP  # steps in a window of the capture (4096 frames, about 40 ms of play)
SPAN = 60        # windows compared when looking for the tune's beginning (about 2.5 s)
BAND = 12        # windows by which the capture's pace may shift one stretch of the tune against another (0.5 s)
NO_DEVICE = "pcm.!default { type hw; card 99 }\nctl.!default { type hw; card 99 }\n"  # a card that does not exist


def play_briefly(test, g):
    """Game, RIGHT held a while, ESC: the level plays and is left for the menu."""
    test.assertTrue(g.play(), g.log())
    g.press("Right", hold=2)
    test.assertTrue(g.hold_until("Escape", lambda: g.log().count("Unloaded Game Sprites") >= 1), "ESC not seen")


def longest_silence(env):
    """The longest silence in windows, from their RMS a step apart."""
    run = longest = 0
    for v in env:
        run = run + 1 if v <= dt.SILENT else 0
        longest = max(longest, run)
    return (longest + PER - 1) / PER if longest else 0


def measure(cap, menu_end, first, second, playing, esc, end):
    """The capture cut at the file sizes read along the play (second: the pair around the second level's log
    line; playing: before ESC went down): the windows' RMS on the title menu, in the first and the second level
    and after ESC; the longest silence in play; and how like the tune's opening the second level's beginning is,
    against the best likeness anywhere in the first level's middle. None if the first level has no sound."""
    env, crossings = cap.levels(0, end, STEP)
    i_menu, i_first, i_play, i_esc = (cap.index(v, STEP) for v in (menu_end, first, playing, esc))
    lo, hi = (cap.index(v, STEP) for v in second)
    # The tune starts when the level does: the first window with sound ends with the tune's first period.
    start = next((i for i in range(i_menu - PER, min(len(env), i_first + 10 * PER)) if env[i] > dt.SILENT), None)
    if start is None:
        return None
    start += PER - 1
    m = {"menu": env[2 * PER:i_menu - PER:PER], "level1": env[start:lo - PER:PER],
         "level2": env[hi + 2 * PER:i_play:PER], "after": env[i_esc + 10 * PER::PER]}
    m["silence"] = longest_silence(env[start:i_play])

    # The tune's opening (its loudness and its crossings, window by window) found again where the second level
    # began: what the game wrote with the log line lies between the sizes read around it (lo, hi), and reaches
    # the file up to the plugin's buffer later, the first note a call of the library's player (20 ms) after that.
    # For comparison, the same opening against the first level's middle. The pace of the capture wanders, so the
    # windows are paired by time warping.
    def likeness(i):
        return dt.warped_correlation([env[start:start + SPAN * PER:PER], crossings[start:start + SPAN * PER:PER]],
                                     [env[i:i + (SPAN + BAND) * PER:PER], crossings[i:i + (SPAN + BAND) * PER:PER]],
                                     BAND)

    m["restart"], at = max((likeness(i), i) for i in range(max(start + SPAN * PER, lo - PER), hi + 8 * PER))
    m["middle"] = max(likeness(i) for i in range(start + 20 * PER, lo - (SPAN + 15) * PER))
    m["found"] = (at - lo) / PER, (hi - lo) / PER
    return m


class AudioTest(unittest.TestCase):
    def test_music_plays_in_each_level_from_its_beginning_and_nowhere_else(self):
        tmp = tempfile.mkdtemp(prefix="rr-audio-")
        cap = dt.Capture(tmp)
        work = rr.make_workdir()
        with rr.Display() as d:
            g = rr.start_game(d, work, env=cap.env())
            try:
                self.assertIn("Sound system Initialized", g.log(), "no sound through the file device")
                self.assertIsNotNone(g.wait_menu(), "no title menu")
                time.sleep(1.5)
                menu_end = cap.size()
                self.assertTrue(g.play())
                first = cap.size()
                g.key_down("Right")
                second = cap.wait_log(g, "Next Level, @Level 1")
                self.assertIsNotNone(second, "the second level did not start")
                time.sleep(4)
                g.key_up("Right")
                playing = cap.size()
                self.assertTrue(g.hold_until("Escape", lambda: g.log().count("Unloaded Game Sprites") >= 1))
                esc = cap.size()
                time.sleep(1.5)
                end = cap.size()
                self.assertEqual(g.exit_through_menu(), 0)
            finally:
                g.kill()
        rr.check_run(rr.runs(g.log())[-1], middle=rr.PLAY_LINES + ["Next Level, @Level 1"] + rr.QUIT_LINES)
        self.assertGreater(menu_end, 0, "nothing was written to the sound device on the menu")
        m = measure(cap, menu_end, first, second, playing, esc, end)
        self.assertIsNotNone(m, "no sound within the first level's first moments")
        menu, level1, level2, after = m["menu"], m["level1"], m["level2"], m["after"]

        mean = lambda xs: sum(xs) / len(xs)
        print("audio RMS (16-bit, about 32768): menu max %.1f over %d windows; level 1 mean %.0f (min %.0f) over %d; "
              "level 2 mean %.0f over %d; longest silence in play %.1f windows; after ESC max %.1f over %d; opening "
              "found %.1f windows after the size read before the second level's line (%.1f after) with likeness "
              "%.2f (best in level 1's middle %.2f); the capture stays in %s if a check fails"
              % (max(menu), len(menu), mean(level1), min(level1), len(level1), mean(level2), len(level2),
                 m["silence"], max(after), len(after), m["found"][0], m["found"][1], m["restart"], m["middle"],
                 cap.path), flush=True)
        self.assertGreater(len(menu), 5)
        self.assertLess(max(menu), dt.SILENT, "sound on the title menu")
        self.assertGreater(mean(level1), dt.LOUD, "the first level is not clearly audible")
        self.assertGreater(sum(1 for v in level1 if v > dt.SILENT) / len(level1), 0.9, "the first level has gaps")
        self.assertLess(m["silence"], 4, "the music stops for a while in play")
        self.assertGreater(len(level2), 20)
        self.assertGreater(mean(level2), dt.LOUD, "the second level is not clearly audible")
        self.assertGreater(len(after), 5)
        self.assertLess(max(after), dt.SILENT, "sound after ESC")
        self.assertGreater(m["restart"], 0.8, "the second level does not begin with the tune's opening")
        # The tune repeats its themes, so its middle resembles its opening too: the opening has to win.
        self.assertGreater(m["restart"], m["middle"] + 0.05, "the tune's opening is not told apart from its middle")
        shutil.rmtree(tmp, ignore_errors=True)

    def test_sound_is_on_only_with_a_driver_found(self):
        """Machine states, each a whole run: the log's sound line; whether the game then needs the tune (with sound
        it loads train.mid and returns to the menu without it; without sound it never opens it); and with a device
        but no patch set, that nothing is heard."""
        # (device, patch set beside the program, sound line)
        cases = [
            (False, False, "Sound system disabled"),  # the library finds only its null drivers
            (False, True, "Sound system disabled"),
            (True, False, "Sound system Initialized"),  # a digital driver, and no MIDI one
        ]
        tmp = tempfile.mkdtemp(prefix="rr-audio-")
        bare = os.path.join(tmp, "bare")
        os.makedirs(bare)
        shutil.copy2(rr.BINARY, bare)
        with rr.Display() as d:
            for n, (device, patches, line) in enumerate(cases):
                with self.subTest(device=device, patches=patches):
                    folder = os.path.join(tmp, str(n))
                    cap = dt.Capture(folder)
                    env = cap.env()
                    if not device:
                        with open(os.path.join(cap.home, ".asoundrc"), "w") as f:
                            f.write(NO_DEVICE)
                    binary = rr.BINARY if patches else os.path.join(bare, os.path.basename(rr.BINARY))
                    work = rr.make_workdir(data="copy")
                    g = rr.start_game(d, work, env=env, binary=binary)
                    try:
                        play_briefly(self, g)
                        with rr.broken(os.path.join(work, "Data"), {"Music/train.mid": None}):
                            self.assertIsNotNone(g.wait_menu(), "no title menu")
                            mark = len(g.log())
                            want = (["Loaded Game Sprites"] + rr.QUIT_LINES if device else rr.PLAY_LINES)
                            seen = g.log().count(want[-1])
                            g.choose(0)
                            self.assertTrue(g.wait_log(want[-1], count=seen + 1), g.log()[mark:])
                            if not device:
                                self.assertTrue(g.hold_until("Escape", lambda: "Unloaded Game Sprites" in
                                                             g.log()[mark:]), "ESC not seen")
                                want = want + rr.QUIT_LINES
                            self.assertTrue(g.wait_menu(), "not back on the menu")
                            self.assertEqual(g.log()[mark:], want)
                        self.assertEqual(g.exit_through_menu(), 0)
                    finally:
                        g.kill()
                    run = rr.runs(g.log())[-1]
                    self.assertEqual(run[7], line)
                    rr.check_run(run)
                    if device:
                        levels, _ = cap.levels(0, cap.size())
                        self.assertGreater(len(levels), 20)
                        self.assertLess(max(levels), dt.SILENT, "music without a patch set?")
                    shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
