"""Names in the data that mean something else to Windows: paths with '\\', '/' and '..', drive letters, colons, a
trailing dot, the names Windows keeps for devices (CON, NUL, COM1, AUX, LPT1...) and names outside ASCII, as level
names and as file names. Each case breaks a private Data copy (and may add a level folder or a file under a new
name), chooses "Game" and waits for what follows; the Windows build under Wine and the Linux build play the same
cases side by side. A name that leaves its folder is refused by both; a name only Windows cannot open as a file is
refused by the Windows build and opened by the Linux one; a..b is opened by both. Each refusal has its log line, and
there is no other. No case may hang or crash either game, nothing may be written into Data, and both games quit
cleanly at the end."""
import contextlib
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rrwine  # noqa: E402
from rrwine import rr  # noqa: E402

MENU, PLAY = "menu", "play"
DEVICES = ["CON", "NUL", "COM1", "AUX", "LPT1", "PRN", "CONIN$", "CONOUT$", "nul.txt", "com1.txt", "Con", "NUL ",
           "COM9", "LPT9"]
# Ordinary names on Linux; on Windows a device, a stream and a dropped dot. a..b is ordinary on both.
RENAMED = ["aux", "con", "COM1", "nul.lvl", "night:2", "end.", "a..b"]
# Who refuses a name: both builds (it leaves its folder), the Windows build alone, or neither.
BOTH, WINDOWS, NEITHER = "both", "windows", "neither"


def shipped(rel):
    with open(os.path.join(rrwine.WIN_DIR, "Data", rel), "rb") as f:
        return f.read().decode("latin-1")


class Case:
    """files: {path under Data: new text}; copies: {new path under Data: the existing path it copies}; line: the
    start of the log line that refuses the name; expect: {windows?: (outcome, whether that line is logged)}."""

    def __init__(self, label, files, copies, line, outcome, refused, linux_outcome=None):
        self.label, self.files, self.copies, self.line = label, files, copies, line
        self.expect = {True: (outcome, refused != NEITHER),
                       False: (linux_outcome or outcome, refused == BOTH)}


