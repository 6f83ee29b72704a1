"""Names in the data that mean something else to Windows: paths with '\\', '/' and '..', drive letters, colons,
and the names Windows keeps for devices (CON, NUL, COM1, AUX, LPT1...), as level names and as file names.
Each case breaks a private Data copy, chooses "Game" and waits for what follows; the Windows build under Wine and
the Linux build play the same cases side by side and must end each one the same way: a level that plays, or
back on the title menu. No case may hang or crash either game, nothing may be written into Data, and both games
quit cleanly at the end."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rrwine  # noqa: E402
from rrwine import rr  # noqa: E402

MENU, PLAY = "menu", "play"
DEVICES = ["CON", "NUL", "COM1", "AUX", "LPT1", "PRN", "CONIN$", "CONOUT$", "nul.txt", "com1.txt", "Con", "NUL ",
           "COM9", "LPT9"]


def shipped(rel):
    with open(os.path.join(rrwine.WIN_DIR, "Data", rel), "rb") as f:
        return f.read().decode("latin-1")


def build_cases():
    """(name, {file under Data: new text}) for every case."""
    levels = shipped("levels.txt").split()
    count, first, rest = levels[0], levels[1], levels[2:]
    other = rest[0]
    level = shipped("Levels/%s/level.txt" % first)
    words = level.split()
    attr = [words[i + 1] for i in range(1, len(words) - 1, 2) if words[i].lower() == "attr"][-1]
    picture = [words[i + 1] for i in range(1, len(words) - 1, 2) if words[i].lower() == "ascii"][0]
    other_attr = [w for i, w in enumerate(shipped("Levels/%s/level.txt" % other).split()[1:], 1)
                  if shipped("Levels/%s/level.txt" % other).split()[i - 1].lower() == "attr"][-1]
    # An absolute path to the real level, as each system would name it: only the refusal of the name stops it.
    level_dir = os.path.join(rrwine.WIN_DIR, "Data", "Levels", first)

    def level_name(name):
        return {"levels.txt": "%s\n%s\n%s\n" % (count, name, "\n".join(rest))}

    def file_name(old, new):
        return {"Levels/%s/level.txt" % first: level.replace(old, new, 1)}

    cases = []
    for name in ["..\\Levels\\" + first, "Levels\\..\\" + first, first + "\\", ".\\" + first, "../Levels/" + first,
                 "..", "C:", "C:" + first, "C:\\Data\\Levels\\" + first, "Z:" + level_dir.replace("/", "\\"),
                 level_dir, first + ":x", first + "::$DATA"] + DEVICES:
        cases.append(("level name %r" % name, level_name(name)))
    for name in ["..\\%s\\%s" % (other, other_attr), "../%s/%s" % (other, other_attr), "C:" + attr, attr + ":x",
                 attr + "::$DATA", "Z:" + os.path.join(level_dir, attr).replace("/", "\\"),
                 os.path.join(level_dir, attr)] + DEVICES:
        cases.append(("attr file %r" % name, file_name(attr, name)))
    for name in [".\\" + picture, "C:" + picture, picture + ":x", "..\\" + first + "\\" + picture] + DEVICES:
        cases.append(("picture file %r" % name, file_name(picture, name)))
    return cases


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

    def run_case(self, files):
        with rr.broken(self.data, {rel: text.encode("latin-1") for rel, text in files.items()}):
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
            return outcome

    def start(self, display):
        self.game = rrwine.Game(display, self.folder, windows=self.windows).wait_started()
        assert self.on_menu(10), "no title menu"

    def run(self):
        with rr.Display() as d:
            try:
                self.start(d)
                for name, files in self.cases:
                    try:
                        self.outcomes[name] = self.run_case(files)
                    except AssertionError as e:
                        self.failures.append("%s: %s" % (name, e))
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

    def test_path_and_device_names_end_as_on_linux(self):
        cases = build_cases()
        lin, win = Runner(False, cases), Runner(True, cases)
        rrwine.run_side_by_side(lin.run, win.run)
        failures = ["linux: " + f for f in lin.failures] + ["windows: " + f for f in win.failures]
        self.assertEqual(failures, [])
        if os.environ.get("RR_VERBOSE"):
            for name, _ in cases:
                print("%-60s linux %-5s windows %s" % (name, lin.outcomes.get(name), win.outcomes.get(name)))
        differ = ["%s: linux %s, windows %s" % (n, lin.outcomes.get(n), win.outcomes.get(n))
                  for n, _ in cases if lin.outcomes.get(n) != win.outcomes.get(n)]
        self.assertEqual(differ, [])
        self.assertEqual(len(win.outcomes), len(cases))


if __name__ == "__main__":
    unittest.main()
