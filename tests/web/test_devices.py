"""The browser build on the devices people open a link with: phones and tablets (the picture fitted, touch
buttons), laptops with display scaling, gamepads, a game site's frame, a phone's rules for sound, the home screen's
manifest, a second visit without a network and a new upload, and faults said as what they are."""
import base64
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rrweb  # noqa: E402
from rrweb import rr  # noqa: E402

sys.path.insert(0, os.path.join(rr.SOURCE_DIR, "tests", "e2e"))
import rr_desktop  # noqa: E402

BUTTONS = ["Up", "Down", "Run", "Jump", "Crouch", "OK", "Back", "Pause"]

# Where everything is: the canvas, the viewport, the device scale, the shown touch buttons, and how many of a grid
# of points over the picture hit something other than the canvas.
GEOMETRY = """(() => {
    const c = document.getElementById('canvas').getBoundingClientRect();
    const vw = document.documentElement.clientWidth, vh = document.documentElement.clientHeight;
    const covered = [];
    for (let i = 0; i <= 24; i++) {
        for (let j = 0; j <= 18; j++) {
            const x = c.left + 1 + (c.width - 2) * i / 24, y = c.top + 1 + (c.height - 2) * j / 18;
            const e = document.elementFromPoint(x, y);
            if (e !== document.getElementById('canvas')) covered.push([x, y, e ? e.id || e.tagName : null]);
        }
    }
    const buttons = {};
    for (const b of document.querySelectorAll('#touch button')) {
        const r = b.getBoundingClientRect();
        if (r.width && r.height) buttons[b.textContent] = [r.left, r.top, r.width, r.height];
    }
    return {canvas: [c.left, c.top, c.width, c.height], viewport: [vw, vh], dpr: devicePixelRatio,
            covered: covered, buttons: buttons};
})()"""

# A gamepad of the standard mapping that the test presses (window.rrPad), in place of the browser's own list.
PAD = """(() => {
    const pad = {index: 0, id: 'Test pad (standard)', connected: true, mapping: 'standard', timestamp: 0,
                 axes: [0, 0, 0, 0], buttons: []};
    for (let i = 0; i < 17; i++) pad.buttons.push({pressed: false, touched: false, value: 0});
    let pads = [];
    navigator.getGamepads = () => pads.slice();
    window.rrPad = {
        connect() {
            pads = [pad];
            window.dispatchEvent(Object.assign(new Event('gamepadconnected'), {gamepad: pad}));
        },
        button(i, down) {
            pad.buttons[i] = {pressed: down, touched: down, value: down ? 1 : 0};
            pad.timestamp++;
        },
        disconnect() {
            pad.connected = false;
            pads = [];
            window.dispatchEvent(Object.assign(new Event('gamepaddisconnected'), {gamepad: pad}));
        },
    };
})();"""

# The game's start-up made to fail: a configuration naming a system driver there is none of, written where the
# library reads it just before the game starts.
NO_SYSTEM = """(() => {
    let m;
    Object.defineProperty(window, 'Module', {configurable: true, get: () => m, set: (v) => {
        m = v;
        m.onRuntimeInitialized = () => m.FS.writeFile('/game/allegro.cfg', '[system]\\nsystem = NOPE\\n');
    }});
})();"""


def player_top(shot):
    """The top row of the runner (the one white thing in a level), or None."""
    rgb = shot.rgb
    i = rgb.find(b"\xff\xff\xff", rr.CLOCK_BOX[3] * shot.w * 3)
    while i >= 0 and i % 3:
        i = rgb.find(b"\xff\xff\xff", i + 1)
    return None if i < 0 else i // 3 // shot.w


def level_lines(g):
    return [m for m in rr.runs(g.log())[-1] if m == "First Level" or m.startswith("Next Level")]


