"""The browser build, served from a sub-folder of a local web server and played in headless Chromium, beside the
Linux build: its start-up, its frames against the Linux build's, its pace, its music, its pauses, its end and its
failures, as a player meets them."""
import json
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rrweb  # noqa: E402
from rrweb import rr  # noqa: E402


LPS = 64


def is_you_win(s):
    """A black page whose one line of text is not the red of game over."""
    colour, n = rr.text_colour(s)
    return s.count((0, 0, 0), tol=0) > 280000 and n > 100 and not rr.is_game_over(s)


def run_messages(log):
    """The messages of the log's last run."""
    return rr.runs(log)[-1]


def source(*path):
    with open(os.path.join(rrweb.SOURCE_DIR, *path)) as f:
        return f.read()


def game_keys():
    """The KEY_ names of src/app/keys.h's GAME_KEYS: every key the game reads."""
    text = source("src", "app", "keys.h").replace("\\\n", " ")
    m = re.search(r"^#define GAME_KEYS (.*)$", text, re.M)
    return {k.strip() for k in m.group(1).split(",")}


def page_codes():
    """{KeyboardEvent.code: KEY_ name} of every key the browser's keyboard driver hands to the game."""
    return dict(re.findall(r'\{"(\w+)", (KEY_\w+)\}', source("platforms", "web", "platform", "web_keyboard.c")))


class StartTest(unittest.TestCase):
    def test_start_up_lines_reach_the_console_and_the_kept_log_without_a_page_error(self):
        g = rrweb.WebGame().wait_started()
        try:
            self.assertTrue(g.wait_menu(timeout=20), "no title menu on the canvas")
            console = [rr.LOG_LINE.match(line) for line in g.console()]
            messages = [m.group(2) for m in console if m]
            run = [""] + messages[:12]
            rr.check_start(run)
            rr.check_start(run_messages(g.log()))
            self.assertEqual(g.events("pageerror"), [])
            self.assertIn("Sound system Initialized", messages)
        finally:
            g.kill()

    def test_the_canvas_is_shown_at_the_largest_whole_scale_crisp(self):
        for (w, h), want in (((1280, 1000), (1280, 960)), ((1000, 700), (640, 480)), ((2000, 1500), (1920, 1440))):
            with self.subTest(window=(w, h)):
                g = rrweb.WebGame(width=w, height=h).wait_started()
                try:
                    shown = g.eval("(() => { const r = document.getElementById('canvas').getBoundingClientRect();"
                                   " return [r.width, r.height, r.left, r.top,"
                                   " getComputedStyle(document.getElementById('canvas')).imageRendering]; })()")
                    self.assertEqual(tuple(shown[:2]), want)
                    self.assertEqual((shown[2], shown[3]), ((w - want[0]) / 2, (h - want[1]) / 2))
                    self.assertEqual(shown[4], "pixelated")
                    self.assertEqual(g.eval("[canvas.width, canvas.height]"), [640, 480])
                finally:
                    g.kill()

    def test_a_start_that_cannot_work_is_said_on_the_page_in_plain_words(self):
        cases = [
            ("the data file missing on the server", rrweb.BROKEN_PATH, "could not start"),
            ("opened from the disk", os.path.join(rrweb.WEB_DIR, "index.html"), "Serve this folder"),
        ]
        for name, path, words in cases:
            with self.subTest(name):
                g = rrweb.WebGame(path=path)
                try:
                    text = g.wait_message(timeout=30)
                    self.assertIsNotNone(text, "no message on the page")
                    self.assertIn(words, text)
                    self.assertEqual(g.eval("document.body.dataset.failed"), "true")
                finally:
                    g.kill()

    def test_the_games_keys_stay_with_the_game_and_a_key_starts_the_music(self):
        # A browser that lets a page sound only after the player's key or click, as browsers do by default.
        g = rrweb.WebGame(autoplay=False).wait_started()
        try:
            self.assertTrue(g.wait_menu(timeout=20))
            self.assertEqual(g.eval("[Module.rrAudio.ctx.state, document.getElementById('note').hidden]"),
                             ["suspended", False], "the music could start before a key, or the note is not shown")
            # The game's keys do nothing else in the browser: no scrolling of a page around the game, no help of
            # the browser's own on F1.
            g.eval("window.rrKept = []; window.addEventListener('keydown', e => rrKept.push(e.defaultPrevented))")
            for key in ("Down", "Up", "space", "F1", "Next", "Prior", "Right", "c"):
                g.press(key)
            self.assertEqual(g.eval("rrKept"), [True] * 8)
            state = rrweb.poll(lambda: g.eval("Module.rrAudio.ctx.state === 'running' || null"), 10)
            self.assertTrue(state, "the keys did not start the music")
            self.assertTrue(rrweb.poll(lambda: g.eval("document.getElementById('note').hidden || null"), 10),
                            "the note stays")
        finally:
            g.kill()


    def test_the_page_keeps_every_key_the_game_reads_and_no_other(self):
        """Each key the driver knows, sent as the browser sends a held key's repeats and its release: the page keeps
        it from the browser if the game reads it (src/app/keys.h), and leaves it to the browser if not. The game
        ignores both (a repeat is no new press, a release without a press is nothing), so the menu stays."""
        wanted, codes = game_keys(), page_codes()
        self.assertEqual(wanted - set(codes.values()), set(), "keys the game reads that the page cannot deliver")
        g = rrweb.WebGame().wait_started()
        try:
            self.assertTrue(g.wait_menu(timeout=20))
            kept = g.eval("""(codes => codes.map(code => ['keydown', 'keyup'].map(type => {
                const e = new KeyboardEvent(type, {code: code, repeat: type === 'keydown', cancelable: true});
                window.dispatchEvent(e);
                return e.defaultPrevented;
            })))(%s)""" % json.dumps(sorted(codes)))
            wrong = ["%s (%s): %s" % (code, codes[code], "the game reads it, the page lets it through"
                                      if codes[code] in wanted else "the page keeps it, the game does not read it")
                     for code, got in zip(sorted(codes), kept) if got != [codes[code] in wanted] * 2]
            self.assertEqual(wrong, [])
            self.assertEqual(g.events("pageerror"), [])
        finally:
            g.kill()


