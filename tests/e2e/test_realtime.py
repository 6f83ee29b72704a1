"""The game's clock against the wall clock: the countdown a player sees runs at 64 ticks a second. A wrong timer
rate would pass every other test, since they wait for what they expect however long it takes."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402

LIMIT = 99  # seconds on the clock


def make_long_level(data_dir):
    """The first level alone, with a long train of coaches and the clock at 01:39: RIGHT held keeps the runner ahead
    of the camera for longer than the measurement takes."""
    name = rr.level_names(data_dir)[0]
    with open(os.path.join(data_dir, "levels.txt"), "w") as f:
        f.write("1\n%s\n" % name)
    rel = rr.level_attr_path(name, data_dir)
    n = rr.data_words(rel, data_dir)
    count = int(n[4])
    tail = n[5 + count:]
    with open(os.path.join(data_dir, rel), "w") as f:
        f.write(" ".join(n[:4] + ["41"] + ["0"] * 40 + ["3"] + tail[:4] + [str(LIMIT)]) + "\n")


class RealTimeTest(unittest.TestCase):
    def test_the_clock_runs_at_64_ticks_a_second(self):
        work = rr.make_workdir(data="copy")
        make_long_level(os.path.join(work, "Data"))
        samples = []  # (wall time of the frame, seconds on the clock)
        with rr.Display() as d:
            g = rr.start_game(d, work)
            try:
                self.assertTrue(g.play(), g.log())
                g.key_down("Right")
                start = time.time()
                while time.time() - start < 20 and g.proc.poll() is None:
                    before = time.time()
                    value = rr.read_clock(g.shot())
                    after = time.time()
                    if value is not None:
                        samples.append(((before + after) / 2, value))
                g.key_up("Right")
                self.assertTrue(g.hold_until("Escape", lambda: "Unloaded Game Sprites" in g.log()))
                self.assertEqual(g.exit_through_menu(), 0)
            finally:
                g.kill()
        # Each change of the digits seen between two frames: the clock reached that value between them. It shows
        # whole seconds left, so it reaches LIMIT - k - 1 on tick 64 * k + 1 of the level.
        changes = [((t0 + t1) / 2, (LIMIT - v1 - 1) * 64 + 1)
                   for (t0, v0), (t1, v1) in zip(samples, samples[1:]) if v1 < v0]
        self.assertGreaterEqual(len(changes), 2, samples)
        self.assertGreaterEqual(changes[-1][0] - changes[0][0], 5, "too short a stretch of play to measure")
        # The slope of ticks over wall time, fitted through every change.
        n = len(changes)
        mt = sum(t for t, _ in changes) / n
        mk = sum(k for _, k in changes) / n
        rate = (sum((t - mt) * (k - mk) for t, k in changes) / sum((t - mt) ** 2 for t, _ in changes))
        print("clock: %d frames read, %d changes over %.1f s: %.2f ticks a second"
              % (len(samples), n, changes[-1][0] - changes[0][0], rate), flush=True)
        self.assertTrue(64 * 0.96 <= rate <= 64 * 1.04, "%.2f ticks a second" % rate)


if __name__ == "__main__":
    unittest.main()
