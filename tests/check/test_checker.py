"""roofrunner-check: clean on the shipped Data, and names each problem of a table of broken data folders."""
import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest

CHECK = os.environ.get("RR_CHECK", "build/tools/check/roofrunner-check")
SOURCE_DIR = os.environ.get("RR_SOURCE_DIR", ".")


def sprite(w, h, rows=None, colour="230 230 230"):
    rows = rows if rows is not None else ["#" * w] * h
    return "%d %d\n%s\n%s\n" % (w, h, colour, "\n".join(rows))


def attr(size="25 8 64 64", cars="0 1 2 3", bg="20 20 60", limit="3"):
    """An attribute file: the world and unit sizes on line 1 with the car count, the cars on 2, the colour on 3,
    the time limit on 4."""
    return "%s %d\n%s\n%s 0\n%s\n" % (size, len(cars.split()), cars, bg, limit)


def tiny_midi():
    track = bytes([0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                   0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0,
                   0x00, 0xFF, 0x2F, 0x00])
    return b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) + b"MTrk" + struct.pack(">I", len(track)) + track


# A small data folder the checker finds clean: a short train that holding RIGHT crosses in about two seconds of a
# three-second clock, in a world 1600 x 512 pixels whose unit is the track piece, pale art on a dark background.
GOOD = {
    "levels.txt": "1\nfirst\n",
    "Levels/first/level.txt": "3\nattr attr.txt\nascii sky.txt\nascii hills.txt\n",
    "Levels/first/attr.txt": attr(),
    "Levels/first/sky.txt": sprite(200, 40),
    "Levels/first/hills.txt": sprite(100, 30),
    "Sprites/Train/coach.txt": sprite(10, 4),
    "Sprites/Train/coach2.txt": sprite(10, 4),
    "Sprites/Train/coach3.txt": sprite(10, 4),
    "Sprites/Train/connector.txt": sprite(2, 4),
    "Sprites/Train/engine.txt": sprite(8, 4),
    "Sprites/Train/track.txt": sprite(8, 2),
    "Sprites/Player/player.txt": sprite(3, 3),
    # All five numbers on one line: the art starts on the next.
    "Sprites/Player/playerj.txt": "3 3 230 230 230\n###\n###\n###\n",
    "Sprites/Player/playerc.txt": sprite(3, 3),
    "Sprites/Numbers/numbers.txt": sprite(5, 66),
    "Sprites/Game/title.txt": sprite(10, 2),
    "Sprites/Game/win.txt": sprite(10, 2),
}


def run_check(folder, *options):
    p = subprocess.run([CHECK, *options, folder], capture_output=True, text=True, encoding="utf-8",
                       errors="backslashreplace", timeout=120)
    return p.returncode, p.stdout + p.stderr