class ZipTest(unittest.TestCase):
    def test_the_zip_ships_the_page_files_as_they_are_in_the_tree(self):
        """An edit of a page file alone must reach the zip at the next build."""
        # sw.js is left out: the build writes the files' hashes into it.
        pages = [(rel, "") for rel in ("index.html", "audio-worklet.js", "link.js", "README.txt", "controls.js",
                                       "layout.js", "offline.js", "manifest.webmanifest")]
        pages += [(rel, "studio") for rel in ("studio.html", "studio.js", "studio.css", "pack.js", "zip.js")]
        for rel, folder in pages:
            with self.subTest(rel):
                with open(os.path.join(rrweb.WEB_DIR, rel), "rb") as f:
                    shipped = f.read()
                with open(os.path.join(rrweb.SOURCE_DIR, "platforms", "web", folder, rel), "rb") as f:
                    self.assertEqual(shipped, f.read(), "the zip's %s is not the tree's" % rel)


def check_help_page(case, g, frames, name):
    """Help chosen on the menu: the page is the Linux build's, pixel for pixel; then back to the menu."""
    g.choose(1)
    shot = g.wait_screen(rr.is_help, timeout=15)
    case.assertIsNotNone(shot, "no help page")
    case.assertEqual(rrweb.differ(shot, frames["help"]), 0, rrweb.keep(shot, name))
    g.press("Return")


class FirefoxTest(unittest.TestCase):
    def test_firefox_starts_draws_the_linux_help_page_and_plays(self):
        frames = rrweb.linux_frames()
        g = rrweb.WebGame(browser="firefox").wait_started()
        try:
            self.assertTrue(g.wait_menu(timeout=20), "no title menu on the canvas")
            check_help_page(self, g, frames, "firefox-help")
            self.assertTrue(g.play(), g.log()[-5:])
            self.assertIsNotNone(g.wait_clock(timeout=10), "no clock in play")
            self.assertEqual(g.events("pageerror"), [])
        finally:
            g.kill()


