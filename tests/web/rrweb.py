"""The browser build in headless Chromium, in the end-to-end tests' vocabulary (tests/e2e/rr.py): a WebGame is an
rr.Game whose window is the page's canvas, whose keys are the browser's key events and whose log is the one the
page keeps in the browser's storage. The browser is driven by driver.js (puppeteer-core) over a pipe.

Set by scripts/test.d/web.sh (defaults for a run by hand from the source tree):
  RR_WEB_DIR      the unzipped browser build (index.html and the rest)
  RR_WEB_NODE     a folder whose node_modules holds puppeteer-core
  RR_LINUX_BUILD  the Linux build folder: the game, and tests/web/rr_frames for the frames to match
"""
import atexit
import base64
import functools
import http.server
import itertools
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import types
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import rr  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = rr.SOURCE_DIR
WEB_DIR = os.environ.get("RR_WEB_DIR", os.path.join(SOURCE_DIR, "build-web", "unzipped"))
NODE_DIR = os.environ.get("RR_WEB_NODE", os.path.join(SOURCE_DIR, "build-web", "node"))
LINUX_BUILD = os.environ.get("RR_LINUX_BUILD", os.path.join(SOURCE_DIR, "build"))
FRAMES_TOOL = os.path.join(LINUX_BUILD, "tests", "web", "rr_frames")

# xdotool's key names, which rr.Game speaks, as the browser names the keys.
KEYS = {"Return": "Enter", "Escape": "Escape", "Up": "ArrowUp", "Down": "ArrowDown", "Left": "ArrowLeft",
        "Right": "ArrowRight", "space": "Space", "F1": "F1", "c": "KeyC", "Prior": "PageUp", "Next": "PageDown"}

scratch = rr.scratch

# The canvas as it is, read from the canvas itself (not a screenshot of the page): its size and base64 RGB, three
# bytes a pixel. A function of the page's, for the driver's eval and for frames kept as they are shown.
CANVAS_RGB = """function () {
    const c = document.getElementById('canvas');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    const rgb = new Uint8Array(c.width * c.height * 3);
    for (let i = 0, j = 0; i < d.length; i += 4, j += 3) {
        rgb[j] = d[i];
        rgb[j + 1] = d[i + 1];
        rgb[j + 2] = d[i + 2];
    }
    let s = '';
    for (let i = 0; i < rgb.length; i += 0x8000) s += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
    return {w: c.width, h: c.height, rgb: btoa(s)};
}"""


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class Server:
    """A web server on this machine alone, serving a folder as game sites do: the game in a sub-folder."""

    def __init__(self, root):
        handler = functools.partial(Quiet, directory=root)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.port = self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        atexit.register(self.httpd.shutdown)

    def url(self, path):
        return "http://127.0.0.1:%d/%s" % (self.port, path)


_server = None
GAME_PATH = "games/roofrunner/"
BROKEN_PATH = "games/broken/"


def server():
    """The one server of this test run: the build at GAME_PATH, and at BROKEN_PATH a copy missing its data file."""
    global _server
    if _server is None:
        root = scratch("rr-web-site-")
        shutil.copytree(WEB_DIR, os.path.join(root, GAME_PATH))
        shutil.copytree(WEB_DIR, os.path.join(root, BROKEN_PATH))
        os.remove(os.path.join(root, BROKEN_PATH, "roofrunner.data"))
        _server = Server(root)
    return _server


def poll(get, timeout, step=0.1):
    """Asks get() until it gives something other than None; that, or None after the timeout."""
    end = time.time() + timeout
    while True:
        v = get()
        if v is not None or time.time() >= end:
            return v
        time.sleep(step)


