"""Leaving the program (menu and close box) and choosing the card back."""

import time

import harness
from harness import BACKS, MESSAGE_TITLE, GameTestCase

BACK_TITLE = "カード絵柄の選択"
NAME_TITLE = "プレイヤー名の入力"


class ExitTest(GameTestCase):

    def test_exit_from_the_menu_cancel_then_ok(self):
        game = self.start()
        game.menu_command("exit")
        game.answer(MESSAGE_TITLE, "Escape")
        time.sleep(0.5)
        self.assertTrue(game.running())
        # the game goes on: a stock click still turns a card
        game.click_place(1)
        game.wait_table(harness.replay(game.deal.time, [1]).states[-1])
        game.menu_command("exit")
        game.answer(MESSAGE_TITLE, "Return")
        # a score of -56 asks for no name
        self.assertEqual(game.wait_exit(), 0)
        self.assertIsNone(game.settings_text())

    def test_close_box_cancel_then_ok(self):
        ini = "[MaxPoint]\niMaxPoint=120\nstrChamp=Hanako\n"
        game = self.start(ini=ini)
        self.assertEqual(game.caption(), "KadorinTolvane３２        最高得点者： Hanako さん（ 120 点）")
        game.request_close()
        game.answer(MESSAGE_TITLE, "Escape")
        time.sleep(0.5)
        self.assertTrue(game.running())
        game.request_close()
        game.answer(MESSAGE_TITLE, "Return")
        self.assertTrue(game.no_window(NAME_TITLE, 0.5) or not game.running())
        self.assertEqual(game.wait_exit(), 0)
        self.assertEqual(game.settings_text(), ini)


class CardBackTest(GameTestCase):

    def stock_shows(self, game, back):
        return game.strip_matches(game.grab(0, 0, 200, 120), 10, 4, self.pictures[BACKS[back]],
                                  rows=range(8, 100, 6), cols=range(6, 70, 4))

    def test_ok_writes_the_back_even_unchanged(self):
        game = self.start()
        game.menu_command("cardback")
        w = game.find_window(BACK_TITLE)
        game.keys(w[0], "Return")
        game.window_gone(w[0])
        self.assertEqual(game.settings_text().replace("\r", "").strip(), "[Customize]\niCover=0")
        self.assertTrue(self.stock_shows(game, 0))

    def test_cancel_writes_nothing(self):
        game = self.start()
        game.menu_command("cardback")
        w = game.find_window(BACK_TITLE)
        # step once to the next back, then cancel
        game.keys(w[0], "Tab", "Tab", "space", "Escape")
        game.window_gone(w[0])
        self.assertIsNone(game.settings_text())
        self.assertTrue(self.stock_shows(game, 0))

    def test_arrows_step_to_the_last_back(self):
        game = self.start()
        game.menu_command("cardback")
        w = game.find_window(BACK_TITLE)
        # focus on OK; Cancel; "<" is greyed at the first back, so the next stop is ">"
        game.keys(w[0], "Tab", "Tab", "space", "space", "space")
        # at the last back ">" is greyed and the focus has moved to "<": one more Tab reaches OK
        game.keys(w[0], "Tab", "Return")
        game.window_gone(w[0])
        self.assertEqual(game.settings_text().replace("\r", "").strip(), "[Customize]\niCover=3")
        harness.wait_for(lambda: self.stock_shows(game, 3), 5, 0.1, "the stock to show the new back")

    def test_stored_back_is_used_from_the_start(self):
        game = self.start(ini="[Customize]\niCover=2\n", deal=False)
        harness.wait_for(lambda: game._client_painted(), 20, 0.1, "the table")
        game.measure_client()
        harness.wait_for(lambda: self.stock_shows(game, 2), 10, 0.1, "the stock to show back 2")


if __name__ == "__main__":
    harness.main()
