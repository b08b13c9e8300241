"""The real program against what the desktop may throw at it: settings files that
are empty, binary, huge or absurd; settings and cache folders it cannot write; no
sound device; no display at all; and a window squeezed to nothing and blown up.
Each time the game must start, deal, play and end as if nothing were wrong."""

import os
import random
import stat
import subprocess
import tempfile
import time
import unittest

import harness
from harness import BACKS, TOOLS, GameTestCase, rank
from hostile import HostileGame, free_indexes, pick_time, read_bytes, sanitizer_env

CAPTION = "KadorinTolvane３２        最高得点者： %s さん（ %d 点）"


def caption_bytes_of_name(caption):
    """The name shown in a caption, in UTF-8 bytes."""
    head = CAPTION.split("%s")[0]
    assert caption.startswith(head), caption
    return caption[len(head):caption.index(" さん（")].encode("utf-8")


class RobustGameTestCase(GameTestCase):

    def launch(self, deal=True, **options):
        game = HostileGame(self.xserver, self.pictures, **options)
        self.addCleanup(game.close)
        self.addCleanup(self._dump_on_failure, game)
        if deal:
            game.wait_deal()
        else:
            game.wait_frame()
        return game

    def play_a_little(self, game, back=0):
        """Turns three stock cards and touches a free card of the bottom row; the
        table must show what the model says."""
        clicks = [1, 1, 1, 3 + free_indexes(game.deal.triangle)[0]]
        state = game.play_clicks(clicks)
        game.wait_table(state, stock_picture=BACKS[back])
        return state

    def close_cleanly(self, game):
        status = game.close_by_window()
        self.assertEqual(status, 0, game.output())