class Browser:
    """One headless Chromium behind driver.js."""

    def __init__(self, width=1280, height=1000, browser="chromium", autoplay=True):
        env = dict(os.environ, NODE_PATH=os.path.join(NODE_DIR, "node_modules"))
        self.proc = subprocess.Popen(["node", os.path.join(HERE, "driver.js")], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, env=env, text=True, bufsize=1)
        self.ids = itertools.count(1)
        self.browser = browser
        self.call("launch", width=width, height=height, browser=browser, autoplay=autoplay)

    def call(self, op, **args):
        args.update(id=next(self.ids), op=op)
        self.proc.stdin.write(json.dumps(args) + "\n")
        self.proc.stdin.flush()
        line = self.proc.stdout.readline()
        if not line:
            raise RuntimeError("the browser driver ended")
        answer = json.loads(line)
        if not answer["ok"]:
            raise RuntimeError("%s: %s" % (op, answer["error"]))
        return answer["value"]

    def eval(self, expr):
        return self.call("eval", expr=expr)

    def events(self, kind=None):
        return [e for e in self.call("events") if kind is None or e["kind"] == kind]

    def console(self):
        """What the page wrote to its console, a string a message."""
        return [e["text"] for e in self.events("console")]

    def close(self):
        if self.proc.poll() is None:
            try:
                self.call("close")
            except (RuntimeError, BrokenPipeError, OSError):
                pass
            self.proc.stdin.close()
            try:
                self.proc.wait(15)
            except subprocess.TimeoutExpired:
                self.proc.kill()
            self.proc.stdout.close()


class WebGame(rr.Game, Browser):
    """The game in a page: rr.Game's waits, menus and keys, on the canvas."""

    def __init__(self, path=GAME_PATH, width=1280, height=1000, browser="chromium", autoplay=True):
        Browser.__init__(self, width, height, browser, autoplay)
        self.held = set()
        # rr.Game lets go of ENTER after a menu choice through X; here there is no X to hear it (see choose).
        self.display = types.SimpleNamespace(env=dict(os.environ, DISPLAY=""))
        self.window = "canvas"
        self.workdir = None
        if path.startswith("/"):
            self.call("gotoFile", path=path)
        else:
            self.call("goto", url=server().url(path))

    # ---- the primitives rr.Game builds on

    def focus(self):
        pass

    def _key(self, name):
        # Firefox's WebDriver takes puppeteer's "Enter" for the keypad's; U+E006 is the main Enter key (Return).
        if self.browser == "firefox" and name == "Return":
            return "\ue006"
        return KEYS[name]

    def key_down(self, name):
        self.call("key", key=self._key(name), down=True)
        self.held.add(name)

    def key_up(self, name):
        self.call("key", key=self._key(name), down=False)
        self.held.discard(name)

    def release_keys(self):
        for name in sorted(self.held):
            self.key_up(name)

    def choose(self, item, timeout=15):
        super().choose(item, timeout)
        self.call("key", key=self._key("Return"), down=False)

    def shot(self, path=None):
        c = self.eval("(%s)()" % CANVAS_RGB)
        s = rr.Shot((c["w"], c["h"], base64.b64decode(c["rgb"])))
        if path:
            save_png(s, path)
        return s

    def log(self):
        """The log the page keeps in the browser's storage, as its messages."""
        text = self.eval("(() => { try { return Module.FS.readFile('/save/gamelog.txt', {encoding: 'utf8'}); }"
                         " catch (e) { return ''; } })()")
        return rr.parse_log(text)

    def ended_status(self):
        """The exit status the page was told when the game ended, or None while it runs."""
        v = self.eval("document.body.dataset.exit === undefined ? null : Number(document.body.dataset.exit)")
        return v

    def wait_exit(self, timeout=15):
        return poll(self.ended_status, timeout)

    def wait_started(self, timeout=30):
        if not self.wait_log("Initialized Game", timeout):
            raise AssertionError("the game did not start: %r %r" % (self.log(), self.events()))
        return self

    def kill(self):
        self.close()

    def ended(self, timeout=10):
        pass

    def stderr(self):
        return json.dumps(self.events("pageerror"))

    # ---- what only a page has

    def message(self):
        """The page's own message (a failure, or the end of the game), or None while none is shown."""
        return self.eval("document.getElementById('message').style.display === 'flex' ? "
                         "document.getElementById('message-text').textContent : null")

    def wait_message(self, timeout=20):
        return poll(self.message, timeout)

    def sound_level(self, seconds=2.0):
        """The loudest RMS of the sound where it reaches the speakers, sampled over some seconds."""
        loudest = 0.0
        end = time.time() + seconds
        while time.time() < end:
            loudest = max(loudest, self.eval(
                "(() => { const a = Module.rrAudio.analyser, d = new Float32Array(a.fftSize);"
                " a.getFloatTimeDomainData(d); let s = 0; for (const v of d) s += v * v;"
                " return Math.sqrt(s / d.length); })()"))
            time.sleep(0.05)
        return loudest

    def stall(self, ms):
        """Keeps the page's one thread busy for ms milliseconds, as a slow machine or a busy tab may: the canvas just
        before, and the first frame the game shows after it, as Shots."""
        got = self.eval("""new Promise(done => {
            const canvasRgb = %s;
            const before = canvasRgb();
            const t = performance.now();
            while (performance.now() - t < %d) { }
            const shown = Module.onFrame;
            Module.onFrame = function () {
                Module.onFrame = shown;
                if (shown) shown();
                done([before, canvasRgb()]);
            };
        })""" % (CANVAS_RGB, ms))
        return [rr.Shot((c["w"], c["h"], base64.b64decode(c["rgb"]))) for c in got]

    def capture_level_starts(self, frames=1):
        """From now on the page keeps the first frames shown after each "First Level" and "Next Level" line."""
        self.eval("""(() => {
            window.rrStarts = [];
            let want = null, left = 0;
            const log = console.log;
            console.log = function (...a) {
                const m = /\\]: (First Level|Next Level, @Level \\d+)$/.exec(String(a[0]));
                if (m) { want = m[1]; left = %d; }
                return log.apply(console, a);
            };
            const shown = Module.onFrame;
            const canvasRgb = %s;
            Module.onFrame = function () {
                if (shown) shown();
                if (left === 0) return;
                window.rrStarts.push({line: want, rgb: canvasRgb().rgb});
                left--;
            };
        })()""" % (frames, CANVAS_RGB))

    def level_starts_count(self):
        """How many levels have started since capture_level_starts (with one frame kept of each)."""
        return self.eval("window.rrStarts.length")

    def level_starts(self):
        return [(s["line"], rr.Shot((640, 480, base64.b64decode(s["rgb"]))))
                for s in self.eval("window.rrStarts")]


