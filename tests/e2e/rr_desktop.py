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
    a raw file (unsigned 16-bit stereo), read in windows of `window` frames as it grows."""

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

    def levels(self, start=0, end=None):
        """For each whole window between two byte offsets, in file order: its RMS about the mid-level 32768 (both
        channels), and how often the left channel crosses the mid-level (rises with the pitch of what plays)."""
        wbytes = self.window * 4
        with open(self.path, "rb") as f:
            f.seek(start - start % wbytes)
            data = f.read((end - start + wbytes) if end is not None else -1)
        rms, crossings = [], []
        for i in range(0, len(data) - wbytes + 1, wbytes):
            a = array.array("H")
            a.frombytes(data[i:i + wbytes])
            rms.append(math.sqrt(sum((v - 32768) * (v - 32768) for v in a) / len(a)))
            left = [v >= 32768 for v in a[::2]]
            crossings.append(sum(1 for j in range(1, len(left)) if left[j] != left[j - 1]))
        return rms, crossings

    def index(self, offset):
        return offset // (self.window * 4)


def correlation(a, b):
    n = min(len(a), len(b))
    a, b = a[:n], b[:n]
    ma, mb = sum(a) / n, sum(b) / n
    num = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    den = math.sqrt(sum((x - ma) ** 2 for x in a) * sum((y - mb) ** 2 for y in b))
    return num / den if den else 0.0