class FramesTest(unittest.TestCase):
    def test_help_and_game_over_pages_are_the_linux_builds(self):
        frames = rrweb.linux_frames()
        g = rrweb.WebGame().wait_started()
        try:
            check_help_page(self, g, frames, "help")
            self.assertTrue(g.play(), g.log()[-5:])
            # Standing still, the camera leaves the runner behind within seconds.
            self.assertTrue(g.wait_log("Unloaded Game Sprites", timeout=90), g.log()[-5:])
            shot = g.wait_screen(rr.is_game_over, timeout=15)
            self.assertIsNotNone(shot, "no game-over page")
            self.assertEqual(rrweb.differ(shot, frames["game-over"]), 0, rrweb.keep(shot, "game-over"))
        finally:
            g.kill()

    def test_the_first_level_shows_the_linux_builds_frames_tick_after_tick(self):
        """With no key held, each of the first level's first 40 frames is the Linux build's frame after some
        number of ticks, and that number only grows. The ticks that pass while the level loads (its pictures, the
        tune and its patches) are caught up before its first frame, as on the desktop; and keeping the frames
        slows the page, so some frames come after more than one tick, as on a busy desktop."""
        frames = rrweb.linux_frames()
        candidates = sorted(((name, shot) for name, shot in frames.items() if name.startswith("level-0-")),
                            key=lambda c: int(c[0].split("-")[-1]))
        g = rrweb.WebGame().wait_started()
        try:
            g.capture_level_starts(frames=40)
            self.assertTrue(g.play(), g.log()[-5:])
            end = time.time() + 30
            while time.time() < end and g.level_starts_count() < 40:
                time.sleep(0.2)
            shots = [shot for _, shot in g.level_starts()]
            self.assertEqual(len(shots), 40)
            ticks = []
            for i, shot in enumerate(shots):
                name = rrweb.match(shot, candidates)
                self.assertIsNotNone(name, "frame %d: no Linux frame matches; kept %s"
                                     % (i, rrweb.keep(shot, "first-level-%d" % i)))
                ticks.append(int(name.split("-")[-1]))
            self.assertEqual(ticks, sorted(ticks), ticks)
            self.assertEqual(len(set(ticks)), len(ticks), ticks)
        finally:
            g.kill()

    def test_the_linux_frames_are_the_linux_windows(self):
        """The frames the browser is held to are what the real Linux game shows in its window."""
        frames = rrweb.linux_frames()
        work = rrweb.scratch("rr-web-linux-")
        os.symlink(rr.DATA, os.path.join(work, "Data"))
        with rr.Display() as d:
            g = rr.Game(d, work, binary=os.path.join(rrweb.LINUX_BUILD, "roofrunner")).wait_started()
            try:
                check_help_page(self, g, frames, "linux-help")
            finally:
                g.kill()