class BrokenSettingsFileTest(RobustGameTestCase):
    """Whatever lies in tolvane32.ini, the game starts on a dealt table with a sane
    caption, plays, and leaves the file as it found it."""

    def survive(self, content, caption):
        def prepare(game):
            with open(game.ini_path, "wb") as f:
                f.write(content)
        game = self.launch(prepare=prepare)
        self.assertEqual(game.caption(), caption)
        self.assertLessEqual(len(caption_bytes_of_name(game.caption())), 59)
        # an out-of-range back in the file is back 0 on the stock
        self.play_a_little(game)
        self.close_cleanly(game)
        # nothing was chosen or won: the file is never rewritten
        self.assertEqual(read_bytes(game.ini_path), content)
        return game

    def test_empty_file(self):
        self.survive(b"", CAPTION % ("None", 0))

    def test_binary_garbage(self):
        noise = random.Random(32).randbytes(4096)
        self.survive(noise, CAPTION % ("None", 0))

    def test_garbage_lines_around_a_good_section(self):
        # text garbage (no NUL bytes) and broken lines; the good keys still count
        noise = bytes(b for b in random.Random(7).randbytes(3000) if b not in (0, ord("["), ord("]")))
        content = (b"[[[\n=\n==x\n[MaxPoint\n" + noise + b"\n\xff\xfe[bad]]\n"
                   b"[MaxPoint]\nstrChamp=Garbage\niMaxPoint=77\n")
        def prepare(game):
            with open(game.ini_path, "wb") as f:
                f.write(content)
        game = self.launch(prepare=prepare)
        self.assertEqual(game.caption(), CAPTION % ("Garbage", 77))
        self.play_a_little(game)
        self.close_cleanly(game)
        self.assertEqual(read_bytes(game.ini_path), content)

    def test_huge_file(self):
        line = b"; " + b"x" * 97 + b"\n"
        content = b"[MaxPoint]\nstrChamp=Huge\niMaxPoint=5\n" + line * (10 * 1024 * 1024 // len(line))
        self.assertGreater(len(content), 10_000_000)
        began = time.time()
        # far too big to be the game's own: read as no file at all, and kept
        self.survive(content, CAPTION % ("None", 0))
        self.assertLess(time.time() - began, 60)

    def test_absurd_numbers(self):
        content = ("[Customize]\niCover=99999999999999999999\n"
                   "[MaxPoint]\niMaxPoint=-2147483649\nstrChamp=Champ\n"
                   "[FastGameOver]\nlFastTimeSpan=abc\nstrFastPlayer=Fast\n").encode()
        # the number saturates, the back falls back to 0 (checked on the stock)
        self.survive(content, CAPTION % ("Champ", -2147483648))

    def test_long_multibyte_name(self):
        name = "x" + "あ" * 170   # 511 bytes; byte 59 falls inside a character
        content = ("[MaxPoint]\nstrChamp=%s\niMaxPoint=12\n"
                   "[FastGameOver]\nlFastTimeSpan=30\nstrFastPlayer=%s\n" % (name, name)).encode()
        self.survive(content, CAPTION % ("x" + "あ" * 19, 12))


class NotAFileTest(RobustGameTestCase):
    """Something other than a file under the settings file's name: a pipe that
    nobody writes to (reading it would wait for ever) or a folder."""

    def survive(self, make, check):
        def prepare(game):
            make(game.ini_path)
        game = self.launch(prepare=prepare)
        self.assertEqual(game.caption(), CAPTION % ("None", 0))
        # a back chosen cannot be stored there, but shows all the same
        game.choose_back(0, 1)
        game.wait_table(harness.replay(game.deal.time, []).states[-1], stock_picture=BACKS[1])
        self.play_a_little(game, back=1)
        self.close_cleanly(game)
        self.assertTrue(check(os.lstat(game.ini_path).st_mode))

    def test_pipe(self):
        self.survive(os.mkfifo, stat.S_ISFIFO)

    def test_folder(self):
        self.survive(os.mkdir, stat.S_ISDIR)


class UnwritableFoldersTest(RobustGameTestCase):
    """A settings folder that cannot be written, or not even made: the chosen back
    still shows for the rest of the run; no sound device and no cache folder: the
    cards still fall, silently."""

    def pick_back_and_check(self, game, start, steps, expected_back):
        state = harness.replay(game.deal.time, []).states[-1]
        game.choose_back(start, steps)
        game.wait_table(state, stock_picture=BACKS[expected_back])
        # and play goes on with the new back
        state = game.play_clicks([1])
        game.wait_table(state, stock_picture=BACKS[expected_back])

    def test_settings_folder_under_a_regular_file(self):
        def prepare(game):
            game.blocker = os.path.join(game.home, "blocker")
            with open(game.blocker, "wb") as f:
                f.write(b"not a folder")
            game.config = os.path.join(game.blocker, "config")
        game = self.launch(prepare=prepare)
        self.assertEqual(game.caption(), CAPTION % ("None", 0))
        self.pick_back_and_check(game, 0, 2, 2)
        self.close_cleanly(game)
        self.assertEqual(read_bytes(game.blocker), b"not a folder")

    def test_settings_folder_read_only(self):
        ini = b"[Customize]\niCover=1\n[MaxPoint]\nstrChamp=Old\niMaxPoint=3\n"

        def prepare(game):
            with open(game.ini_path, "wb") as f:
                f.write(ini)
            os.chmod(game.ini_path, 0o444)
            os.chmod(game.config, 0o555)
            # the cache must stay usable for the other account
            os.chmod(game.cache, 0o777)
        # permissions do not bind root: run as an ordinary account then
        user = "nobody" if os.geteuid() == 0 else None
        game = self.launch(prepare=prepare, user=user)
        self.assertEqual(game.caption(), CAPTION % ("Old", 3))
        self.pick_back_and_check(game, 1, 2, 3)
        self.close_cleanly(game)
        self.assertEqual(read_bytes(game.ini_path), ini)
        self.assertEqual(sorted(os.listdir(game.config)), ["tolvane32.ini"])

    def test_read_only_file_in_a_writable_folder(self):
        # the folder would let a new file be renamed over the old one: the
        # file's own protection must still hold
        ini = b"[Customize]\niCover=0\n"

        def prepare(game):
            with open(game.ini_path, "wb") as f:
                f.write(ini)
            os.chmod(game.ini_path, 0o444)
            os.chmod(game.config, 0o777)
            os.chmod(game.cache, 0o777)
        user = "nobody" if os.geteuid() == 0 else None
        game = self.launch(prepare=prepare, user=user)
        self.pick_back_and_check(game, 0, 1, 1)
        self.close_cleanly(game)
        self.assertEqual(read_bytes(game.ini_path), ini)
        self.assertEqual(os.listdir(game.config), ["tolvane32.ini"])

    def test_settings_folder_whose_parents_are_missing(self):
        def prepare(game):
            game.config = os.path.join(game.home, "not", "yet", "there")
        game = self.launch(prepare=prepare)
        self.pick_back_and_check(game, 0, 3, 3)
        self.close_cleanly(game)
        # the folders were made for the first write
        self.assertIn("iCover=3", read_bytes(game.ini_path).decode())

    def test_no_sound_device_and_no_cache_folder(self):
        def king_on_bottom_row(deal):
            return any(rank(deal.triangle[i]) == 13 for i in range(21, 28))
        start = pick_time(king_on_bottom_row)

        def prepare(game):
            game.blocker = os.path.join(game.home, "cache-blocker")
            with open(game.blocker, "wb") as f:
                f.write(b"x")
            game.cache = os.path.join(game.blocker, "cache")
        game = self.launch(prepare=prepare, env={"SDL_AUDIODRIVER": "bogus"}, start_time=start)
        king = next(i for i in range(21, 28) if rank(game.deal.triangle[i]) == 13)
        # the king falls with its sound, which goes nowhere
        state = game.play_clicks([3 + king, 1, 1])
        self.assertEqual(state["triangle"][king], 0)
        game.wait_table(state)
        # nothing to tell the player: no window but the main one
        time.sleep(1.0)
        self.assertEqual([w for w in game.windows() if w[0] != game.frame[0]], [])
        self.close_cleanly(game)
        self.assertEqual(read_bytes(game.blocker), b"x")


class NoDisplayTest(unittest.TestCase):
    """Without a display the program says so in one line and fails, touching nothing."""

    def run_without(self, display):
        home = tempfile.mkdtemp(prefix="tolvane-nodisplay-")
        self.addCleanup(subprocess.run, ["rm", "-rf", home])
        env = {k: v for k, v in os.environ.items() if k in ("PATH", "LANG", "LC_ALL")}
        env.update(sanitizer_env())
        # a runtime folder as a session has one: without it the toolkit makes
        # the cache folder for its own use
        env.update(HOME=home, XDG_CONFIG_HOME=home + "/config", XDG_CACHE_HOME=home + "/cache",
                   XDG_RUNTIME_DIR=home, NO_AT_BRIDGE="1", SDL_AUDIODRIVER="dummy")
        if display is not None:
            env["DISPLAY"] = display
        out = subprocess.run([TOOLS["exe"]], cwd=home, env=env, capture_output=True, timeout=30)
        err = out.stderr.decode("utf-8", "replace")
        # a plain failure status, not a signal (crash, abort, core dump)
        self.assertGreater(out.returncode, 0, err)
        self.assertIn("tolvane32: ", err)
        self.assertIn("cannot open the display", err)
        self.assertIn("ディスプレイを開けません", err)
        # one line, no toolkit chatter, nothing on standard output
        self.assertEqual(len(err.strip().splitlines()), 1, err)
        self.assertEqual(out.stdout, b"")
        self.assertEqual(os.listdir(home), [])
        return err

    def test_display_unset(self):
        self.assertIn("DISPLAY is not set", self.run_without(None))

    def test_display_that_does_not_exist(self):
        self.assertIn('":4093"', self.run_without(":4093"))


class WindowSizeTest(RobustGameTestCase):
    """The window squeezed to a point and stretched past the screen: nothing is
    drawn outside it, and the game goes on afterwards."""

    def screen(self, game):
        return game.grab_screen(0, 0, 1024, 768)

    def assert_nothing_outside(self, game, bare, size):
        shot = self.screen(game)
        x, y, w, h = game.geometry(game.frame[0])
        # the toolkit keeps room for the menu bar; otherwise the size is taken
        self.assertLessEqual((w, h), (max(size[0], 200), max(size[1], 60)))
        row = 1024 * 3
        for line in range(768):
            a = bare.data[line * row:(line + 1) * row]
            b = shot.data[line * row:(line + 1) * row]
            if y <= line < y + h:
                a = a[:x * 3] + a[(x + w) * 3:]
                b = b[:x * 3] + b[(x + w) * 3:]
            self.assertEqual(a, b, "drawn outside the %dx%d window on screen line %d" % (size + (line,)))

    def assert_known_cards(self, game):
        seen = game.triangle_on_screen()
        self.assertTrue(all(seen), "places showing no card the game has: %s" % seen)

    def resize(self, game, w, h):
        game.xdo("windowsize", game.frame[0], w, h)
        time.sleep(0.4)
        self.assertTrue(game.running(), game.output())

    def test_squeezed_and_stretched_during_play(self):
        # no game window yet: the bare screen
        bare = bare_screen(self.xserver)
        game = self.launch()
        fx, fy = game.frame[2], game.frame[3]
        for w, h in ((1, 1), (50, 50)):
            self.resize(game, w, h)
            # presses wherever the window still is; they may reach a menu bar
            # or a sliver of table, or nothing at all
            for dx, dy in ((0, 0), (w // 2, h // 2), (w - 1, h - 1)):
                game.xdo("mousemove", fx + dx, fy + dy, "click", "1")
                time.sleep(0.05)
            game.xdo("key", "Escape")
            self.assertTrue(game.running(), game.output())
            self.assert_nothing_outside(game, bare, (w, h))
        # blown up past the screen: the table keeps its places at the top left
        self.resize(game, 2000, 1500)
        # (the presses above may have turned stock cards: the state is not
        # known, but a turn must still show at once)
        before = game.grab(0, 0, 200, 120)
        game.click_place(1)
        harness.wait_for(lambda: game.grab(0, 0, 200, 120).data != before.data, 5, 0.1, "a stock turn")
        self.assert_known_cards(game)
        self.resize(game, 640, 512)
        game.measure_client()
        # whatever the tiny window took, every place shows bare cloth or a card
        # the game knows
        self.assert_known_cards(game)
        self.assertEqual(game.strip[0], game.strip[1])
        # and it still deals on command
        self.assertTrue(game.menu_command("deal"))
        harness.wait_for(lambda: game.full_deal(game.triangle_on_screen()), 10, 0.2, "a fresh deal")
        self.close_cleanly(game)


def bare_screen(xserver):
    out = subprocess.run([TOOLS["xtool"], "grab", "0", "0", "1024", "768"], env=xserver.env(),
                         capture_output=True, timeout=10, check=True)
    return harness.read_ppms(out.stdout)[0]


if __name__ == "__main__":
    harness.main()
