"""The browser build in Safari's engine: Debian's WebKitGTK MiniBrowser, driven by its WebDriver (WebKitWebDriver)
over plain HTTP, in a private Xvfb server. A WebKitGame is an rrweb.WebGame whose page is in WebKit: the same waits,
menus, frames and kept log, with keys sent as WebDriver key actions (which count as the player's gesture, so the
page's audio may start after the first).

Needs webkit2gtk-driver and libwebkit2gtk-4.1-0 (scripts/deps.sh webtest).
"""
import json
import os
import socket
import subprocess
import time
import urllib.error
import urllib.request

import rrweb
from rrweb import rr

# xdotool's key names, which rr.Game speaks, as WebDriver's key values.
KEYS = {"Return": "\ue006", "Escape": "\ue00c", "Up": "\ue013", "Down": "\ue015", "Left": "\ue012",
        "Right": "\ue014", "space": "\ue00d", "F1": "\ue031", "c": "c", "Prior": "\ue00e", "Next": "\ue00f"}

# WebKitGTK's own MiniBrowser, which WebKitWebDriver starts with --automation.
MINIBROWSER_PACKAGE = "libwebkit2gtk-4.1-0"


def minibrowser():
    """Where the package put MiniBrowser, or None when it is not installed."""
    r = subprocess.run(["dpkg", "-L", MINIBROWSER_PACKAGE], capture_output=True, text=True)
    paths = [p for p in r.stdout.split("\n") if p.endswith("/MiniBrowser") and os.access(p, os.X_OK)]
    return paths[0] if paths else None


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class WebDriverError(RuntimeError):
    pass


class WebKit:
    """One MiniBrowser under a WebDriver session of its own, on its own Xvfb display."""

    def __init__(self, width=1280, height=1000):
        binary = minibrowser()
        if binary is None:
            raise RuntimeError("no MiniBrowser: bash scripts/deps.sh webtest installs %s" % MINIBROWSER_PACKAGE)
        self.display = rr.Display()
        self.port = free_port()
        # No compositing: Xvfb has no GL to composite with.
        env = dict(self.display.env, WEBKIT_DISABLE_COMPOSITING_MODE="1")
        self.driver = subprocess.Popen(["WebKitWebDriver", "--port=%d" % self.port], env=env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.session = None
        end = time.time() + 20
        while True:
            try:
                self.request("GET", "/status")
                break
            except (OSError, WebDriverError):
                if time.time() > end or self.driver.poll() is not None:
                    self.close()
                    raise RuntimeError("WebKitWebDriver did not answer on port %d" % self.port)
                time.sleep(0.1)
        caps = {"capabilities": {"alwaysMatch": {
            "webkitgtk:browserOptions": {"binary": binary, "args": ["--automation"]},
            "timeouts": {"script": 120000, "pageLoad": 60000}}}}
        self.session = self.request("POST", "/session", caps)["sessionId"]
        self.request("POST", self.path("/window/rect"), {"width": width, "height": height})

    def path(self, rest):
        return "/session/%s%s" % (self.session, rest)

    def request(self, method, path, body=None, timeout=180):
        data = json.dumps(body).encode() if body is not None else None
        req = urllib.request.Request("http://127.0.0.1:%d%s" % (self.port, path), data=data, method=method,
                                     headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(req, timeout=timeout) as f:
                answer = json.loads(f.read())
        except urllib.error.HTTPError as e:
            answer = json.loads(e.read() or b"{}")
            v = answer.get("value") or {}
            raise WebDriverError("%s %s: %s %s" % (method, path, v.get("error"), v.get("message")))
        return answer.get("value")

    def goto(self, url):
        self.request("POST", self.path("/url"), {"url": url})

    def eval(self, expr):
        """The value of a page expression (a promise is waited for), as JSON gives it."""
        script = ("const done = arguments[arguments.length - 1];"
                  "Promise.resolve().then(() => (%s)).then(v => done({ok: v === undefined ? null : v}),"
                  " e => done({error: String(e && e.stack || e)}));" % expr)
        v = self.request("POST", self.path("/execute/async"), {"script": script, "args": []})
        if "error" in v:
            raise RuntimeError("eval: %s" % v["error"])
        return v["ok"]

    def key(self, value, down):
        action = {"type": "keyDown" if down else "keyUp", "value": value}
        self.request("POST", self.path("/actions"), {"actions": [{"type": "key", "id": "keyboard",
                                                                   "actions": [action]}]})

    def close(self):
        if self.session:
            try:
                self.request("DELETE", self.path(""), timeout=30)
            except (OSError, WebDriverError):
                pass
            self.session = None
        if self.driver.poll() is None:
            self.driver.terminate()
            try:
                self.driver.wait(10)
            except subprocess.TimeoutExpired:
                self.driver.kill()
        self.display.close()


class WebKitGame(rrweb.WebGame):
    """The game's page in WebKit, with WebGame's vocabulary."""

    def __init__(self, path=rrweb.GAME_PATH, width=1280, height=1000):
        self.browser = "webkit"
        self.webkit = WebKit(width, height)
        self.proc = self.webkit.driver
        self.held = set()
        self.display = self.webkit.display
        self.window = "canvas"
        self.workdir = None
        self.open(path)
        # WebKit's WebDriver keeps no console: the page's errors are kept in the page from here on.
        self.eval("(() => { window.rrErrors = []; window.addEventListener('error', e => rrErrors.push("
                  "String(e.message))); return true; })()")

    def open(self, path):
        self.webkit.goto(rrweb.server().url(path))
        return self

    def eval(self, expr):
        return self.webkit.eval(expr)

    def call(self, op, **args):
        if op == "key":
            self.webkit.key(args["key"], args["down"])
            return True
        raise RuntimeError("no %s in WebKit" % op)

    def _key(self, name):
        return KEYS[name]

    def choose(self, item, timeout=15):
        rr.Game.choose(self, item, timeout)
        self.key_up("Return")

    def events(self, kind=None):
        if kind != "pageerror":
            return []
        return [{"kind": "pageerror", "text": t} for t in self.eval("window.rrErrors || []")]

    def console(self):
        return []

    def close(self):
        self.webkit.close()

    def kill(self):
        self.close()
