"""A whole deal cleared through the window: the records, the celebration and the ways out."""

import re
import subprocess
import time

import e2e
from e2e import CLOTH, GREEN, NAME_DIALOG, START, TITLE, TOOLS, Game, wait_for

INI = "config/tolvane32.ini"


class ClearTest(e2e.GameTest):

    def clear(self, game):
        """Plays the known line that clears the first deal with a bonus of 2000, after
        two quick presses on a free card: select, then deselect (were the second press
        lost as a double click, the card would stay selected and the line go astray).
        Returns the clear time that the fake clock must give."""
        game.wait_deal()
        solved = subprocess.run([TOOLS["deal"], "solve", str(game.deal)], capture_output=True, text=True)
        self.assertEqual(solved.returncode, 0, "no known line clears the deal of %d" % game.deal)
        line, card = solved.stdout.split("\n")[:2]
        line = line.split()
        game.click(card, repeat=2)
        for i, point in enumerate(line[:-1]):
            game.click(point)
            game.wait_table(line[:i + 1])
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

    def test_record_then_exit_by_menu(self):
        ini = b"[FastGameOver]\nlFastTimeSpan=100000\nstrFastPlayer=Slow\n"
        with Game(self, {INI: ini}) as game:
            seconds = self.clear(game)
            # the close box while the apex falls waits until the record has its name
            wait_for("the apex to fall", lambda: game.pixel(309, 67) == GREEN, timeout=60)
            game.close_box()
            # a record: the name typed with leading blanks is stored without them
            game.answer(NAME_DIALOG, "Return", text="  Taro")
            record = rb"\[FastGameOver\]\nlFastTimeSpan=(\d+)\nstrFastPlayer=Taro\n"
            stored = wait_for("the record", lambda: re.fullmatch(record, game.settings()))
            self.assertLessEqual(abs(int(stored[1]) - seconds), 2)
            game.answer(TITLE, "Escape")  # then asks, and Cancel plays on
            self.wait_celebration(game)
            # OK deals again: the apex shows a card
            self.end_celebration(game, "Return")
            wait_for("a new deal", lambda: game.pixel(309, 67) != GREEN)
            # the exit question, then the best score (2000 less the new deal) offered for the last name
            game.menu("x")
            game.answer(TITLE, "Return")
            game.answer(NAME_DIALOG, "Return")
            self.assertEqual(game.wait_exit(), 0)
            self.assertEqual(game.settings(), stored[0] + b"[MaxPoint]\niMaxPoint=1944\nstrChamp=Taro\n")

    def test_silent_clear_then_close_box(self):
        # no clear beats one second, and no sound device: the game plays on silently
        ini = b"[FastGameOver]\nlFastTimeSpan=1\nstrFastPlayer=Quick\n"
        with Game(self, {INI: ini}, {"SDL_AUDIODRIVER": "nosuchdevice"}) as game:
            self.clear(game)
            self.wait_celebration(game)
            self.assertEqual(list(game.windows()), [game.frame])
            # Cancel deals no more: the cleared table stays
            self.end_celebration(game, "Escape")
            self.assertEqual(game.pixel(309, 67), GREEN)
            # the close box: Cancel keeps the game, OK asks for the best score's name
            game.close_box()
            game.answer(TITLE, "Escape")
            game.close_box()
            game.answer(TITLE, "Return")
            game.answer(NAME_DIALOG, "Return", text="Hanako")
            self.assertEqual(game.wait_exit(), 0)
            self.assertEqual(game.settings(), ini + b"[MaxPoint]\niMaxPoint=2000\nstrChamp=Hanako\n")


if __name__ == "__main__":
    e2e.main()
