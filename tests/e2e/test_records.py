"""The two records: the fastest clear asked for at the clear, the best score asked for at exit."""

import sys
import time

import harness
from harness import CLOTH_GREEN, MESSAGE_TITLE, GameTestCase

NAME_TITLE = "プレイヤー名の入力"
LINE_BONUS = 2000
# Every clear here is made to take this long, so that the stored times can tie.
CLEAR_SECONDS = 55


class RecordsTest(GameTestCase):

    def start_with_line(self, ini=None):
        found, _ = harness.run_solver("find", harness.BASE_TIME, harness.BASE_TIME + 255, LINE_BONUS, 1, 4)
        self.assertTrue(found, "no winnable deal")
        game = self.start(found[0].time, ini)
        line = found[0]
        if game.deal.time != line.time:
            solved, rc = harness.run_solver("solve", game.deal.time, LINE_BONUS)
            self.assertEqual(rc, 0)
            line = solved[0]
        return game, line

    def clear_at(self, game, line, seconds):
        """Plays the line and makes the last click when the program's clock stands
        in the middle of the second that gives this clear time."""
        self.play(game, line.clicks[:-1], line.messages)
        target = game.deal.time + seconds + 0.5
        wait = target - game.fake_now()
        sys.stderr.write("(line played in %.1f s) " % (seconds + 0.5 - wait))
        self.assertGreater(wait, 0.3, "the line took longer than %d seconds" % seconds)
        time.sleep(wait)
        game.click_place(line.clicks[-1])

    def record_strip(self, game):
        h = game.strip[0]
        return game.grab(0, game.client_h - 2 * h, 640, h).data

    def test_first_clear_stores_name_without_leading_blanks_and_best_score_at_exit(self):
        game, line = self.start_with_line()
        strip_before = self.record_strip(game)
        self.clear_at(game, line, CLEAR_SECONDS)
        w = game.find_window(NAME_TITLE, timeout=30)
        # the name field has the focus: type a name with leading blanks, and OK
        game.type_text(w[0], "  Taro")
        game.keys(w[0], "Return")
        game.window_gone(w[0])
        text = game.settings_text()
        self.assertIsNotNone(text)
        self.assertIn("[FastGameOver]", text)
        self.assertIn("lFastTimeSpan=%d\n" % CLEAR_SECONDS, text)
        self.assertIn("strFastPlayer=Taro\n", text)
        self.assertLess(text.index("lFastTimeSpan="), text.index("strFastPlayer="))
        # the celebration follows the dialog; end it without a new deal
        harness.wait_for(lambda: game.grab(0, 0, 640, 120).px(320, 110) == CLOTH_GREEN, 10, 0.1, "the celebration")
        game.click(320, 200)
        game.answer(MESSAGE_TITLE, "Escape")
        # the record strip now tells the record
        harness.wait_for(lambda: self.record_strip(game) != strip_before, 5, 0.1, "the record strip to change")

        # leaving with 2000 points: the exit question, then the best-score dialog offers the name
        game.menu_command("exit")
        game.answer(MESSAGE_TITLE, "Return")
        w = game.find_window(NAME_TITLE)
        game.keys(w[0], "Return")
        self.assertEqual(game.wait_exit(), 0)
        text = game.settings_text()
        self.assertIn("iMaxPoint=2000\n", text)
        self.assertIn("strChamp=Taro\n", text)
        self.assertLess(text.index("iMaxPoint="), text.index("strChamp="))

    def test_cancelled_record_and_best_score_write_nothing(self):
        game, line = self.start_with_line()
        strip_before = self.record_strip(game)
        self.clear_at(game, line, CLEAR_SECONDS)
        game.answer(NAME_TITLE, "Escape", timeout=30)
        self.assertIsNone(game.settings_text())
        harness.wait_for(lambda: game.grab(0, 0, 640, 120).px(320, 110) == CLOTH_GREEN, 10, 0.1, "the celebration")
        game.click(320, 200)
        game.answer(MESSAGE_TITLE, "Escape")
        time.sleep(0.5)
        self.assertEqual(self.record_strip(game), strip_before)
        # the close box: the exit question, then the best-score dialog, cancelled
        game.request_close()
        game.answer(MESSAGE_TITLE, "Return")
        game.answer(NAME_TITLE, "Escape")
        game.wait_exit()
        self.assertIsNone(game.settings_text())

    def test_clear_in_the_stored_time_is_no_record(self):
        ini = "[FastGameOver]\nlFastTimeSpan=%d\nstrFastPlayer=Hanako\n" % CLEAR_SECONDS
        game, line = self.start_with_line(ini)
        self.clear_at(game, line, CLEAR_SECONDS)
        # no dialog: the celebration comes straight away
        harness.wait_for(lambda: game.grab(0, 0, 640, 120).px(320, 110) == CLOTH_GREEN, 15, 0.1, "the celebration")
        self.assertTrue(game.no_window(NAME_TITLE, 0.5))
        self.assertEqual(game.settings_text(), ini)

    def test_one_second_less_is_a_record(self):
        ini = "[FastGameOver]\nlFastTimeSpan=%d\nstrFastPlayer=Hanako\n" % (CLEAR_SECONDS + 1)
        game, line = self.start_with_line(ini)
        self.clear_at(game, line, CLEAR_SECONDS)
        game.answer(NAME_TITLE, "Escape", timeout=30)
        self.assertEqual(game.settings_text(), ini)


if __name__ == "__main__":
    harness.main()
