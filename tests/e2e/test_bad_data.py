"""Broken content in a private Data copy: every file the game reads, missing, empty, cut short, garbage, absurd
numbers, names that climb out of their folder. The game must not crash, must go back to the title menu where a load
fails (or play where it does not), must quit cleanly afterwards and must never write into Data.

One game start serves many cases: Data is read afresh each time "Game" is chosen, so each case breaks its file,
chooses "Game", checks what happened, and puts the file back. Two games on two displays share the cases; a third
wins a one-level game again and again to reach the victory screen with its picture broken."""
import os
import random
import re
import shutil
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402

PLAY_LINES, QUIT_LINES = rr.PLAY_LINES, rr.QUIT_LINES
GAME_SPRITES = ["Train/coach.txt", "Train/coach2.txt", "Train/coach3.txt", "Train/connector.txt", "Train/engine.txt",
                "Train/track.txt", "Player/player.txt", "Player/playerj.txt", "Player/playerc.txt",
                "Numbers/numbers.txt"]
HUGE = "2000000000"
MENU, PLAY, EITHER, SOUND = "menu", "play", None, "sound"  # SOUND: the menu with sound on, play without


def garbage(seed, n=600):
    """Bytes that start with no digit, so every number in them is unreadable."""
    rnd = random.Random(seed)
    return bytes([0xff]) + bytes(rnd.randrange(256) for _ in range(n))


def words(data):
    return data.decode("latin-1").split()


def sprite_loads(data):
    """Whether a sprite file still gives a sprite: its first two numbers, read as the loader reads them."""
    m = re.match(rb"\s*([+-]?\d+)(?!\d)\s*([+-]?\d+)", data)
    if not m:
        return False
    w, h = (max(min(int(v), 2 ** 31 - 1), -2 ** 31) for v in m.groups())
    return w >= 1 and h >= 1 and w * h <= 1 << 24


SEPARATOR = "it holds a path separator (/ or \\)"


class Case:
    """One breakage: path gets content (None: the file is removed), and so does every (path, content) in also.
    logged: the lines the game writes about it before its usual ones (a name it refuses)."""

    def __init__(self, name, path, content, expect, also=(), logged=()):
        self.name, self.path, self.content, self.expect = name, path, content, expect
        self.files = [(path, content)] + list(also)
        self.logged = list(logged)


