"""The falling card: frames in flight below its place, and the strips restored after it."""

import harness
from harness import GameTestCase, pick_time, position_xy, rank, replay


def row6_king(deal):
    return next((i for i in range(21, 28) if rank(deal.triangle[i]) == 13), None)


class FallingCardTest(GameTestCase):

    def test_removed_king_falls_out_of_the_window(self):
        t = pick_time(lambda d: row6_king(d) is not None)
        game = self.start(t)
        index = row6_king(game.deal)
        x, y = position_xy(index + 3)
        face = self.pictures[harness.face_picture(game.deal.triangle[index])]
        bottom = game.client_h
        h = game.strip[0]
        strips_before = game.grab(0, bottom - 2 * h, 640, 2 * h)

        # watch the card's column from its place down to the bottom edge while it falls
        watch = game.burst(x, y, 77, bottom - y, 3.0)
        harness.time.sleep(0.3)
        game.click_place(index + 3)
        frames = game.frames(watch)

        drops = []
        for frame in frames:
            for d in range(8, bottom - y - 20, 8):
                if game.strip_matches(frame, 0, d, face, rows=range(3, min(18, bottom - y - d))):
                    drops.append(d)
                    break
        self.assertTrue(drops, "no frame shows the card below its place (%d frames)" % len(frames))
        self.assertGreater(max(drops), 100)
        # it only goes down
        self.assertEqual(drops, sorted(drops))
        # some frame shows it over the two strips
        self.assertTrue(any(d + 106 > bottom - 2 * h - y for d in drops))

        # afterwards: the place shows what lay beneath, the strips are as they were
        game.wait_table(replay(game.deal.time, [index + 3]).states[-1])
        strips_after = game.grab(0, bottom - 2 * h, 640, 2 * h)
        # the record strip whole; the score strip up to the score figure (+2 changes it)
        self.assertEqual(strips_after.data[:640 * h * 3], strips_before.data[:640 * h * 3])
        for row in range(h, 2 * h):
            a = strips_after.data[row * 640 * 3:(row * 640 + 560) * 3]
            b = strips_before.data[row * 640 * 3:(row * 640 + 560) * 3]
            self.assertEqual(a, b, "score strip row %d" % (row - h))


if __name__ == "__main__":
    harness.main()
