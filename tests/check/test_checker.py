"""roofrunner-check: clean on the shipped Data, and names each problem of a table of broken data folders."""
import os
import shutil
import struct
import subprocess
import tempfile
import unittest

CHECK = os.environ.get("RR_CHECK", "build/tools/check/roofrunner-check")
SOURCE_DIR = os.environ.get("RR_SOURCE_DIR", ".")


def sprite(w, h, rows=None, colour="200 40 40"):
    rows = rows if rows is not None else ["#" * w] * h
    return "%d %d\n%s\n%s\n" % (w, h, colour, "\n".join(rows))


def tiny_midi():
    track = bytes([0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                   0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0,
                   0x00, 0xFF, 0x2F, 0x00])
    return b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) + b"MTrk" + struct.pack(">I", len(track)) + track


# A small data folder the checker finds clean: a short train that holding RIGHT crosses in about two seconds.
GOOD = {
    "levels.txt": "1\nfirst\n",
    "Levels/first/level.txt": "3\nattr attr.txt\nascii sky.txt\nascii hills.txt\n",
    "Levels/first/attr.txt": "100 20 16 16 4\n0 1 2 3\n40 60 120 0\n10\n",
    "Levels/first/sky.txt": sprite(200, 40),
    "Levels/first/hills.txt": sprite(100, 30),
    "Sprites/Train/coach.txt": sprite(10, 4),
    "Sprites/Train/coach2.txt": sprite(10, 4),
    "Sprites/Train/coach3.txt": sprite(10, 4),
    "Sprites/Train/connector.txt": sprite(2, 4),
    "Sprites/Train/engine.txt": sprite(8, 4),
    "Sprites/Train/track.txt": sprite(8, 2),
    "Sprites/Player/player.txt": sprite(3, 3),
    "Sprites/Player/playerj.txt": sprite(3, 3),
    "Sprites/Player/playerc.txt": sprite(3, 2),
    "Sprites/Numbers/numbers.txt": sprite(5, 66),
    "Sprites/Game/title.txt": sprite(10, 2),
    "Sprites/Game/win.txt": sprite(10, 2),
}


def run_check(folder):
    p = subprocess.run([CHECK, folder], capture_output=True, text=True, timeout=120)
    return p.returncode, p.stdout + p.stderr


class CheckerTest(unittest.TestCase):
    def make(self, changes):
        root = tempfile.mkdtemp(prefix="rr-check-")
        self.addCleanup(shutil.rmtree, root)
        data = os.path.join(root, "Data")
        files = dict(GOOD)
        files.update(changes)
        for name, text in files.items():
            if text is None:
                continue
            path = os.path.join(data, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        os.makedirs(os.path.join(data, "Music"), exist_ok=True)
        with open(os.path.join(data, "Music", "train.mid"), "wb") as f:
            f.write(tiny_midi())
        return data

    def test_shipped_data_is_clean(self):
        code, out = run_check(os.path.join(SOURCE_DIR, "Data"))
        self.assertEqual(code, 0, out)
        self.assertIn("no problems found", out)

    def test_fixture_is_clean(self):
        code, out = run_check(self.make({}))
        self.assertEqual(code, 0, out)
        self.assertIn("won by holding RIGHT", out)

    def test_each_problem_is_named_with_its_file(self):
        attr = "Levels/first/attr.txt"
        cases = [
            ("missing level list", {"levels.txt": None}, "levels.txt: cannot be opened"),
            ("level name leaving the folder", {"levels.txt": "1\n../first\n"}, "levels.txt:2: level name \"../first\""),
            ("missing level folder", {"levels.txt": "2\nfirst\nsecond\n"}, "Levels/second/level.txt: cannot be opened"),
            ("no attr layer", {"Levels/first/level.txt": "1\nascii sky.txt\n"}, "has no attr layer"),
            ("unknown kind word", {"Levels/first/level.txt": "2\nattr attr.txt\npicture sky.txt\n"},
             "level.txt:3: unknown layer kind \"picture\""),
            ("missing picture layer", {"Levels/first/sky.txt": None}, "Levels/first/sky.txt: cannot be opened"),
            ("car code out of range", {attr: "100 20 16 16 4\n0 7 2 3\n40 60 120 0\n10\n"},
             "attr.txt:2: car code 7 is not 0 to 3"),
            ("no engine", {attr: "100 20 16 16 3\n0 1 2\n40 60 120 0\n10\n"}, "has no engine"),
            ("car after the engine", {attr: "100 20 16 16 4\n0 3 1 2\n40 60 120 0\n10\n"}, "comes after the engine"),
            ("world too large", {attr: "2000000000 20 16 16 4\n0 1 2 3\n40 60 120 0\n10\n"}, "too large for the game"),
            # The game refuses a world of INT_MAX / 2 pixels and more: the checker draws the line in the same place.
            ("world at the game's limit", {attr: "1073741823 20 1 16 4\n0 1 2 3\n40 60 120 0\n10\n"},
             "too large for the game"),
            ("no time", {attr: "100 20 16 16 4\n0 1 2 3\n40 60 120 0\n0\n"}, "leaves no time to play"),
            ("too little time to win", {attr: "100 20 16 16 4\n0 1 2 3\n40 60 120 0\n1\n"},
             "cannot be won by holding RIGHT"),
            ("attribute file cut short", {attr: "100 20 16\n"}, "attr.txt:1: the file ends before unit_h"),
            ("narrow low-deck coach", {"Sprites/Train/coach2.txt": sprite(3, 4)},
             "coach2.txt:1: is 3 cells wide; the roof rules need at least 4"),
            ("clock without 66 rows", {"Sprites/Numbers/numbers.txt": sprite(5, 60)}, "has 60 rows"),
            ("unreadable sprite header", {"Sprites/Player/player.txt": "wide 3\n1 2 3\n"},
             "player.txt:1: the width should be a whole number, not \"wide\""),
            ("sprite size below 1", {"Sprites/Train/track.txt": "0 2\n1 2 3\n"}, "track.txt:1: the size 0 x 2 is below 1"),
            ("missing sprite", {"Sprites/Train/engine.txt": None}, "Sprites/Train/engine.txt: cannot be opened"),
        ]
        for name, changes, expected in cases:
            with self.subTest(name):
                code, out = run_check(self.make(changes))
                self.assertEqual(code, 1, out)
                self.assertIn(expected, out)

    def test_help_explains_the_formats(self):
        p = subprocess.run([CHECK, "--help"], capture_output=True, text=True)
        self.assertEqual(p.returncode, 0)
        for word in ("levels.txt", "attr", "ascii", "numbers.txt", "train.mid"):
            self.assertIn(word, p.stdout)


if __name__ == "__main__":
    unittest.main()
