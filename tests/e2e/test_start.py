"""Start-up: the first deal and the caption, whatever the settings file holds, and no display."""

import os
import random
import subprocess
import tempfile

import e2e
from e2e import CAPTION, TOOLS, Game, wait_for

HALF_WIDTH_KATAKANA = "".join(chr(c) for c in range(0xFF61, 0xFF61 + 30))  # 90 bytes of UTF-8
INI = "config/tolvane32.ini"
NONE = CAPTION % ("None", 0)
HELP = "KadorinTolvane３２の遊び方"
ROWS = [  # name, files, environment, caption, card back on the stock, whether to choose a back
    ("no file", {}, {}, NONE, 0, False),
    ("stored back and a name of 30 half-width katakana",
     {INI: ("[Customize]\niCover=2\n[MaxPoint]\nstrChamp=%s\niMaxPoint=77\n" % HALF_WIDTH_KATAKANA).encode()}, {},
     CAPTION % (HALF_WIDTH_KATAKANA, 77), 2, False),
    ("binary garbage", {INI: random.Random(32).randbytes(4096)}, {}, NONE, 0, False),
    ("NUL bytes", {INI: b"\0" * 4096}, {}, NONE, 0, False),
    ("huge file", {INI: (b";" + b"x" * 99 + b"\n") * 100_000}, {}, NONE, 0, False),
    ("folder in the file's place", {INI: None}, {}, NONE, 0, True),
    ("unwritable folders", {"blocker": b"a file where folders should be"},
     {"XDG_CONFIG_HOME": "{home}/blocker/config", "XDG_CACHE_HOME": "{home}/blocker/cache"}, NONE, 0, True),
]


class StartTest(e2e.GameTest):

    def test_settings_files(self):
        for name, files, env, caption, back, choose_back in ROWS:
            with self.subTest(name), Game(self, files, env) as game:
                self.assertEqual(game.windows()[game.frame], caption)
                geometry = game.xdo("getwindowgeometry", "--shell", game.frame)
                self.assertIn("X=4\nY=4\nWIDTH=640\nHEIGHT=512\n", geometry)
                game.wait_deal(back)
                if choose_back:
                    # the next back, and OK: it cannot be stored, but shows all the same
                    game.menu("c")
                    game.answer("カード絵柄の選択", "Tab Tab space Tab space")
                    game.back = 1
                    game.wait_table([])
                game.close_box()
                game.answer(e2e.TITLE, "Return")
                self.assertEqual(game.proc.wait(timeout=20), 0)
                before = files.get(INI)
                self.assertEqual(game.settings(), before if before else None)

    def test_the_help_window_comes_once_and_goes_with_the_game(self):
        with Game(self) as game:
            game.menu("h", "h")
            window = wait_for("the help", lambda: next((w for w, t in game.windows().items() if t == HELP), None))
            # asked again, the one window is raised
            game.menu("h", "h")
            wait_for("the help raised", lambda: game.xdo("getwindowfocus").strip() == window)
            self.assertEqual(sorted(game.windows().values()), sorted([HELP, NONE]))
            game.menu("x")
            game.answer(e2e.TITLE, "Return")
            self.assertEqual(game.wait_exit(), 0)
            wait_for("the help to go with the game", lambda: not game.windows())

    def test_no_display(self):
        with tempfile.TemporaryDirectory() as home:
            env = {"PATH": os.environ["PATH"], "HOME": home, "XDG_CONFIG_HOME": home, "XDG_CACHE_HOME": home}
            out = subprocess.run([TOOLS["exe"]], env=env, capture_output=True, text=True, timeout=30)
            self.assertGreater(out.returncode, 0)
            self.assertEqual(len(out.stderr.strip().splitlines()), 1, out.stderr)
            self.assertEqual(os.listdir(home), [])


if __name__ == "__main__":
    e2e.main()