class FitTest(unittest.TestCase):
    def test_the_picture_fits_every_screen_with_nothing_over_it(self):
        # (name, width, height, device scale, a phone or tablet, where the controls are, the picture's CSS size)
        cases = [
            ("phone upright", 390, 844, 3, True, "below", (390, 292.5)),
            ("phone on its side", 844, 390, 3, True, "beside", (520, 390)),
            ("tablet", 820, 1180, 2, True, "below", (640, 480)),
            ("laptop at 150%", 1280, 720, 1.5, False, None, (1280 / 1.5, 640)),
            ("laptop at 125%", 1536, 864, 1.25, False, None, (1024, 768)),
            ("a window with no margin for the bar", 800, 500, 1, False, None, (640, 480)),
        ]
        for name, w, h, scale, mobile, controls, size in cases:
            with self.subTest(name):
                g = rrweb.WebGame(width=w, height=h, mobile=mobile, scale=scale).wait_started()
                try:
                    self.assertTrue(g.wait_menu(timeout=20), "no title menu")
                    geo = g.eval(GEOMETRY)
                    self.check_fit(geo, w, h, scale, controls, size)
                except AssertionError as e:
                    # The page as it looked, kept for whoever reads the failure.
                    kept = os.path.join(tempfile.mkdtemp(prefix="rr-web-keep-"), name.replace(" ", "-") + ".png")
                    g.call("screenshot", path=kept)
                    raise AssertionError("%s (the page: %s)" % (e, kept)) from e
                finally:
                    g.kill()

    def check_fit(self, geo, w, h, scale, controls, size):
        left, top, cw, ch = geo["canvas"]
        self.assertEqual(geo["viewport"], [w, h])
        self.assertAlmostEqual(cw, size[0], delta=0.01)
        self.assertAlmostEqual(ch, size[1], delta=0.01)
        self.assertTrue(left >= 0 and top >= 0 and left + cw <= w and top + ch <= h, geo["canvas"])
        self.assertEqual(geo["covered"], [])
        if cw >= 640:
            # Whole device pixels a pixel of the picture, starting on a device pixel.
            self.assertAlmostEqual(cw * scale / 640, round(cw * scale / 640), delta=0.001)
            self.assertAlmostEqual(left * scale, round(left * scale), delta=0.01)
            self.assertAlmostEqual(top * scale, round(top * scale), delta=0.01)
        buttons = geo["buttons"]
        if controls is None:
            self.assertEqual(buttons, {})
            return
        self.assertEqual(sorted(buttons), sorted(BUTTONS))
        for b, (bx, by, bw, bh) in buttons.items():
            self.assertGreaterEqual(min(bw, bh), 48, b)
            self.assertTrue(bx >= 0 and by >= 0 and bx + bw <= w + 0.5 and by + bh <= h + 0.5, b)
            if controls == "below":
                self.assertGreaterEqual(by, top + ch, b)
            else:
                self.assertTrue(bx + bw <= left or bx >= left + cw, b)
        if controls == "below":
            self.assertEqual(top, 0)


