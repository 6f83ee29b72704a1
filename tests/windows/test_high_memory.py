"""Drawing into memory above 4 GB, as the heap of 64-bit Windows may hand it out: the library as the zip links it
must keep whole pointers (tests/windows/high_memory.cpp takes all memory below 4 GB first, since Wine hands out
low addresses)."""
import os
import re
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rrwine  # noqa: E402


class HighMemoryTest(unittest.TestCase):
    def test_text_and_sprites_drawn_above_4_gb_match_those_drawn_below(self):
        rrwine.ensure_prefix()
        exe = os.path.join(rrwine.WIN_BUILD, "rr_high_memory.exe")
        p = subprocess.run(["wine", exe], env=rrwine.wine_env(), capture_output=True, text=True, timeout=300)
        out = p.stdout.replace("\r\n", "\n")
        self.assertEqual(p.returncode, 0, out + p.stderr[-3000:])
        m = re.search(r"high bitmap at ([0-9A-Fa-f]+)", out)
        self.assertIsNotNone(m, out)
        self.assertGreaterEqual(int(m.group(1), 16), 1 << 32, out)
        self.assertIn("\n0 pixels differ\n", "\n" + out)


if __name__ == "__main__":
    unittest.main()
