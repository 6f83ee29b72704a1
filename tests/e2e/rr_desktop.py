"""Desktop-side helpers for the end-to-end tests: the window's X11 identity and icon, a second window to take the
focus, screenshots for the docs, and the game's sound captured through ALSA."""
import array
import ctypes
import ctypes.util
import math
import os
import subprocess
import time

import rr


def doc_shot(game, name):
    """With RR_SCREENSHOTS=dir set, saves the window as dir/name (the README's pictures); returns the shot."""
    folder = os.environ.get("RR_SCREENSHOTS")
    path = None
    if folder:
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name)
    return game.shot(path)


def wm_class(game):
    out = subprocess.run(["xprop", "-id", game.window, "WM_CLASS"], env=game.display.env, capture_output=True,
                         text=True, check=True).stdout
    return out.split("=", 1)[1].strip() if "=" in out else ""


def icon_image(game):
    """The window's icon pixmap (named by its WM_HINTS) as (width, height, function (x, y) -> (r, g, b))."""
    out = subprocess.run(["xprop", "-id", game.window, "WM_HINTS"], env=game.display.env, capture_output=True,
                         text=True, check=True).stdout
    pixmap = None
    for line in out.splitlines():
        if "bitmap id # to use for icon" in line:
            pixmap = int(line.split(":")[1].strip(), 16)
    if not pixmap:
        return None
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XGetGeometry.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_void_p] * 7
    x11.XGetImage.restype = ctypes.c_void_p
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                              ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XGetPixel.restype = ctypes.c_ulong
    x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x11.XOpenDisplay(game.display.name.encode())
    try:
        root = ctypes.c_ulong()
        x, y = ctypes.c_int(), ctypes.c_int()
        w, h, bw, depth = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
        if not x11.XGetGeometry(dpy, pixmap, ctypes.byref(root), ctypes.byref(x), ctypes.byref(y), ctypes.byref(w),
                                ctypes.byref(h), ctypes.byref(bw), ctypes.byref(depth)):
            return None
        img = x11.XGetImage(dpy, pixmap, 0, 0, w.value, h.value, 0xFFFFFFFF, 2)  # ZPixmap
        pixels = {(i, j): x11.XGetPixel(img, i, j) for j in range(h.value) for i in range(w.value)}
    finally:
        x11.XCloseDisplay(dpy)
    return w.value, h.value, lambda i, j: ((pixels[(i, j)] >> 16) & 255, (pixels[(i, j)] >> 8) & 255,
                                           pixels[(i, j)] & 255)


def icon_xpm():
    """The XPM built into the program (src/app/icon.h): (width, height, function (x, y) -> (r, g, b) or None)."""
    with open(os.path.join(rr.SOURCE_DIR, "src", "app", "icon.h")) as f:
        strings = [line.strip().rstrip(",};").strip('"') for line in f if line.strip().startswith('"')]
    w, h, ncol, cpp = (int(v) for v in strings[0].split())
    colours = {}
    for line in strings[1:1 + ncol]:
        key, rest = line[:cpp], line[cpp:].split()
        value = rest[rest.index("c") + 1]
        colours[key] = None if value == "None" else tuple(int(value[k:k + 2], 16) for k in (1, 3, 5))
    rows = strings[1 + ncol:1 + ncol + h]
    return w, h, lambda i, j: colours[rows[j][i * cpp:(i + 1) * cpp]]