class TouchTest(unittest.TestCase):
    def test_a_first_level_played_by_touch_alone_run_held_while_jump_is_tapped(self):
        g = rrweb.WebGame(width=844, height=390, mobile=True, scale=3).wait_started()
        try:
            self.assertIsNotNone(g.wait_menu(0, timeout=20), "no title menu")
            g.tap("Down")
            self.assertIsNotNone(g.wait_menu(1), "Down did not move the menu")
            g.tap("OK")
            self.assertIsNotNone(g.wait_screen(rr.is_help), "OK did not open the help page")
            g.tap("OK")
            self.assertIsNotNone(g.wait_menu(timeout=10), "OK did not leave the help page")
            g.tap("Down")
            self.assertIsNotNone(g.wait_menu(1))
            g.tap("Up")
            self.assertIsNotNone(g.wait_menu(0), "Up did not move the menu")
            g.tap("OK")
            self.assertTrue(g.wait_log("First Level", timeout=20), g.log()[-5:])
            self.assertIsNotNone(g.wait_clock(timeout=10), "no clock in play")

            run = g.finger_down("Run")
            # On the first coach's roof: a second finger taps Jump and the runner rises while the first holds Run.
            time.sleep(0.5)
            ground = player_top(g.shot())
            self.assertIsNotNone(ground)
            jump = g.finger_down("Jump")
            time.sleep(rr.HOLD)
            self.assertEqual(g.eval("[...document.querySelectorAll('#touch button.held')].map(b => b.textContent)"),
                             ["Run", "Jump"])
            g.finger_up(jump)
            highest = ground
            end = time.time() + 1.0
            while time.time() < end:
                highest = min(highest, player_top(g.shot()) or ground)
            self.assertLess(highest, ground - 16, "no jump")
            self.assertEqual(g.eval("[...document.querySelectorAll('#touch button.held')].map(b => b.textContent)"),
                             ["Run"])
            # Paused under the help page and resumed with OK, Run held all along.
            g.tap("Pause")
            self.assertIsNotNone(g.wait_screen(rr.is_help, timeout=10), "Pause did not pause")
            g.tap("OK")
            self.assertIsNotNone(g.wait_clock(timeout=10), "OK did not resume")
            self.assertTrue(g.wait_log("Next Level, @Level 1", timeout=180), g.log()[-5:])
            g.finger_up(run)
            self.assertNotIn("Quitting Game Renderer", rr.runs(g.log())[-1])
            g.tap("Back")
            self.assertIsNotNone(g.wait_menu(timeout=10), "Back did not leave for the menu")
            self.assertEqual(level_lines(g), ["First Level", "Next Level, @Level 1"])
            self.assertEqual(g.events("pageerror"), [])
        finally:
            g.kill()

    def test_the_controls_follow_the_hand_and_a_cancelled_touch_lets_go(self):
        g = rrweb.WebGame(width=390, height=844, mobile=True, scale=3).wait_started()
        try:
            self.assertTrue(g.wait_menu(timeout=20))
            shown = "document.body.classList.contains('touch')"
            self.assertTrue(g.eval(shown), "no touch buttons on a phone")
            # Fingers on the page neither scroll nor zoom it, nor select its text.
            self.assertEqual(g.eval("[getComputedStyle(document.body).touchAction, "
                                    "getComputedStyle(document.body).userSelect]"), ["none", "none"])
            small = g.eval(GEOMETRY)["canvas"]
            g.press("Down")
            self.assertFalse(g.eval(shown), "a key left the touch buttons up")
            geo = g.eval(GEOMETRY)
            self.assertEqual(geo["buttons"], {})
            # The picture moves from the top to the middle of the screen.
            self.assertAlmostEqual(geo["canvas"][1], (844 - small[3]) / 2, delta=0.5)
            g.call("touch", type="touchStart", points=[{"x": 200, "y": 100, "id": 1}])
            g.call("touch", type="touchEnd", points=[{"x": 200, "y": 100, "id": 1}])
            self.assertTrue(rrweb.poll(lambda: g.eval(shown) or None, 5), "a touch did not bring them back")
            self.assertEqual(g.eval(GEOMETRY)["covered"], [])

            # Away from the page, no button stays held.
            g.press("Up")
            g.call("touch", type="touchStart", points=[{"x": 200, "y": 100, "id": 2}])
            g.call("touch", type="touchEnd", points=[{"x": 200, "y": 100, "id": 2}])
            self.assertTrue(rrweb.poll(lambda: g.eval(shown) or None, 5))
            finger = g.finger_down("Run")
            self.assertEqual(g.call("hide"), "hidden")
            self.assertEqual(g.eval("document.querySelectorAll('#touch button.held').length"), 0)
            self.assertEqual(g.call("show"), "visible")
            g.finger_up(finger)

            # A touch the browser takes back (a system gesture, a call) lets go of Run: the runner is left behind.
            self.assertIsNotNone(g.wait_menu(0))
            g.tap("OK")
            self.assertTrue(g.wait_log("First Level", timeout=20), g.log()[-5:])
            g.finger_down("Run")
            time.sleep(1.0)
            g.call("touch", type="touchCancel", points=[])
            g.fingers.clear()
            self.assertIsNotNone(g.wait_screen(rr.is_game_over, timeout=60), "Run still held after the cancel")
            self.assertEqual(level_lines(g), ["First Level"])
        finally:
            g.kill()

    def test_a_finished_tap_starts_the_music_and_the_phone_plays_it_through_its_silent_switch(self):
        # A phone's rule in place of the browser's own: sound may start only inside a finished tap, a click or a
        # key, never at a touch's start; any other resume is ignored.
        phone = """(() => {
            navigator.audioSession = {type: 'auto'};
            const resume = AudioContext.prototype.resume;
            AudioContext.prototype.resume = function () {
                const e = window.event;
                if (e && ['touchend', 'pointerup', 'click', 'keydown'].includes(e.type)) return resume.call(this);
                return Promise.resolve();
            };
        })();"""
        g = rrweb.WebGame(width=390, height=844, mobile=True, scale=3, before=[phone]).wait_started()
        try:
            self.assertTrue(g.wait_menu(timeout=20))
            self.assertEqual(g.eval("navigator.audioSession.type"), "playback")
            g.eval("Module.rrAudio.ctx.suspend()")
            state = "Module.rrAudio.ctx.state"
            self.assertTrue(rrweb.poll(lambda: g.eval(state) == "suspended" or None, 5))
            g.call("touch", type="touchStart", points=[{"x": 200, "y": 100, "id": 1}])
            time.sleep(0.5)
            self.assertEqual(g.eval(state), "suspended")
            g.call("touch", type="touchEnd", points=[{"x": 200, "y": 100, "id": 1}])
            self.assertTrue(rrweb.poll(lambda: g.eval(state) == "running" or None, 10), "a tap did not start it")
        finally:
            g.kill()


