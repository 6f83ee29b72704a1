"""The end-to-end tests' one vocabulary: the real roofrunner binary in a real X window (a private Xvfb, real key
events, screenshots), what its log says, what its screens show, the ways a player gets around, and Data folders
to break.

Everything that waits, waits with a timeout for what it expects to see: a log line, or a frame that passes a test.
Nothing judges a single screenshot taken right after a key or a log line."""
import atexit
import contextlib
import hashlib
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
FAIL_SHIM = os.path.join(BUILD_DIR, "tests", "e2e", "librr_fail_shim.so")
DATA = os.path.join(SOURCE_DIR, "Data")

# ---------------------------------------------------------------------------------------------------- the log

LOG_LINE = re.compile(r"^\[(\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4})\]: (.*)$")
SEPARATOR = "-" * 55
STARTUP = [
    SEPARATOR, "Log Initialized", "Allegro Initialized", "Timer Initialized", "Keyboard Initialized",
    "Screen Initialized: 640 x 480 @ 16 bpp Windowed", None, "Initialized Random Number Seed", "Created DBuffer",
    "Creating Loop at 64 LPS", "Initializing Game", "Initialized Game",
]
SHUTDOWN = ["UnInitializing Game", "UnInitialized Game", "Quitting Loop", "Destroyed DBuffer", "Allegro UnInitialized"]
SOUND_LINES = ("Sound system Initialized", "Sound system disabled")
PLAY_LINES = ["Loaded Game Sprites", "Initializing Level Renderer", "Initializing Game Renderer", "First Level"]
QUIT_LINES = ["Quitting Game Renderer", "Quitting Level Renderer", "Unloaded Game Sprites"]


def parse_log(text):
    """The log's messages, with '' for the blank line that starts every run; asserts each line's stamp format."""
    out = []
    for line in text.split("\n")[:-1]:
        if line == "":
            out.append("")
            continue
        m = LOG_LINE.match(line)
        if not m:
            raise AssertionError("malformed log line: %r" % line)
        out.append(m.group(2))
    return out


def read_log(path):
    """parse_log of a log file; [] while there is none."""
    if not os.path.exists(path):
        return []
    with open(path, encoding="latin-1") as f:
        return parse_log(f.read())


def check_start(run):
    """The first thirteen messages of a run: its blank line and the start-up, either sound line accepted."""
    assert run[0] == "", run[:2]
    assert len(run) >= 13, run
    for want, got in zip(STARTUP, run[1:13]):
        if want is None:
            assert got in SOUND_LINES, got
        else:
            assert got == want, (want, got)


def check_run(messages, middle=None):
    """Checks one whole run of the log: blank line, start-up, what happened in between, shut-down."""
    check_start(messages)
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


def in_order(log, wanted):
    """True if the wanted messages appear in the log in this order (others may come between)."""
    pos = 0
    for m in log:
        if pos < len(wanted) and m == wanted[pos]:
            pos += 1
    return pos == len(wanted)


# ------------------------------------------------------------------------------------------------ the screens

GREY = (220, 220, 220)      # the menu, help and victory pages
LATTICE = (191, 191, 191)   # the menu's drifting lattice
RED = (255, 0, 0)           # the chosen menu item, "Help", "G A M E  O V E R"
DARK_RED = (64, 0, 0)       # the other menu items
HELP_TEXT = (32, 32, 32)
ITEM_Y = (150, 170, 190)    # "Game", "Help", "Exit"
TEXT_BOX = (200, 232, 440, 248)  # the one-line screens' text row at y = 236
CLOCK_BOX = (120, 0, 360, 48)    # "MM:SS", five glyphs of 6 x 6 cells from x = 120


class Shot:
    """A screenshot: width, height and RGB bytes, 8 bits a channel."""

    def __init__(self, data):
        self.w, self.h, self.rgb = data

    def pixel(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.rgb[i:i + 3])

    def crop(self, box):
        x0, y0, x1, y1 = box
        return b"".join(self.rgb[(y * self.w + x0) * 3:(y * self.w + x1) * 3] for y in range(y0, y1))

    def count(self, colour, box=None, tol=8):
        """Pixels in the box whose every channel is within tol of the colour (the 16-bit frame comes back
        slightly rounded). Counted a channel at a time in bulk, so that polling many frames stays cheap."""
        pixels = self.crop(box or (0, 0, self.w, self.h))
        mask = -1
        for k in range(3):
            lo, hi = colour[k] - tol, colour[k] + tol
            table = bytes(1 if lo <= v <= hi else 0 for v in range(256))
            mask &= int.from_bytes(pixels[k::3].translate(table), "little")
        return bin(mask).count("1") if mask > 0 else 0


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