def save_png(shot, path):
    header = b"P6\n%d %d\n255\n" % (shot.w, shot.h)
    subprocess.run(["convert", "ppm:-", path], input=header + shot.rgb, check=True)


_frames = None


def linux_frames(ticks=8, first_level_ticks=120):
    """The Linux build's frames (rr_frames), read once: a dict from name to Shot."""
    global _frames
    if _frames is None:
        work = scratch("rr-web-frames-")
        os.symlink(rr.DATA, os.path.join(work, "Data"))
        out = os.path.join(work, "out")
        os.mkdir(out)
        subprocess.run([FRAMES_TOOL, out, str(ticks), str(first_level_ticks)], cwd=work, check=True, timeout=300)
        _frames = {}
        for name in os.listdir(out):
            with open(os.path.join(out, name), "rb") as f:
                _frames[name[:-4]] = rr.Shot(rr.parse_ppm(f.read()))
    return _frames


def differ(a, b):
    """How many pixels of two shots differ."""
    if (a.w, a.h) != (b.w, b.h):
        return a.w * a.h
    return sum(1 for i in range(0, len(a.rgb), 3) if a.rgb[i:i + 3] != b.rgb[i:i + 3])


def match(shot, candidates):
    """The name of the first candidate frame (name, Shot) that the shot equals pixel for pixel, or None."""
    for name, c in candidates:
        if c.rgb == shot.rgb:
            return name
    return None


def keep(shot, name):
    """Keeps a frame that failed a comparison, and says where."""
    d = tempfile.mkdtemp(prefix="rr-web-keep-")
    path = os.path.join(d, name + ".png")
    save_png(shot, path)
    return path