class PlayTest(unittest.TestCase):
    def test_right_held_through_every_level_to_victory_at_64_ticks_a_second(self):
        frames = rrweb.linux_frames()
        names = rr.level_names()
        g = rrweb.WebGame().wait_started()
        try:
            g.capture_level_starts()
            self.assertTrue(g.play(), g.log()[-5:])
            # The clock's digits against the wall clock, through every level: (level, seconds shown, time seen).
            changes = []
            last = None
            level = 0
            g.key_down("Right")
            end = time.time() + 600
            won = None
            while time.time() < end:
                shot = g.shot()
                seen = time.time()
                if is_you_win(shot):
                    won = shot
                    break
                seconds = rr.read_clock(shot)
                starts = g.level_starts_count()
                if starts != level:
                    level, last = starts, None
                if seconds is not None and seconds != last:
                    changes.append((level, seconds, seen))
                    last = seconds
            g.key_up("Right")
            self.assertIsNotNone(won, "no you-win screen: %r" % g.log()[-5:])
            log = run_messages(g.log())
            wanted = ["First Level"] + ["Next Level, @Level %d" % i for i in range(1, len(names))]
            self.assertTrue(rr.in_order(log, wanted + rr.QUIT_LINES), log)
            self.assertNotIn("Quitting Game Renderer", log[:log.index(wanted[-1])])

            # Each level's first frame is a Linux frame of that level: the same scene after the same ticks.
            starts = g.level_starts()
            self.assertEqual([line for line, _ in starts], wanted)
            for i, (line, shot) in enumerate(starts):
                candidates = [(n, frames[n]) for n in sorted(frames) if n.startswith("level-%d-" % i)]
                self.assertIsNotNone(rrweb.match(shot, candidates),
                                     "%s: no Linux frame matches; kept %s" % (line, rrweb.keep(shot, "level-%d" % i)))

            # 64 ticks a second: within each level, the seconds the clock went down against the time they took.
            ticks = wall = 0.0
            for lv in set(c[0] for c in changes):
                seen = [c for c in changes if c[0] == lv]
                if len(seen) >= 3:
                    # The first reading may be any time into its second; from the first change on they are exact.
                    ticks += (seen[1][1] - seen[-1][1]) * LPS
                    wall += seen[-1][2] - seen[1][2]
            self.assertGreater(wall, 60, changes)
            rate = ticks / wall
            print("ticks a second: %.2f over %.0f s" % (rate, wall))
            self.assertAlmostEqual(rate, LPS, delta=LPS * 0.04)

            # You win: in a colour of the rainbow, as the Linux build draws it at some tick.
            shot = g.wait_screen(lambda s: rrweb.match(s, [(n, frames[n]) for n in frames if n.startswith("you-win")])
                                 is not None, timeout=10)
            self.assertIsNotNone(shot, "the you-win page is not one of the Linux build's; kept %s"
                                 % rrweb.keep(g.shot(), "you-win"))
            g.press("Return")
            self.assertIsNotNone(g.wait_screen(lambda s: s.count(rr.GREY) > 100000 and not rr.is_menu(s)
                                               and not rr.is_help(s), timeout=10), "no victory page")
            # The credits roll for 13.75 s, then the menu comes back by itself.
            self.assertIsNotNone(g.wait_menu(timeout=40), "no menu after the credits")
            self.assertEqual(g.events("pageerror"), [])
        finally:
            g.kill()

    def test_music_plays_in_a_level_and_is_silent_in_the_menu(self):
        g = rrweb.WebGame().wait_started()
        try:
            self.assertTrue(g.wait_menu(timeout=20))
            self.assertLess(g.sound_level(2.0), 0.001, "sound in the menu")
            self.assertTrue(g.play(), g.log()[-5:])
            self.assertGreater(g.sound_level(2.0), 0.01, "no music in the level")
            self.assertTrue(g.hold_until("Escape", lambda: g.wait_menu(timeout=0.2), timeout=10))
            time.sleep(0.5)
            self.assertLess(g.sound_level(2.0), 0.001, "sound after leaving the level")
        finally:
            g.kill()

    def test_a_stalled_page_catches_up_a_quarter_second_and_a_hidden_tab_pauses(self):
        g = rrweb.WebGame().wait_started()
        try:
            self.assertTrue(g.play(), g.log()[-5:])
            self.assertIsNotNone(g.wait_clock(timeout=10))
            # The page's thread kept from the game for 2 s: the game then runs at most a quarter second's ticks at
            # once (16), not the 128 it missed, so the clock has gone down by a second at most. RIGHT held, so that
            # the runner is not left behind meanwhile.
            g.key_down("Right")
            shots = g.stall(2000)
            g.key_up("Right")
            clocks = [rr.read_clock(shot) for shot in shots]
            self.assertTrue(None not in clocks and clocks[0] - clocks[1] in (0, 1),
                            "the clock went from %s to %s s over the stall; kept %s"
                            % tuple(clocks + [[rrweb.keep(shot, "stall-%d" % i) for i, shot in enumerate(shots)]]))

            before = g.wait_clock(timeout=10)
            self.assertIsNotNone(before)
            self.assertEqual(g.call("hide"), "hidden")
            # A hidden tab still draws now and then: the pause shows on the canvas.
            self.assertIsNotNone(g.wait_screen(rr.is_help, timeout=20), "no pause while hidden")
            time.sleep(8)
            self.assertEqual(g.call("show"), "visible")
            self.assertIsNotNone(g.wait_screen(rr.is_help, timeout=10), "the pause ended by itself")
            g.press("Return")
            after = g.wait_clock(timeout=10)
            self.assertIsNotNone(after, "no play after ENTER")
            # Paused while away: the seconds hidden are not played.
            self.assertIn(before - after, (0, 1, 2), (before, after))
        finally:
            g.kill()


