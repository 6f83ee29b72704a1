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

    def do_GET(self):
        # A connection that stops: the first part of a file, then nothing more for a long while.
        stalled = [p for p, name in STALLED.items() if self.path == "/" + p + name]
        if stalled:
            with open(self.translate_path(self.path), "rb") as f:
                data = f.read()
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data[:65536])
            self.wfile.flush()
            time.sleep(90)
            return
        super().do_GET()


class Server:
    """A web server on this machine alone, serving a folder as game sites do: the game in a sub-folder. It can be
    stopped and started again at the same address (the same site for the browser)."""

    def __init__(self, root, port=0):
        self.root = root
        self.port = port
        self.httpd = None
        self.start()
        atexit.register(self.stop)

    def start(self):
        handler = functools.partial(Quiet, directory=self.root)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", self.port), handler)
        self.port = self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def stop(self):
        if self.httpd:
            self.httpd.shutdown()
            self.httpd.server_close()
            self.httpd = None

    def url(self, path):
        return "http://127.0.0.1:%d/%s" % (self.port, path)


_server = None
GAME_PATH = "games/roofrunner/"
BROKEN_PATH = "games/broken/"
STALLED_PATH = "games/stalled/"
SLOW_PROGRAM_PATH = "games/slow-program/"
# Which file of each copy stops coming.
STALLED = {STALLED_PATH: "roofrunner.data", SLOW_PROGRAM_PATH: "roofrunner.wasm"}


def server():
    """The one server of this test run: the build at GAME_PATH, at BROKEN_PATH a copy missing its data file, and at
    STALLED_PATH and SLOW_PROGRAM_PATH copies whose data or program stop coming after their first 64 KB."""
    global _server
    if _server is None:
        root = scratch("rr-web-site-")
        shutil.copytree(WEB_DIR, os.path.join(root, GAME_PATH))
        shutil.copytree(WEB_DIR, os.path.join(root, BROKEN_PATH))
        for path in STALLED:
            shutil.copytree(WEB_DIR, os.path.join(root, path))
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


# The log the page keeps in the browser's storage, read from the storage itself: every record of the database
# "roofrunner" in key order, '' when there is none (and none is made by looking). The page keeps its lines a moment
# after they are written, so a running game is first asked to keep what it has (for 5 seconds at most): a line just
# written is read then, and a line the page could not keep is still missing. ASKED false reads only what the page
# has kept on its own.
KEPT_LOG = """(asked => new Promise(done => {
    const read = () => {
        let req;
        try { req = indexedDB.open('roofrunner'); } catch (e) { done(''); return; }
        req.onupgradeneeded = () => req.transaction.abort();
        req.onerror = () => done('');
        req.onsuccess = () => {
            const db = req.result;
            if (!db.objectStoreNames.contains('log')) { db.close(); done(''); return; }
            const r = db.transaction('log').objectStore('log').getAll();
            r.onsuccess = () => { db.close(); done(r.result.join('')); };
            r.onerror = () => { db.close(); done(''); };
        };
    };
    if (!asked || !(window.Module && Module.rrSyncLog)) { read(); return; }
    let once = false;
    const go = () => { if (!once) { once = true; read(); } };
    setTimeout(go, 5000);
    Module.rrSyncLog(go);
}))(ASKED)"""


