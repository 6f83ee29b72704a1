"""The level studio (studio.html) in headless Chromium beside the Linux build: levels travel through links and zips
byte for byte, the picture is the Linux game's, the check is the Linux checker's, Play reaches the you-win screen,
work is kept across a reload, and bad links and zips are refused with their reasons."""
import io
import os
import re
import struct
import sys
import time
import unittest
import zipfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rrweb  # noqa: E402
import rrstudio  # noqa: E402
from rrweb import rr  # noqa: E402


def attr_name(files):
    """The attribute file a level's layer list names."""
    return rr.attr_file(files["level.txt"].decode("latin-1").split())


class LinkTest(unittest.TestCase):
    def test_each_shipped_level_travels_through_its_link_byte_for_byte(self):
        s = rrstudio.Studio()
        try:
            for name in rr.level_names():
                with self.subTest(level=name):
                    s.start_from_shipped(name)
                    url = s.share()
                    self.assertLess(len(url), 8000, "the link of %s" % name)
                    self.assertTrue(url.startswith(rrweb.server().url(rrstudio.GAME) + "#rr1."), url[:80])
                    s.open(url[url.index("#"):])
                    self.assertEqual(s.files(), rrstudio.shipped_files(name))
                    self.assertIn("Opened from the link: " + name, s.status())
                    self.assertNotIn("#", s.eval("location.href"), "the link stays in the address")
        finally:
            s.close()

    def test_a_shared_level_plays_on_the_games_page_from_the_title_menu(self):
        s = rrstudio.Studio()
        try:
            s.eval("document.getElementById('new').click()")
            s.settled()
            name = s.levels()[-1]
            s.type_into('[data-field="limit"]', "6")
            url = s.share()
        finally:
            s.close()
        g = rrweb.WebGame(path=rrstudio.GAME + url[url.index("#"):]).wait_started()
        try:
            self.assertEqual(g.eval("document.getElementById('studio').textContent"), "Open in the studio")
            self.assertTrue(g.eval("document.getElementById('studio').href").endswith("studio.html" + url[url.index("#"):]))
            self.assertTrue(g.wait_menu(timeout=20), "no title menu")
            self.assertEqual(g.eval("Module.FS.readFile('/play/Data/levels.txt', {encoding: 'utf8'})"), "1\n%s\n" % name)
            self.assertTrue(g.play(), g.log()[-5:])
            # The level's own clock: 6 seconds, as edited.
            self.assertIsNotNone(g.wait_clock(lambda sec: sec in (5, 6), timeout=10), "not the shared level's clock")
            won = g.hold_until("Right", lambda: g.wait_screen(rr_is_you_win, timeout=0.2), timeout=30)
            self.assertTrue(won, g.log()[-5:])
            self.assertEqual(g.events("pageerror"), [])
        finally:
            g.kill()

    def test_bad_links_say_what_is_wrong_and_play_nothing(self):
        s = rrstudio.Studio()
        try:
            good = s.share()
            link = good[good.index("#") + 1:]
            body = link[len("rr1."):]
            made = s.eval("""(async () => {
                const L = RoofrunnerLink, files = [{name: 'level.txt', bytes: new Uint8Array(9 * 1024 * 1024)}];
                const bomb = await L.encode({start: 0, levels: [{name: 'big', files: files}]});
                const path = await L.encode({start: 0, levels: [{name: '..', files: []}]});
                // What one level packs to, under the checksum of what another packed to.
                const one = n => L.encode({start: 0, levels: [{name: 'a', files: [{name: 'level.txt', bytes: L.bytesOf(n)}]}]});
                const bytes = l => Uint8Array.from(atob(l.slice(4).replace(/-/g, '+').replace(/_/g, '/')), c => c.charCodeAt(0));
                const a = bytes(await one('1\\n')), b = bytes(await one('2\\n'));
                b.set(a.subarray(4, 8), 4);
                const swapped = 'rr1.' + btoa(String.fromCharCode.apply(null, b)).replace(/\\+/g, '-').replace(/\\//g, '_').replace(/=+$/, '');
                return [bomb, path, swapped];
            })()""")
        finally:
            s.close()
        middle = len(body) // 2
        altered = body[:middle] + ("A" if body[middle] != "A" else "B") + body[middle + 1:]
        cases = [
            ("cut short", "rr1." + body[:len(body) * 2 // 3], "cut short"),
            ("cut inside its mark", "rr", "cut short"),
            ("altered", "rr1." + altered, "altered"),
            ("a character no link has", "rr1." + body[:20] + "*" + body[21:], "altered"),
            ("altered where it still unpacks", made[2], "its checksum does not match"),
            ("from a future version", "rr2." + body, "newer version of Roofrunner"),
            ("not a level link", "hello", "does not hold a Roofrunner level link"),
            ("unpacks far beyond any level", made[0], "far more than any level"),
            ("a name that leaves its folder", made[1], "the level name \"..\" cannot be used"),
        ]
        for name, bad, words in cases:
            with self.subTest(name, page="game"):
                g = rrweb.WebGame(path=rrstudio.GAME + "#" + bad)
                try:
                    text = g.wait_message(timeout=20)
                    self.assertIsNotNone(text, "no message")
                    self.assertIn(words, text)
                    self.assertEqual(g.eval("document.body.dataset.refused"), "true")
                    # Nothing started: the game's script was never loaded.
                    self.assertFalse(g.eval("!!document.querySelector('script[src=\"roofrunner.js\"]')"))
                    self.assertEqual(g.log(), [])
                    self.assertFalse(g.eval("document.getElementById('own').hidden"))
                finally:
                    g.kill()
            with self.subTest(name, page="studio"):
                s = rrstudio.Studio("#" + bad)
                try:
                    self.assertTrue(s.wait("document.body.dataset.refused"), s.status())
                    self.assertIn(words, s.status())
                    self.assertEqual(len(s.levels()), 1, "a level came from a bad link")
                finally:
                    s.close()


def rr_is_you_win(s):
    colour, n = rr.text_colour(s)
    return s.count((0, 0, 0), tol=0) > 280000 and n > 100 and not rr.is_game_over(s)


class EditTest(unittest.TestCase):
    def test_the_check_follows_the_time_limit_and_names_a_world_width_of_0_by_file_and_line(self):
        s = rrstudio.Studio()
        try:
            s.start_from_shipped("dawn")
            files = s.files()
            attr = attr_name(files)
            before = s.share_of_clock()
            self.assertIsNotNone(before)
            s.type_into('[data-field="limit"]', "30")
            # The one number changes; the rest of the file stays as it was.
            lines = rrstudio.shipped_files("dawn")[attr].split(b"\n")
            lines[3] = b"30"
            self.assertEqual(s.files()[attr], b"\n".join(lines))
            after = s.share_of_clock()
            self.assertNotEqual(after, before)
            # The Linux checker, on the same files, finds the same share.
            status, out = rrstudio.check(os.path.join(rrstudio.data_folder([("dawn", s.files())]), "Data"))
            m = re.search(r"([\d.]+)% of the clock", out)
            self.assertEqual(float(m.group(1)), after, out)

            s.type_into('[data-field="width"]', "0")
            problems = s.problems()
            named = [p for p in problems if p["file"] == "Levels/dawn/" + attr and p["line"] == 1
                     and "the world size 0 x" in p["text"]]
            self.assertEqual(len(named), 1, problems)
            self.assertIn("Data/Levels/dawn/%s:1:" % attr, named[0]["text"])
            # Its link goes to the field it names.
            s.eval("[...document.querySelectorAll('#problems li')].find(li => li.textContent.includes('the world size 0'))"
                   ".querySelector('a').click()")
            self.assertEqual(s.eval("document.activeElement.dataset.field"), "width")
        finally:
            s.close()

    def test_a_problem_in_a_picture_goes_to_its_row_of_the_grid(self):
        s = rrstudio.Studio()
        try:
            s.start_from_shipped("city")
            layer = s.eval("document.querySelectorAll('textarea.grid')[1].closest('fieldset').dataset.file")
            rows = s.eval("document.querySelectorAll('textarea.grid')[1].value").split("\n")
            rows[4] = rows[4] + "~" * 300
            s.eval("""(() => { const g = document.querySelectorAll('textarea.grid')[1]; g.value = %s;
                        g.dispatchEvent(new Event('input', {bubbles: true})); })()""" % repr("\n".join(rows)))
            s.settled()
            wide = [p for p in s.problems() if p["file"] == "Levels/city/" + layer and "row 5 is" in p["text"]]
            self.assertEqual(len(wide), 1, s.problems())
            s.eval("[...document.querySelectorAll('#problems li')].find(li => li.textContent.includes('row 5 is'))"
                   ".querySelector('a').click()")
            sel = s.eval("(() => { const g = document.activeElement; return [g.tagName, "
                         "g.value.slice(0, g.selectionStart).split('\\n').length, g.selectionEnd - g.selectionStart]; })()")
            self.assertEqual(sel, ["TEXTAREA", 5, len(rows[4])])
        finally:
            s.close()

    def test_names_that_will_not_load_everywhere_are_refused_with_the_reason(self):
        s = rrstudio.Studio()
        try:
            first = s.levels()[0]
            for typed, words in (("con", "Windows keeps it for a device"), ("a:b", "colon"),
                                 ("..", "folder itself"), ("a b", "one word"), ("end.", "trailing dot")):
                with self.subTest(typed):
                    s.eval("""(() => { const e = document.getElementById('level-name'); e.value = %r;
                                e.dispatchEvent(new Event('input')); })()""" % typed)
                    self.assertIn(words, s.eval("document.getElementById('level-name').nextSibling.textContent"))
                    self.assertEqual(s.levels()[0], first)
            s.eval("""(() => { const e = document.getElementById('level-name'); e.value = 'night-run';
                        e.dispatchEvent(new Event('input')); })()""")
            self.assertEqual(s.levels()[0], "night-run")
        finally:
            s.close()

    def test_nothing_read_from_a_level_becomes_html(self):
        s = rrstudio.Studio()
        try:
            s.eval("""(() => { const l = studio.pack.levels[0];
                        l.files['level.txt'] = l.files['level.txt'].replace('3\\n', '4\\n') + '<img/src="x"onerror=window.pwned=1>\\n';
                        })()""")
            s.eval("document.getElementById('level-name').value = 'x-level';"
                   "document.getElementById('level-name').dispatchEvent(new Event('input'))")
            s.settled()
            time.sleep(0.5)
            texts = [p["text"] for p in s.problems()]
            self.assertTrue(any('<img/src="x"onerror=window.pwned=1>' in t for t in texts), texts)
            self.assertEqual(s.eval("document.querySelectorAll('img').length"), 0)
            # Had it become an image, its failed load would have run the handler by now.
            self.assertIsNone(rrweb.poll(lambda: s.eval("window.pwned === undefined ? null : window.pwned"), 3))
        finally:
            s.close()

    def test_a_level_the_game_cannot_load_is_shown_with_its_problems_and_never_played(self):
        s = rrstudio.Studio()
        try:
            files = s.files()
            attr = attr_name(files)
            s.eval("""(() => { const b = document.querySelector('[data-file="%s"]').closest('[data-list-line]');
                        b.querySelector('.tools button:last-child').click(); })()""" % attr)
            s.settled()
            self.assertFalse(s.eval("document.getElementById('cannot').hidden"))
            self.assertTrue(any("has no attr layer" in p["text"] for p in s.problems()), s.problems())
            s.eval("document.getElementById('play').click()")
            self.assertIn("Not played: the game cannot load", s.status())
            self.assertTrue(s.eval("document.getElementById('play-box').hidden"))
        finally:
            s.close()


class PreviewTest(unittest.TestCase):
    def test_the_picture_is_the_linux_games_and_follows_the_background_colour(self):
        s = rrstudio.Studio()
        try:
            s.start_from_shipped("city")
            max_x = int(s.eval("document.getElementById('camera').max"))
            xs = [0, max_x // 2, max_x]
            linux = rrstudio.linux_preview([("city", s.files())], 0, xs)
            for x in xs:
                with self.subTest(camera=x):
                    s.camera(x)
                    shot = s.preview()
                    self.assertEqual(rrweb.differ(shot, linux[x]), 0, rrweb.keep(shot, "preview-%d" % x))
            s.camera(0)
            before = s.preview()
            s.eval("""(() => { const c = document.getElementById('background'); c.value = '#402010';
                        c.dispatchEvent(new Event('input')); })()""")
            after = s.preview()
            self.assertGreater(rrweb.differ(before, after), 100000)
            self.assertIn(b"64 32 16 0", s.files()[attr_name(s.files())])
            linux = rrstudio.linux_preview([("city", s.files())], 0, [0])
            self.assertEqual(rrweb.differ(after, linux[0]), 0, rrweb.keep(after, "preview-recoloured"))
        finally:
            s.close()


class PlayTest(unittest.TestCase):
    def test_play_of_an_edited_level_reaches_you_win_holding_right_and_comes_back(self):
        """A pack of three plays from the level being edited, the second, on to the last and the you-win screen."""
        s = rrstudio.Studio()
        try:
            s.start_from_shipped("dawn")
            s.start_from_shipped("city")
            s.eval("document.querySelector('#levels li:nth-child(2) .name').click()")
            s.type_into('[data-field="limit"]', "25")
            s.eval("document.getElementById('play').click()")
            self.assertTrue(s.wait("window.frames.game.location.href.includes('#rr1.')"), "the game was not opened")
            g = s.game()
            g.wait_started()
            self.assertTrue(g.wait_menu(timeout=20), "no title menu in the frame")
            self.assertTrue(g.play(), g.log()[-5:])
            # The edited level first, with its own clock, then the one after it.
            self.assertIsNotNone(g.wait_clock(lambda sec: sec in (24, 25), timeout=10), "not the edited clock")
            won = g.hold_until("Right", lambda: g.wait_screen(rr_is_you_win, timeout=0.2), timeout=90)
            self.assertTrue(won, g.log()[-5:])
            self.assertTrue(rr.in_order(g.log(), ["First Level", "Next Level, @Level 2"] + rr.QUIT_LINES), g.log()[-8:])
            g.press("Return")
            # Exit ends the game, and the studio takes its page back, with the edit where it was.
            g.choose(2, timeout=40)
            self.assertTrue(s.wait("document.getElementById('play-box').hidden", timeout=20), "still in the game")
            self.assertEqual(s.eval("document.querySelector('[data-field=\"limit\"]').value"), "25")
        finally:
            s.close()


class KeepTest(unittest.TestCase):
    def test_work_is_kept_across_a_reload(self):
        s = rrstudio.Studio()
        try:
            s.start_from_shipped("desert")
            s.eval("""(() => { const g = document.querySelector('textarea.grid'); g.value = 'KEPT' + g.value;
                        g.dispatchEvent(new Event('input', {bubbles: true})); })()""")
            # At once, before the check runs: what was typed is kept as it is typed.
            s.call("reload")
            self.assertTrue(s.wait("document.body.dataset.ready"))
            self.assertEqual(s.levels(), ["my-level", "desert"])
            self.assertEqual(s.eval("studio.pack.current"), 1)
            self.assertTrue(s.eval("document.querySelector('textarea.grid').value.startsWith('KEPT')"))
        finally:
            s.close()


def zip_of(entries, method=zipfile.ZIP_DEFLATED):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", method) as z:
        for name, data in entries:
            z.writestr(name, data)
    return out.getvalue()


def lying_zip(name, zeros, declared):
    """A zip whose one deflated file of zeros bytes says it is declared bytes long: a bomb when it is much longer."""
    packer, body, crc, chunk = zlib.compressobj(9, zlib.DEFLATED, -15), [], 0, b"\0" * (1 << 20)
    for _ in range(zeros >> 20):
        body.append(packer.compress(chunk))
        crc = zlib.crc32(chunk, crc)
    body = b"".join(body) + packer.flush()
    n = name.encode()
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, 0, 0, crc, len(body), declared, len(n), 0) + n
    central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 8, 0, 0, crc, len(body), declared, len(n),
                          0, 0, 0, 0, 0, 0) + n
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, len(central), len(local) + len(body), 0)
    return local + body + central + end