class CheckerTest(unittest.TestCase):
    def make(self, changes, base=GOOD):
        root = tempfile.mkdtemp(prefix="rr-check-")
        self.addCleanup(shutil.rmtree, root)
        data = os.path.join(root, "Data")
        files = dict(base)
        files.update(changes)
        for name, text in files.items():
            if text is None:
                continue
            path = os.path.join(data, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
        os.makedirs(os.path.join(data, "Music"), exist_ok=True)
        with open(os.path.join(data, "Music", "train.mid"), "wb") as f:
            f.write(tiny_midi())
        return data

    def assert_each_reported(self, cases):
        """cases: (name, changes to the clean fixture, text the checker must print); each must fail the check."""
        for name, changes, expected in cases:
            with self.subTest(name):
                code, out = run_check(self.make(changes))
                self.assertEqual(code, 1, out)
                self.assertIn(expected, out)

    def test_shipped_data_is_clean(self):
        data = os.path.join(SOURCE_DIR, "Data")
        code, out = run_check(data)
        self.assertEqual(code, 0, out)
        self.assertIn("no problems found", out)
        with open(os.path.join(data, "levels.txt")) as f:
            names = f.read().split()[1:]
        self.assertGreater(len(names), 0)
        for name in names:
            with self.subTest(name):
                self.assertRegex(out, r"Levels/%s/level.txt: won by holding RIGHT .*, \d+\.\d%% of the clock; "
                                      r"doing nothing loses in \d+ ticks" % re.escape(name))

    def test_fixture_is_clean(self):
        code, out = run_check(self.make({}))
        self.assertEqual(code, 0, out)
        self.assertIn("won by holding RIGHT", out)
        # The clock is 192 ticks; the share printed is what is left of it when the engine is reached.
        m = re.search(r"first/level.txt: won by holding RIGHT in (\d+) ticks with \d+ of 3 seconds left, "
                      r"(\d+\.\d)% of the clock", out)
        self.assertIsNotNone(m, out)
        self.assertAlmostEqual(float(m.group(2)), 100.0 * (192 - int(m.group(1))) / 192, delta=0.06)

    def test_each_problem_is_named_with_its_file(self):
        attr_file = "Levels/first/attr.txt"
        cases = [
            ("missing level list", {"levels.txt": None}, "levels.txt: cannot be opened"),
            ("level name leaving the folder", {"levels.txt": "1\n../first\n"}, "levels.txt:2: level name \"../first\""),
            ("missing level folder", {"levels.txt": "2\nfirst\nsecond\n"}, "Levels/second/level.txt: cannot be opened"),
            ("no attr layer", {"Levels/first/level.txt": "1\nascii sky.txt\n"}, "has no attr layer"),
            ("unknown kind word", {"Levels/first/level.txt": "2\nattr attr.txt\npicture sky.txt\n"},
             "level.txt:3: unknown layer kind \"picture\""),
            ("missing picture layer", {"Levels/first/sky.txt": None}, "Levels/first/sky.txt: cannot be opened"),
            ("car code out of range", {attr_file: attr(cars="0 7 2 3")},
             "attr.txt:2: car code 7 is not 0 to 3"),
            ("no engine", {attr_file: attr(cars="0 1 2")}, "has no engine"),
            ("car after the engine", {attr_file: attr(cars="0 3 1 2")}, "comes after the engine"),
            ("world too large", {attr_file: attr(size="2000000000 8 64 64")}, "too large for the game"),
            # The game refuses a world of INT_MAX / 2 pixels and more: the checker draws the line in the same place.
            ("world at the game's limit", {attr_file: attr(size="1073741823 8 1 64")},
             "too large for the game"),
            ("no time", {attr_file: attr(limit="0")}, "leaves no time to play"),
            ("too little time to win", {attr_file: attr(limit="1")},
             "cannot be won by holding RIGHT"),
            ("attribute file cut short", {attr_file: "25 8 64\n"}, "attr.txt:1: the file ends before unit_h"),
            ("narrow low-deck coach", {"Sprites/Train/coach2.txt": sprite(3, 4)},
             "coach2.txt:1: is 3 cells wide; the roof rules need at least 4"),
            ("clock without 66 rows", {"Sprites/Numbers/numbers.txt": sprite(5, 60)}, "has 60 rows"),
            ("unreadable sprite header", {"Sprites/Player/player.txt": "wide 3\n1 2 3\n"},
             "player.txt:1: the width should be a whole number, not \"wide\""),
            ("sprite size below 1", {"Sprites/Train/track.txt": "0 2\n1 2 3\n"}, "track.txt:1: the size 0 x 2 is below 1"),
            ("missing sprite", {"Sprites/Train/engine.txt": None}, "Sprites/Train/engine.txt: cannot be opened"),
        ]
        self.assert_each_reported(cases)

    def test_each_rule_the_drawing_and_play_rely_on_is_named_with_its_file(self):
        attr_file = "Levels/first/attr.txt"
        coach = "Sprites/Train/coach.txt"
        track = "Sprites/Train/track.txt"
        # A third level, which moves the train as fast as the camera, with a clock and a world that outlast the
        # checker's longest play: the player is never left behind and the train never runs out.
        endless = {
            "levels.txt": "3\nfirst\nfirst\nendless\n",
            "Levels/endless/level.txt": GOOD["Levels/first/level.txt"],
            "Levels/endless/attr.txt": attr(size="160000 8 64 64", limit="200000"),
            "Levels/endless/sky.txt": sprite(200, 40),
            "Levels/endless/hills.txt": sprite(100, 30),
        }
        cases = [
            # Art that does not fit its picture, with the line it stands on.
            ("row wider than its picture", {coach: sprite(10, 4, ["#" * 10, "#" * 12, "#" * 10, "#" * 10])},
             "coach.txt:4: row 2 is 12 characters long, wider than the picture's 10"),
            ("more lines of art than rows", {"Levels/first/hills.txt": sprite(100, 30) + "~~~\n"},
             "hills.txt:33: more lines of art than the picture's 30 rows"),
            ("a character the font lacks", {"Sprites/Player/player.txt": sprite(3, 3, ["###", "#\t#", "###"])},
             "player.txt:4: row 2 holds a character the font lacks (code 9 in column 2)"),
            # The game's own pictures.
            ("title too large for the menu", {"Sprites/Game/title.txt": sprite(90, 2)},
             "title.txt:1: is 90 x 2 cells; above the menu there is room for 80 x 14"),
            ("victory picture too large", {"Sprites/Game/win.txt": sprite(10, 61)},
             "win.txt:1: is 10 x 61 cells; beside the credits there is room for 48 x 60"),
            ("car running off the screen", {"Sprites/Train/coach2.txt": sprite(10, 8)},
             "coach2.txt:1: is 8 rows high: from the train's top line at y 417 it runs off the screen"),
            ("car of another height", {"Sprites/Train/coach3.txt": sprite(10, 5)},
             "coach3.txt:1: is 5 rows high, the coach 4"),
            ("engine too narrow for the goal", {"Sprites/Train/engine.txt": sprite(4, 4)},
             "engine.txt:1: is 4 cells wide; the goal starts 4 cells into the engine, so it needs 5"),
            ("engine narrower than its backing", {"Sprites/Train/engine.txt": sprite(6, 4)},
             "engine.txt:1: is 6 cells wide, narrower than its body's backing fill"),
            ("track running off the screen", {track: sprite(8, 5)},
             "track.txt:1: is 5 rows high: drawn from y 441, only 4 fit"),
            ("track without rails under the cars", {track: sprite(8, 2, ["#" * 8, ""])},
             "track.txt:1: row 2 is blank but shows below the cars"),
            ("track piece not dividing the screen", {track: sprite(7, 2)},
             "track.txt:1: is 7 cells (56 pixels) wide, which does not divide the screen's 640"),
            ("crouching figure of another height", {"Sprites/Player/playerc.txt": sprite(3, 2)},
             "playerc.txt:1: is 2 rows high, the standing figure 3"),
            # A level's world, train and layers.
            ("world lower than the screen", {attr_file: attr(size="25 5 64 64")},
             "attr.txt:1: the world is 320 pixels high: PGUP and PGDN would move the view"),
            ("world lower than half the screen", {attr_file: attr(size="25 3 64 64")},
             "attr.txt:1: the world is 192 pixels high: the train would stand at y"),
            ("unit not the track piece", {attr_file: attr(size="50 8 32 64")},
             "attr.txt:1: unit_w 32 is not the track piece's width of 64 pixels"),
            ("train without every car kind", {attr_file: attr(cars="0 0 2 3")},
             "attr.txt:2: the train has no car of kind 1"),
            ("one picture layer", {"Levels/first/level.txt": "2\nattr attr.txt\nascii sky.txt\n"},
             "Levels/first/level.txt: names 1 picture layers; a level wants 2 to 4"),
            ("layer taller than the screen", {"Levels/first/sky.txt": sprite(200, 61)},
             "sky.txt:1: is 61 rows high, taller than the screen"),
            ("layer narrower than the screen", {"Levels/first/hills.txt": sprite(79, 30)},
             "hills.txt:1: is 79 cells wide, narrower than the screen's 80"),
            ("layer wider than the world", {"Levels/first/sky.txt": sprite(201, 40)},
             "sky.txt:1: is 1608 pixels wide, wider than the world's 1600"),
            ("two layers of one width", {"Levels/first/hills.txt": sprite(200, 30)},
             "Levels/first/level.txt: has two picture layers of the same width"),
            ("layer lost in the background", {"Levels/first/sky.txt": sprite(200, 40, colour="30 30 66")},
             "sky.txt:1: its colour 30 30 66 hardly shows on the background 20 20 60"),
            ("player weak on the background", {"Sprites/Player/player.txt": sprite(3, 3, colour="40 40 90")},
             "attr.txt:3: the player's colour 40 40 90 is weak on the background 20 20 60"),
            # Plays through the game's update.
            ("clock too long", {attr_file: attr(limit="10")},
             "attr.txt:4: holding RIGHT wins with 77.5% of the clock left"),
            ("clock too long, the reason", {attr_file: attr(limit="10")}, "above 50% the level is no test at all"),
            ("clock too short", {attr_file: attr(cars="0 1 2 0 3")},
             "attr.txt:4: holding RIGHT wins with only"),
            ("clock too short, the reason", {attr_file: attr(cars="0 1 2 0 3")},
             "below 15% a slower machine may not make it"),
            ("an easier level after a harder one", {"levels.txt": "2\nfirst\nfirst\n"},
             "attr.txt:4: holding RIGHT leaves"),
            ("doing nothing does not lose", endless,
             "Levels/endless/level.txt: doing nothing does not lose: still playing after 10000000 ticks"),
        ]
        self.assert_each_reported(cases)

    def test_words_the_game_cannot_read_whole_are_named_and_each_play_keeps_its_level(self):
        """The checker reads the files with the game's reader: a word longer than 255 characters is two words to the
        game, and a NUL byte ends one. Each such word is a problem with its file and line; what follows is checked as
        the game reads it, and each level the game loads is played and reported under its own name."""
        second = {k.replace("Levels/first/", "Levels/second/"): v for k, v in GOOD.items() if "Levels/first/" in k}
        # Its clock is too long, so a play of it says so at its own attr.txt.
        second["Levels/second/attr.txt"] = attr(limit="10")
        long_name = "x" * 259
        level = "Levels/first/level.txt"
        cases = [
            # (name, changes, texts the output must hold, texts it must not)
            ("a level name of 259 characters", dict(second, **{"levels.txt": "3\n%s\nfirst\nsecond\n" % long_name}),
             ["levels.txt:2: a word longer than 255 characters: the game reads its first 255 (\"xxxxxxxxxxxxxxxx...\")"
              " as one word and the rest as the next",
              "Levels/%s/level.txt: cannot be opened" % ("x" * 255), "Levels/xxxx/level.txt: cannot be opened",
              "levels.txt:4: text after the last of the 3 levels is ignored: \"second\"",
              "/Levels/first/level.txt: won by holding RIGHT"],
             ["Levels/second/level.txt: won", "Levels/second/attr.txt"]),
            ("a NUL byte in a level name", dict(second, **{"levels.txt": "2\nfirst\0second\nsecond\n"}),
             ["levels.txt:2: a NUL byte in a word: the game reads the word only up to it, as \"first\"",
              "/Levels/first/level.txt: won by holding RIGHT", "/Levels/second/level.txt: won by holding RIGHT",
              "Levels/second/attr.txt:4: holding RIGHT wins with"],
             ["Levels/first/attr.txt:4"]),
            ("a file name of 300 characters",
             {level: "3\nattr attr.txt\nascii %s\nascii sky.txt\n" % ("s" * 300)},
             ["level.txt:3: a word longer than 255 characters: the game reads its first 255",
              "Levels/first/%s: cannot be opened" % ("s" * 255),
              "level.txt:3: unknown layer kind \"%s\"" % ("s" * 45),
              "level.txt:4: text after the last layer is ignored: \"ascii\""],
             []),
            ("a NUL byte in a file name", {level: "3\nattr attr.txt\0old\nascii sky.txt\nascii hills.txt\n"},
             ["level.txt:2: a NUL byte in a word: the game reads the word only up to it, as \"attr.txt\"",
              "/Levels/first/level.txt: won by holding RIGHT"],
             ["attr.txt: cannot be opened"]),
            ("a NUL byte after a number", {"Levels/first/attr.txt": attr(limit="3\0")},
             ["attr.txt:4: a NUL byte in a word"], []),
        ]
        for name, changes, wanted, unwanted in cases:
            with self.subTest(name):
                code, out = run_check(self.make(changes))
                self.assertEqual(code, 1, out)
                for text in wanted:
                    self.assertIn(text, out)
                for text in unwanted:
                    self.assertNotIn(text, out)

    def test_names_that_do_not_travel_are_named_with_file_and_line(self):
        """Names Linux opens and Windows does not (or opens as a device): as the level's folder and as its attr
        file, each named with the file and line that holds it. Linux still checks and plays the level; the exit
        status is 1 unless --no-portability says the folder stays here. a..b travels."""
        reasons = {"aux": "device", "con": "device", "COM1": "device", "nul.lvl": "device", "night:2": "colon",
                   "end.": "trailing dot", "a*b": "*?\"<>|", "caf\u00e9": "outside ASCII",
                   "COM\u00b9": "outside ASCII", "L" * 150: "path from the game's folder"}
        for name, why in list(reasons.items()) + [("a..b", None)]:
            level = {k.replace("Levels/first/", "Levels/%s/" % name): v for k, v in GOOD.items()}
            level["levels.txt"] = "1\n%s\n" % name
            as_file = {"Levels/first/level.txt": "3\nascii sky.txt\nattr %s\nascii hills.txt\n" % name,
                       "Levels/first/attr.txt": None, "Levels/first/" + name: attr()}
            cases = [("level name", self.make({}, level), "levels.txt:2", "Levels/%s/level.txt" % name),
                     ("file name", self.make(as_file), "Levels/first/level.txt:3", "Levels/first/level.txt")]
            for what, data, where, list_file in cases:
                with self.subTest(name=name, what=what):
                    code, out = run_check(data)
                    played = re.search(r"^%s/%s: won by holding RIGHT" % (re.escape(data), re.escape(list_file)),
                                       out, re.M)
                    self.assertIsNotNone(played, out)
                    if why is None:
                        self.assertEqual(code, 0, out)
                        self.assertNotIn("Windows", out)
                        continue
                    line = "%s/%s: %s \"%s\" will not load on Windows: " % (data, where, what, name)
                    self.assertEqual(code, 1, out)
                    self.assertIn(line, out)
                    self.assertIn(why, out.split(line, 1)[1].split("\n")[0])
                    self.assertIn("1 problem found", out)
                    code, out = run_check(data, "--no-portability")
                    self.assertEqual(code, 0, out)
                    self.assertIn(line, out)

    def test_help_explains_the_formats(self):
        p = subprocess.run([CHECK, "--help"], capture_output=True, text=True)
        self.assertEqual(p.returncode, 0)
        for word in ("levels.txt", "attr", "ascii", "numbers.txt", "train.mid", "--no-portability", "Windows",
                     "device"):
            self.assertIn(word, p.stdout)


if __name__ == "__main__":
    unittest.main()
