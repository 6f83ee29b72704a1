"""The level studio (studio.html) in headless Chromium, for tests/web/test_studio.py: its forms, its picture, its
check, its links and zips, and the game it plays in a frame (a FrameGame, an rr.Game like rrweb.WebGame)."""
import base64
import io
import json
import os
import shutil
import subprocess
import zipfile

import rrweb
from rrweb import rr

STUDIO = rrweb.GAME_PATH + "studio.html"
GAME = rrweb.GAME_PATH + "index.html"
CHECKER = os.path.join(rrweb.LINUX_BUILD, "tools", "check", "roofrunner-check")


def shipped_files(name):
    """A shipped level's files, name to bytes."""
    folder = os.path.join(rr.DATA, "Levels", name)
    out = {}
    for f in sorted(os.listdir(folder)):
        with open(os.path.join(folder, f), "rb") as fh:
            out[f] = fh.read()
    return out


def data_folder(levels, root=None):
    """A scratch Data folder holding levels (a list of (name, {file: bytes})) beside the shipped pictures and tune."""
    root = root or rr.scratch("rr-studio-data-")
    data = os.path.join(root, "Data")
    os.makedirs(os.path.join(data, "Levels"))
    for sub in ("Sprites", "Music"):
        os.symlink(os.path.join(rr.DATA, sub), os.path.join(data, sub))
    for name, files in levels:
        os.makedirs(os.path.join(data, "Levels", name))
        for f, b in files.items():
            with open(os.path.join(data, "Levels", name, f), "wb") as fh:
                fh.write(b)
    with open(os.path.join(data, "levels.txt"), "w") as fh:
        fh.write("%d\n%s" % (len(levels), "".join(n + "\n" for n, _ in levels)))
    return root


def check(data_dir):
    """The Linux build's checker on a Data folder: (exit status, output)."""
    p = subprocess.run([CHECKER, data_dir], capture_output=True, text=True, timeout=120)
    return p.returncode, p.stdout


def linux_preview(levels, level, xs):
    """The Linux build's pictures of level (an index into levels) at camera positions xs, as the studio draws them."""
    root = data_folder(levels)
    out = os.path.join(root, "out")
    os.mkdir(out)
    subprocess.run([rrweb.FRAMES_TOOL, out, "preview", str(level)] + [str(x) for x in xs], cwd=root, check=True,
                   timeout=60)
    shots = {}
    for x in xs:
        with open(os.path.join(out, "preview-%d-%d.ppm" % (level, x)), "rb") as f:
            shots[x] = rr.Shot(rr.parse_ppm(f.read()))
    return shots


def canvas_rgb(element_id):
    return rrweb.CANVAS_RGB.replace("getElementById('canvas')", "getElementById('%s')" % element_id)