def build_cases():
    levels = shipped("levels.txt").split()
    count, first, rest = levels[0], levels[1], levels[2:]
    other = rest[0]
    level = shipped("Levels/%s/level.txt" % first)
    words = level.split()
    attr = rr.attr_file(words)
    picture = [words[i + 1] for i in range(1, len(words) - 1, 2) if words[i].lower() == "ascii"][0]
    other_attr = rr.attr_file(shipped("Levels/%s/level.txt" % other).split())
    # An absolute path to the real level, as each system would name it: only the refusal of the name stops it.
    level_dir = os.path.join(rrwine.WIN_DIR, "Data", "Levels", first)
    lines = ["Level name \"%s\" not opened: ", "File name \"%s\" in level \"" + first + "\" not opened: "]

    def level_name(name):
        return {"levels.txt": "%s\n%s\n%s\n" % (count, name, "\n".join(rest))}

    def file_name(old, new):
        return {"Levels/%s/level.txt" % first: level.replace(old, new, 1)}

    cases = []

    def add(what, name, files, copies, outcome, refused, linux_outcome=None):
        # The game reads the name as a word.
        line = lines[what != "level name"] % name.split()[0]
        label = "%s %r%s" % (what, name, " (there)" if copies else "")
        cases.append(Case(label, files, copies, line, outcome, refused, linux_outcome))

    # A missing level or attr file sends either game back to the menu; a missing picture only leaves its layer out.
    for name in ["..\\Levels\\" + first, "Levels\\..\\" + first, first + "\\", ".\\" + first,
                 "../Levels/" + first, "..", "C:\\Data\\Levels\\" + first, "Z:" + level_dir.replace("/", "\\"),
                 level_dir]:
        add("level name", name, level_name(name), {}, MENU, BOTH)
    # Only Windows refuses these; no such folder exists, so Linux finds none either. Without the refusal Windows
    # would find the first level through some ("dawn." is "dawn" there) and a device through others.
    for name in ["C:", "C:" + first, first + ":x", first + "::$DATA", first + "."] + DEVICES:
        add("level name", name, level_name(name), {}, MENU, WINDOWS)
    for name in RENAMED:
        add("level name", name, level_name(name), {"Levels/" + name: "Levels/" + first},
            PLAY if name == "a..b" else MENU, NEITHER if name == "a..b" else WINDOWS, PLAY)

    for name in ["..\\%s\\%s" % (other, other_attr), "../%s/%s" % (other, other_attr),
                 "Z:" + os.path.join(level_dir, attr).replace("/", "\\"), os.path.join(level_dir, attr)]:
        add("attr file", name, file_name(attr, name), {}, MENU, BOTH)
    for name in ["C:" + attr, attr + ":x", attr + "::$DATA", attr + "."] + DEVICES:
        add("attr file", name, file_name(attr, name), {}, MENU, WINDOWS)
    for name in RENAMED:
        copies = {"Levels/%s/%s" % (first, name): "Levels/%s/%s" % (first, attr)}
        add("attr file", name, file_name(attr, name), copies, PLAY if name == "a..b" else MENU,
            NEITHER if name == "a..b" else WINDOWS, PLAY)

    # Names outside ASCII, written as a level made on Linux writes them (UTF-8; the files and the log are read here
    # byte for byte, as latin-1): Linux opens the folder or file made under the name, the Windows build refuses the
    # name, which its code page reads as another (with a UTF-8 code page, COM and a superscript one is a device).
    for utf8 in ("caf\u00e9", "COM\u00b9"):
        name = utf8.encode("utf-8").decode("latin-1")
        made = os.fsdecode(utf8.encode("utf-8"))
        add("level name", name, level_name(name), {"Levels/" + made: "Levels/" + first}, MENU, WINDOWS, PLAY)
        copies = {"Levels/%s/%s" % (first, made): "Levels/%s/%s" % (first, attr)}
        add("attr file", name, file_name(attr, name), copies, MENU, WINDOWS, PLAY)

    for name in [".\\" + picture, "..\\" + first + "\\" + picture]:
        add("picture file", name, file_name(picture, name), {}, PLAY, BOTH)
    for name in ["C:" + picture, picture + ":x", picture + "."] + DEVICES:
        add("picture file", name, file_name(picture, name), {}, PLAY, WINDOWS)
    for name in RENAMED:
        copies = {"Levels/%s/%s" % (first, name): "Levels/%s/%s" % (first, picture)}
        add("picture file", name, file_name(picture, name), copies, PLAY, NEITHER if name == "a..b" else WINDOWS)
    return cases


@contextlib.contextmanager
def copied(data_dir, copies):
    """Files and folders copied under new names for the length of a with block, removed afterwards."""
    made = []
    try:
        for new, old in copies.items():
            dest, src = os.path.join(data_dir, new), os.path.join(data_dir, old)
            made.append(dest)
            if os.path.isdir(src):
                shutil.copytree(src, dest)
            else:
                shutil.copyfile(src, dest)
        yield
    finally:
        for dest in made:
            if os.path.isdir(dest):
                shutil.rmtree(dest)
            elif os.path.exists(dest):
                os.remove(dest)