def other_window(display):
    """A second X client's window (xmessage), so that the game can lose the keyboard focus to it."""
    proc = subprocess.Popen(["xmessage", "-name", "rr-other", "-geometry", "+700+500", "another window"],
                            env=display.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    end = time.time() + 10
    while time.time() < end:
        ids = subprocess.run(["xdotool", "search", "--name", "^rr-other$"], env=display.env, capture_output=True,
                             text=True).stdout.split()
        if ids:
            return proc, ids[-1]
        time.sleep(0.1)
    proc.kill()
    raise RuntimeError("the second window did not appear")


def focus_window(display, window):
    subprocess.run(["xdotool", "windowfocus", "--sync", window], env=display.env, capture_output=True, timeout=10)


SILENT = 30    # RMS of captured 16-bit samples about their mid-level: below this nothing is heard
LOUD = 1000    # a tune that is clearly playing


class Capture:
    """The game's sound through ALSA's file plugin: a private HOME whose .asoundrc sends the default device into
    a raw file (unsigned 16-bit stereo), read in windows of `window` frames as it grows.

    The file is not a clock. The plugin's device takes whatever it is given at once, so the library's mixer writes
    a period (1024 frames) each time its background thread wakes, about every 10 ms, and when that thread was kept
    from running it writes one period for all the time it lost; the tune's notes are started by another thread,
    from the real clock. On a busy machine the same music therefore lies in the file at a pace that wanders by
    some percent, and a moment of it may be squeezed. And the plugin keeps up to its buffer (about a window)
    before the frames reach the file, so the file's size lags what the game has written."""

    def __init__(self, folder, window=4096):
        self.home = os.path.join(folder, "home")
        os.makedirs(self.home, exist_ok=True)
        self.path = os.path.join(folder, "out.raw")
        with open(os.path.join(self.home, ".asoundrc"), "w") as f:
            f.write('pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' % self.path)
        self.window = window

    def env(self):
        """The game's environment: the private HOME; in a sanitizer build no leak check, because the library's
        ALSA driver module leaves a few bytes of its own behind at exit (the runs without a device keep it)."""
        asan = os.environ.get("ASAN_OPTIONS", "")
        return {"HOME": self.home, "ASAN_OPTIONS": (asan + ":" if asan else "") + "detect_leaks=0"}

    def size(self):
        return os.path.getsize(self.path) if os.path.exists(self.path) else 0

    def wait_log(self, game, message, timeout=40):
        """Waits for the log line; the file's sizes around the moment it was written, (lo, hi): lo read before the
        last look at the log that did not have it yet, hi after the first that did. However late the look comes,
        what the game wrote with that line lies between them, give or take the plugin's buffer. None if the line
        does not come."""
        lo = 0
        end = time.time() + timeout
        while time.time() < end:
            before = self.size()
            if message in game.log():
                return lo, self.size()
            lo = before
            if game.proc.poll() is not None:
                return None
            time.sleep(0.05)
        return None

    def levels(self, start=0, end=None, step=None):
        """For windows between two byte offsets, in file order, one every `step` frames (a whole window unless
        given): its RMS about the mid-level 32768 (both channels), and how often the left channel crosses the
        mid-level (rises with the pitch of what plays)."""
        step = step or self.window
        per = self.window // step
        sbytes = step * 4
        with open(self.path, "rb") as f:
            f.seek(start - start % sbytes)
            data = f.read((end - start + sbytes) if end is not None else -1)
        # Each step's sum of squares and crossings, then whole windows from `per` steps in a row.
        squares, crossings, joins = [], [], []
        last = None
        for i in range(0, len(data) - sbytes + 1, sbytes):
            a = array.array("H")
            a.frombytes(data[i:i + sbytes])
            squares.append(sum((v - 32768) * (v - 32768) for v in a))
            left = [v >= 32768 for v in a[::2]]
            crossings.append(sum(1 for j in range(1, len(left)) if left[j] != left[j - 1]))
            joins.append(last is not None and left[0] != last)
            last = left[-1]
        rms, cross = [], []
        for k in range(len(squares) - per + 1):
            rms.append(math.sqrt(sum(squares[k:k + per]) / (step * per * 2)))
            cross.append(sum(crossings[k:k + per]) + sum(joins[k + 1:k + per]))
        return rms, cross

    def index(self, offset, step=None):
        """The window (counted in steps) that holds a byte offset."""
        return offset // ((step or self.window) * 4)


def correlation(a, b):
    n = min(len(a), len(b))
    a, b = a[:n], b[:n]
    ma, mb = sum(a) / n, sum(b) / n
    num = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    den = math.sqrt(sum((x - ma) ** 2 for x in a) * sum((y - mb) ** 2 for y in b))
    return num / den if den else 0.0


def _standard(xs):
    mean = sum(xs) / len(xs)
    spread = math.sqrt(sum((x - mean) ** 2 for x in xs) / len(xs)) or 1.0
    return [(x - mean) / spread for x in xs]


def warped_correlation(a, b, band):
    """How alike two stretches of music are when one may run ahead of or behind the other by up to `band`
    windows here and there, as the capture's pace wanders: a and b are lists of sequences, one a measure (say
    loudness, crossings), b `band` windows longer than a. The windows are paired by dynamic time warping within
    the band on all the measures at once; the result is the mean of each measure's correlation over the pairs."""
    n, m = len(a[0]), len(b[0])
    za, zb = [_standard(s) for s in a], [_standard(s) for s in b]
    inf = float("inf")
    cost = [[inf] * (m + 1) for _ in range(n + 1)]
    cost[0][0] = 0.0
    back = {}
    for i in range(1, n + 1):
        for j in range(max(1, i - band), min(m, i + band) + 1):
            d = sum((x[i - 1] - y[j - 1]) ** 2 for x, y in zip(za, zb))
            prev = min((cost[i - 1][j - 1], (i - 1, j - 1)), (cost[i - 1][j], (i - 1, j)), (cost[i][j - 1], (i, j - 1)))
            cost[i][j] = d + prev[0]
            back[(i, j)] = prev[1]
    # b's stretch may end anywhere within the band of a's end.
    i, j = n, min(range(max(1, n - band), min(m, n + band) + 1), key=lambda k: cost[n][k])
    pairs = []
    while i > 0 and j > 0:
        pairs.append((i - 1, j - 1))
        i, j = back[(i, j)]
    return sum(correlation([x[p] for p, _ in pairs], [y[q] for _, q in pairs]) for x, y in zip(a, b)) / len(a)