def file_cases(rel, data, expect_broken, extra=()):
    """The common breakages of one file. expect_broken is what a file that gives nothing leads to."""
    cut = data[:len(data) // 2]
    cases = [
        Case("missing", rel, None, expect_broken),
        Case("empty", rel, b"", expect_broken),
        Case("truncated", rel, cut, EITHER),
        Case("garbage", rel, garbage(rel), expect_broken),
    ]
    return cases + [Case(n, rel, c, e) for n, c, e in extra]


def sprite_cases(rel, data, expect_broken):
    tail = data.split(b"\n", 2)[2] if data.count(b"\n") >= 2 else b""
    cut = data[:len(data) // 2]
    cases = file_cases(rel, data, expect_broken, [
        ("width 2000000000", ("%s 3\n255 255 255\n" % HUGE).encode() + tail, expect_broken),
        ("height 2000000000", ("3 %s\n255 255 255\n" % HUGE).encode() + tail, expect_broken),
        ("negative size", b"-5 -3\n255 255 255\n" + tail, expect_broken),
        ("negative colour", b"4 2\n-255 -99999999999 -1\n#..#\n####\n", PLAY),
        ("largest allowed", b"4096 4096\n255 255 255\n" + tail, PLAY),
    ])
    cases[2].expect = PLAY if sprite_loads(cut) else expect_broken
    return cases


def build_cases(data_dir):
    def read(rel):
        with open(os.path.join(data_dir, rel), "rb") as f:
            return f.read()

    cases = []
    lst = read("levels.txt")
    names = words(lst)[1:]
    first = names[0]
    cases += file_cases("levels.txt", lst, MENU, [
        ("count 2000000000", (HUGE + "\n" + "\n".join(names) + "\n").encode(), MENU),
        ("negative count", ("-%d\n" % len(names) + "\n".join(names) + "\n").encode(), MENU),
        ("count beyond the names", ("%d\n" % (len(names) + 1) + "\n".join(names) + "\n").encode(), MENU),
    ])
    # Each resolves to a real level, so only the refusal of the name keeps it from loading; the log says so.
    for what, name in (("name with ../", "../Levels/" + first), ("name with a slash", "Levels/../" + first)):
        cases.append(Case(what, "levels.txt", ("%d\n%s\n" % (len(names), name) + "\n".join(names[1:]) + "\n").encode(),
                          MENU, logged=['Level name "%s" not opened: %s' % (name, SEPARATOR)]))

    for name in names:
        rel = "Levels/%s/level.txt" % name
        lv = read(rel)
        w = words(lv)
        body = " ".join(w[1:])
        cases += file_cases(rel, lv, MENU, [
            ("count 2000000000", (HUGE + " " + body + "\n").encode(), MENU),
            ("negative count", ("-4 " + body + "\n").encode(), MENU),
            ("unknown kinds only", b"3 picture x.txt sound y.txt\n", MENU),
        ])
        if name == first:
            attr = rr.attr_file(w)
            other = names[1] if len(names) > 1 else first
            other_attr = rr.attr_file(words(read("Levels/%s/level.txt" % other)))
            climb = "../%s/%s" % (other, other_attr)
            cases.append(Case("attr name with ../", rel, lv.replace(attr.encode(), climb.encode(), 1), MENU,
                              logged=['File name "%s" in level "%s" not opened: %s' % (climb, first, SEPARATOR)]))

    lv = read("Levels/%s/level.txt" % first)
    w = words(lv)
    kinds = [(w[i].lower(), w[i + 1]) for i in range(1, len(w) - 1, 2)]
    attr_rel = "Levels/%s/%s" % (first, rr.attr_file(w))
    a = words(read(attr_rel))
    nums = [int(x) for x in a]
    cars = nums[4]
    rest = nums[5 + cars:]

    def attr_text(width=nums[0], height=nums[1], uw=nums[2], uh=nums[3], count=cars, codes=None, tail=None):
        codes = nums[5:5 + cars] if codes is None else codes
        vals = [width, height, uw, uh, count] + codes + (rest if tail is None else tail)
        return (" ".join(str(v) for v in vals) + "\n").encode()

    cases += file_cases(attr_rel, read(attr_rel), MENU, [
        ("width 2000000000", attr_text(width=int(HUGE)), MENU),
        ("car count 2000000000", attr_text(count=int(HUGE)), MENU),
        ("negative width", attr_text(width=-nums[0]), MENU),
        ("negative car count", attr_text(count=-3), MENU),
        ("time limit 2000000000", attr_text(tail=rest[:4] + [int(HUGE)]), MENU),
        ("unit size 2000000000", attr_text(uw=int(HUGE), uh=int(HUGE)), MENU),
        ("unknown car kinds", attr_text(count=3, codes=[7, -9, 99]), EITHER),
        ("most cars, none given", attr_text(count=100000, codes=[], tail=[]), EITHER),
        ("negative unit size", attr_text(uw=-nums[2], uh=-nums[3]), EITHER),
        ("zero unit size", attr_text(uw=0, uh=0), EITHER),
        ("no time", attr_text(tail=rest[:4] + [0]), PLAY),
        ("negative time", attr_text(tail=rest[:4] + [-5]), PLAY),
    ])
    # Two files that are each within bounds but together make a train of billions of pixels.
    widest = ("16777216 1\n255 255 255\n" + "#" * 80 + "\n").encode()
    long_train = attr_text(count=300, codes=[0] * 299 + [3])
    for sprite in ("coach", "connector"):
        cases.append(Case("300 cars, widest " + sprite, attr_rel, long_train, PLAY,
                          also=[("Sprites/Train/%s.txt" % sprite, widest)]))
    for kind, f in kinds:
        if kind != "ascii":
            continue
        rel = "Levels/%s/%s" % (first, f)
        # A picture layer that gives nothing only leaves its slot empty: the level still plays.
        for c in sprite_cases(rel, read(rel), PLAY):
            c.expect = PLAY
            cases.append(c)

    for s in GAME_SPRITES:
        cases += sprite_cases("Sprites/" + s, read("Sprites/" + s), MENU)
    # The title is drawn by the menu, which comes back after every case; the game does not need it.
    for c in sprite_cases("Sprites/Game/title.txt", read("Sprites/Game/title.txt"), PLAY):
        c.expect = PLAY
        cases.append(c)
    mid = read("Music/train.mid")
    for c in file_cases("Music/train.mid", mid, SOUND, [("a sprite instead", b"3 1\n1 1 1\nabc\n", SOUND)]):
        cases.append(c)
    return cases


def make_one_short_level(data_dir):
    """The first level alone, its train only an engine: a few steps to the right win the game."""
    with open(os.path.join(data_dir, "levels.txt")) as f:
        first = f.read().split()[1]
    with open(os.path.join(data_dir, "levels.txt"), "w") as f:
        f.write("1\n%s\n" % first)
    with open(os.path.join(data_dir, "Levels", first, "level.txt")) as f:
        w = f.read().split()
    attr = os.path.join(data_dir, "Levels", first, rr.attr_file(w))
    with open(attr) as f:
        n = f.read().split()
    with open(attr, "w") as f:
        f.write(" ".join(n[:4] + ["1", "3"] + n[5 + int(n[4]):]) + "\n")


class Runner:
    """One game on one display, going through a list of cases."""

    def __init__(self, test, display, cases, binary=None, victory=False):
        self.test, self.display, self.cases = test, display, cases
        self.work = rr.make_workdir(data="copy")
        self.data = os.path.join(self.work, "Data")
        self.victory = victory
        if victory:
            make_one_short_level(self.data)
        self.binary = binary
        self.failures = []
        self.outcomes = []

    def on_menu(self, timeout=5):
        """The menu with "Game" chosen, as it comes back after each case."""
        return self.game.wait_menu(0, timeout) is not None

    def new_lines(self, start):
        return self.game.log()[start:]

    def wait_new(self, start, want, timeout=20):
        end = time.time() + timeout
        while time.time() < end:
            new = self.new_lines(start)
            if any(x in new for x in want):
                return new
            if self.game.proc.poll() is not None:
                raise AssertionError("the game ended (exit %s): %s" % (self.game.proc.returncode,
                                                                         self.game.stderr()[-3000:]))
            time.sleep(0.05)
        raise AssertionError("nothing happened after choosing Game: %r" % self.new_lines(start))

    def run_case(self, case, sound):
        with rr.broken(self.data, dict(case.files)):
            before = rr.tree_hash(self.data)
            start = len(self.game.log())
            self.game.choose(0)
            new = self.wait_new(start, ["First Level", "Unloaded Game Sprites"])
            logged = case.logged
            self.test.assertEqual(new[:len(logged)], logged)
            new = new[len(logged):]
            if "First Level" in new:
                outcome = PLAY
                self.test.assertEqual(new[:4], PLAY_LINES)
                if new[4:] == []:
                    self.game.press("Right", hold=0.4)
                    # Held until it is seen: the game reads ESC as a held key, not from the key buffer.
                    self.game.hold_until("Escape", lambda: "Unloaded Game Sprites" in self.new_lines(start))
                    new = self.wait_new(start, ["Unloaded Game Sprites"])[len(logged):]
                # A level may also end at once by itself (no time given: lost on its first tick).
                self.test.assertEqual(new, PLAY_LINES + QUIT_LINES)
                if not self.on_menu(1.5):
                    # That level's end screen: its keys lead back.
                    self.game.press("Return")
                    self.game.press("Escape")
            else:
                outcome = MENU
                time.sleep(0.1)
                new = self.new_lines(start)[len(logged):]
                # With sound, the sprites load before the music fails.
                self.test.assertIn(new, (QUIT_LINES, ["Loaded Game Sprites"] + QUIT_LINES))
            self.test.assertTrue(self.on_menu(), "not back on the title menu")
            self.test.assertEqual(rr.tree_hash(self.data), before, "Data changed")
            expect = case.expect
            if expect == SOUND:
                expect = MENU if sound else PLAY
            if expect is not None:
                self.test.assertEqual(outcome, expect)
            self.outcomes.append((case.path, case.name, outcome))

    def run_victory_case(self, case, sound):
        """The picture of the victory screen, reached by winning a one-level game whose train is its engine."""
        with rr.broken(self.data, dict(case.files)):
            before = rr.tree_hash(self.data)
            start = len(self.game.log())
            self.game.choose(0)
            self.test.assertEqual(self.wait_new(start, ["First Level"])[-1], "First Level")
            self.game.hold_until("Right", lambda: "Unloaded Game Sprites" in self.new_lines(start), timeout=10)
            new = self.wait_new(start, ["Unloaded Game Sprites"], timeout=10)
            self.test.assertEqual(new, PLAY_LINES + QUIT_LINES)
            self.game.press("Return")  # you win -> the victory screen, which loads the picture
            # Its grey page, with or without the picture: neither the menu nor the help page.
            shot = self.game.wait_screen(lambda s: s.count(rr.GREY) > 100000 and not rr.is_menu(s)
                                         and not rr.is_help(s))
            self.test.assertIsNone(self.game.proc.poll(), self.game.stderr()[-3000:])
            self.test.assertIsNotNone(shot, "no victory screen")
            self.test.assertTrue(self.game.hold_until("Escape", lambda: self.on_menu(0.2)), "not back on the menu")
            self.test.assertEqual(rr.tree_hash(self.data), before, "Data changed")
            self.outcomes.append((case.path, case.name, "victory"))

    def run(self):
        try:
            self.game = rr.start_game(self.display, self.work, binary=self.binary)
            sound = "Sound system Initialized" in self.game.log()
            assert self.on_menu(10)
            for case in self.cases:
                try:
                    (self.run_victory_case if self.victory else self.run_case)(case, sound)
                except AssertionError as e:
                    self.failures.append("%s, %s: %s" % (case.path, case.name, e))
                    if self.game.proc.poll() is not None:
                        return
                    # Back to a known screen for the next case.
                    for k in ("Escape", "Return", "Escape"):
                        if self.on_menu(1):
                            break
                        self.game.press(k)
            code = self.game.exit_through_menu(20)
            if code != 0:
                self.failures.append("exit code %s: %s" % (code, self.game.stderr()[-3000:]))
                return
            log = rr.runs(self.game.log())[-1]
            rr.check_run(log)
        except Exception as e:  # noqa: BLE001 - reported with the cases
            code = self.game.proc.poll() if hasattr(self, "game") else None
            self.failures.append("game: %r (exit %s; %s)" % (e, code, self.game.stderr()[-3000:] if code else ""))
        finally:
            if hasattr(self, "game"):
                self.game.kill()


class BadDataTest(unittest.TestCase):
    def test_every_file_broken_every_way(self):
        shipped = os.path.join(rr.SOURCE_DIR, "Data")
        pristine = rr.tree_hash(shipped)
        cases = build_cases(shipped)
        with open(os.path.join(shipped, "Sprites/Game/win.txt"), "rb") as f:
            victory_cases = sprite_cases("Sprites/Game/win.txt", f.read(), None)
        parts = int(os.environ.get("RR_BAD_DATA_GAMES", "2"))
        displays = [rr.Display() for _ in range(parts + 1)]
        try:
            runners = [Runner(self, d, cases[i::parts]) for i, d in enumerate(displays[:parts])]
            runners.append(Runner(self, displays[-1], victory_cases, victory=True))
            threads = [threading.Thread(target=r.run) for r in runners]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
        finally:
            for d in displays:
                d.close()
        failures = [f for r in runners for f in r.failures]
        outcomes = sorted(o for r in runners for o in r.outcomes)
        if os.environ.get("RR_VERBOSE"):
            for o in outcomes:
                print("%-40s %-28s %s" % o)
        self.assertFalse(failures, "\n".join(failures))
        self.assertEqual(len(outcomes), len(cases) + len(victory_cases))
        self.assertEqual(rr.tree_hash(shipped), pristine)
        for r in runners[:-1]:
            # Every case restored its file: the copy ends as it began.
            self.assertEqual(rr.tree_hash(r.data), pristine)
        for r in runners:  # kept for a look only when something failed
            shutil.rmtree(r.work)


if __name__ == "__main__":
    unittest.main()
