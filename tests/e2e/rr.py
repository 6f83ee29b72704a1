"""Drives the real roofrunner binary in a real X window: its own Xvfb, real key events, screenshots, the log."""
import os
import random
import re
import shutil
import signal
import subprocess
import tempfile
import time

SOURCE_DIR = os.environ.get("RR_SOURCE_DIR", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BINARY = os.environ.get("RR_BINARY", os.path.join(SOURCE_DIR, "build", "roofrunner"))
BUILD_DIR = os.environ.get("RR_BUILD_DIR", os.path.dirname(BINARY))
WM_CLOSE = os.path.join(BUILD_DIR, "tests", "e2e", "rr_wm_close")

LOG_LINE = re.compile(r"^\[(\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4})\]: (.*)$")
SEPARATOR = "-" * 55
STARTUP = [
    SEPARATOR, "Log Initialized", "Allegro Initialized", "Timer Initialized", "Keyboard Initialized",
    "Screen Initialized: 640 x 480 @ 16 bpp Windowed", None, "Initialized Random Number Seed", "Created DBuffer",
    "Creating Loop at 64 LPS", "Initializing Game", "Initialized Game",
]
SHUTDOWN = ["UnInitializing Game", "UnInitialized Game", "Quitting Loop", "Destroyed DBuffer", "Allegro UnInitialized"]
SOUND_LINES = ("Sound system Initialized", "Sound system disabled")


class Display:
    """A private Xvfb server, so that tests running side by side never steal each other's focus."""

    def __init__(self):
        # Numbers well away from :0, which desktops and stale sockets tend to hold; a taken one fails fast.
        # -noreset: by default the server resets when its last client leaves, and refuses clients meanwhile.
        for attempt in range(40):
            num = random.randrange(100, 900)
            if os.path.exists("/tmp/.X%d-lock" % num) or os.path.exists("/tmp/.X11-unix/X%d" % num):
                continue
            self.proc = subprocess.Popen(["Xvfb", ":%d" % num, "-screen", "0", "800x600x24", "-nolisten", "tcp", "-noreset"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.name = ":%d" % num
            self.env = dict(os.environ, DISPLAY=self.name)
            if self._wait_ready():
                subprocess.run(["xset", "r", "off"], env=self.env, check=False)
                return
            self.close()
        raise RuntimeError("no Xvfb display could be started")

    def _wait_ready(self):
        end = time.time() + 10
        while time.time() < end:
            if self.proc.poll() is not None:
                return False
            if subprocess.run(["xdpyinfo"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                return True
            time.sleep(0.05)
        return False

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def make_workdir(data=None):
    """A scratch folder holding Data (a link to the shipped one, or a copy to break) and nothing else."""
    work = tempfile.mkdtemp(prefix="rr-e2e-")
    if data == "copy":
        shutil.copytree(os.path.join(SOURCE_DIR, "Data"), os.path.join(work, "Data"))
    else:
        os.symlink(os.path.join(SOURCE_DIR, "Data") if data is None else data, os.path.join(work, "Data"))
    return work


class Game:
    def __init__(self, display, workdir, env=None, binary=None, args=None):
        self.display = display
        self.workdir = workdir
        e = dict(display.env)
        if env:
            e.update(env)
        self.env = e
        self.out_path = os.path.join(workdir, "stdout.txt")
        self.err_path = os.path.join(workdir, "stderr.txt")
        with open(self.out_path, "w") as out, open(self.err_path, "w") as err:
            self.proc = subprocess.Popen([binary or BINARY] + (args or []), cwd=workdir, env=e, stdout=out, stderr=err)
        self.window = None
        self.held = set()

    def wait_window(self, timeout=15):
        end = time.time() + timeout
        while time.time() < end:
            r = subprocess.run(["xdotool", "search", "--name", "^Roofrunner$"], env=self.display.env,
                               capture_output=True, text=True)
            ids = r.stdout.split()
            if ids:
                self.window = ids[-1]
                subprocess.run(["xdotool", "windowfocus", "--sync", self.window], env=self.display.env,
                               capture_output=True)
                return self.window
            if self.proc.poll() is not None:
                raise RuntimeError("game ended before its window appeared: " + self.stderr())
            time.sleep(0.1)
        raise RuntimeError("no window")

    def stderr(self):
        with open(self.err_path) as f:
            return f.read()

    def focus(self):
        subprocess.run(["xdotool", "windowfocus", "--sync", self.window], env=self.display.env, capture_output=True)

    def key_down(self, name):
        subprocess.run(["xdotool", "keydown", "--window", self.window, name], env=self.display.env, check=True)
        self.held.add(name)

    def key_up(self, name):
        subprocess.run(["xdotool", "keyup", "--window", self.window, name], env=self.display.env, check=True)
        self.held.discard(name)

    def release_keys(self):
        """Lets go of keys still held when the game ended (ENTER on "Exit"), so the server does not keep them
        down for the next game on the same display."""
        for name in sorted(self.held):
            subprocess.run(["xdotool", "keyup", name], env=self.display.env, capture_output=True)
        self.held.clear()

    def press(self, name, hold=0.08, after=0.15):
        """A real key press held for several ticks (64 a second), then a pause for the game to act on it."""
        self.key_down(name)
        time.sleep(hold)
        self.key_up(name)
        time.sleep(after)

    def close_window(self):
        subprocess.run([WM_CLOSE, self.window], env=self.display.env, check=True)

    def screenshot(self, path=None):
        """The window's pixels as (width, height, bytes of RGB); saved as PNG too when a path is given."""
        ppm = subprocess.run(["import", "-window", self.window, "-depth", "8", "ppm:-"], env=self.display.env,
                             capture_output=True, check=True).stdout
        if path:
            subprocess.run(["convert", "ppm:-", path], input=ppm, check=True)
        return parse_ppm(ppm)

    def shot8(self):
        """The window as an rr.Shot of 8-bit channels (import alone may give 16-bit samples)."""
        ppm = subprocess.run(["import", "-window", self.window, "-depth", "8", "ppm:-"], env=self.display.env,
                             capture_output=True, check=True).stdout
        return Shot(parse_ppm(ppm))

    def log(self):
        return read_log(os.path.join(self.workdir, "gamelog.txt"))

    def wait_log(self, message, timeout=20, count=1):
        end = time.time() + timeout
        while time.time() < end:
            if self.log().count(message) >= count:
                return True
            if self.proc.poll() is not None:
                return self.log().count(message) >= count
            time.sleep(0.05)
        return False

    def wait_exit(self, timeout=15):
        try:
            code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None
        self.release_keys()
        return code

    def kill(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
        self.release_keys()


def start_game(display, workdir, **kw):
    """A Game whose window is up."""
    g = Game(display, workdir, **kw)
    g.wait_window()
    return g


class Shot:
    def __init__(self, data):
        self.w, self.h, self.rgb = data

    def pixel(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.rgb[i:i + 3])

    def count(self, colour, box=None, tol=8):
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        n = 0
        for y in range(y0, y1):
            row = (y * self.w) * 3
            for x in range(x0, x1):
                i = row + x * 3
                if all(abs(self.rgb[i + k] - colour[k]) <= tol for k in range(3)):
                    n += 1
        return n


def parse_ppm(data):
    parts = []
    pos = 0
    while len(parts) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        parts.append(data[pos:end])
        pos = end
    pos += 1
    w, h = int(parts[1]), int(parts[2])
    return w, h, data[pos:pos + w * h * 3]


def read_log(path):
    """The log's messages, with '' for the blank line that starts every run; asserts each line's stamp format."""
    if not os.path.exists(path):
        return []
    out = []
    with open(path, encoding="latin-1") as f:
        for line in f.read().split("\n")[:-1]:
            if line == "":
                out.append("")
                continue
            m = LOG_LINE.match(line)
            if not m:
                raise AssertionError("malformed log line: %r" % line)
            out.append(m.group(2))
    return out


def check_run(messages, middle=None):
    """Checks one whole run of the log: blank line, start-up, what happened in between, shut-down."""
    assert messages[0] == "", messages[:2]
    start = messages[1:13]
    for want, got in zip(STARTUP, start):
        if want is None:
            assert got in SOUND_LINES, got
        else:
            assert got == want, (want, got)
    assert messages[-5:] == SHUTDOWN, messages[-5:]
    if middle is not None:
        assert messages[13:-5] == middle, messages[13:-5]


def runs(messages):
    """Splits a log into runs, each starting at its blank line."""
    out = []
    for m in messages:
        if m == "":
            out.append([])
        out[-1].append(m)
    return out