def at_rate(rate):
    """A script for before the page's: every AudioContext the page makes runs at this rate, as a browser whose
    audio runs at it makes them."""
    return """(() => {
        const Native = window.AudioContext;
        window.AudioContext = class extends Native {
            constructor(options) { super(Object.assign({}, options, {sampleRate: %d})); }
        };
    })()""" % rate


class SoundRateTest(unittest.TestCase):
    def test_at_48_khz_the_music_plays_at_its_pitch_and_speed_without_underruns(self):
        """The first six seconds of the first level, mixed at 44.1 kHz and at 48 kHz: the same notes (the spectra
        agree without a shift), at the same pace (the envelopes agree without stretching), and at 48 kHz the
        worklet never runs dry."""
        got = {}
        for rate in (44100, 48000):
            g = rrweb.WebGame(before=[at_rate(rate)]).wait_started()
            try:
                self.assertEqual(g.eval("Module.rrAudio.ctx.sampleRate"), rate)
                self.assertTrue(g.wait_menu(timeout=20))
                g.record_music(6.0)
                self.assertTrue(g.play(), g.log()[-5:])
                got[rate] = g.music()
                self.assertEqual(got[rate]["rate"], rate)
                self.assertGreater(max(got[rate]["env"]), 0.01, "no music at %d Hz" % rate)
            finally:
                g.kill()
        shift = rrweb.pitch_shift(got[44100]["spectrum"], got[48000]["spectrum"])
        pace = rrweb.speed(got[44100]["env"], got[48000]["env"])
        print("48 kHz against 44.1 kHz: %d quarter semitones higher, time scale %.3f, %d underruns"
              % (shift, pace, got[48000]["underruns"]))
        self.assertEqual(got[48000]["underruns"], 0)
        self.assertEqual(shift, 0)
        # The tune's notes come from the library's timers, which run on the page's clock, not the sound's: on a
        # busy machine they land a little early or late. A tune played at the wrong pace for its rate is 8.8% off.
        self.assertAlmostEqual(pace, 1.0, delta=0.03)

    def test_the_page_asks_for_a_key_only_when_there_is_music_to_start(self):
        """At 48 kHz the page asks for a key until a key starts the music; at a rate the game cannot mix at, the
        game has no sound and the page never asks."""
        odd_rate = "Object.defineProperty(BaseAudioContext.prototype, 'sampleRate', {get() { return 4000; }});"
        for name, init, sound in (("48 kHz", at_rate(48000), "Sound system Initialized"),
                                  ("4 kHz", odd_rate, "Sound system disabled")):
            with self.subTest(name):
                g = rrweb.WebGame(autoplay=False, before=[init]).wait_started()
                try:
                    self.assertIn(sound, run_messages(g.log()))
                    self.assertTrue(g.wait_menu(timeout=20))
                    # Whether the browser lets sound start before a key is its own choice: here it has not.
                    g.eval("Module.rrAudio.ctx.suspend().then(() => true)")
                    # The page looks twice a second.
                    time.sleep(1.5)
                    asks = sound == "Sound system Initialized"
                    self.assertEqual(g.eval("document.getElementById('note').hidden"), not asks)
                finally:
                    g.kill()


# The other game's files, as Emscripten's IDBFS keeps a folder mounted at /save: a database named after the
# folder, a store of entries keyed by path.
OTHER_GAME_SAVE = """new Promise((done, failed) => {
    const req = indexedDB.open('/save', 21);
    req.onupgradeneeded = () => {
        const store = req.result.createObjectStore('FILE_DATA');
        store.createIndex('timestamp', 'timestamp', {unique: false});
    };
    req.onerror = () => failed(String(req.error));
    req.onsuccess = () => {
        const db = req.result, tx = db.transaction('FILE_DATA', 'readwrite'), store = tx.objectStore('FILE_DATA');
        const when = new Date(2020, 0, 2);
        store.put({timestamp: when, mode: 16877}, '/save');
        store.put({timestamp: when, mode: 33206, contents: new TextEncoder().encode("the other game's log\\n")},
                  '/save/gamelog.txt');
        store.put({timestamp: when, mode: 33206, contents: new Uint8Array([1, 2, 3])}, '/save/scores.dat');
        tx.oncomplete = () => { db.close(); done(true); };
    };
})"""