def _item_box(i):
    return (280, ITEM_Y[i] - 6, 360, ITEM_Y[i] + 10)


def menu_item(s):
    """Which item the title menu shows chosen (0 "Game", 1 "Help", 2 "Exit"), or None if the menu is not shown:
    a grey page under the lattice, one item bright red, the two others dark red. The title picture may be missing."""
    if s.count(GREY) < 50000 or s.count(LATTICE, (0, 200, 640, 480)) < 2000:
        return None
    lit = [i for i in range(3) if s.count(RED, _item_box(i), tol=24) >= 10]
    if len(lit) != 1:
        return None
    dark = [i for i in range(3) if i != lit[0] and s.count(DARK_RED, _item_box(i), tol=24) >= 10]
    return lit[0] if len(dark) == 2 else None


def is_menu(s):
    return menu_item(s) is not None


def is_help(s):
    """The help page: grey all over, the red title, dark text, no lattice (also over the paused game)."""
    return (s.count(GREY) > 250000 and s.count(RED, (280, 16, 360, 32)) > 20
            and s.count(HELP_TEXT, (40, 60, 624, 452)) > 1000 and s.count(LATTICE) == 0)


def text_colour(s):
    """The commonest non-black colour in the one-line screens' text row, and how many pixels have it."""
    counts = {}
    x0, y0, x1, y1 = TEXT_BOX
    for y in range(y0, y1):
        for x in range(x0, x1):
            p = s.pixel(x, y)
            if p != (0, 0, 0):
                counts[p] = counts.get(p, 0) + 1
    if not counts:
        return None, 0
    best = max(counts, key=counts.get)
    return best, counts[best]


def is_game_over(s):
    """Red "G A M E  O V E R" on black, and nothing else on the text row."""
    c, n = text_colour(s)
    return c is not None and all(abs(c[k] - RED[k]) <= 8 for k in range(3)) and n > 100


def _clock_glyphs():
    """The clock's digit glyphs from the shipped numbers sprite, as sets of occupied (column, row) cells."""
    with open(os.path.join(DATA, "Sprites", "Numbers", "numbers.txt"), encoding="latin-1") as f:
        lines = f.read().split("\n")
    w, h = (int(v) for v in lines[0].split())
    colour = tuple(int(v) for v in lines[1].split())
    rows = [(lines[2 + i] if 2 + i < len(lines) else "").ljust(w)[:w] for i in range(h)]
    glyphs = []
    for g in range(11):
        glyphs.append({(c, r) for r in range(6) for c in range(w) if rows[6 * g + r][c] != " "})
    return w, colour, glyphs


def read_clock(s):
    """The seconds the clock shows, read cell by cell against the digit glyphs; None if it is not on screen."""
    w, colour, glyphs = _clock_glyphs()
    step = w * 8
    values = []
    for i in range(5):
        cells = set()
        for r in range(6):
            for c in range(w):
                x, y = 120 + i * step + c * 8, r * 8
                if s.count(colour, (x, y, x + 8, y + 8), tol=12) > 0:
                    cells.add((c, r))
        dist = [len(cells ^ g) for g in glyphs]
        best = min(range(11), key=lambda k: dist[k])
        if dist[best] > 2:
            return None
        values.append(best)
    if values[2] != 10 or 10 in values[:2] + values[3:]:
        return None
    return (values[0] * 10 + values[1]) * 60 + values[3] * 10 + values[4]


def clock_passes(s, test):
    seconds = read_clock(s)
    return seconds is not None and test(seconds)


# ---------------------------------------------------------------------------------------------------- Data


_scratch = []


def scratch(prefix):
    """A temporary folder, removed when the tests end."""
    if not _scratch:
        atexit.register(lambda: [shutil.rmtree(d, ignore_errors=True) for d in _scratch])
    d = tempfile.mkdtemp(prefix=prefix)
    _scratch.append(d)
    return d


