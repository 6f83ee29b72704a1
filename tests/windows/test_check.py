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

    def test_not_a_folder(self):
        open(os.path.join(self.work, "Data"), "w").close()
        for arg in ("Data", "nowhere", "Data\\x"):
            code, out, err = win_check(self.work, arg)
            self.assertEqual(code, 1)
            self.assertIn("is not a folder", err)


if __name__ == "__main__":
    unittest.main()