# Every entry of the /save database, as [key, mode, time, contents as numbers], in key order.
READ_SAVE = """new Promise((done, failed) => {
    const req = indexedDB.open('/save');
    req.onerror = () => failed(String(req.error));
    req.onsuccess = () => {
        const db = req.result;
        if (!db.objectStoreNames.contains('FILE_DATA')) { db.close(); done([]); return; }
        const store = db.transaction('FILE_DATA').objectStore('FILE_DATA'), out = [];
        const c = store.openCursor();
        c.onsuccess = () => {
            const cur = c.result;
            if (!cur) { db.close(); done(out); return; }
            const v = cur.value;
            out.push([cur.key, v.mode, v.timestamp.getTime(), v.contents ? Array.from(v.contents) : null]);
            cur.continue();
        };
    };
})"""

# Scripts for before the page's: the browser refuses storage as private windows and frames on game sites do.
STORAGE_REFUSED = {
    "open throws": "indexedDB.open = function () { throw new DOMException('The user denied permission.', "
                   "'SecurityError'); };",
    "open fails": "indexedDB.open = function () { const r = {}; setTimeout(() => { r.error = new DOMException("
                  "'A mutation operation was attempted.', 'InvalidStateError'); if (r.onerror) r.onerror({}); }, 50);"
                  " return r; };",
    "open never answers": "indexedDB.open = function () { return {}; };",
}

# A script for before the page's: while window.rrStorageFull is set, the browser refuses every write to its
# storage as it does when the site's share is used up (the write's transaction aborts with QuotaExceededError).
STORAGE_FULL = """(() => {
    const add = IDBObjectStore.prototype.add;
    IDBObjectStore.prototype.add = function (...args) {
        const r = add.apply(this, args);
        if (window.rrStorageFull) {
            Object.defineProperty(this.transaction, 'error',
                                  {value: new DOMException('The quota has been exceeded.', 'QuotaExceededError')});
            this.transaction.abort();
        }
        return r;
    };
})()"""


