"""A whole deal cleared through the window: the record, a close amid the last fall, the celebration and the exit."""

import os
import re
import subprocess
import time

import e2e
from e2e import CAPTION, CLOTH, GREEN, NAME_DIALOG, START, TITLE, TOOLS, Game, wait_for

INI = "config/tolvane32.ini"


class ClearTest(e2e.GameTest):

    def clear(self, game):
        """Plays the known line that clears the first deal with a bonus of 2000, the presses
        sent at once (the game takes them in turn, each after the falls before it), and
        returns the clear time that the fake clock must give."""
        game.wait_deal()
        line = subprocess.run([TOOLS["deal"], "solve", str(game.deal)], capture_output=True, check=True,
                              text=True).stdout.split()
        for point in line[:-1]:
            game.click(point)
        game.wait_table(line[:-1], timeout=300)
        game.click(line[-1])
        return START + time.monotonic() - game.launched - game.deal

    def wait_celebration(self, game):
        wait_for("the celebration", lambda: game.pixel(320, 250) == CLOTH)
        # its card back sets out from the top left corner
        wait_for("the celebration's card", lambda: game.pixel(38, 50) != CLOTH)

    def end_celebration(self, game, key):
        game.click("320,200")
        game.answer(TITLE, key)
        wait_for("the celebration to end", lambda: game.pixel(320, 250) != CLOTH)

    def test_a_record_a_close_amid_the_last_fall_and_the_exit_by_menu(self):
        # the settings file is a dotfile manager's link to a file not made yet: the record makes it there
        with Game(self, {"dots": None, INI: "../dots/tolvane32.ini"}) as game:
            seconds = self.clear(game)
            # the close box while the apex falls waits until the record has its name
            wait_for("the apex to fall", lambda: game.pixel(309, 67) == GREEN, timeout=60)
            game.close_box()
            # a record: the name typed with leading blanks is stored without them
            game.answer(NAME_DIALOG, "Return", text="  Taro")
            record = rb"\[FastGameOver\]\nlFastTimeSpan=(\d+)\nstrFastPlayer=Taro\n"
            stored = wait_for("the record", lambda: re.fullmatch(record, game.settings() or b""))
            self.assertLessEqual(abs(int(stored[1]) - seconds), 2)
            game.answer(TITLE, "Escape")  # then the exit question, once: Cancel plays on
            self.wait_celebration(game)
            self.assertEqual(list(game.windows()), [game.frame])
            # a press, and Cancel deals no more: the cleared table stays
            self.end_celebration(game, "Escape")
            self.assertEqual(game.pixel(309, 67), GREEN)
            # the exit question, then the best score offered for the last name
            game.menu("x")
            game.answer(TITLE, "Return")
            game.answer(NAME_DIALOG, "Return")
            self.assertEqual(game.wait_exit(), 0)
            self.assertEqual(game.settings(), stored[0] + b"[MaxPoint]\niMaxPoint=2000\nstrChamp=Taro\n")
            self.assertEqual(os.readlink(game.ini), "../dots/tolvane32.ini")


    def test_silent_clear_then_close_box(self):
        # While the game runs, another copy stores better records in the first host's Shift-JIS (ﾕｷ and ﾐｷ):
        # neither the clear nor the exit asks for a name, and the caption and the record strip show them.
        ini = b"[FastGameOver]\nlFastTimeSpan=100000\nstrFastPlayer=Slow\n"
        meanwhile = b"[FastGameOver]\r\nlFastTimeSpan=1\r\nstrFastPlayer=\xd5\xb7\r\n[MaxPoint]\r\niMaxPoint=5000\r\nstrChamp=\xd0\xb7\r\n"
        with Game(self, {INI: meanwhile}) as stored:
            stored.wait_deal()
            strip = stored.record_strip()
        # and no sound device: the game plays on silently
        with Game(self, {INI: ini}, {"SDL_AUDIODRIVER": "nosuchdevice"}) as game:
            self.assertEqual(game.caption(), CAPTION % ("None", 0))
            with open(game.ini, "wb") as f:
                f.write(meanwhile)
            self.clear(game)
            self.wait_celebration(game)
            self.assertEqual(list(game.windows()), [game.frame])
            self.assertEqual(game.caption(), CAPTION % ("ﾐｷ", 5000))
            # Cancel deals no more: the cleared table stays
            self.end_celebration(game, "Escape")
            self.assertEqual(game.pixel(309, 67), GREEN)
            wait_for("the stored record in its strip", lambda: game.record_strip() == strip)
            # the close box: Cancel keeps the game, OK leaves
            game.close_box()
            game.answer(TITLE, "Escape")
            game.close_box()
            game.answer(TITLE, "Return")
            self.assertEqual(game.wait_exit(), 0)
            self.assertEqual(game.settings(), meanwhile)



if __name__ == "__main__":
    e2e.main()
