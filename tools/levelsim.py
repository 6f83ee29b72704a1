#!/usr/bin/env python3
"""Level checker for Roofrunner's data files.

Re-plays every level of Data/levels.txt with the game's tick rules (clock,
player, train, camera) for two players: one who holds RIGHT from the first
tick and one who touches nothing.  A level is good when holding RIGHT wins
it with a comfortable part of the clock left, the runner never leaves the
screen, the train does not run out of the world first, and doing nothing
loses.  It also checks the sprite files and the level files for the sizes
the drawing code relies on.

    python3 tools/levelsim.py            check sprites and levels, print a table
    python3 tools/levelsim.py --preview  also print every game sprite as text
    python3 tools/levelsim.py --polls N  input polls per tick (default 2)

Exit status 1 when any check fails.
"""
import os
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "Data")

LPS = 64
SCREEN_W, SCREEN_H = 640, 480
CELL = 8
CAR_COACH, CAR_COACH2, CAR_COACH3, CAR_ENGINE = 0, 1, 2, 3
POSE_RUN, POSE_JUMP, POSE_CROUCH = 0, 1, 2

# Time left when holding RIGHT wins, as a share of the limit: below the low
# mark a slower machine (fewer input polls per tick) may not make it, above
# the high mark the level is no test at all.
LEFT_MIN, LEFT_MAX = 0.15, 0.50

problems = []


def fail(msg):
    problems.append(msg)
    print("  FAIL:", msg)


# ---------------------------------------------------------------- files


class Sprite:
    def __init__(self, w, h, rgb, rows):
        self.w, self.h, self.rgb, self.rows = w, h, rgb, rows


class Tokens:
    """Whitespace-separated reading, as formatted input does it."""

    def __init__(self, text):
        self.text, self.pos = text, 0

    def word(self):
        t, n = self.text, len(self.text)
        while self.pos < n and t[self.pos].isspace():
            self.pos += 1
        start = self.pos
        while self.pos < n and not t[self.pos].isspace():
            self.pos += 1
        return t[start:self.pos] if self.pos > start else None

    def int(self, default=0):
        save = self.pos
        w = self.word()
        try:
            return int(w)
        except (TypeError, ValueError):
            self.pos = save
            return default


def load_sprite(path):
    """Reads a sprite file the way the game does; None when it gives no sprite."""
    try:
        with open(path, "rb") as f:
            data = f.read().decode("latin-1")
    except OSError:
        return None
    tk = Tokens(data)
    w, h = tk.int(), tk.int()
    if w < 1 or h < 1:
        return None
    rgb = (tk.int(), tk.int(), tk.int())
    pos = tk.pos
    rows = []
    last = None
    for _ in range(h):
        if last != "\n" and pos < len(data):
            nl = data.find("\n", pos)
            pos = len(data) if nl < 0 else nl + 1
        cells = []
        last = None
        while len(cells) < w and pos < len(data):
            ch = data[pos]
            pos += 1
            last = ch
            if ch in "\r\n":
                break
            cells.append(ch if 33 <= ord(ch) <= 126 else " ")
        rows.append("".join(cells).ljust(w))
    return Sprite(w, h, rgb, rows)


def check_sprite_file(path, rel):
    """Also catches what the loader forgives silently: short files, long lines."""
    s = load_sprite(path)
    if s is None:
        fail("%s: missing or no sprite" % rel)
        return None
    with open(path, "rb") as f:
        lines = f.read().decode("latin-1").split("\n")
    art = [l.rstrip("\r") for l in lines[2:]]
    if len(lines) < 2 or lines[0].split() != [str(s.w), str(s.h)]:
        fail("%s: header is not 'w h' on the first line" % rel)
    if not all(0 <= c <= 255 for c in s.rgb):
        fail("%s: colour out of range" % rel)
    if len([l for l in art if l != ""]) > s.h or len(art) > s.h + 1:
        fail("%s: more art lines than its height %d" % (rel, s.h))
    for i, l in enumerate(art[:s.h]):
        if len(l) > s.w:
            fail("%s: row %d is %d long, wider than %d" % (rel, i, len(l), s.w))
        if any(ord(c) > 126 or (ord(c) < 32) for c in l):
            fail("%s: row %d holds a character the font lacks" % (rel, i))
    return s


