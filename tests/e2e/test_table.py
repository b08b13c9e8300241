"""The table: first deal, painting, selection, pairs, kings, the stock, undo and the loss question."""

import os
import time

import harness
from harness import (BACKS, MESSAGE_TITLE, RECORD_GREEN, STOCK_NG, STOCK_OK, TABLE_GREEN, WHITE, GameTestCase, dark, red,
                     pick_time, position_xy, rank, replay)


def row6_king(deal):
    return next((i for i in range(21, 28) if rank(deal.triangle[i]) == 13), None)


def row6_pair(deal):
    for a in range(21, 28):
        for b in range(a + 1, 28):
            ra, rb = rank(deal.triangle[a]), rank(deal.triangle[b])
            if ra != 13 and rb != 13 and ra + rb == 13:
                return a, b
    return None


def row6_mismatch(deal):
    """Two row-6 cards that do not add up to 13, neither a king."""
    for a in range(21, 28):
        for b in range(a + 1, 28):
            ra, rb = rank(deal.triangle[a]), rank(deal.triangle[b])
            if ra != 13 and rb != 13 and ra + rb != 13:
                return a, b
    return None


class TableTest(GameTestCase):

    def check_table(self, game, clicks):
        """The table as the model says it is after the clicks."""
        state = replay(game.deal.time, clicks).states[-1]
        game.wait_table(state)
        return state

    def test_first_deal_paints_table_strips_and_caption(self):
        game = self.start()
        # nothing to undo after a deal
        self.assertEqual(game.menu_items_enabled(), [True, False, True, True])
        self.assertEqual(game.caption(), "KadorinTolvane３２        最高得点者： None さん（ 0 点）")
        self.assertEqual(game.frame[2:6], (4, 4, 640, 512))
        # one strip height for the score strip (white) and the record strip (light green)
        white, light = game.strip
        self.assertGreater(white, 8)
        self.assertEqual(white, light)
        self.check_table(game, [])

        shot = game.grab()
        bottom = game.client_h
        h = white
        # bare table between the triangle and the strips, on both sides
        for x, y in ((5, 300), (320, 300), (635, bottom - 2 * h - 1), (600, 100), (200, 30)):
            self.assertEqual(shot.px(x, y), TABLE_GREEN, (x, y))
        # record strip: light green with the text in a white box from x = 16; black text
        record_top = bottom - 2 * h
        self.assertEqual(shot.px(2, record_top + h // 2), RECORD_GREEN)
        self.assertEqual(shot.px(630, record_top + h // 2), RECORD_GREEN)
        self.assertGreater(shot.count(WHITE, 16, record_top + 2, 300, record_top + h), 50)
        self.assertGreater(shot.count_where(dark, 16, record_top + 2, 300, record_top + h), 10)
        # score strip: the bonus line in black, the label in black, the negative score in red
        score_top = bottom - h
        self.assertGreater(shot.count_where(dark, 16, score_top, 300, bottom), 10)
        self.assertGreater(shot.count_where(dark, 640 - 96, score_top, 640 - 58, bottom), 5)
        self.assertEqual(shot.count_where(red, 640 - 96, score_top, 640 - 58, bottom), 0)
        self.assertGreater(shot.count_where(red, 640 - 56, score_top, 640, bottom), 5)
        self.assertEqual(shot.count_where(red, 0, record_top, 640, score_top), 0)
        # nothing is written at start; the tune is written out for the player
        self.assertIsNone(game.settings_text())
        tunes = [os.path.join(d, f) for d, _, files in os.walk(game.home) for f in files if f == "Tolvane32.mid"]
        self.assertEqual(len(tunes), 1)
        with open(tunes[0], "rb") as f:
            self.assertEqual(f.read(4), b"MThd")

    def test_selection_failed_pair_and_blocked_stock(self):
        t = pick_time(lambda d: row6_mismatch(d) is not None)
        game = self.start(t)
        a, b = row6_mismatch(game.deal)
        pa, pb = a + 3, b + 3
        clicks = [pa]
        game.click_place(pa)
        state = self.check_table(game, clicks)
        self.assertEqual(state["sel"], pa)
        # no undo while a card is selected
        self.assertEqual(game.menu_items_enabled()[1], False)
        # the pair does not make 13: a message, and the selection stays
        game.click_place(pb)
        game.answer(MESSAGE_TITLE, "Return")
        clicks.append(pb)
        self.check_table(game, clicks)
        # the stock does not turn while a card is selected
        game.click_place(1)
        clicks.append(1)
        state = self.check_table(game, clicks)
        self.assertEqual(state["stock"], 26)
        # a second click on the selected card removes the mark
        game.click_place(pa)
        clicks.append(pa)
        state = self.check_table(game, clicks)
        self.assertEqual(state["sel"], 0)
        # a covered card only beeps: nothing changes
        game.click_place(3)
        clicks.append(3)
        self.check_table(game, clicks)

    def test_pair_king_and_undo(self):
        t = pick_time(lambda d: row6_pair(d) is not None and row6_king(d) is not None)
        game = self.start(t)
        a, b = row6_pair(game.deal)
        king = row6_king(game.deal)
        # a pair: both places show what lies beneath
        game.click_place(a + 3)
        game.click_place(b + 3)
        clicks = [a + 3, b + 3]
        state = self.check_table(game, clicks)
        self.assertEqual((state["triangle"][a], state["triangle"][b]), (0, 0))
        # undo puts both back, and is greyed then
        self.assertEqual(game.menu_items_enabled(), [True, True, True, True])
        self.assertTrue(game.menu_command("undo"))
        clicks.append("u")
        state = self.check_table(game, clicks)
        self.assertNotEqual(state["triangle"][a], 0)
        self.assertEqual(game.menu_items_enabled(), [True, False, True, True])
        self.assertFalse(game.menu_command("undo"))
        self.check_table(game, clicks)
        # a king goes with one click
        game.click_place(king + 3)
        clicks.append(king + 3)
        state = self.check_table(game, clicks)
        self.assertEqual(state["triangle"][king], 0)
        self.assertEqual(state["score"], -54)

    def test_stock_turns_and_turns_back(self):
        game = self.start()
        deal = game.deal
        clicks = []
        game.click_place(1)
        clicks.append(1)
        state = self.check_table(game, clicks)
        self.assertEqual(state["waste"], deal.stock[25])
        # undo of a turn puts the card back on the stock
        self.assertTrue(game.menu_command("undo"))
        clicks.append("u")
        state = self.check_table(game, clicks)
        self.assertEqual(state["stock"], 26)
        for _ in range(26):
            game.click_place(1, settle=0.02)
            clicks.append(1)
        state = self.check_table(game, clicks)
        self.assertEqual((state["stock"], state["waste"]), (0, deal.stock[0]))
        self.check_table(game, clicks)  # the OK tile on the empty stock
        # turning back: the stock is full again and the waste empty
        game.click_place(1)
        clicks.append(1)
        state = self.check_table(game, clicks)
        self.assertEqual((state["stock"], state["waste"], state["recycle"]), (26, 0, 1))
        # the rest of the passes: after the third turn-back the empty stock shows NG
        for _ in range(26 + 1 + 26 + 1 + 26):
            game.click_place(1, settle=0.02)
            clicks.append(1)
        state = replay(game.deal.time, clicks).states[-1]
        self.assertEqual((state["stock"], state["recycle"]), (0, 3))
        if not state.get("messages"):
            game.wait_table(state, stock_picture=STOCK_NG)

    def test_quick_second_press_is_a_click_too(self):
        # two presses on one spot within the double-click time are two turns of the stock
        game = self.start()
        x, y = position_xy(1)
        game.xdo("mousemove", game.origin[0] + x + 40, game.origin[1] + y + 50, "click", "--repeat", "2",
                 "--delay", "80", "1")
        state = self.check_table(game, [1, 1])
        self.assertEqual(state["waste"], game.deal.stock[24])

    def test_loss_question_cancel_is_not_asked_again(self):
        game = self.start()
        line = harness.run_solver("lose", game.deal.time)[0][0]
        asked = min(i for i, ids in line.messages.items() if 60014 in ids)
        for i, position in enumerate(line.clicks):
            game.click_place(position, settle=0.02)
            if i == asked:
                break
        w = game.find_window(MESSAGE_TITLE)
        game.keys(w[0], "Escape")
        game.window_gone(w[0])
        state = replay(game.deal.time, line.clicks[:asked + 1]).states[-1]
        game.wait_table(state)
        # neither a click on the bare table nor one on the spent stock asks again
        game.click(600, 250)
        game.click_place(1)
        self.assertTrue(game.no_window(MESSAGE_TITLE, 1.5))
        game.wait_table(state)

    def test_loss_question_ok_deals_again(self):
        game = self.start()
        line = harness.run_solver("lose", game.deal.time)[0][0]
        asked = min(i for i, ids in line.messages.items() if 60014 in ids)
        for i, position in enumerate(line.clicks[:asked + 1]):
            game.click_place(position, settle=0.02)
        game.answer(MESSAGE_TITLE, "Return")
        # a fresh deal: 28 cards again and a full stock
        def dealt():
            seen = game.triangle_on_screen()
            return game.full_deal(seen) and not game.shows(seen, line.triangle)
        harness.wait_for(dealt, 10, 0.2, "a new deal")
        shot = game.grab()
        self.assertTrue(game.strip_matches(shot, 10, 4, self.pictures[BACKS[0]]))
        self.assertEqual(shot.px(97 + 38, 4 + 50), TABLE_GREEN)


if __name__ == "__main__":
    harness.main()