class KeptLogTest(unittest.TestCase):
    def test_another_games_save_folder_is_untouched_by_a_game_and_exit(self):
        g = rrweb.WebGame(path=None)
        try:
            g.open("")
            self.assertTrue(g.eval(OTHER_GAME_SAVE))
            before = g.eval(READ_SAVE)
            self.assertEqual(len(before), 3, before)
            g.open(rrweb.GAME_PATH).wait_started()
            self.assertTrue(g.play(), g.log()[-5:])
            self.assertTrue(g.wait_log("Unloaded Game Sprites", timeout=90), g.log()[-5:])
            self.assertIsNotNone(g.wait_screen(rr.is_game_over, timeout=15))
            g.press("Return")
            self.assertEqual(g.exit_through_menu(timeout=20), 0)
            g.wait_message(timeout=10)
            rr.check_run(run_messages(g.log()))
            self.assertEqual(g.eval(READ_SAVE), before)
        finally:
            g.kill()

    def test_two_tabs_played_and_left_keep_both_runs(self):
        """A first tab plays and goes back to the menu; a second plays and exits; the first exits last. Both runs
        are kept whole, in the order they started, and the page's link hands both over."""
        g = rrweb.WebGame().wait_started()
        try:
            self.assertTrue(g.play(), g.log()[-5:])
            self.assertTrue(g.hold_until("Escape", lambda: g.wait_menu(timeout=0.2), timeout=10))
            g.call("newTab", url=rrweb.server().url(rrweb.GAME_PATH))
            self.assertTrue(g.wait_log("Initialized Game", timeout=30, count=2), g.log())
            self.assertTrue(g.play(), g.log()[-5:])
            self.assertTrue(g.hold_until("Escape", lambda: g.wait_menu(timeout=0.2), timeout=10))
            self.assertEqual(g.exit_through_menu(timeout=20), 0)
            g.wait_message(timeout=10)
            self.assertEqual(g.call("tab", index=0), "visible")
            self.assertIsNotNone(g.wait_menu(timeout=20))
            self.assertEqual(g.exit_through_menu(timeout=20), 0)
            g.wait_message(timeout=10)
            log = g.log()
            both = rr.runs(log)
            self.assertEqual(len(both), 2, log)
            for run in both:
                rr.check_run(run, rr.PLAY_LINES + rr.QUIT_LINES)
            handed = g.eval("""new Promise(done => {
                URL.createObjectURL = blob => { blob.text().then(done); return 'blob:kept'; };
                document.getElementById('log').click();
            })""")
            self.assertEqual(rr.parse_log(handed), log)
        finally:
            g.kill()

    def test_a_write_asked_for_during_a_write_is_kept_before_it_answers(self):
        """Two lines, each followed by a request to keep it, the second while the first is being written: both
        answer, in order, and when the second answers its line is in the storage (read at once, before any later
        write could come first)."""
        got = None
        g = rrweb.WebGame().wait_started()
        try:
            got = g.eval("""new Promise(done => {
                const line = text => {
                    const f = Module.FS.open('/game/gamelog.txt', 'a');
                    Module.FS.write(f, new TextEncoder().encode('[Fri Dec 11 05:00:00 2026]: ' + text + '\\n'), 0,
                                    text.length + 30);
                    Module.FS.close(f);
                };
                const answers = [];
                setTimeout(() => done([answers, 'no answer']), 10000);
                const req = indexedDB.open('roofrunner');
                req.onsuccess = () => {
                    const db = req.result;
                    line('first of two');
                    Module.rrSyncLog(() => answers.push('first'));
                    line('second of two');
                    Module.rrSyncLog(() => {
                        answers.push('second');
                        const r = db.transaction('log').objectStore('log').getAll();
                        r.onsuccess = () => done([answers, r.result.join('')]);
                    });
                };
            })""")
        finally:
            g.kill()
        answers, kept = got
        self.assertEqual(answers, ["first", "second"])
        self.assertEqual(rr.parse_log(kept)[-2:], ["first of two", "second of two"])

    def test_a_log_written_steadily_is_kept_while_it_is_written(self):
        """A line every 100 ms for 3 s: after 1.5 s of it, the storage already holds the first line, read as it is,
        without asking the page to keep anything."""
        g = rrweb.WebGame().wait_started()
        try:
            g.eval("""(() => {
                let n = 0;
                const line = () => {
                    const text = '[Fri Dec 11 05:00:00 2026]: steady ' + n + '\\n';
                    const f = Module.FS.open('/game/gamelog.txt', 'a');
                    Module.FS.write(f, new TextEncoder().encode(text), 0, text.length);
                    Module.FS.close(f);
                    if (++n < 30) setTimeout(line, 100);
                };
                line();
            })()""")
            time.sleep(1.5)
            kept = g.log(asked=False)
            self.assertIn("steady 0", kept)
            self.assertNotIn("steady 29", kept, "the writes ended before the look: the test proves nothing")
        finally:
            g.kill()

    def test_storage_refused_the_game_plays_and_the_page_says_the_log_is_not_kept(self):
        for name, init in sorted(STORAGE_REFUSED.items()):
            with self.subTest(name):
                g = rrweb.WebGame(before=[init])
                try:
                    self.assertTrue(g.wait_console("Initialized Game", timeout=30), g.console()[-5:])
                    self.assertTrue(g.wait_menu(timeout=20))
                    g.choose(0)
                    self.assertTrue(g.wait_console("First Level", timeout=20), g.console()[-5:])
                    self.assertIsNotNone(g.wait_clock(timeout=10))
                    self.assertTrue(any(n.startswith("The log is not kept") for n in g.notes()), g.notes())
                    self.assertIsNone(g.message())
                    self.assertEqual(g.events("pageerror"), [])
                finally:
                    g.kill()

    def test_a_full_storage_is_said_on_the_console_and_the_game_goes_on(self):
        """While the browser refuses every write as it does when the site's storage is full, the game plays on, the
        console and the page say so; once it takes writes again, the refused lines are kept too."""
        g = rrweb.WebGame(before=[STORAGE_FULL]).wait_started()
        try:
            kept = g.log()
            g.eval("window.rrStorageFull = true")
            g.choose(0)
            self.assertTrue(g.wait_console("First Level", timeout=20), g.console()[-5:])
            errors = lambda: [e["text"] for e in g.events("console") if e["type"] == "error"]  # noqa: E731
            self.assertTrue(rrweb.poll(lambda: True if any("QuotaExceededError" in t for t in errors()) else None, 20),
                            g.console()[-5:])
            self.assertIsNotNone(g.wait_clock(timeout=10))
            self.assertTrue(any(n.startswith("The log is no longer kept") for n in g.notes()), g.notes())
            self.assertEqual(g.log(), kept)
            g.eval("window.rrStorageFull = false")
            self.assertTrue(g.hold_until("Escape", lambda: g.wait_menu(timeout=0.2), timeout=10))
            self.assertTrue(g.wait_log("Unloaded Game Sprites", timeout=20), g.log()[-5:])
            self.assertEqual(g.log(), kept + rr.PLAY_LINES + rr.QUIT_LINES)
        finally:
            g.kill()


