"""The game in a native Wayland session: weston runs nested in the private Xvfb
(its X11 backend, software rendering), so real X presses reach it through the
compositor. The client's own protocol trace (WAYLAND_DEBUG) shows what the
compositor got: every frame of a falling card is a surface commit.

Weston's X11 backend moves its pointer by the difference between successive
X motion events and sets it outright only when the X pointer enters its
window; so the compositor's window leaves a margin of the X screen free, and
every press first leaves that window and then enters it at the point."""
import os
import re
import shutil
import subprocess
import tempfile

from e2e import GREEN, TOOLS, Game, GameTest, main, wait_for

SOCKET = "tolvane-e2e"
# the compositor's output, at the top left of the 1024 x 768 X screen
WIDTH, HEIGHT = 900, 700
OUTSIDE = (1000, 740)


def geometries(trace):
    """The visible window sizes the client gave the compositor, in order."""
    with open(trace) as f:
        return [(int(w), int(h)) for w, h in re.findall(r"set_window_geometry\(-?\d+, -?\d+, (\d+), (\d+)\)", f.read())]


def commits(trace):
    """The frames the client handed to the compositor so far."""
    with open(trace) as f:
        return len(re.findall(r"wl_surface@\d+\.commit\(\)", f.read()))


class WaylandGame(Game):
    trace = None

    def wait_window(self):
        # the window is shown, then given its size: find the table once it has it
        try:
            wait_for("the window's size", lambda: os.path.exists(self.trace) and
                     any(w == 640 for w, _ in geometries(self.trace)))
        except AssertionError:
            raise AssertionError("the window's visible sizes were %s" % geometries(self.trace)) from None
        self.origin = wait_for("the table", self.locate)
        self.park()

    def park(self):
        """Weston draws its pointer into the picture, even after the pointer
        has left: it enters again at the output's corner farthest from the table."""
        cx, cy = self.origin[0] + 320, self.origin[1] + 243
        corner = max(((x, y) for x in (2, WIDTH - 3) for y in (2, HEIGHT - 3)),
                     key=lambda p: abs(p[0] - cx) + abs(p[1] - cy))
        self.xdo("mousemove", *OUTSIDE)
        self.xdo("mousemove", *corner)

    def locate(self):
        """The client origin: the table's top row is 640 pixels of table
        green, found anew each time (the compositor may place the window anew)."""
        shot, at = self.grab_screen(0, 0, WIDTH, HEIGHT), -1
        while (at := shot.find(GREEN * 640, at + 1)) >= 0:
            if at % 3 == 0 and at // 3 % WIDTH <= WIDTH - 640:
                return at // 3 % WIDTH, at // 3 // WIDTH
        return None

    def click(self, point, repeat=1):
        self.origin = wait_for("the table", self.locate)
        self.xdo("mousemove", *OUTSIDE)
        super().click(point, repeat)
        self.park()

    def wait_table(self, clicks):
        self.origin = wait_for("the table", self.locate)
        super().wait_table(clicks)

    def windows(self):
        return {} if self.proc.poll() is not None else {"game": ""}


class WaylandTest(GameTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.runtime = tempfile.mkdtemp(prefix="tolvane-wl-")
        # no panel: nothing on the screen but the game, no launcher to hit
        with open(os.path.join(cls.runtime, "weston.ini"), "w") as f:
            f.write("[shell]\npanel-position=none\n")
        cls.weston = subprocess.Popen(
            ["weston", "--backend=x11-backend.so", "--use-pixman", "--width=%d" % WIDTH, "--height=%d" % HEIGHT,
             "--socket=" + SOCKET, "--idle-time=0", "--config=" + os.path.join(cls.runtime, "weston.ini")],
            env={"PATH": os.environ["PATH"], "DISPLAY": cls.display, "XDG_RUNTIME_DIR": cls.runtime},
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("the compositor", lambda: os.path.exists(os.path.join(cls.runtime, SOCKET)))

        # the desktop's background is drawn once its shell is up
        def desktop():
            return subprocess.run(["import", "-window", "root", "-crop", "1x1+%d+%d" % (WIDTH // 2, HEIGHT // 2),
                                   "-depth", "8", "rgb:-"], env={"PATH": os.environ["PATH"], "DISPLAY": cls.display},
                                  capture_output=True).stdout not in (b"", b"\0\0\0")
        wait_for("the desktop", desktop)

    @classmethod
    def tearDownClass(cls):
        cls.weston.terminate()
        cls.weston.wait()
        shutil.rmtree(cls.runtime, True)
        super().tearDownClass()

    def test_whole_table_and_every_frame_of_a_fall(self):
        trace = os.path.join(self.runtime, "trace")
        wrapper = os.path.join(self.runtime, "game")
        with open(wrapper, "w") as f:
            f.write('#!/bin/sh\nexec "%s" 2>"%s"\n' % (os.path.abspath(TOOLS["exe"]), trace))
        os.chmod(wrapper, 0o755)
        exe, TOOLS["exe"] = TOOLS["exe"], wrapper
        WaylandGame.trace = trace
        env = {"GDK_BACKEND": "wayland", "WAYLAND_DISPLAY": SOCKET, "XDG_RUNTIME_DIR": self.runtime,
               "WAYLAND_DEBUG": "client"}
        try:
            with WaylandGame(self, env=env) as game:
                game.wait_deal()
                # the window's visible part is as wide as the table, which shows whole
                self.assertEqual(geometries(trace)[-1][0], 640)
                self.assertEqual(game.pixel(639, 100), GREEN)
                solved = subprocess.run([TOOLS["deal"], "solve", str(game.deal)], capture_output=True, text=True)
                line = solved.stdout.split()
                before = commits(trace)
                # a king goes alone, a pair after its second press: two presses drop at least one card
                game.click(line[0])
                game.wait_table(line[:1])
                game.click(line[1])
                game.wait_table(line[:2])
                # a card falls 8 pixels a frame from the triangle out of the window: some 40 frames
                self.assertGreater(commits(trace) - before, 30)
        finally:
            TOOLS["exe"] = exe


if __name__ == "__main__":
    main()
