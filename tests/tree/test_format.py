"""scripts/format.sh on scratch trees: it checks the files on disk, tracked by git or not, and leaves out only what the
builds write; a tree where it finds nothing fails."""
import os
import shutil
import subprocess
import tempfile
import unittest

SOURCE_DIR = os.environ.get("RR_SOURCE_DIR", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
GOOD = "int main() { return 0; }\n"
BAD = "int  main( ){return 0;}\n"


class FormatTest(unittest.TestCase):
    def tree(self, files, git=None):
        """A scratch tree holding the script, .clang-format and files {path: text}; git: the paths to commit, or None
        for a tree outside any git checkout."""
        root = tempfile.mkdtemp(prefix="rr-format-")
        self.addCleanup(shutil.rmtree, root)
        os.makedirs(os.path.join(root, "scripts"))
        shutil.copy(os.path.join(SOURCE_DIR, "scripts", "format.sh"), os.path.join(root, "scripts"))
        shutil.copy(os.path.join(SOURCE_DIR, ".clang-format"), root)
        for path, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as f:
                f.write(text)
        if git is not None:
            env = dict(os.environ, GIT_AUTHOR_NAME="t", GIT_AUTHOR_EMAIL="t@t", GIT_COMMITTER_NAME="t",
                       GIT_COMMITTER_EMAIL="t@t")
            for cmd in (["init", "-q"], ["add", "--", *git], ["commit", "-q", "-m", "scratch"]):
                subprocess.run(["git", *cmd], cwd=root, env=env, check=True, capture_output=True)
        return root

    def run_format(self, root):
        p = subprocess.run(["bash", os.path.join(root, "scripts", "format.sh")], capture_output=True, text=True,
                           timeout=120)
        return p.returncode, p.stdout + p.stderr

    def test_what_is_checked(self):
        tracked = {"src/app/shell.cpp": GOOD, "src/app/shell.h": GOOD}
        cases = [
            # (name, files, committed paths or None, exit status, text the output must hold)
            ("an untracked file", dict(tracked, **{"src/game/card.cpp": BAD}), list(tracked), 1,
             "  src/game/card.cpp"),
            ("an untracked header beside a C driver",
             dict(tracked, **{"platforms/web/platform/web_pad.c": GOOD, "platforms/web/platform/web_pad.h": BAD}),
             list(tracked), 1, "  platforms/web/platform/web_pad.h"),
            ("a tree outside git", dict(tracked, **{"tools/check/art.cpp": BAD}), None, 1, "  tools/check/art.cpp"),
            ("a clean tree outside git", tracked, None, 0, "format: 2 files ok"),
            ("what the builds write is left out",
             dict(tracked, **{"build/CMakeFiles/id.cpp": BAD, "build-web/allegro-src/src/x.c": BAD,
                              "dist/x.h": BAD}),
             list(tracked), 0, "format: 2 files ok"),
            ("a tree without C or C++ files", {"README.md": "text\n"}, ["README.md"], 1,
             "format: no C or C++ files under"),
        ]
        for name, files, git, status, text in cases:
            with self.subTest(name):
                code, out = self.run_format(self.tree(files, git))
                self.assertEqual(code, status, out)
                self.assertIn(text, out)


if __name__ == "__main__":
    unittest.main()