def luminance(rgb):
    def lin(c):
        c /= 255.0
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (lin(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


class Level:
    pass


def load_level(name):
    lv = Level()
    lv.name = name
    folder = os.path.join(ROOT, "Levels", name)
    with open(os.path.join(folder, "level.txt")) as f:
        tk = Tokens(f.read())
    count = tk.int()
    lv.attr = None
    lv.layers = []
    for _ in range(count):
        kind = tk.word()
        if kind is None:
            break
        if kind.lower() == "attr":
            fn = tk.word()
            with open(os.path.join(folder, fn)) as f:
                a = Tokens(f.read())
            at = Level()
            at.width, at.height, at.unit_w, at.unit_h, at.car_count = (a.int() for _ in range(5))
            at.cars = [a.int(-1) for _ in range(at.car_count)]
            at.bg = (a.int(), a.int(), a.int())
            at.reserved = a.int()
            at.time_limit = a.int()
            lv.attr = at
        elif kind.lower() == "ascii":
            fn = tk.word()
            s = check_sprite_file(os.path.join(folder, fn), "Levels/%s/%s" % (name, fn))
            lv.layers.append((fn, s))
    return lv


# ---------------------------------------------------------------- game rules


class Game:
    """One level's play state and the motion rules, tick by tick."""

    def __init__(self, attr, index, widths):
        self.a = attr
        self.index = index
        self.cw = widths["connector"]
        self.w = {CAR_COACH: widths["coach"], CAR_COACH2: widths["coach2"],
                  CAR_COACH3: widths["coach3"], CAR_ENGINE: widths["engine"]}
        self.ww = attr.width * attr.unit_w
        self.wh = attr.height * attr.unit_h
        self.time_left = attr.time_limit * LPS
        self.elapsed = 0
        self.game_over = self.level_complete = 0
        # camera_reset
        self.camera_min_y = min(SCREEN_H // 2, self.wh // 2)
        self.camera_max_x = self.ww - SCREEN_W // 2 - 1
        if self.camera_max_x < 0:
            self.camera_max_x = self.ww // 2
        self.camera_max_y = self.wh - SCREEN_H // 2 - 1
        if self.camera_max_y < 0:
            self.camera_max_y = self.wh // 2
        self.camera_x, self.camera_y = 0, self.camera_max_y
        # train_place
        self.train_x = SCREEN_W // 2
        self.train_y = SCREEN_H // 2 - 8 * CELL + self.wh
        # player_place
        self.jump_ticks = 0
        self.player_x = self.train_x + 10
        self.player_y = 0
        self.at_engine = 0
        self.find_ground()
        self.player_y = self.ground_y
        self.pose = POSE_RUN
        self.at_engine = 0
        self.lost_by = None

    def engine_start(self):
        s = 0
        for k in self.a.cars:
            if k in (CAR_COACH, CAR_COACH2, CAR_COACH3):
                s += (self.w[k] - 1) * CELL + self.cw * CELL
            elif k == CAR_ENGINE:
                return s
        return None

    def find_ground(self):
        rel = self.player_x - self.train_x
        ty = self.train_y
        self.ground_y = ty
        s = p = 0
        for k in self.a.cars:
            if k in (CAR_COACH, CAR_COACH3):
                p += (self.w[k] - 2) * CELL
                if s <= rel <= p:
                    return
                p += self.cw * CELL
                if s <= rel <= p:
                    self.ground_y = ty + 24
                    return
                p += 8
            elif k == CAR_COACH2:
                p += (self.w[k] - 4) * CELL
                if s <= rel <= p:
                    self.ground_y = ty + 16
                    return
                s = p
                p += 16
                if s <= rel <= p:
                    return
                p += self.cw * CELL
                if s <= rel <= p:
                    self.ground_y = ty + 24
                    return
                p += 8
            elif k == CAR_ENGINE:
                p += (self.w[k] - 2) * CELL
                if rel >= s + 32:
                    self.ground_y = ty + 24
                    if self.player_y - self.ground_y <= 16:
                        self.at_engine += 1
                    return
                if s <= rel <= p:
                    return
            s = p

    def player_tick(self):
        self.find_ground()
        if self.player_x - self.camera_x + 32 <= 0:
            self.game_over += 1
            self.lost_by = self.lost_by or "left behind by the camera"
            return
        if self.player_x <= self.train_x:
            self.game_over += 1
            self.lost_by = self.lost_by or "fell off the back"
            return
        if self.at_engine:
            self.level_complete += 1
            return
        if self.jump_ticks > 0:
            self.jump_ticks -= 1
            self.player_y -= 1
            return
        if self.player_y < self.ground_y:
            self.player_y += 1
            return
        if self.player_y == self.ground_y:
            if self.pose != POSE_CROUCH:
                self.pose = POSE_RUN
            return
        self.player_y = self.ground_y

    def train_tick(self):
        if self.elapsed % 4 == 0:
            step = self.index + 2
            self.train_x += step
            self.player_x += step
        if self.train_x >= self.ww + SCREEN_W:
            self.game_over += 1
            self.lost_by = self.lost_by or "train ran out of the world"

    def clamp_x(self):
        if self.camera_x > self.camera_max_x:
            self.camera_x = self.camera_max_x

    def update(self):
        self.elapsed += 1
        self.time_left -= 1
        self.player_tick()
        self.train_tick()
        if self.time_left <= 0:
            self.game_over += 1
            self.lost_by = self.lost_by or "time out"
        self.camera_x += 1
        self.clamp_x()

    def run_right(self):
        if self.pose != POSE_JUMP:
            self.pose = POSE_RUN
        self.player_x += 1
        if self.player_x - self.camera_x > SCREEN_W // 2:
            self.camera_x = self.player_x - SCREEN_W // 2
        self.clamp_x()


def play(attr, index, widths, hold_right, polls_per_tick=2):
    """Plays one level; returns (outcome, tick, game, min screen x, max screen x).

    The first level is entered through a screen change, so its first update
    comes before any input poll; later levels start inside the last update of
    the level before and see that update's two polls first.
    """
    g = Game(attr, index, widths)
    sx = [g.player_x - g.camera_x]

    def poll():
        if hold_right:
            g.run_right()
        sx.append(g.player_x - g.camera_x)

    if index > 0:
        for _ in range(polls_per_tick):
            poll()
    limit = max(attr.time_limit, 1) * LPS + 10
    for _ in range(limit):
        g.update()
        sx.append(g.player_x - g.camera_x)
        if g.game_over:
            return "lost", g.elapsed, g, min(sx), max(sx)
        if g.level_complete:
            return "won", g.elapsed, g, min(sx), max(sx)
        for _ in range(polls_per_tick):
            poll()
    return "stuck", g.elapsed, g, min(sx), max(sx)


# ---------------------------------------------------------------- checks

GAME_SPRITES = [("Game", "title.txt"), ("Game", "win.txt"),
                ("Train", "coach.txt"), ("Train", "coach2.txt"), ("Train", "coach3.txt"),
                ("Train", "connector.txt"), ("Train", "engine.txt"), ("Train", "track.txt"),
                ("Player", "player.txt"), ("Player", "playerj.txt"), ("Player", "playerc.txt"),
                ("Numbers", "numbers.txt")]


def check_sprites(preview):
    sp = {}
    for group, name in GAME_SPRITES:
        rel = "Sprites/%s/%s" % (group, name)
        s = check_sprite_file(os.path.join(ROOT, "Sprites", group, name), rel)
        sp[name[:-4]] = s
        if s and preview:
            print("%s  %dx%d  rgb%s" % (rel, s.w, s.h, s.rgb))
            for r in s.rows:
                print("  |" + r + "|")
    if None in sp.values():
        return sp
    t, win = sp["title"], sp["win"]
    if t.w > 80 or t.h > 14:
        fail("title is %dx%d, at most 80x14 fits above the menu" % (t.w, t.h))
    if win.h > 60 or win.w > 48:
        fail("win picture is %dx%d; credits need the right side" % (win.w, win.h))
    coach = sp["coach"]
    for n in ("coach", "coach2", "coach3", "engine", "connector"):
        s = sp[n]
        if s.h > 7:
            fail("%s is %d rows; the car bottom would pass the screen" % (n, s.h))
        if n != "connector" and s.h != coach.h:
            fail("%s height %d differs from the coach's %d" % (n, s.h, coach.h))
    for n, least in (("coach", 2), ("coach3", 2), ("engine", 5), ("coach2", 4)):
        if sp[n].w < least:
            fail("%s is narrower than %d cells" % (n, least))
    eng = sp["engine"]
    if (coach.w - 3) > eng.w:
        fail("engine backing fill (coach width - 3 = %d cells) is wider than the engine" % (coach.w - 3))
    trk = sp["track"]
    if 441 + 8 * trk.h > SCREEN_H:
        fail("track is %d rows and runs off the bottom" % trk.h)
    below = [r for i, r in enumerate(trk.rows) if i + 3 >= coach.h]
    if not below or not all(r.strip() for r in below):
        fail("track has no rail or sleepers in the rows under the wheels")
    if SCREEN_W % (trk.w * CELL):
        fail("track piece width %d px does not divide the screen width" % (trk.w * CELL))
    num = sp["numbers"]
    if num.h != 66:
        fail("numbers sprite has %d rows, not 11 glyphs of 6" % num.h)
    pl, pc = sp["player"], sp["playerc"]
    if pc.h != pl.h:
        fail("crouching figure is %d rows, standing %d: it would float" % (pc.h, pl.h))
    return sp


def main():
    preview = "--preview" in sys.argv
    polls = 2
    if "--polls" in sys.argv:
        polls = int(sys.argv[sys.argv.index("--polls") + 1])
    print("Sprites")
    sp = check_sprites(preview)
    if None in sp.values():
        print("cannot go on without every game sprite")
        return 1
    widths = {n: sp[n].w for n in ("coach", "coach2", "coach3", "connector", "engine")}
    fg = {n: sp[n].rgb for n in ("coach", "coach2", "coach3", "connector", "engine",
                                 "track", "player", "numbers")}
    piece = sp["track"].w * CELL

    with open(os.path.join(ROOT, "levels.txt")) as f:
        tk = Tokens(f.read())
    n = tk.int()
    names = [tk.word() for _ in range(n)]
    print("\nLevels (%d), %d input poll(s) per tick" % (n, polls))
    hdr = "%-10s %5s %6s %5s %4s %6s %8s %6s %9s %-28s" % (
        "level", "cars", "world", "unitw", "T s", "win@", "left %", "min x", "max x",
        "idle: lost at tick (why)")
    print(hdr)
    rows = []
    prev_limit_share = None
    for i, name in enumerate(names):
        if not name or "/" in name or "\\" in name or ".." in name:
            fail("bad level name %r" % name)
            continue
        lv = load_level(name)
        a = lv.attr
        if a is None:
            fail("%s: no attribute file" % name)
            continue
        ww, wh = a.width * a.unit_w, a.height * a.unit_h
        if wh < 481:
            fail("%s: world %d px high; below 481 the camera can be moved up and down" % (name, wh))
        if a.unit_w != piece:
            fail("%s: unit_w %d is not the track piece width %d (the strip would not cover the screen or would jump)" % (name, a.unit_w, piece))
        if not a.cars or a.cars[-1] != CAR_ENGINE or a.cars.count(CAR_ENGINE) != 1:
            fail("%s: the engine must be the last car and the only one" % name)
        if set(a.cars) != {0, 1, 2, 3}:
            fail("%s: the train does not use all four car kinds" % name)
        if len(lv.layers) < 2 or len(lv.layers) > 4:
            fail("%s: %d picture layers, want 2 to 4" % (name, len(lv.layers)))
        widths_seen = set()
        for fn, s in lv.layers:
            if s is None:
                continue
            if s.h * CELL > SCREEN_H:
                fail("%s/%s: %d rows; taller than the screen it would scroll" % (name, fn, s.h))
            if s.w * CELL < SCREEN_W:
                fail("%s/%s: narrower than the screen" % (name, fn))
            if s.w * CELL > ww:
                fail("%s/%s: wider than the world; its right end is never seen" % (name, fn))
            widths_seen.add(s.w)
            c = contrast(s.rgb, a.bg)
            if c < 1.4:
                fail("%s/%s: colour %s hardly shows on %s (contrast %.2f)" % (name, fn, s.rgb, a.bg, c))
        if len(widths_seen) < len(lv.layers):
            fail("%s: two layers of the same width scroll as one" % name)
        for what, rgb in fg.items():
            c = contrast(rgb, a.bg)
            if c < 3.0:
                fail("%s: %s colour %s is weak on background %s (contrast %.2f)" % (name, what, rgb, a.bg, c))

        out, tick, g, lo, hi = play(a, i, widths, True, polls)
        left = g.time_left / float(a.time_limit * LPS)
        iout, itick, ig, _, _ = play(a, i, widths, False, polls)
        print("%-10s %5d %6d %5d %4d %6s %8s %6d %9d %s" % (
            name, len(a.cars), ww, a.unit_w, a.time_limit,
            tick if out == "won" else out, "%.1f" % (100 * left) if out == "won" else "-",
            lo, hi, "%d (%s)" % (itick, ig.lost_by) if iout == "lost" else iout))
        if out != "won":
            fail("%s: holding RIGHT does not win (%s at tick %d: %s)" % (name, out, tick, g.lost_by))
        elif not (LEFT_MIN <= left <= LEFT_MAX):
            fail("%s: holding RIGHT wins with %.1f%% of the time left" % (name, 100 * left))
        if hi >= SCREEN_W:
            fail("%s: the runner reaches screen x %d" % (name, hi))
        if iout != "lost":
            fail("%s: doing nothing does not lose (%s)" % (name, iout))
        if out == "won":
            rows.append((name, left))
            if polls == 2 and prev_limit_share is not None and left > prev_limit_share + 1e-9:
                fail("%s: more time to spare than the level before" % name)
            prev_limit_share = left
    print()
    if problems:
        print("%d problem(s)" % len(problems))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
