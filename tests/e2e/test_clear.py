"""A whole deal cleared through the window: the record, a close amid the last fall, the celebration and the exit."""

import re
import subprocess
import time

import e2e
from e2e import CLOTH, GREEN, NAME_DIALOG, START, TITLE, TOOLS, Game, wait_for

INI = "config/tolvane32.ini"


class ClearTest(e2e.GameTest):

    def test_a_record_a_close_amid_the_last_fall_and_the_exit_by_menu(self):
        # no sound device: the game plays on silently
        ini = b"[FastGameOver]\nlFastTimeSpan=100000\nstrFastPlayer=Slow\n"
        with Game(self, {INI: ini}, {"SDL_AUDIODRIVER": "nosuchdevice"}) as game:
            game.wait_deal()
            line = subprocess.run([TOOLS["deal"], "solve", str(game.deal)], capture_output=True, check=True,
                                  text=True).stdout.split()
            for point in line[:-1]:  # the game takes the presses in turn, each after the falls before it
                game.click(point)
            game.wait_table(line[:-1], timeout=300)
            game.click(line[-1])
            seconds = START + time.monotonic() - game.launched - game.deal
            # the close box while the apex falls waits until the record has its name
            wait_for("the apex to fall", lambda: game.pixel(309, 67) == GREEN, timeout=60)
            game.close_box()
            # a record: the name typed with leading blanks is stored without them
            game.answer(NAME_DIALOG, "Return", text="  Taro")
            record = rb"\[FastGameOver\]\nlFastTimeSpan=(\d+)\nstrFastPlayer=Taro\n"
            stored = wait_for("the record", lambda: re.fullmatch(record, game.settings()))
            self.assertLessEqual(abs(int(stored[1]) - seconds), 2)
            game.answer(TITLE, "Escape")  # then the exit question, once: Cancel plays on
            wait_for("the celebration", lambda: game.pixel(320, 250) == CLOTH)
            wait_for("its card back, from the top left corner", lambda: game.pixel(38, 50) != CLOTH)
            self.assertEqual(list(game.windows()), [game.frame])
            # a press, and Cancel deals no more: the cleared table stays
            game.click("320,200")
            game.answer(TITLE, "Escape")
            wait_for("the celebration to end", lambda: game.pixel(320, 250) != CLOTH)
            self.assertEqual(game.pixel(309, 67), GREEN)
            # the exit question, then the best score offered for the last name
            game.menu("x")
            game.answer(TITLE, "Return")
            game.answer(NAME_DIALOG, "Return")
            self.assertEqual(game.proc.wait(timeout=20), 0)
            self.assertEqual(game.settings(), stored[0] + b"[MaxPoint]\niMaxPoint=2000\nstrChamp=Taro\n")


if __name__ == "__main__":
    e2e.main()
