"""The Debian package as a player gets it: installed with apt, laid out as Debian's games are, started by its desktop
entry's command under a private Xvfb with a fresh HOME, heard through a captured sound device, writing only into the
player's state folder, and removed without a trace.

    RR_DEB=dist/roofrunner_<version>_<arch>.deb python3 tests/package/test_package.py

Installs and removes the package on this machine (through sudo when not root). The tests run in order: the last one
removes the package."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import rr  # noqa: E402
import rr_desktop as dt  # noqa: E402

DEB = os.path.abspath(os.environ.get("RR_DEB", ""))
SOURCE = os.path.abspath(os.path.join(HERE, "..", ".."))
SUDO = [] if os.geteuid() == 0 else ["sudo"]

LAUNCHER = "/usr/games/roofrunner"
CHECKER = "/usr/games/roofrunner-check"
GAME_DIR = "/usr/lib/games/roofrunner"
DATA = "/usr/share/games/roofrunner/Data"
FREEPATS = "/usr/share/midi/freepats"
# Where a file of the package may lie: Debian's places for games, and the desktop's own.
ALLOWED = ("/usr/games/", GAME_DIR + "/", "/usr/share/games/roofrunner/", "/usr/share/applications/",
           "/usr/share/lintian/overrides/roofrunner",
           "/usr/share/icons/hicolor/", "/usr/share/metainfo/", "/usr/share/man/man6/", "/usr/share/doc/roofrunner/")



def run(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


def apt_get(*args):
    r = run(SUDO + ["env", "DEBIAN_FRONTEND=noninteractive", "apt-get", "-o", "DPkg::Lock::Timeout=600", "-y", "-q"]
            + list(args))
    if r.returncode != 0:
        raise AssertionError("apt-get %s failed:\n%s%s" % (" ".join(args), r.stdout, r.stderr))
    return r.stdout


def installed():
    r = run(["dpkg-query", "-W", "-f=${Status}", "roofrunner"])
    return r.returncode == 0 and r.stdout.endswith(" installed")


def owners(path):
    """The packages dpkg says own a path (a folder may have several)."""
    r = run(["dpkg-query", "-S", path])
    if r.returncode != 0:
        return set()
    out = set()
    for line in r.stdout.splitlines():
        if line.endswith(": " + path):
            out.update(p.strip() for p in line[:-len(": " + path)].split(","))
    return out


def changed_under_usr(marker):
    """Everything under /usr created or changed (ctime) since the marker file was made."""
    r = run(["find", "/usr", "-cnewer", marker])
    return [p for p in r.stdout.splitlines() if p]


class PackageTest(unittest.TestCase):
    files = []

    @classmethod
    def setUpClass(cls):
        if not os.path.isfile(DEB):
            raise unittest.SkipTest("no package: set RR_DEB to the .deb that scripts/build-deb.sh wrote")
        if installed():
            apt_get("remove", "roofrunner")
        apt_get("install", DEB)
        cls.files = run(["dpkg-query", "-L", "roofrunner"], check=True).stdout.split("\n")
        cls.files = [p for p in cls.files if p and p != "/."]
        cls.tmp = tempfile.mkdtemp(prefix="rr-package-")

    @classmethod
    def tearDownClass(cls):
        if installed():
            apt_get("remove", "roofrunner")
        shutil.rmtree(getattr(cls, "tmp", ""), ignore_errors=True)

    def test_1_laid_out_as_debian_games(self):
        for path in (LAUNCHER, CHECKER, GAME_DIR + "/roofrunner"):
            self.assertTrue(os.path.isfile(path) and os.access(path, os.X_OK), path)
        with open(LAUNCHER, "rb") as f:
            self.assertTrue(f.read(2) == b"#!", "the command is the launcher script")
        for f in ("levels.txt", "Music/train.mid", "Sprites/Game/title.txt", "Sprites/Numbers/numbers.txt"):
            self.assertTrue(os.path.isfile(os.path.join(DATA, f)), f)
        for page in ("roofrunner.6.gz", "roofrunner-check.6.gz"):
            self.assertIn("/usr/share/man/man6/" + page, self.files)
        self.assertIn("/usr/share/doc/roofrunner/copyright", self.files)
        strays = [p for p in self.files if not os.path.isdir(p) and not p.startswith(ALLOWED)]
        self.assertEqual(strays, [], "files outside the games layout")
        self.assertFalse([p for p in self.files if p.startswith(("/usr/bin/", "/usr/libexec/", "/usr/local/"))])

        depends = run(["dpkg-query", "-W", "-f=${Depends}", "roofrunner"], check=True).stdout
        names = {d.strip().split()[0] for d in depends.split(",")}
        self.assertTrue({"freepats", "liballegro4.4"} <= names, depends)

        # The patch set beside the program names the installed freepats, and every patch it names is there.
        with open(os.path.join(GAME_DIR, "allegro.cfg")) as f:
            self.assertIn("patches = default.cfg", f.read())
        with open(os.path.join(GAME_DIR, "default.cfg")) as f:
            pats = [line.split()[1] for line in f if line[:1].isdigit() and line.split()[1].endswith(".pat")]
        self.assertGreater(len(pats), 128)
        missing = [p for p in pats if not (p.startswith(FREEPATS + "/") and os.path.isfile(p))]
        self.assertEqual(missing, [])
        self.assertIn("freepats", owners(pats[0]))

        # The manual pages name the places the package put things in.
        page = run(["zcat", "/usr/share/man/man6/roofrunner.6.gz"], check=True).stdout
        for path in (GAME_DIR + "/default.cfg", DATA + "/", LAUNCHER, FREEPATS):
            self.assertIn(path.replace("-", "\\-"), page.replace("-", "\\-"))

        # Built hardened: position-independent, read-only relocations bound at start, stack and fortify checks.
        for elf in (GAME_DIR + "/roofrunner", CHECKER):
            header = run(["readelf", "-hldW", elf], check=True).stdout
            self.assertIn("DYN (Position-Independent Executable file)", header, elf)
            self.assertIn("GNU_RELRO", header, elf)
            self.assertIn("BIND_NOW", header, elf)
            symbols = run(["nm", "-D", elf], check=True).stdout
            self.assertIn("__stack_chk_fail", symbols, elf)
            self.assertRegex(symbols, r"__\w+_chk@", elf)

    def test_1_menu_entry_icons_and_software_centre_listing(self):
        with open("/usr/share/applications/roofrunner.desktop") as f:
            entry = dict(line.strip().split("=", 1) for line in f if "=" in line)
        self.assertEqual(entry["Exec"], LAUNCHER)
        self.assertTrue({"Game", "ArcadeGame"} <= set(entry["Categories"].strip(";").split(";")))
        for size in (64, 128, 256):
            png = "/usr/share/icons/hicolor/%dx%d/apps/%s.png" % (size, size, entry["Icon"])
            got = run(["identify", "-format", "%wx%h", png], check=True).stdout
            self.assertEqual(got, "%dx%d" % (size, size))

        infos = [p for p in self.files if p.startswith("/usr/share/metainfo/") and p.endswith(".metainfo.xml")]
        self.assertEqual(len(infos), 1, infos)
        root = ET.parse(infos[0]).getroot()
        self.assertEqual(os.path.basename(infos[0]), root.findtext("id") + ".metainfo.xml")
        self.assertEqual(root.findtext("launchable"), "roofrunner.desktop")
        self.assertEqual(root.findtext("name"), entry["Name"])
        self.assertEqual(root.findtext("project_license"), "MIT AND CC-BY-4.0")
        with open(os.path.join(SOURCE, "VERSION")) as f:
            self.assertEqual(root.find("releases/release").get("version"), f.readline().strip())
        shots = [img.text for img in root.iter("image")]
        pictures = [f for f in os.listdir(os.path.join(SOURCE, "docs")) if f.endswith(".png")]
        self.assertEqual(len(shots), len(pictures))
        for url in shots:
            self.assertTrue(url.startswith("https://"), url)
            self.assertTrue(os.path.isfile(os.path.join(SOURCE, "docs", url.rsplit("/", 1)[1])), url)

    def test_2_checker_passes_the_installed_data(self):
        work = tempfile.mkdtemp(dir=self.tmp)
        r = run([CHECKER, DATA], cwd=work, timeout=120)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertTrue(r.stdout.endswith("no problems found\n"), r.stdout)
        r = run([CHECKER, "--help"], cwd=work)
        self.assertEqual(r.returncode, 0)
        self.assertIn("usage: roofrunner-check", r.stdout)

    def test_3_plays_with_music_from_a_fresh_home_writing_only_its_state_folder(self):
        with open("/usr/share/applications/roofrunner.desktop") as f:
            command = next(line.strip().split("=", 1)[1] for line in f if line.startswith("Exec="))
        tmp = tempfile.mkdtemp(dir=self.tmp)
        cap = dt.Capture(tmp)
        home = cap.home
        elsewhere = os.path.join(tmp, "elsewhere")
        os.makedirs(elsewhere)
        marker = os.path.join(tmp, "marker")
        with rr.Display() as d:
            open(marker, "w").close()
            time.sleep(0.05)
            # A fresh account: no XDG_STATE_HOME, so the game's folder is ~/.local/state/roofrunner.
            state = os.path.join(home, ".local", "state", "roofrunner")
            env = dict(cap.env(), XDG_STATE_HOME="")
            g = rr.Launched(d, elsewhere, state, command, env)
            try:
                g.wait_started()
                self.assertIn("Sound system Initialized", g.log(), "no sound through the captured device")
                self.assertIsNotNone(g.wait_menu(), "no title menu")
                time.sleep(1.5)
                menu_end = cap.size()
                self.assertTrue(g.play())
                first = cap.size()
                g.key_down("Right")
                time.sleep(4)
                level_end = cap.size()
                g.key_up("Right")
                self.assertTrue(g.hold_until("Escape", lambda: "Unloaded Game Sprites" in g.log()), "ESC not seen")
                self.assertEqual(g.exit_through_menu(), 0)
            finally:
                g.kill()
            rr.check_run(rr.runs(g.log())[-1], middle=rr.PLAY_LINES + rr.QUIT_LINES)
            self.assertEqual(os.path.realpath(os.path.join(state, "Data")), DATA)
            # Read now: the next game opens the same captured device afresh.
            windows, _ = cap.levels(0, level_end)

            # With XDG_STATE_HOME set the game's folder is there, and nothing more lands in HOME.
            before_home = sorted(os.listdir(home))
            xdg = os.path.join(tmp, "xdg-state")
            g = rr.Launched(d, elsewhere, os.path.join(xdg, "roofrunner"), command,
                         dict(cap.env(), XDG_STATE_HOME=xdg))
            try:
                g.wait_started()
                self.assertEqual(g.exit_through_menu(), 0)
            finally:
                g.kill()
            self.assertEqual(len(rr.runs(g.log())), 1)
            self.assertEqual(sorted(os.listdir(home)), before_home)
            written = changed_under_usr(marker)

        self.assertEqual(sorted(os.listdir(elsewhere)), ["stderr.txt", "stdout.txt"], "the game wrote where it started")
        self.assertEqual(before_home, [".asoundrc", ".local"])
        self.assertEqual(sorted(os.listdir(state)), ["Data", "gamelog.txt"])
        # Another apt run on this machine may touch its own packages' files meanwhile; nothing else may change.
        ours = [p for p in written if not owners(p) or "roofrunner" in owners(p)]
        self.assertEqual(ours, [], "written under /usr while the game ran")
        self.assertEqual(run(["dpkg", "--verify", "roofrunner"]).stdout, "", "the installed files changed")

        menu = windows[2:cap.index(menu_end) - 1]
        level = windows[cap.index(first) + 4:cap.index(level_end) - 1]
        print("package audio RMS (16-bit, about 32768): menu max %.1f over %d windows; level 1 mean %.0f (min %.0f) "
              "over %d" % (max(menu), len(menu), sum(level) / len(level), min(level), len(level)), flush=True)
        self.assertGreater(len(menu), 5)
        self.assertLess(max(menu), dt.SILENT, "sound on the title menu")
        self.assertGreater(len(level), 10)
        self.assertGreater(sum(level) / len(level), dt.LOUD, "the music is not clearly audible in play")
        self.assertGreater(sum(1 for v in level if v > dt.SILENT) / len(level), 0.9, "the music has gaps")

    def test_4_removed_without_a_trace(self):
        self.assertTrue(self.files)
        apt_get("remove", "roofrunner")
        self.assertFalse(installed())
        # Only folders that other packages share may stay.
        left = [p for p in self.files if os.path.lexists(p)]
        stray = [p for p in left if not os.path.isdir(p) or os.path.islink(p) or not owners(p) - {"roofrunner"}]
        self.assertEqual(stray, [], "left behind by apt remove")
        for folder in (GAME_DIR, "/usr/share/games/roofrunner", "/usr/share/doc/roofrunner"):
            self.assertFalse(os.path.lexists(folder), folder)
        named = run(["find", "/usr", "-name", "*roofrunner*"]).stdout.split()
        self.assertEqual(named, [], "files named after the game under /usr")


if __name__ == "__main__":
    unittest.main(verbosity=2)