class ZipTest(unittest.TestCase):
    def test_download_is_a_data_folder_the_linux_checker_passes_the_game_plays_and_open_reads_back(self):
        s = rrstudio.Studio()
        try:
            s.start_from_shipped("dawn")
            data = s.download()
            files = rrstudio.unzip(data)
            names = s.levels()
            self.assertEqual(files["Data/levels.txt"], ("%d\n" % len(names) + "".join(n + "\n" for n in names)).encode())
            self.assertEqual({k[len("Data/Levels/dawn/"):]: v for k, v in files.items()
                              if k.startswith("Data/Levels/dawn/")}, rrstudio.shipped_files("dawn"))
            with open(os.path.join(rr.DATA, "Music", "train.mid"), "rb") as f:
                self.assertEqual(files["Data/Music/train.mid"], f.read())
            root = rrstudio.unzip_to(data, rr.scratch("rr-studio-download-"))
            status, out = rrstudio.check(os.path.join(root, "Data"))
            self.assertEqual(status, 0, out)
            self.assertIn("no problems found", out)
            with rr.Display() as d:
                g = rr.Game(d, root, binary=os.path.join(rrweb.LINUX_BUILD, "roofrunner")).wait_started()
                try:
                    self.assertTrue(g.play(), g.log()[-5:])
                    won = g.hold_until("Right", lambda: g.wait_screen(rr_is_you_win, timeout=0.2), timeout=90)
                    self.assertTrue(won, g.log()[-5:])
                    self.assertIn("Next Level, @Level 1", g.log())
                finally:
                    g.kill()
        finally:
            s.close()
        s = rrstudio.Studio()
        try:
            s.drop(data)
            self.assertTrue(s.wait("studio.pack.levels.length === 3"), s.status())
            self.assertEqual(s.levels()[1:], ["my-level-2", "dawn"])
            self.assertEqual(s.files(2), rrstudio.shipped_files("dawn"))
            self.assertEqual(s.files(1), {k[len("Data/Levels/my-level/"):]: v for k, v in files.items()
                                          if k.startswith("Data/Levels/my-level/")})
        finally:
            s.close()

    def test_bad_zips_are_refused_with_their_reason(self):
        level = rrstudio.shipped_files("dawn")
        good = [("Data/levels.txt", b"1\ndawn\n")] + [("Data/Levels/dawn/" + k, v) for k, v in level.items()]
        big = b"x" * (3 * 1024 * 1024)
        cases = [
            # A gigabyte unpacked: had it been unpacked whole before the check, the page would run out of memory.
            ("a bomb: far more than its table says", lying_zip("Data/levels.txt", 1 << 30, 20), "unpacks to more than"),
            ("a file far larger than any level", zip_of(good + [("Data/Levels/dawn/huge.txt", big)]),
             "far larger than any level file"),
            ("a stored file far larger than any level",
             zip_of(good + [("Data/Levels/dawn/huge.txt", big)], zipfile.ZIP_STORED), "far larger than any level file"),
            ("a path that leaves the folder", zip_of(good + [("../evil.txt", b"x")]), "would leave its folder"),
            ("a path from the root", zip_of(good + [("/etc/evil", b"x")]), "would leave its folder"),
            ("not a zip", b"hello, this is text", "not a zip file"),
            ("cut short", zip_of(good)[:-30], "not a zip file"),
            ("no levels.txt", zip_of(good[1:]), "no levels.txt"),
        ]
        s = rrstudio.Studio()
        try:
            for name, data, words in cases:
                with self.subTest(name):
                    s.eval("delete document.body.dataset.refused; document.getElementById('status').hidden = true")
                    s.drop(data)
                    self.assertTrue(s.wait("document.body.dataset.refused"), s.status())
                    self.assertIn(words, s.status())
                    self.assertEqual(s.levels(), ["my-level"])
                    if name.startswith("a bomb"):
                        # Refused while unpacking: a little beyond the 20 bytes it claims, not a gigabyte.
                        self.assertLess(s.eval("RoofrunnerZip.unpacked"), 1 << 20)
        finally:
            s.close()


if __name__ == "__main__":
    unittest.main()