class Runner:
    """One game going through every case."""

    def __init__(self, windows, cases):
        self.windows, self.cases = windows, cases
        self.folder = rrwine.windows_folder() if windows else rrwine.linux_folder()
        self.data = os.path.join(self.folder, "Data")
        self.outcomes, self.failures = {}, []

    def on_menu(self, timeout):
        """The title menu with "Game" chosen, as it comes back after each case."""
        return self.game.wait_menu(0, timeout) is not None

    def wait_new(self, start, want, timeout=20):
        end = time.time() + timeout
        while time.time() < end:
            new = self.game.log()[start:]
            if any(w in new for w in want):
                return new
            if self.game.proc.poll() is not None:
                raise AssertionError("the game ended (exit %s)" % self.game.proc.returncode)
            time.sleep(0.05)
        raise AssertionError("no outcome within %d s (a hang?): %r" % (timeout, self.game.log()[start:]))

    def run_case(self, case):
        """The case's outcome, and whether the game logged that it refused the case's name."""
        files = {rel: text.encode("latin-1") for rel, text in case.files.items()}
        with rr.broken(self.data, files), copied(self.data, case.copies):
            before = rr.tree_hash(self.data)
            start = len(self.game.log())
            self.game.choose(0)
            new = self.wait_new(start, ["First Level", "Unloaded Game Sprites"])
            if "First Level" in new:
                outcome = PLAY
                # Read as a held key.
                self.game.hold_until("Escape", lambda: "Unloaded Game Sprites" in self.game.log()[start:])
                new = self.wait_new(start, ["Unloaded Game Sprites"])
            else:
                outcome = MENU
            time.sleep(0.1)
            new = self.game.log()[start:]
            assert new[-3:] == rr.QUIT_LINES, new
            if not self.on_menu(1.5):
                self.game.press("Return")  # an end screen of a level that ended at once
            assert self.on_menu(5), "not back on the title menu"
            assert rr.tree_hash(self.data) == before, "Data changed"
            new = self.game.log()[start:]
            refusals = [m for m in new if "not opened" in m]
            logged = any(m.startswith(case.line) for m in refusals)
            assert refusals == [] or logged, "another name's refusal: %r" % refusals
            return outcome, logged

    def start(self, display):
        self.game = rrwine.Game(display, self.folder, windows=self.windows).wait_started()
        assert self.on_menu(10), "no title menu"

    def run(self):
        with rr.Display() as d:
            try:
                self.start(d)
                for case in self.cases:
                    try:
                        self.outcomes[case.label] = self.run_case(case)
                    except AssertionError as e:
                        self.failures.append("%s: %s" % (case.label, e))
                        for k in ("Escape", "Return", "Escape"):
                            if self.game.proc.poll() is not None or self.on_menu(1):
                                break
                            self.game.press(k)
                        if self.game.proc.poll() is not None or not self.on_menu(1):
                            # Hung or gone: a new game for the cases that are left.
                            self.game.kill()
                            self.start(d)
                code = self.game.exit_through_menu()
                if code != 0:
                    self.failures.append("exit code %s" % code)
                log = self.game.log()
                if log[-len(rr.SHUTDOWN):] != rr.SHUTDOWN:
                    self.failures.append("the log does not end with the shut-down: %r" % log[-8:])
            finally:
                self.game.kill()


class BadDataTest(unittest.TestCase):
    maxDiff = None

    def test_each_build_refuses_its_own_names(self):
        cases = build_cases()
        lin, win = Runner(False, cases), Runner(True, cases)
        rrwine.run_side_by_side(lin.run, win.run)
        failures = ["linux: " + f for f in lin.failures] + ["windows: " + f for f in win.failures]
        self.assertEqual(failures, [])
        if os.environ.get("RR_VERBOSE"):
            for c in cases:
                print("%-60s linux %-20s windows %s" % (c.label, lin.outcomes.get(c.label), win.outcomes.get(c.label)))
        # (outcome, refusal logged) against what each build should do.
        wrong = ["%s: %s %s, expected %s" % (c.label, system, runner.outcomes.get(c.label), c.expect[windows])
                 for c in cases for system, runner, windows in (("linux", lin, False), ("windows", win, True))
                 if runner.outcomes.get(c.label) != c.expect[windows]]
        self.assertEqual(wrong, [])
        self.assertEqual(len({c.label for c in cases}), len(cases))
        self.assertEqual(len(win.outcomes), len(cases))


if __name__ == "__main__":
    unittest.main()