def make_workdir(data=None):
    """A scratch folder holding Data (a link to the shipped one, or a copy to break) and nothing else."""
    work = tempfile.mkdtemp(prefix="rr-e2e-")
    if data == "copy":
        shutil.copytree(DATA, os.path.join(work, "Data"))
    else:
        os.symlink(DATA if data is None else data, os.path.join(work, "Data"))
    return work


def data_words(rel, data_dir=DATA):
    """The words of a data file, as the game reads them."""
    with open(os.path.join(data_dir, rel), encoding="latin-1") as f:
        return f.read().split()


def sprite_colour(rel, data_dir=DATA):
    """The one colour of a sprite file (a path under Sprites): the three numbers after its width and height."""
    return tuple(int(v) for v in data_words(os.path.join("Sprites", rel), data_dir)[2:5])


def level_names(data_dir=DATA):
    return data_words("levels.txt", data_dir)[1:]


def attr_file(layer_words):
    """The attribute file a layer list names last (shipped lists give a kind and a file for every layer)."""
    w = layer_words
    return [w[i + 1] for i in range(1, len(w) - 1, 2) if w[i].lower() == "attr"][-1]


def level_attr_path(name, data_dir=DATA):
    """The path under Data of a level's attribute file."""
    return os.path.join("Levels", name, attr_file(data_words(os.path.join("Levels", name, "level.txt"), data_dir)))


def tree_hash(root):
    """Names, sizes and contents of everything under root: any write, new file or removal changes it."""
    h = hashlib.sha256()
    for d, dirs, files in os.walk(root):
        dirs.sort()
        for name in sorted(files):
            p = os.path.join(d, name)
            h.update(os.path.relpath(p, root).encode() + b"\0")
            with open(p, "rb") as f:
                h.update(f.read())
        h.update(b"\1")
    return h.hexdigest()


@contextlib.contextmanager
def broken(data_dir, files):
    """Data files replaced for the length of a with block: {path under Data: new bytes, or None to remove it}.
    Every file is put back as it was afterwards, whatever happens inside."""
    originals = []
    try:
        for rel, content in files.items():
            path = os.path.join(data_dir, rel)
            with open(path, "rb") as f:
                originals.append((path, f.read()))
            if content is None:
                os.remove(path)
            else:
                with open(path, "wb") as f:
                    f.write(content)
        yield
    finally:
        for path, data in originals:
            with open(path, "wb") as f:
                f.write(data)


# ------------------------------------------------------------------------------------------ display and game


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


HOLD = 0.12  # seconds a key is held: several ticks (64 a second), so that even a busy machine polls it