class PadTest(unittest.TestCase):
    def press_pad(self, g, button):
        g.eval("rrPad.button(%d, true)" % button)
        time.sleep(rr.HOLD)
        g.eval("rrPad.button(%d, false)" % button)

    def test_a_gamepad_starts_the_game_runs_to_the_next_level_and_lets_go_when_unplugged(self):
        g = rrweb.WebGame(before=[PAD]).wait_started()
        try:
            self.assertTrue(g.wait_menu(timeout=20))
            g.eval("document.getElementById('controls').click()")
            listed = g.eval("document.getElementById('controls-list').innerText")
            self.assertIn("Press a button on the gamepad", listed)
            for row in ("SPACE\tJump\tA", "F1\tPause\tY", "ENTER\tOK\tStart", "ESC\tBack\tBack (Select)",
                        "PGUP, PGDN\t\tBumpers (LB, RB)"):
                self.assertIn(row, listed)
            g.eval("document.getElementById('controls-close').click()")

            g.eval("rrPad.connect()")
            said = "(() => { const p = document.getElementById('pad'); return p.hidden ? null : p.textContent; })()"
            self.assertEqual(g.eval(said), "Gamepad connected")
            self.press_pad(g, 9)
            self.assertTrue(g.wait_log("First Level", timeout=20), "Start did not start the game")
            self.assertIsNotNone(g.wait_clock(timeout=10))
            g.eval("rrPad.button(15, true)")
            self.assertTrue(g.wait_log("Next Level, @Level 1", timeout=180), g.log()[-5:])
            g.eval("rrPad.disconnect()")
            self.assertIsNotNone(g.wait_screen(rr.is_game_over, timeout=60), "RIGHT still held after the unplug")
            self.assertEqual(level_lines(g), ["First Level", "Next Level, @Level 1"])
            self.assertIsNone(g.eval(said))
        finally:
            g.kill()


class FrameTest(unittest.TestCase):
    def test_full_screen_refused_inside_a_game_sites_frame_leaves_the_game_playing(self):
        for name, allow in (("without allowfullscreen", ""), ("with allowfullscreen", " allowfullscreen")):
            with self.subTest(name):
                # The site's page and the game on two origins, as a game site embeds a game.
                site = rrweb.server()
                page = "frame%s.html" % allow.strip()
                game = site.url(rrweb.GAME_PATH).replace("127.0.0.1", "localhost")
                with open(os.path.join(site.root, page), "w") as f:
                    f.write('<!doctype html><body style="margin:0"><iframe src="%s" style="border:0;width:100%%;'
                            'height:100vh"%s></iframe></body>' % (game, allow))
                g = rrweb.WebGame(path=page)
                try:
                    self.assertTrue(g.call("useFrame"))
                    g.wait_started()
                    self.assertTrue(g.wait_menu(timeout=20))
                    self.assertEqual(g.eval("document.getElementById('fullscreen').hidden"), not allow)
                    # Pressed without the gesture a browser asks for, the request is refused as in a frame.
                    g.eval("document.getElementById('fullscreen').click()")
                    g.call("click", x=300, y=300)
                    self.assertTrue(g.play(), g.log()[-5:])
                    self.assertIsNotNone(g.wait_clock(timeout=10), "no play after Full screen")
                    self.assertIsNone(g.message())
                    self.assertTrue(g.eval("document.getElementById('notice').hidden"))
                    self.assertEqual(g.events("pageerror"), [])
                finally:
                    g.kill()


