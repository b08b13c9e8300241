"""Clearing a deal: the celebration's first card, its trail, the congratulation and the next deal."""

import harness
from harness import BACKS, CLOTH_GREEN, MESSAGE_TITLE, TABLE_GREEN, GameTestCase

# A stored fastest clear of one second: no clear beats it, so no record dialog comes.
NO_RECORD = "[FastGameOver]\nlFastTimeSpan=1\nstrFastPlayer=Someone\n"


class ClearTest(GameTestCase):

    def clear_and_watch(self, bonus, seconds=6.0):
        """Plays a line that pays the bonus, up to the clear; returns the game, the line
        and the frames of the top of the window from the last click on."""
        game, line = self.start_with_line(bonus, NO_RECORD)
        self.play(game, line.clicks[:-1], line.messages)
        band = game.burst(0, 0, 640, 140, seconds + 1.0)
        harness.time.sleep(0.2)
        game.click_place(line.clicks[-1])
        return game, line, game.frames(band)

    def start_with_line(self, bonus, ini):
        """A game whose first deal can be cleared with the bonus, and the line for it."""
        found, _ = harness.run_solver("find", harness.BASE_TIME, harness.BASE_TIME + 255, bonus, 3, 4)
        for candidate in found:
            game = self.start(candidate.time, ini)
            if game.deal.time == candidate.time:
                return game, candidate
            solved, rc = harness.run_solver("solve", game.deal.time, bonus)
            if rc == 0:
                return game, solved[0]
            game.close()
        self.fail("no deal of the first seconds clears with a bonus of %d" % bonus)

    def first_celebration_frame(self, frames):
        """Index of the first frame with the celebration's card drawn."""
        back = self.pictures[BACKS[0]]
        for i, frame in enumerate(frames):
            if frame.px(320, 120) == CLOTH_GREEN and harness.Game.strip_matches(
                    frame, 0, 0, back, rows=range(8, 100, 9), cols=range(8, 70, 6)):
                return i
        self.fail("the celebration never drew its first card (%d frames)" % len(frames))

    def card_path(self, frames, first, steps):
        """The frames, in order, in which the card shows complete at each of the steps."""
        back = self.pictures[BACKS[0]]
        seen = []
        k = 0
        for i in range(first, len(frames)):
            if k == len(steps):
                break
            x, y = steps[k]
            if harness.Game.strip_matches(frames[i], x, y, back, rows=range(8, min(100, 140 - y), 9),
                                          cols=range(8, 70, 6)):
                seen.append(i)
                k += 1
        return seen

    def finish_and_deal_again(self, game, line):
        # a press anywhere ends the celebration; OK deals again
        game.click(320, 200)
        game.answer(MESSAGE_TITLE, "Return")

        def dealt():
            seen = game.triangle_on_screen()
            return game.full_deal(seen) and not game.shows(seen, line.triangle)
        harness.wait_for(dealt, 10, 0.2, "a new deal after the congratulation")
        shot = game.grab()
        self.assertEqual(shot.px(5, 300), TABLE_GREEN)
        self.assertEqual(shot.px(2, game.client_h - 2 * game.strip[0] + 3), harness.RECORD_GREEN)

    def check_first_frame(self, game, frame):
        # the first card in the top-left corner, cloth all around it
        for x, y in ((100, 50), (600, 10), (300, 130), (77, 60), (40, 107)):
            self.assertEqual(frame.px(x, y), CLOTH_GREEN, (x, y))

    def test_spiral_after_a_clear_without_turn_back_or_joker(self):
        game, line, frames = self.clear_and_watch(2000)
        first = self.first_celebration_frame(frames)
        self.check_first_frame(game, frames[first])
        # the spiral starts along the top edge, a quarter card a tick
        steps = [(19 * k, 0) for k in range(0, 12)]
        self.assertEqual(len(self.card_path(frames, first, steps)), len(steps))
        # the trail: every earlier card still shows its left quarter
        last = frames[-1]
        for k in range(0, 11):
            self.assertNotEqual(last.px(19 * k + 10, 60), CLOTH_GREEN, k)
        # the score strip stays visible under the celebration, the record strip does not
        shot = game.grab()
        bottom, h = game.client_h, game.strip[0]
        self.assertEqual(shot.px(2, bottom - h + 3), harness.WHITE)
        self.assertEqual(shot.px(2, bottom - 2 * h + 3), CLOTH_GREEN)
        self.finish_and_deal_again(game, line)

    def test_bounce_after_a_clear_with_one_joker(self):
        game, line, frames = self.clear_and_watch(1000)
        self.assertTrue(any(60006 in ids for ids in line.messages.values()), "the line uses no joker")
        first = self.first_celebration_frame(frames)
        self.check_first_frame(game, frames[first])
        # the bounce leaves the corner diagonally, (19, 26) a tick, down to the bottom edge
        bottom = game.client_h - game.strip[0]
        steps = [(19 * k, 26 * k) for k in range(0, 2)]
        self.assertEqual(len(self.card_path(frames, first, steps)), len(steps))
        shot = game.grab()
        steps = [(19 * k, 26 * k) for k in range(0, 8)]
        for x, y in steps:
            self.assertTrue(harness.Game.strip_matches(shot, x, y, self.pictures[BACKS[0]], rows=range(8, 22, 3),
                                                       cols=range(8, 70, 6)), (x, y))
        # nothing beside the diagonal
        self.assertEqual(shot.px(400, 40), CLOTH_GREEN)
        self.assertEqual(shot.px(20, 250), CLOTH_GREEN)
        self.finish_and_deal_again(game, line)


if __name__ == "__main__":
    harness.main()