class Browser:
    """One headless Chromium behind driver.js."""

    def __init__(self, width=1280, height=1000, browser="chromium", autoplay=True, mobile=False, scale=1,
                 before=()):
        """mobile: a phone's or tablet's page (touch screen, mobile viewport) at that device scale; before: scripts
        that run in each new document before the page's own (a browser that behaves otherwise, a stand-in)."""
        env = dict(os.environ, NODE_PATH=os.path.join(NODE_DIR, "node_modules"))
        self.proc = subprocess.Popen(["node", os.path.join(HERE, "driver.js")], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, env=env, text=True, bufsize=1)
        self.ids = itertools.count(1)
        self.browser = browser
        self.call("launch", width=width, height=height, browser=browser, autoplay=autoplay, mobile=mobile,
                  scale=scale, before=list(before))

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

    def __init__(self, path=GAME_PATH, width=1280, height=1000, browser="chromium", autoplay=True, mobile=False,
                 scale=1, before=(), site=None):
        Browser.__init__(self, width, height, browser, autoplay, mobile, scale, before)
        self.site = site
        self.held = set()
        self.fingers = {}
        self.next_finger = itertools.count(1)
        # rr.Game lets go of ENTER after a menu choice through X; here there is no X to hear it (see choose).
        self.display = types.SimpleNamespace(env=dict(os.environ, DISPLAY=""))
        self.window = "canvas"
        self.workdir = None
        if path is not None:
            self.open(path)

    def open(self, path):
        """The page at path: a file's full path, or a path on the test run's server."""
        if path.startswith("/"):
            self.call("gotoFile", path=path)
        else:
            self.call("goto", url=(self.site or server()).url(path))
        return self

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

    def log(self, asked=True):
        """The log the page keeps in the browser's storage, as its messages (none while the page is replaced by
        another, as when it starts again on a new upload); asked: the game is asked to keep what it has first."""
        try:
            return rr.parse_log(self.eval(KEPT_LOG.replace("ASKED", "true" if asked else "false")))
        except RuntimeError as e:
            if not any(w in str(e) for w in ("Execution context was destroyed", "Cannot find default execution context",
                                             "Inspected target navigated")):
                raise
            return []

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

    def button(self, name):
        """The centre of the shown button named name (its text or aria-label), or None."""
        return self.eval("""(() => {
            for (const b of document.querySelectorAll('button')) {
                const r = b.getBoundingClientRect();
                if ((b.textContent.trim() === %s || b.getAttribute('aria-label') === %s) && r.width && r.height)
                    return [r.left + r.width / 2, r.top + r.height / 2];
            }
            return null;
        })()""" % (json.dumps(name), json.dumps(name)))

    def _touch(self, kind, fingers):
        self.call("touch", type=kind, points=[{"x": x, "y": y, "id": i} for i, (x, y) in fingers.items()])

    def finger_down(self, name):
        """A new finger on the named button, the others staying down; the finger's id."""
        at = self.button(name)
        assert at is not None, "no button %r on the page" % name
        finger = next(self.next_finger)
        self.fingers[finger] = at
        self._touch("touchStart", self.fingers)
        return finger

    def finger_up(self, finger):
        self._touch("touchEnd", {finger: self.fingers.pop(finger)})

    def tap(self, name, hold=rr.HOLD, after=0.1):
        """A finger on the named button, held for several ticks, then lifted; other fingers stay down."""
        finger = self.finger_down(name)
        time.sleep(hold)
        self.finger_up(finger)
        time.sleep(after)

    def message(self):
        """The page's own message (a failure, or the end of the game), or None while none is shown."""
        return self.eval("document.getElementById('message').style.display === 'flex' ? "
                         "document.getElementById('message-text').textContent : null")

    def wait_message(self, timeout=20):
        return poll(self.message, timeout)

    def notes(self):
        """What the page says the game goes without (no sound, no kept log), a string a note."""
        return self.eval("Array.from(document.querySelectorAll('#notes li'), li => li.textContent)")

    def console_log(self):
        """The log's lines as the page wrote them to the console, as messages (the blank lines are not there)."""
        return [m.group(2) for m in (rr.LOG_LINE.match(line) for line in self.console()) if m]

    def wait_console(self, message, timeout=30):
        return poll(lambda: True if message in self.console_log() else None, timeout) is not None

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

    def record_music(self, seconds):
        """From now on the page keeps the first seconds of what the game mixes for the speakers after the next
        "First Level" line (the left channel, as the worklet is handed it), and the worklet's underruns from there
        on; music() reads them."""
        self.eval("""(() => {
            const a = Module.rrAudio, port = a.node.port, post = port.postMessage.bind(port);
            const rec = window.rrRecord = {on: false, done: false, left: [], frames: 0, rate: a.ctx.sampleRate,
                                           want: Math.round(%f * a.ctx.sampleRate), underruns: null};
            const log = console.log;
            console.log = function (...args) {
                if (!rec.on && !rec.done && /\]: First Level$/.test(String(args[0]))) rec.on = true;
                return log.apply(console, args);
            };
            port.postMessage = function (m, transfer) {
                if (rec.on && m.left) {
                    // The game has mixed this much ahead; what the worklet had missed before the level is not
                    // the level's.
                    if (rec.underruns === null) rec.underruns = a.underruns;
                    rec.left.push(m.left.slice());
                    rec.frames += m.left.length;
                    if (rec.frames >= rec.want) { rec.on = false; rec.done = true; }
                }
                return post(m, transfer);
            };
        })()""" % seconds)

    def music(self, timeout=60):
        """What record_music kept, once it is all there: {rate, env, spectrum, underruns}. env is the sound's RMS in
        each 10 ms; spectrum its power at every quarter of a semitone from 110 Hz up five octaves, summed over
        windows of 85 ms; underruns how many times the sound broke off (the worklet ran dry) since then."""
        if poll(lambda: True if self.eval("window.rrRecord.done") else None, timeout) is None:
            raise AssertionError("the music was not recorded: %r" % self.log()[-3:])
        # The last of the recording reaches the speakers about 0.1 s after it is mixed.
        time.sleep(0.5)
        return self.eval("""(() => {
            const rec = window.rrRecord, n = rec.want, rate = rec.rate, x = new Float32Array(n);
            let o = 0;
            for (const b of rec.left) {
                if (o >= n) break;
                x.set(b.subarray(0, Math.min(b.length, n - o)), o);
                o += b.length;
            }
            const w = Math.round(rate / 100), env = [];
            for (let i = 0; i + w <= n; i += w) {
                let s = 0;
                for (let j = i; j < i + w; j++) s += x[j] * x[j];
                env.push(Math.sqrt(s / w));
            }
            const frame = Math.round(rate * 0.085), hann = new Float32Array(frame);
            for (let i = 0; i < frame; i++) hann[i] = 0.5 - 0.5 * Math.cos(2 * Math.PI * i / (frame - 1));
            const spectrum = [];
            for (let k = 0; k <= 5 * 48; k++) {
                const c = 2 * Math.cos(2 * Math.PI * 110 * Math.pow(2, k / 48) / rate);
                let p = 0;
                for (let s0 = 0; s0 + frame <= n; s0 += frame) {
                    let s1 = 0, s2 = 0;
                    for (let i = 0; i < frame; i++) {
                        const s = x[s0 + i] * hann[i] + c * s1 - s2;
                        s2 = s1;
                        s1 = s;
                    }
                    p += s1 * s1 + s2 * s2 - c * s1 * s2;
                }
                spectrum.push(p);
            }
            return {rate, env, spectrum, underruns: Module.rrAudio.underruns - rec.underruns};
        })()""")

    def level_starts_count(self):
        """How many levels have started since capture_level_starts (with one frame kept of each)."""
        return self.eval("window.rrStarts.length")

    def level_starts(self):
        return [(s["line"], rr.Shot((640, 480, base64.b64decode(s["rgb"]))))
                for s in self.eval("window.rrStarts")]