# Scripts for before the page's: the audio's set-up fails or hangs.
AUDIO_FAILS = {
    "the worklet never loads": ("AudioWorklet.prototype.addModule = function () { return new Promise(() => {}); };",
                                "No sound: the browser's audio did not answer within 6 seconds."),
    "the worklet node throws": ("window.AudioWorkletNode = function () { throw new DOMException('no such processor',"
                                " 'InvalidStateError'); };",
                                "No sound: the browser would not start the music player (no such processor)."),
}


class StartLimitTest(unittest.TestCase):
    def test_audio_that_fails_or_hangs_starts_the_game_without_sound_and_the_page_says_why(self):
        for name, (init, words) in sorted(AUDIO_FAILS.items()):
            with self.subTest(name):
                t0 = time.time()
                g = rrweb.WebGame(before=[init]).wait_started(timeout=20)
                try:
                    print("%s: started after %.1f s" % (name, time.time() - t0))
                    self.assertIn("Sound system disabled", run_messages(g.log()))
                    self.assertIn(words, g.notes())
                    self.assertTrue(g.wait_menu(timeout=20))
                    self.assertTrue(g.play(), g.log()[-5:])
                    self.assertIsNotNone(g.wait_clock(timeout=10))
                    self.assertTrue(g.eval("document.getElementById('note').hidden"))
                    self.assertIsNone(g.message())
                    self.assertEqual(g.events("pageerror"), [])
                finally:
                    g.kill()

    def test_a_download_that_stops_is_said_on_the_page_in_plain_words(self):
        cases = [
            ("the data", rrweb.STALLED_PATH,
             "its data (roofrunner.data) stopped coming from the server for 30 seconds"),
            ("the program", rrweb.SLOW_PROGRAM_PATH,
             "its program (roofrunner.js and roofrunner.wasm) did not load within 90 seconds"),
        ]
        for name, path, words in cases:
            with self.subTest(name):
                g = rrweb.WebGame(path=path)
                try:
                    t0 = time.time()
                    text = g.wait_message(timeout=150)
                    print("%s: said after %.1f s" % (name, time.time() - t0))
                    self.assertIsNotNone(text, "no message on the page")
                    self.assertIn(words, text)
                    self.assertEqual(g.eval("document.body.dataset.failed"), "true")
                finally:
                    g.kill()


class ExitTest(unittest.TestCase):
    def test_exit_shuts_down_in_the_log_says_so_and_a_reload_appends_a_run(self):
        g = rrweb.WebGame().wait_started()
        try:
            self.assertEqual(g.exit_through_menu(timeout=20), 0)
            self.assertIn("ended", g.wait_message(timeout=10) or "")
            log = g.log()
            self.assertEqual(len(rr.runs(log)), 1)
            rr.check_run(run_messages(log))
            console = g.console()
            self.assertTrue(console[-1].endswith("]: Allegro UnInitialized"), console[-3:])
            # The page's link hands the player the kept log.
            got = g.eval("""new Promise(done => {
                URL.createObjectURL = blob => { blob.text().then(done); return 'blob:kept'; };
                document.getElementById('log').click();
            })""")
            self.assertEqual(rr.parse_log(got), log)
            g.call("reload")
            g.wait_started()
            self.assertTrue(g.wait_menu(timeout=20))
            log2 = g.log()
            self.assertEqual(len(rr.runs(log2)), 2)
            self.assertEqual(log2[:len(log)], log)
            rr.check_start(run_messages(log2))
        finally:
            g.kill()


if __name__ == "__main__":
    unittest.main()
