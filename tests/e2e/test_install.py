"""The installed game: `cmake --install` with DESTDIR into a scratch prefix, then the launcher started from
elsewhere (directly and through a link on the PATH), running in the player's state folder and never writing into
the install; the desktop entry, the icons and the patch set beside the installed program."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402

PREFIX = "/opt/roofrunner-test"


def tree_state(root):
    """Every path under root with its size and modification time: any write shows up."""
    out = {}
    for d, dirs, files in os.walk(root):
        for name in dirs + files:
            p = os.path.join(d, name)
            st = os.lstat(p)
            out[os.path.relpath(p, root)] = (st.st_size, st.st_mtime_ns)
    return out


class InstallTest(unittest.TestCase):
    def test_install_with_destdir_and_play_from_anywhere(self):
        tmp = tempfile.mkdtemp(prefix="rr-install-")
        dest = os.path.join(tmp, "dest")
        env = dict(os.environ, DESTDIR=dest)
        r = subprocess.run(["cmake", "--install", rr.BUILD_DIR, "--prefix", PREFIX], env=env, capture_output=True,
                           text=True)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        root = dest + PREFIX
        self.assertFalse(os.path.exists(PREFIX), "DESTDIR was ignored")

        launcher = os.path.join(root, "bin", "roofrunner")
        game = os.path.join(root, "libexec", "roofrunner", "roofrunner")
        self.assertTrue(os.access(launcher, os.X_OK))
        self.assertTrue(os.access(game, os.X_OK))
        for f in ("levels.txt", "Music/train.mid", "Sprites/Game/title.txt"):
            self.assertTrue(os.path.isfile(os.path.join(root, "share", "roofrunner", "Data", f)), f)

        # The desktop entry starts the launcher at the prefix it was installed for and names the window class.
        with open(os.path.join(root, "share", "applications", "roofrunner.desktop")) as f:
            entry = dict(line.strip().split("=", 1) for line in f if "=" in line)
        self.assertEqual(entry["Exec"], PREFIX + "/bin/roofrunner")
        self.assertEqual(entry["StartupWMClass"], "roofrunner")
        self.assertEqual(entry["Icon"], "roofrunner")
        self.assertEqual(entry["Type"], "Application")
        icons = os.path.join(root, "share", "icons", "hicolor")
        sizes = sorted(os.listdir(icons))
        self.assertTrue(sizes)
        for size in sizes:
            png = os.path.join(icons, size, "apps", "roofrunner.png")
            got = subprocess.run(["identify", "-format", "%wx%h", png], capture_output=True, text=True, check=True)
            self.assertEqual(got.stdout, size)

        # The patch set travels with the program, and names patches that exist.
        libexec = os.path.dirname(game)
        with open(os.path.join(libexec, "allegro.cfg")) as f:
            self.assertIn("patches = default.cfg", f.read())
        with open(os.path.join(libexec, "default.cfg")) as f:
            pats = [line.split()[1] for line in f if line[:1].isdigit() and line.split()[1].endswith(".pat")]
        if os.path.isdir("/usr/share/midi/freepats/Tone_000"):
            self.assertGreater(len(pats), 128)
            self.assertTrue(all(os.path.isfile(p) for p in pats))

        before = tree_state(root)
        elsewhere = os.path.join(tmp, "elsewhere")
        home = os.path.join(tmp, "home")
        os.makedirs(elsewhere)
        os.makedirs(home)
        with rr.Display() as d:
            # Started by its full path from an unrelated folder, with the default state folder.
            state = os.path.join(home, ".local", "state", "roofrunner")
            run_env = {"HOME": home, "XDG_STATE_HOME": ""}
            for n in (1, 2):
                g = rr.Launched(d, elsewhere, state, launcher, run_env)
                try:
                    g.wait_started()
                    self.assertEqual(g.exit_through_menu(), 0)
                finally:
                    g.kill()
                runs = rr.runs(g.log())
                self.assertEqual(len(runs), n)
                rr.check_run(runs[-1], middle=[])
            self.assertEqual(os.path.realpath(os.path.join(state, "Data")),
                             os.path.realpath(os.path.join(root, "share", "roofrunner", "Data")))
            self.assertNotIn("gamelog.txt", os.listdir(elsewhere))

            # Through a link on the PATH, with XDG_STATE_HOME set: the game plays a level from there.
            bindir = os.path.join(tmp, "bin")
            os.makedirs(bindir)
            os.symlink(launcher, os.path.join(bindir, "roofrunner"))
            xdg = os.path.join(tmp, "xdg-state")
            path_env = {"HOME": home, "XDG_STATE_HOME": xdg, "PATH": bindir + os.pathsep + os.environ["PATH"]}
            g = rr.Launched(d, elsewhere, os.path.join(xdg, "roofrunner"), "roofrunner", path_env)
            try:
                g.wait_started()
                self.assertIsNotNone(g.wait_menu(), "no title menu")
                self.assertTrue(g.play())
                self.assertTrue(g.hold_until("Escape", lambda: "Unloaded Game Sprites" in g.log()), "ESC not seen")
                self.assertEqual(g.exit_through_menu(), 0)
            finally:
                g.kill()
            self.assertEqual(len(rr.runs(g.log())), 1)
        self.assertEqual(tree_state(root), before, "the game wrote into its install")
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