def correlation(a, b):
    """The Pearson correlation of two equally long lists of numbers (0 when either is flat)."""
    n = len(a)
    ma, mb = sum(a) / n, sum(b) / n
    sab = sum((x - ma) * (y - mb) for x, y in zip(a, b))
    saa = sum((x - ma) ** 2 for x in a)
    sbb = sum((y - mb) ** 2 for y in b)
    return sab / (saa * sbb) ** 0.5 if saa > 0 and sbb > 0 else 0.0


def pitch_shift(ref, other, most=8):
    """By how many quarter semitones other's spectrum lies above ref's (music() spectra): the shift within most
    either way at which they agree best."""
    def at(s):
        lo, hi = max(0, -s), min(len(ref), len(other) - s)
        return correlation([v ** 0.5 for v in ref[lo:hi]], [v ** 0.5 for v in other[lo + s:hi + s]])
    return max(range(-most, most + 1), key=at)


def speed(ref, other, lags=30):
    """The time scale s, from 0.9 to 1.1 in steps of 0.005, at which other at s x t agrees best with ref at t
    (music() envelopes, 10 ms a step; other shifted by up to lags steps either way): below 1 when other plays
    faster."""
    best = (-2.0, 1.0)
    for k in range(-20, 21):
        scale = 1 + k * 0.005
        for lag in range(-lags, lags + 1):
            pairs = [(ref[i], other[j]) for i in range(len(ref)) for j in (int(round(i * scale)) + lag,)
                     if 0 <= j < len(other)]
            if len(pairs) < len(ref) // 2:
                continue
            c = correlation([p[0] for p in pairs], [p[1] for p in pairs])
            best = max(best, (c, scale))
    return best[1]


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
