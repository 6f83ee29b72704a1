"""Runs the Windows build under Wine, and the Linux build beside it, in real windows on private Xvfb servers.

What is Wine's own lives here: the prefix inside the build folder, the environment, the CRLF log. The displays,
the log's messages and the screenshots come from tests/e2e/rr.py.
Set by scripts/test.d/windows.sh (defaults for a run by hand from the source tree):
  RR_WIN_DIR        the unzipped folder that holds roofrunner.exe, roofrunner-check.exe and Data
  RR_WINEPREFIX     the Wine prefix, made on first use
  RR_LINUX_BUILD    the Linux build folder, for the game and the checker to compare with
  RR_WIN_BUILD      the Windows build folder, for the test program rr_high_memory.exe and the icon
"""
import os
import shutil
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import rr  # noqa: E402

SOURCE_DIR = rr.SOURCE_DIR
WIN_DIR = os.environ.get("RR_WIN_DIR", os.path.join(SOURCE_DIR, "build-windows", "unzipped", "roofrunner"))
PREFIX = os.environ.get("RR_WINEPREFIX", os.path.join(SOURCE_DIR, "build-windows", "wineprefix"))
LINUX_BUILD = os.environ.get("RR_LINUX_BUILD", os.path.join(SOURCE_DIR, "build"))
WIN_BUILD = os.environ.get("RR_WIN_BUILD", os.path.join(SOURCE_DIR, "build-windows", "game"))
LINUX_GAME = os.path.join(LINUX_BUILD, "roofrunner")
LINUX_CHECK = os.path.join(LINUX_BUILD, "tools", "check", "roofrunner-check")

_prefix_lock = threading.Lock()


def wine_env(display=None):
    """Wine without prompts (no Mono, no Gecko) and without its debug chatter, in our own prefix."""
    env = dict(os.environ, WINEPREFIX=PREFIX, WINEDLLOVERRIDES="mscoree,mshtml=", WINEDEBUG="-all")
    if display is not None:
        env["DISPLAY"] = display.name
    else:
        env.pop("DISPLAY", None)
    return env


def ensure_prefix():
    """Makes the prefix once (10-20 s), with the crash dialog off: a crash must end the process, not wait."""
    with _prefix_lock:
        if os.path.exists(os.path.join(PREFIX, "system.reg")) and os.path.exists(os.path.join(PREFIX, ".rr-ready")):
            return
        shutil.rmtree(PREFIX, ignore_errors=True)
        env = wine_env()
        subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True, timeout=300)
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\WineDbg", "/v", "ShowCrashDialog", "/t",
                        "REG_DWORD", "/d", "0", "/f"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True, timeout=120)
        subprocess.run(["wineserver", "-w"], env=env, timeout=120)
        open(os.path.join(PREFIX, ".rr-ready"), "w").close()


def stop_wineserver():
    """Ends the prefix's wineserver (it outlives the last program by a few seconds otherwise)."""
    subprocess.run(["wineserver", "-k"], env=wine_env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


scratch = rr.scratch


def windows_folder():
    """A scratch copy of the unzipped game folder, so each test has its own log and may break its own Data."""
    work = scratch("rr-win-")
    dest = os.path.join(work, "roofrunner")
    shutil.copytree(WIN_DIR, dest)
    return dest


def linux_folder():
    """A scratch folder for the Linux game with a copy of the shipped Data (as the zip holds it)."""
    work = scratch("rr-lin-")
    shutil.copytree(os.path.join(WIN_DIR, "Data"), os.path.join(work, "Data"))
    return work


def read_log_crlf(path):
    """The log's messages (as rr.read_log gives them) from a file whose every line must end in CR LF."""
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        raw = f.read()
    if raw.replace(b"\r\n", b"").count(b"\n") or raw.replace(b"\r\n", b"").count(b"\r"):
        raise AssertionError("a line of %s does not end in CR LF: %r" % (path, raw[-300:]))
    return rr.parse_log(raw.replace(b"\r\n", b"\n").decode("latin-1"))


class Game(rr.Game):
    """One run of the game in a real window: the Windows build under Wine, or the Linux build beside it."""

    def __init__(self, display, folder, windows=True, env=None):
        self.windows = windows
        extra = dict(env or {})
        if windows:
            ensure_prefix()
            extra.update(WINEPREFIX=PREFIX, WINEDLLOVERRIDES="mscoree,mshtml=", WINEDEBUG="-all")
            command = ["wine", os.path.join(folder, "roofrunner.exe")]
        else:
            command = [LINUX_GAME]
        super().__init__(display, folder, env=extra, command=command)

    def wait_started(self, timeout=60):
        """Wine takes its time to bring a program up on a busy machine."""
        return super().wait_started(timeout)

    def log(self):
        path = os.path.join(self.workdir, "gamelog.txt")
        return read_log_crlf(path) if self.windows else rr.read_log(path)


def wait_stable_shot(game, accept, timeout=15):
    """The first frame that accept() takes and that the next shot repeats exactly."""
    end = time.time() + timeout
    last = None
    while time.time() < end:
        s = game.shot()
        if accept(s) and last is not None and s.rgb == last.rgb:
            return s
        last = s if accept(s) else None
        time.sleep(0.2)
    raise AssertionError("no steady frame of the expected page within %d s" % timeout)


def run_side_by_side(*jobs):
    """Runs each job (a function of no arguments) in its own thread; returns their results, raising the first
    failure."""
    results = [None] * len(jobs)
    errors = [None] * len(jobs)

    def run(i, job):
        try:
            results[i] = job()
        except BaseException as e:  # noqa: BLE001 - re-raised below
            errors[i] = e

    threads = [threading.Thread(target=run, args=(i, j)) for i, j in enumerate(jobs)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for e in errors:
        if e is not None:
            raise e
    return results


def save_png(shot, path):
    """A screenshot kept for a look when a comparison fails."""
    header = b"P6\n%d %d\n255\n" % (shot.w, shot.h)
    subprocess.run(["convert", "ppm:-", path], input=header + shot.rgb, check=True)