class Game:
    def __init__(self, display, workdir, env=None, binary=None, args=None, command=None):
        """The game started in workdir; `command` replaces the plain start (a debugger in front of it)."""
        self.display = display
        self.workdir = workdir
        e = dict(display.env)
        if env:
            e.update(env)
        self.env = e
        self.out_path = os.path.join(workdir, "stdout.txt")
        self.err_path = os.path.join(workdir, "stderr.txt")
        argv = command or [binary or BINARY] + (args or [])
        with open(self.out_path, "w") as out, open(self.err_path, "w") as err:
            self.proc = subprocess.Popen(argv, cwd=workdir, env=e, stdout=out, stderr=err)
        self.window = None
        self.held = set()

    def wait_window(self, timeout=15):
        end = time.time() + timeout
        while time.time() < end:
            # Only a mapped one: Wine may keep an unmapped window of the same name about.
            r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Roofrunner$"],
                               env=self.display.env, capture_output=True, text=True)
            ids = r.stdout.split()
            if ids:
                self.window = ids[-1]
                self.focus()
                return self.window
            if self.proc.poll() is not None:
                raise RuntimeError("the game ended (exit %s) before its window appeared: %s"
                                   % (self.proc.returncode, self.stderr()[-2000:]))
            time.sleep(0.1)
        raise RuntimeError("no window titled Roofrunner after %d s; log: %r" % (timeout, self.log()[-5:]))

    def wait_started(self, timeout=30):
        """Waits for the window and the end of start-up; kills the game and fails if either does not come."""
        self.wait_window(timeout)
        if not self.wait_log("Initialized Game", timeout):
            self.kill()
            raise AssertionError("the game did not start: %r %s" % (self.log(), self.stderr()[-2000:]))
        return self

    def stderr(self):
        with open(self.err_path, errors="replace") as f:
            return f.read()

    def focus(self):
        subprocess.run(["xdotool", "windowfocus", "--sync", self.window], env=self.display.env, capture_output=True,
                       timeout=10)

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

    def press(self, name, hold=HOLD, after=0.1):
        """A real key press held for several ticks, then a short pause. What it leads to is waited for by the
        caller (wait_screen, wait_log), never assumed."""
        self.key_down(name)
        time.sleep(hold)
        self.key_up(name)
        time.sleep(after)

    def hold_until(self, name, seen, timeout=20):
        """Holds a key until seen() is true (the game reads held keys once a poll): what seen() gave, or None."""
        self.key_down(name)
        try:
            end = time.time() + timeout
            while time.time() < end:
                got = seen()
                if got:
                    return got
                time.sleep(0.05)
            return None
        finally:
            self.key_up(name)

    def close_window(self):
        subprocess.run([WM_CLOSE, self.window], env=self.display.env, check=True)

    def shot(self, path=None):
        """The window as a Shot; also saved as PNG when a path is given."""
        ppm = subprocess.run(["import", "-window", self.window, "-depth", "8", "ppm:-"], env=self.display.env,
                             capture_output=True, check=True).stdout
        if path:
            subprocess.run(["convert", "ppm:-", path], input=ppm, check=True)
        return Shot(parse_ppm(ppm))

    def wait_screen(self, test, timeout=10, step=0.1):
        """Polls frames until test(shot) holds; the frame that passed, or None."""
        end = time.time() + timeout
        while True:
            s = self.shot()
            if test(s):
                return s
            if time.time() >= end or self.proc.poll() is not None:
                return None
            time.sleep(step)

    def wait_clock(self, test=lambda seconds: True, timeout=10):
        """Waits for the play screen's clock to show seconds that pass the test; those seconds, or None."""
        shot = self.wait_screen(lambda s: clock_passes(s, test), timeout)
        return read_clock(shot) if shot else None

    def wait_menu(self, item=None, timeout=15):
        """Waits for the title menu (with that item chosen, if given); the frame, or None."""
        return self.wait_screen(lambda s: menu_item(s) == item if item is not None else is_menu(s), timeout)

    def choose(self, item, timeout=15):
        """On the title menu: moves to the item (0 "Game", 1 "Help", 2 "Exit"), each step seen on screen, and
        presses ENTER on it."""
        shot = self.wait_menu(timeout=timeout)
        assert shot is not None, "no title menu"
        at = menu_item(shot)
        while at != item:
            want = at + (1 if at < item else -1)
            self.press("Down" if want > at else "Up")
            assert self.wait_menu(want, timeout) is not None, "the menu did not move to item %d" % want
            at = want
        self.key_down("Return")
        time.sleep(HOLD)
        # Not addressed to the window, which may be gone already.
        subprocess.run(["xdotool", "keyup", "Return"], env=self.display.env, capture_output=True)
        self.held.discard("Return")

    def exit_through_menu(self, timeout=20):
        """Exit chosen on the title menu: the game's exit code (None if it did not end)."""
        self.choose(2)
        return self.wait_exit(timeout)

    def play(self, timeout=20):
        """Game chosen on the title menu; True once the first level has started."""
        before = self.log().count("First Level")
        self.choose(0)
        return self.wait_log("First Level", timeout, count=before + 1)

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
        self.ended()
        return code

    def kill(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait()
        self.ended()

    def ended(self, timeout=10):
        """After the game has ended: lets go of held keys, and waits until the server has taken its window away,
        so that a busy server cannot show it to the next game's search on this display."""
        self.release_keys()
        end = time.time() + timeout
        while self.window and time.time() < end:
            if subprocess.run(["xwininfo", "-id", self.window], env=self.display.env,
                              capture_output=True).returncode != 0:
                break
            time.sleep(0.05)


class Launched(Game):
    """The game started by a launcher (or a desktop entry's command) from an unrelated folder; its log is in the
    player's state folder, not in the folder it was started from."""

    def __init__(self, display, start_dir, state_dir, command, env):
        super().__init__(display, start_dir, env=env, binary=command)
        self.workdir = state_dir


def start_game(display, workdir, **kw):
    """A Game whose window is up and whose start-up has finished."""
    return Game(display, workdir, **kw).wait_started()
