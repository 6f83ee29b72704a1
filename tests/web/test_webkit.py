"""The browser build in Safari's engine (WebKitGTK's MiniBrowser under its WebDriver, in Xvfb, with no sound
server): its start-up, the help page against the Linux build's, a level, the music after the first key, and the
touch controls as a phone's touches reach them."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rrweb  # noqa: E402
import rrwebkit  # noqa: E402
from rrweb import rr  # noqa: E402
from test_web import check_help_page, run_messages  # noqa: E402

# The touch controls' buttons, found by their aria-label or their text.
TOUCH_BUTTONS = ("Run", "Jump", "OK", "Back")

FIND_BUTTON = """function (name) {
    return Array.from(document.querySelectorAll('button, [role=button]')).find(
        b => (b.getAttribute('aria-label') || b.textContent || '').trim() === name) || null;
}"""

# A finger on a button, or lifted from it, as a phone's browser reports it at the button's middle: a touch pointer's
# event, then the touch event (where the browser can make one). Each button has a finger of its own, so that Run
# stays held while Jump is tapped.
TOUCH = """((name, down) => {
    const id = 2 + %s.indexOf(name);
    const b = (%s)(name), r = b.getBoundingClientRect(), x = r.left + r.width / 2, y = r.top + r.height / 2;
    const at = {bubbles: true, cancelable: true, composed: true, clientX: x, clientY: y};
    b.dispatchEvent(new PointerEvent(down ? 'pointerdown' : 'pointerup', Object.assign({
        pointerId: id, pointerType: 'touch', isPrimary: true, buttons: down ? 1 : 0, width: 20, height: 20}, at)));
    // A desktop's WebKit has touch events but makes no touch points of its own: then the pointer's is all.
    let t = null;
    try { t = new Touch({identifier: id, target: b, clientX: x, clientY: y, pageX: x, pageY: y}); } catch (e) { }
    if (t) b.dispatchEvent(new TouchEvent(down ? 'touchstart' : 'touchend', Object.assign({
        touches: down ? [t] : [], targetTouches: down ? [t] : [], changedTouches: [t]}, at)));
    return true;
})(%%s, %%s)""" % (list(TOUCH_BUTTONS), FIND_BUTTON)

# The runner stands on the roof (row 417) 320 pixels right of the camera while he keeps up; a jump lifts him up
# to 32 pixels, wholly above where his head is on the roof.
ON_ROOF = (318, 417 - 32, 346, 417 + 32)
IN_THE_AIR = (318, 417 - 64, 346, 417 - 33)


class WebKitTest(unittest.TestCase):
    def test_webkit_starts_draws_the_linux_help_page_reaches_a_level_and_plays_the_music(self):
        frames = rrweb.linux_frames()
        g = rrwebkit.WebKitGame().wait_started(timeout=60)
        try:
            rr.check_start(run_messages(g.log()))
            self.assertIn("Sound system Initialized", run_messages(g.log()))
            self.assertEqual(g.notes(), [])
            self.assertTrue(g.wait_menu(timeout=30), "no title menu on the canvas")
            # WebKit lets sound start only after the player's first key or touch; until then the page asks.
            time.sleep(1)
            self.assertEqual(g.eval("[Module.rrAudio.ctx.state, document.getElementById('note').hidden]"),
                             ["suspended", False])
            check_help_page(self, g, frames, "webkit-help")
            self.assertTrue(rrweb.poll(lambda: True if g.eval("Module.rrAudio.ctx.state") == "running" else None,
                                       10), "the key did not start the audio")
            self.assertTrue(g.play(), g.log()[-5:])
            self.assertIsNotNone(g.wait_clock(timeout=15), "no clock in play")
            self.assertGreater(g.sound_level(2.0), 0.01, "no music in the level")
            self.assertTrue(rrweb.poll(lambda: True if g.eval("document.getElementById('note').hidden") else None,
                                       5), "the page still asks for a key")
            self.assertEqual(g.events("pageerror"), [])
        finally:
            g.kill()

    def test_webkit_touch_controls_start_run_jump_and_leave_a_level(self):
        g = rrwebkit.WebKitGame().wait_started(timeout=60)
        try:
            found = g.eval("[%s].map(n => !!(%s)(n))" % (", ".join("'%s'" % n for n in TOUCH_BUTTONS), FIND_BUTTON))
            if not any(found):
                self.skipTest("this build's page has no touch controls")
            self.assertEqual(dict(zip(TOUCH_BUTTONS, found)), {n: True for n in TOUCH_BUTTONS})
            player = rr.sprite_colour("Player/player.txt")

            def touch(name, seen, timeout=15):
                """A finger on the button until seen() holds (at least as long as a key is held); what it gave."""
                g.eval(TOUCH % ("'%s'" % name, "true"))
                try:
                    time.sleep(rr.HOLD)
                    return rrweb.poll(lambda: seen() or None, timeout)
                finally:
                    g.eval(TOUCH % ("'%s'" % name, "false"))

            self.assertTrue(g.wait_menu(0, timeout=30), "no title menu with Game chosen")
            self.assertTrue(touch("OK", lambda: g.log().count("First Level") == 1), g.log()[-5:])
            g.eval(TOUCH % ("'Run'", "true"))
            try:
                start = g.wait_clock(timeout=15)
                self.assertIsNotNone(start, "no clock in play")
                # Two seconds on, a runner left standing has fallen some 100 pixels behind the camera.
                shot = g.wait_screen(lambda s: rr.clock_passes(s, lambda seconds: seconds <= start - 2), timeout=15)
                self.assertIsNotNone(shot, "the clock stands still")
                self.assertGreater(shot.count(player, ON_ROOF), 10,
                                   "the runner does not keep up with the camera while Run is held; kept %s"
                                   % rrweb.keep(shot, "webkit-run"))
                self.assertIsNotNone(touch("Jump", lambda: g.wait_screen(
                    lambda s: s.count(player, IN_THE_AIR) > 10, timeout=0.5)), "no jump")
            finally:
                g.eval(TOUCH % ("'Run'", "false"))
            self.assertIsNotNone(touch("Back", lambda: g.wait_menu(timeout=0.5)), "Back did not leave the level")
            self.assertEqual(g.events("pageerror"), [])
        finally:
            g.kill()


if __name__ == "__main__":
    unittest.main()