class FaultTest(unittest.TestCase):
    def test_a_game_that_fails_to_start_says_so_with_the_logs_last_lines(self):
        g = rrweb.WebGame(before=[NO_SYSTEM])
        try:
            self.assertEqual(g.wait_exit(timeout=30), 1)
            text = g.wait_message(timeout=10)
            self.assertIsNotNone(text)
            self.assertIn("could not start", text)
            self.assertEqual(g.eval("document.body.dataset.failed"), "true")
            shown = g.eval("document.getElementById('message-log').textContent").split("\n")
            kept = [line for line in g.eval("new Promise(done => Module.rrReadLog(done))").split("\n") if line]
            self.assertEqual(shown[:len(kept[-8:])], kept[-8:])
            self.assertIn("roofrunner: cannot initialise the game library", shown[-1])
            self.assertEqual(g.events("pageerror"), [])
        finally:
            g.kill()

    def test_a_fault_of_the_page_after_start_up_is_a_notice_and_the_game_plays_on(self):
        g = rrweb.WebGame().wait_started()
        try:
            self.assertTrue(g.wait_menu(timeout=20))
            g.eval("setTimeout(() => { throw new Error('a fault of the test'); }, 0); "
                   "Promise.reject(new Error('a refusal of the test')); 0")
            notice = rrweb.poll(lambda: g.eval("document.getElementById('notice').hidden ? null : "
                                               "document.getElementById('notice').textContent"), 5)
            self.assertIsNotNone(notice, "no notice")
            self.assertIn("Something went wrong on the page", notice)
            self.assertIsNone(g.message())
            self.assertEqual(g.eval(GEOMETRY)["covered"], [])
            self.assertTrue(g.play(), g.log()[-5:])
            self.assertIsNotNone(g.wait_clock(timeout=10), "the game does not play on")
            errors = [e["text"] for e in g.events("console") if e["type"] == "error"]
            for fault in ("a fault of the test", "a refusal of the test"):
                self.assertTrue(any(fault in e for e in errors), errors)
        finally:
            g.kill()


class ManifestTest(unittest.TestCase):
    def test_the_home_screen_gets_the_game_full_screen_with_the_window_icons_art(self):
        g = rrweb.WebGame().wait_started()
        try:
            href = g.eval("document.querySelector('link[rel=manifest]').href")
            manifest = g.eval("fetch(%s).then(r => r.json())" % json.dumps(href))
            self.assertEqual(manifest["name"], "Roofrunner")
            self.assertEqual(manifest["display"], "fullscreen")
            self.assertEqual(manifest["orientation"], "landscape")
            self.assertEqual(manifest["start_url"], "./")
            xw, xh, xpx = rr_desktop.icon_xpm()
            self.assertEqual(sorted(i["sizes"] for i in manifest["icons"]), ["192x192", "512x512"])
            for icon in manifest["icons"]:
                size = int(icon["sizes"].split("x")[0])
                got = g.eval("""(async () => {
                    const b = await createImageBitmap(await (await fetch(%s)).blob());
                    const c = new OffscreenCanvas(b.width, b.height), x = c.getContext('2d');
                    x.drawImage(b, 0, 0);
                    const d = x.getImageData(0, 0, b.width, b.height).data;
                    let s = '';
                    for (let i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
                    return {w: b.width, h: b.height, rgb: btoa(s)};
                })()""" % json.dumps(icon["src"]))
                self.assertEqual((got["w"], got["h"]), (size, size))
                rgb = base64.b64decode(got["rgb"])
                k = size / xw
                wrong = sum(1 for y in range(size) for x in range(size)
                            if tuple(rgb[(y * size + x) * 3:(y * size + x) * 3 + 3]) != xpx(int(x / k), int(y / k)))
                self.assertEqual(wrong, 0, icon["src"])
        finally:
            g.kill()


