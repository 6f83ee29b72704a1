"""roofrunner-check.exe from the zip, under Wine: clean on the shipped Data, and on a broken folder the same
problems, file and line as the Linux checker names, exit 1; every way of naming the folder works, nothing is left
behind in the temporary folder and nothing is written into the data."""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rrwine  # noqa: E402
from rrwine import rr  # noqa: E402


def win_check(cwd, arg):
    rrwine.ensure_prefix()
    exe = os.path.join(rrwine.WIN_DIR, "roofrunner-check.exe")
    p = subprocess.run(["wine", exe, arg], cwd=cwd, env=rrwine.wine_env(), capture_output=True, timeout=300)
    out = p.stdout.decode("latin-1")
    # A console program's text-mode output: CR LF line ends.
    assert "\n" not in out.replace("\r\n", ""), repr(out[:300])
    return p.returncode, out.replace("\r\n", "\n"), p.stderr.decode("latin-1")


def linux_check(cwd, arg):
    p = subprocess.run([rrwine.LINUX_CHECK, arg], cwd=cwd, capture_output=True, text=True, timeout=300)
    return p.returncode, p.stdout, p.stderr


def scratch_left():
    pattern = os.path.join(rrwine.PREFIX, "drive_c", "users", "*", "Temp", "roofrunner-check-*")
    return glob.glob(pattern) + glob.glob(os.path.join(rrwine.PREFIX, "drive_c", "windows", "temp", "roofrunner-check-*"))


class CheckTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="rr-win-check-")
        self.addCleanup(shutil.rmtree, self.work, True)

    def test_shipped_data_is_clean_as_on_linux(self):
        folder = rrwine.WIN_DIR
        before = rr.tree_hash(os.path.join(folder, "Data"))
        code, out, err = win_check(folder, "Data")
        self.assertEqual(code, 0, out + err)
        self.assertTrue(out.endswith("no problems found\n"), out)
        lcode, lout, _ = linux_check(folder, "Data")
        # The same lines, each file named the Windows way.
        self.assertIn("Data\\Levels\\", out)
        self.assertNotIn("/", out)
        self.assertEqual((code, out.replace("\\", "/")), (lcode, lout))
        self.assertEqual(rr.tree_hash(os.path.join(folder, "Data")), before)
        self.assertEqual(scratch_left(), [])

    def test_broken_folder_named_every_way(self):
        with open(os.path.join(rrwine.WIN_DIR, "Data", "levels.txt")) as f:
            first = f.read().split()[1]
        # Two copies: one named Data (checked from its parent), one named otherwise (checked through a copy).
        for name in ("Data", "My Levels"):
            data = os.path.join(self.work, name)
            shutil.copytree(os.path.join(rrwine.WIN_DIR, "Data"), data)
            level = os.path.join(data, "Levels", first, "level.txt")
            with open(level) as f:
                lines = f.read().split("\n")
            # The last layer is of a kind the game does not know.
            i = max(n for n, l in enumerate(lines) if l.split()[:1] and l.split()[0].lower() == "ascii")
            lines[i] = "picture " + lines[i].split()[1]
            with open(level, "w") as f:
                f.write("\n".join(lines))
            before = rr.tree_hash(data)
            lcode, lout, _ = linux_check(self.work, name)
            self.assertEqual(lcode, 1, lout)
            # The problem is named with its file and its line.
            want = re.compile(r"^%s/Levels/%s/level\.txt:%d: .*picture" % (re.escape(name), first, i + 1), re.M)
            self.assertRegex(lout, want)
            for arg in (name, name + "\\", ".\\" + name, name + "/", "Z:" + data.replace("/", "\\")):
                code, out, err = win_check(self.work, arg)
                self.assertEqual(code, 1, "%s: %s%s" % (arg, out, err))
                # The folder as it was named, the rest of each path as on Linux.
                self.assertIn("\\Levels\\%s\\level.txt:%d: " % (first, i + 1), out)
                shown = arg.rstrip("\\/").replace("/", "\\")
                self.assertEqual(out.replace(shown, name).replace("\\", "/"), lout, arg)
            self.assertEqual(rr.tree_hash(data), before)
        self.assertEqual(scratch_left(), [])

    def test_names_that_will_not_load_on_windows_are_named_on_both_systems(self):
        """Level and file names Linux opens and Windows does not: both checkers name each with its file and line
        and exit 1; the Linux one also plays those levels, and lets them pass with --no-portability, which the
        Windows one, whose game refuses them, does not. a..b loads on both."""
        data = os.path.join(self.work, "Data")
        shutil.copytree(os.path.join(rrwine.WIN_DIR, "Data"), data)
        with open(os.path.join(data, "levels.txt")) as f:
            names = f.read().split()[1:]
        renamed = ["aux", "night:2", "end.", "a..b"]
        for old, new in zip(names, renamed):
            os.rename(os.path.join(data, "Levels", old), os.path.join(data, "Levels", new))
        with open(os.path.join(data, "levels.txt"), "w") as f:
            f.write("%d\n%s\n" % (len(names), "\n".join(renamed + names[len(renamed):])))
        # In the a..b level, a picture layer under a device name.
        level = os.path.join(data, "Levels", "a..b", "level.txt")
        with open(level) as f:
            lines = f.read().split("\n")
        i = min(n for n, l in enumerate(lines) if l.split()[:1] and l.split()[0].lower() == "ascii")
        picture = lines[i].split()[1]
        os.rename(os.path.join(data, "Levels", "a..b", picture), os.path.join(data, "Levels", "a..b", "con.txt"))
        lines[i] = "ascii con.txt"
        with open(level, "w") as f:
            f.write("\n".join(lines))
        device, colon, dot = "Windows keeps it for a device", "Windows reads a colon", "Windows drops a trailing dot"
        want = ['Data/levels.txt:2: level name "aux" will not load on Windows: ' + device,
                'Data/levels.txt:3: level name "night:2" will not load on Windows: ' + colon,
                'Data/levels.txt:4: level name "end." will not load on Windows: ' + dot,
                'Data/Levels/a..b/level.txt:%d: file name "con.txt" will not load on Windows: %s' % (i + 1, device)]
        before = rr.tree_hash(data)
        lcode, lout, _ = linux_check(self.work, "Data")
        code, out, err = win_check(self.work, "Data")
        self.assertEqual((lcode, code), (1, 1), lout + out + err)
        out = out.replace("\\", "/")
        for line in want:
            self.assertIn(line, lout)
            self.assertIn(line, out)
        self.assertNotIn('"a..b"', lout + out)
        for name in renamed:
            played = "Data/Levels/%s/level.txt: won by holding RIGHT" % name
            self.assertIn(played, lout)
            if name == "a..b":
                self.assertIn(played, out)
            else:
                self.assertNotIn(played, out)
        lcode, lout, _ = linux_check(self.work, "--no-portability")
        self.assertEqual(lcode, 0, lout)
        code, out, err = win_check(self.work, "--no-portability")
        self.assertEqual(code, 1, out + err)
        self.assertEqual(rr.tree_hash(data), before)
        self.assertEqual(scratch_left(), [])

    def test_not_a_folder(self):
        open(os.path.join(self.work, "Data"), "w").close()
        for arg in ("Data", "nowhere", "Data\\x"):
            code, out, err = win_check(self.work, arg)
            self.assertEqual(code, 1)
            self.assertIn("is not a folder", err)


if __name__ == "__main__":
    unittest.main()
