"""The program's whole life in a real window: the start-up log, the close button on the menu and in play, every way
start-up can fail (a preloaded shim makes one library call fail; a debugger makes the game's own start fail), exit
codes and the one-line report on standard error."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402

# The start-up up to each step, as the log has it (the sound line is either).
UP_TO = {name: rr.STARTUP[:n] for name, n in (
    ("Log Initialized", 2), ("Allegro Initialized", 3), ("Timer Initialized", 4), ("Keyboard Initialized", 5),
    ("Initialized Random Number Seed", 8), ("Created DBuffer", 9), ("Initializing Game", 11))}
LEAVE_LOOP = ["UnInitializing Game", "UnInitialized Game", "Quitting Loop"]


def left_running(folder):
    """Processes still working in the folder (the game, or anything it started)."""
    out = []
    for pid in os.listdir("/proc"):
        if pid.isdigit():
            try:
                if os.readlink("/proc/%s/cwd" % pid) == folder:
                    out.append(int(pid))
            except OSError:
                pass
    return out


def matches(messages, wanted):
    """The messages equal the wanted list, None in it standing for either sound line."""
    return len(messages) == len(wanted) and all(
        (got in rr.SOUND_LINES) if want is None else got == want for want, got in zip(wanted, messages))


class ShellTest(unittest.TestCase):
    def test_close_button_ends_the_run_like_exit_and_runs_append(self):
        work = rr.make_workdir()
        with rr.Display() as d:
            for n in (1, 2):
                g = rr.start_game(d, work)
                try:
                    shot = g.wait_menu()
                    self.assertIsNotNone(shot, "no title menu")
                    self.assertEqual((shot.w, shot.h), (640, 480))
                    g.close_window()
                    self.assertEqual(g.wait_exit(), 0)
                finally:
                    g.kill()
                runs = rr.runs(g.log())
                self.assertEqual(len(runs), n)
                # The menu is the screen current at the close: nothing of the game is logged in between.
                rr.check_run(runs[-1], middle=[])

    def test_close_button_in_play_ends_the_level_and_leaves_the_game_once(self):
        # Running, and paused under the help page (which ESC alone cannot leave).
        for paused in (False, True):
            with self.subTest(paused=paused), rr.Display() as d:
                g = rr.start_game(d, rr.make_workdir())
                try:
                    self.assertTrue(g.play(), g.log())
                    if paused:
                        self.assertIsNotNone(g.hold_until("F1", lambda: g.wait_screen(rr.is_help, 0.5)),
                                             "F1 did not pause")
                    else:
                        self.assertIsNotNone(g.wait_clock(), "no play")
                    g.close_window()
                    self.assertEqual(g.wait_exit(), 0)
                finally:
                    g.kill()
                # Each line once: the level's end and the game screen's exit, then the normal shut-down.
                rr.check_run(rr.runs(g.log())[-1], middle=rr.PLAY_LINES + rr.QUIT_LINES)

    def test_no_display_reports_the_failed_step_and_exits_1(self):
        work = rr.make_workdir()
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        p = subprocess.run([rr.BINARY], cwd=work, env=env, capture_output=True, text=True, timeout=30)
        self.assertEqual(p.returncode, 1)
        lines = [l for l in p.stderr.splitlines() if l.startswith("roofrunner: ")]
        self.assertEqual(lines, ["roofrunner: cannot initialise the game library: no display or system driver "
                                 "available"], p.stderr)
        self.assertEqual(rr.read_log(os.path.join(work, "gamelog.txt")), ["", rr.SEPARATOR, "Log Initialized"])

    def test_each_start_up_failure_ends_as_the_log_says(self):
        # (what fails, the reason the library leaves, the stderr line, the whole log of the run)
        cases = [
            ("install_timer", "no timer here", "cannot install the timer: no timer here",
             UP_TO["Allegro Initialized"]),
            ("install_keyboard", "", "cannot install the keyboard", UP_TO["Timer Initialized"]),
            ("set_gfx_mode", "no 640x480 mode", "cannot set a 640x480 windowed graphics mode: no 640x480 mode",
             UP_TO["Keyboard Initialized"]),
            # After a normal start the library's error text holds an older message: it must not be shown.
            ("create_bitmap", "", "cannot create the 640x480 off-screen buffer",
             UP_TO["Initialized Random Number Seed"] + ["Allegro UnInitialized"]),
            ("install_int_ex", "", "cannot install the 64 Hz tick timer",
             UP_TO["Created DBuffer"] + LEAVE_LOOP + ["Destroyed DBuffer", "Allegro UnInitialized"]),
            ("game_init", "", "cannot initialise the game",
             UP_TO["Initializing Game"] + LEAVE_LOOP + ["Destroyed DBuffer", "Allegro UnInitialized"]),
        ]
        self.assertTrue(os.path.exists(rr.FAIL_SHIM), rr.FAIL_SHIM)
        with rr.Display() as d:
            for fail, reason, report, log in cases:
                with self.subTest(fail=fail):
                    work = rr.make_workdir()
                    asan = os.environ.get("ASAN_OPTIONS", "")
                    env = dict(d.env, RR_FAIL=fail, RR_FAIL_REASON=reason,
                               # The shim goes ahead of the sanitizer's runtime in the sanitizer build.
                               ASAN_OPTIONS=(asan + ":" if asan else "") + "verify_asan_link_order=0")
                    if fail == "game_init":
                        # The game's own start has no library call to fail: the debugger makes it return -1.
                        argv = ["gdb", "-q", "-batch", "-nx", "-ex", "break game_init", "-ex", "run", "-ex",
                                "return (int)-1", "-ex", "continue", "--args", rr.BINARY]
                    else:
                        env["LD_PRELOAD"] = rr.FAIL_SHIM
                        argv = [rr.BINARY]
                    p = subprocess.run(argv, cwd=work, env=env, capture_output=True, text=True, timeout=120)
                    if fail == "game_init":
                        self.assertIn("exited with code 01", p.stdout, p.stdout + p.stderr)
                    else:
                        self.assertEqual(p.returncode, 1, p.stderr)
                    lines = [l for l in (p.stdout + p.stderr).splitlines() if l.startswith("roofrunner: ")]
                    self.assertEqual(lines, ["roofrunner: " + report], p.stderr)
                    messages = rr.read_log(os.path.join(work, "gamelog.txt"))
                    self.assertTrue(matches(messages, [""] + log), messages)
                    self.assertEqual(left_running(work), [], "something is still running")


if __name__ == "__main__":
    unittest.main()
