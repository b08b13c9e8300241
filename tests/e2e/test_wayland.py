"""The game in a native Wayland session: weston runs nested in the private Xvfb
(its X11 backend, software rendering), so real X presses reach it through the
compositor. The client's own protocol trace (WAYLAND_DEBUG) shows what the
compositor got: every frame of a falling card is a surface commit."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from e2e import GREEN, TOOLS, Game, GameTest, main, wait_for

SOCKET = "tolvane-e2e"


class WaylandGame(Game):
    def wait_window(self):
        # weston's output is the only X window: the game's table is the first
        # table-green pixel on the screen, its client origin
        def origin():
            shot = self.grab_screen(0, 0, 1024, 768)
            hit = next((m.start() // 3 for m in re.finditer(re.escape(GREEN), shot) if m.start() % 3 == 0), None)
            return hit is not None and (hit % 1024, hit // 1024)
        self.xdo("mousemove", 1020, 760)  # weston draws its pointer into the picture: out of the way
        self.origin = wait_for("the table", origin)

    def click(self, point, repeat=1):
        super().click(point, repeat)
        self.xdo("mousemove", 1020, 760)

    def windows(self):
        return {} if self.proc.poll() is not None else {"game": ""}


class WaylandTest(GameTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.runtime = tempfile.mkdtemp(prefix="tolvane-wl-")
        cls.weston = subprocess.Popen(
            ["weston", "--backend=x11-backend.so", "--use-pixman", "--width=1024", "--height=768",
             "--socket=" + SOCKET, "--idle-time=0"],
            env={"PATH": os.environ["PATH"], "DISPLAY": cls.display, "XDG_RUNTIME_DIR": cls.runtime},
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("the compositor", lambda: os.path.exists(os.path.join(cls.runtime, SOCKET)))

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
            f.write('#!/bin/sh\nexec "%s" 2>"%s"\n' % (TOOLS["exe"], trace))
        os.chmod(wrapper, 0o755)
        exe, TOOLS["exe"] = TOOLS["exe"], wrapper
        env = {"GDK_BACKEND": "wayland", "WAYLAND_DISPLAY": SOCKET, "XDG_RUNTIME_DIR": self.runtime,
               "WAYLAND_DEBUG": "client"}
        try:
            with WaylandGame(self, env=env) as game:
                game.wait_deal()
                commits = lambda: len(re.findall(r"wl_surface@\d+\.commit\(\)", open(trace).read()))
                # the window's visible part is as wide as the table, which shows whole
                widths = re.findall(r"set_window_geometry\(-?\d+, -?\d+, (\d+), (\d+)\)", open(trace).read())
                self.assertEqual(int(widths[-1][0]), 640)
                self.assertEqual(game.pixel(639, 100), GREEN)
                solved = subprocess.run([TOOLS["deal"], "solve", str(game.deal)], capture_output=True, text=True)
                line = solved.stdout.split()
                before = commits()
                # a king goes alone, a pair after its second press: two presses drop at least one card
                game.click(line[0])
                game.wait_table(line[:1])
                game.click(line[1])
                game.wait_table(line[:2])
                # a card falls 8 pixels a frame from the triangle out of the window: some 40 frames
                self.assertGreater(commits() - before, 30)
        finally:
            TOOLS["exe"] = exe


if __name__ == "__main__":
    main()