class Studio(rrweb.Browser):
    """studio.html in its own browser (a fresh profile: nothing kept from another test)."""

    def __init__(self, hash_part="", width=1280, height=1000):
        rrweb.Browser.__init__(self, width, height)
        self.open(hash_part)

    def open(self, hash_part="", path=STUDIO):
        self.call("goto", url=rrweb.server().url(path) + hash_part)
        if path == STUDIO and not self.wait("document.body.dataset.ready || document.body.dataset.failed"):
            raise AssertionError("the studio did not start: %r" % self.events())
        return self

    def wait(self, expr, timeout=30):
        return rrweb.poll(lambda: self.eval(expr) or None, timeout)

    def settled(self, timeout=30):
        """Waits until no check is still to come after the last edit; the check's results."""
        if not self.wait("!studio.pending()", timeout):
            raise AssertionError("the check did not run")
        return self.eval("studio.results()")

    def status(self):
        return self.eval("document.getElementById('status').hidden ? '' : document.getElementById('status').textContent")

    def levels(self):
        return self.eval("studio.pack.levels.map(l => l.name)")

    def files(self, index=None):
        """A level's files, name to bytes: the current one by default."""
        i = "studio.pack.current" if index is None else str(index)
        files = self.eval("studio.pack.levels[%s].files" % i)
        return {name: text.encode("latin-1") for name, text in files.items()}

    def start_from_shipped(self, name):
        before = len(self.levels())
        self.eval("document.getElementById('shipped').value = %s; document.getElementById('from-shipped').click()"
                  % json.dumps(name))
        self.wait("studio.pack.levels.length > %d" % before)
        return self.settled()

    def type_into(self, selector, value):
        """Sets a field of the form as typing would, and lets the check run."""
        self.eval("""(() => { const e = document.querySelector(%s); e.value = %s;
                    e.dispatchEvent(new Event('input', {bubbles: true})); })()""" % (json.dumps(selector),
                                                                                  json.dumps(value)))
        return self.settled()

    def share_of_clock(self):
        v = self.eval("document.getElementById('clock').dataset.share")
        return float(v) if v else None

    def problems(self):
        return self.eval("[...document.querySelectorAll('#problems li')].map(li => ({file: li.dataset.file,"
                         " line: +li.dataset.line, text: li.textContent}))")

    def preview(self):
        c = self.eval("(%s)()" % canvas_rgb("preview"))
        return rr.Shot((c["w"], c["h"], base64.b64decode(c["rgb"])))

    def camera(self, x):
        self.eval("""(() => { const c = document.getElementById('camera'); c.value = %d;
                    c.dispatchEvent(new Event('input')); })()""" % x)

    def share(self):
        self.eval("document.getElementById('share-link').value = ''; document.getElementById('share').click()")
        return self.wait("document.getElementById('share-link').value")

    def download(self):
        """The zip Download hands the browser, as bytes."""
        got = self.eval("""new Promise(done => {
            URL.createObjectURL = blob => { blob.arrayBuffer().then(b => {
                let s = ''; const u = new Uint8Array(b);
                for (let i = 0; i < u.length; i += 0x8000) s += String.fromCharCode.apply(null, u.subarray(i, i + 0x8000));
                done(btoa(s)); }); return 'blob:kept'; };
            document.getElementById('download').click();
        })""")
        return base64.b64decode(got)

    def drop(self, data, name="levels.zip"):
        """Drops a file on the page, as from the desktop."""
        self.eval("""(() => { const s = atob(%s), u = new Uint8Array(s.length);
            for (let i = 0; i < s.length; i++) u[i] = s.charCodeAt(i);
            const t = new DataTransfer(); t.items.add(new File([u], %s));
            document.dispatchEvent(new DragEvent('drop', {dataTransfer: t, bubbles: true, cancelable: true})); })()"""
                  % (json.dumps(base64.b64encode(data).decode()), json.dumps(name)))

    def game(self):
        """The game the studio plays in its frame."""
        return FrameGame(self)


class FrameGame(rrweb.WebGame):
    """The game in the studio's frame: rr.Game's waits, menus and keys, on the frame's canvas and log."""

    def __init__(self, studio):
        self.proc, self.ids, self.browser = studio.proc, studio.ids, studio.browser
        self.held = set()
        self.display = rrweb.types.SimpleNamespace(env=dict(os.environ, DISPLAY=""))
        self.window = "canvas"
        self.workdir = None

    def eval(self, expr):
        """In the frame; None while the frame is between pages (the game is only being loaded into it)."""
        try:
            return self.call("eval", expr=expr, frame="game")
        except RuntimeError as e:
            if "Execution context was destroyed" in str(e) or "no frame named" in str(e):
                return None
            raise

    def close(self):
        pass


def unzip(data):
    """A zip's files, path to bytes."""
    with zipfile.ZipFile(io.BytesIO(data)) as z:
        return {n: z.read(n) for n in z.namelist() if not n.endswith("/")}


def unzip_to(data, root):
    with zipfile.ZipFile(io.BytesIO(data)) as z:
        z.extractall(root)
    return root


def copy_data(root):
    shutil.copytree(rr.DATA, os.path.join(root, "Data"), symlinks=False)
    return root