class OfflineTest(unittest.TestCase):
    def site(self):
        root = rrweb.scratch("rr-web-offline-")
        shutil.copytree(rrweb.WEB_DIR, os.path.join(root, rrweb.GAME_PATH))
        return rrweb.Server(root)

    def upload(self, site, changes):
        """Changes the game's files on the server as a new upload does, with its service worker written anew."""
        folder = os.path.join(site.root, rrweb.GAME_PATH)
        for name, change in changes.items():
            with open(os.path.join(folder, name)) as f:
                text = change(f.read())
            with open(os.path.join(folder, name), "w") as f:
                f.write(text)
        with open(os.path.join(rr.SOURCE_DIR, "VERSION")) as f:
            version = f.read().strip()
        subprocess.run([sys.executable, os.path.join(rr.SOURCE_DIR, "platforms", "web", "stamp_sw.py"), folder,
                        version], check=True)

    def kept(self, g):
        """The page's offline copies: cache name to {file: its SHA-256}."""
        return g.eval("""(async () => {
            const out = {};
            for (const name of await caches.keys()) {
                out[name] = {};
                const cache = await caches.open(name);
                for (const req of await cache.keys()) {
                    const body = await (await cache.match(req)).arrayBuffer();
                    const d = new Uint8Array(await crypto.subtle.digest('SHA-256', body));
                    out[name][req.url.split('/').pop()] =
                        Array.from(d, b => b.toString(16).padStart(2, '0')).join('');
                }
            }
            return out;
        })()""")

    def on_server(self, site):
        with open(os.path.join(site.root, rrweb.GAME_PATH, "sw.js")) as f:
            return json.loads(re.search(r"^var KEPT = (.*);$", f.read(), re.M).group(1))["files"]

    def wait_kept(self, g, site):
        """Waits until the page is served from a whole copy of what the server has; that copy's cache names."""
        want = self.on_server(site)

        def whole():
            try:
                if not g.eval("!!navigator.serviceWorker.controller"):
                    return None
                kept = self.kept(g)
            except RuntimeError:
                return None
            return list(kept) if list(kept.values()) == [want] else None
        return rrweb.poll(whole, 60, step=0.5)

    def wait_upload(self, g, marker, timeout=60):
        def seen():
            try:
                return g.eval("document.querySelector('meta[name=rr-upload]') ? "
                              "document.querySelector('meta[name=rr-upload]').content : 'first'") == marker or None
            except RuntimeError:
                return None
        return rrweb.poll(seen, timeout, step=0.3)

    def test_the_second_visit_plays_offline_and_a_new_upload_replaces_the_kept_copy_whole(self):
        site = self.site()
        g = rrweb.WebGame(site=site).wait_started()
        try:
            self.assertTrue(g.wait_menu(timeout=20))
            self.assertIsNotNone(self.wait_kept(g, site), "no whole offline copy: %r" % self.kept(g))

            site.stop()
            g.call("reload")
            g.wait_started()
            self.assertTrue(g.play(), "no game offline: %r" % g.log()[-5:])
            self.assertIsNotNone(g.wait_clock(timeout=10), "no play offline")

            # Half an upload: the worker names files the server does not have yet. The kept copy stays whole.
            site.start()
            self.upload(site, {"index.html": lambda t: t.replace("<title>", '<meta name="rr-upload" content="2">'
                                                                 "<title>"),
                               "audio-worklet.js": lambda t: t + "// upload 2\n"})
            with open(os.path.join(site.root, rrweb.GAME_PATH, "audio-worklet.js"), "a") as f:
                f.write("// not yet\n")
            g.call("reload")
            g.wait_started()
            self.assertTrue(self.wait_upload(g, "first"), "half an upload replaced the kept copy")
            self.assertEqual(len(self.kept(g)), 1)
            self.assertNotIn("upload 2", g.eval("fetch('audio-worklet.js').then(r => r.text())"))

            # The whole upload: the next visit starts on it, from a whole new copy.
            self.upload(site, {"audio-worklet.js": lambda t: t.replace("// not yet\n", "")})
            g.call("reload")
            self.assertTrue(self.wait_upload(g, "2"), "the new upload did not replace the kept copy")
            g.wait_started()
            self.assertIsNotNone(self.wait_kept(g, site), "not one whole new copy: %r" % self.kept(g))
            self.assertIn("// upload 2", g.eval("fetch('audio-worklet.js').then(r => r.text())"))

            site.stop()
            g.call("reload")
            g.wait_started()
            self.assertTrue(self.wait_upload(g, "2"))
            self.assertTrue(g.play(), "no game offline: %r" % g.log()[-5:])
        finally:
            g.kill()
            site.stop()


if __name__ == "__main__":
    unittest.main()
