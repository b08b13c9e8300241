"""The game as a native Wayland client of a sway nested in the Xvfb: the window's visible size is the
table's, every frame of a falling card reaches the compositor (the client's own protocol trace,
WAYLAND_DEBUG, shows each as a surface commit), and a close from the compositor amid a clear waits for
the record; `swaymsg kill` sends what Alt+F4 sends, and sway's tree names every window of the game."""
import json
import os
import re
import shutil
import subprocess
import tempfile
import time

from e2e import GREEN, H, NAME_DIALOG, TITLE, W, TOOLS, Game, GameTest, main, wait_for


class SwayGame(Game):
    def swaymsg(self, *args):
        return subprocess.run(["swaymsg", "-s", self.ipc, *args], capture_output=True, text=True).stdout

    def tree(self):
        nodes, out = [json.loads(self.swaymsg("-t", "get_tree") or "{}")], []
        while nodes:
            out.append(nodes.pop())
            nodes += out[-1].get("nodes", []) + out[-1].get("floating_nodes", [])
        return out

    def windows(self):
        found = {str(n["id"]): n["name"] for n in self.tree() if n.get("pid") == self.proc.pid}
        if TITLE in found.values() and NAME_DIALOG in found.values():
            raise AssertionError("the exit question is stacked on the record's dialog")
        return found

    def wait_window(self):
        self.frame = wait_for("the main window", lambda: list(self.windows()))[0]
        self.rect = wait_for("its place", lambda: next((n["rect"] for n in self.tree() if str(n["id"]) == self.frame
                                                        and n["rect"]["width"] == 640), None))
        super().wait_window()

    def xdo(self, *args):
        if args[:2] == ("getwindowgeometry", "--shell"):
            return "X={x} Y={y} WIDTH={width} HEIGHT={height}".format(**self.rect)
        return super().xdo(*args)

    def progress(self):
        """A slow machine only takes longer; a press gone astray leaves the table still."""
        shot, now = self.grab_screen(*self.origin, W, H), time.monotonic()
        if shot != getattr(self, "shot", None):
            self.shot, self.changed = shot, now
        if now - self.changed > 20:
            raise AssertionError("the table stands still short of the clear")
        return True

    def focus(self, window):
        self.swaymsg("[con_id=%s] focus" % window)  # done when sway replies


class SwayTest(GameTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.runtime = tempfile.mkdtemp(prefix="tolvane-sway-")
        with open(cls.runtime + "/config", "w") as f:
            f.write('xwayland disable\ndefault_border none\nfor_window [app_id=".*"] floating enable\n')
        as_nobody = []  # sway refuses to run as root
        if os.getuid() == 0:
            os.chown(cls.runtime, 65534, 65534)
            as_nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        env = {"PATH": os.environ["PATH"], "DISPLAY": cls.display, "XDG_RUNTIME_DIR": cls.runtime, "HOME": cls.runtime,
               "WLR_BACKENDS": "x11", "WLR_RENDERER": "pixman", "WLR_X11_OUTPUTS": "1", "WLR_LIBINPUT_NO_DEVICES": "1"}
        cls.sway = subprocess.Popen(as_nobody + ["sway", "-c", cls.runtime + "/config"], env=env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        names = lambda pattern: [n for n in os.listdir(cls.runtime) if re.fullmatch(pattern, n)]
        cls.socket = wait_for("the compositor", lambda: names(r"wayland-\d+"))[0]
        SwayGame.ipc = cls.runtime + "/" + wait_for("its control socket", lambda: names(r"sway-ipc\..*\.sock"))[0]

    @classmethod
    def tearDownClass(cls):
        cls.sway.terminate()
        cls.sway.wait()
        shutil.rmtree(cls.runtime, True)
        super().tearDownClass()

    def test_a_close_during_the_last_fall_waits_for_the_record(self):
        trace, wrapper = self.runtime + "/trace", self.runtime + "/game"
        with open(wrapper, "w") as f:
            f.write('#!/bin/sh\nexec "%s" 2>"%s"\n' % (os.path.abspath(TOOLS["exe"]), trace))
        os.chmod(wrapper, 0o755)
        exe, TOOLS["exe"] = TOOLS["exe"], wrapper
        env = {"GDK_BACKEND": "wayland", "WAYLAND_DISPLAY": self.socket, "XDG_RUNTIME_DIR": self.runtime,
               "WAYLAND_DEBUG": "client"}
        with SwayGame(self, env=env) as game:
            TOOLS["exe"] = exe
            game.wait_deal()  # the window sway shows is 640 wide, and the table shows whole
            self.assertEqual(game.pixel(639, 100), GREEN)
            line = subprocess.run([TOOLS["deal"], "solve", str(game.deal)], capture_output=True, text=True).stdout
            # the game takes the presses in turn, each after the falls before it
            for point in line.split("\n")[0].split():
                game.click(point)
            # the apex card leaves its place: the close comes while it falls
            wait_for("the apex to fall", lambda: game.progress() and game.pixel(309, 67) == GREEN, timeout=600)
            game.swaymsg("kill")
            with open(trace, errors="replace") as f:  # each of the 28 falls takes some 40 frames or more
                self.assertGreater(len(re.findall(r"wl_surface@\d+\.commit\(\)", f.read())), 30 * 28)
            game.answer(NAME_DIALOG, "Return", text="Taro")
            stored = wait_for("the record", lambda: re.fullmatch(
                rb"\[FastGameOver\]\nlFastTimeSpan=\d+\nstrFastPlayer=Taro\n", game.settings() or b""))
            # then the question, once, and the best score for the same name
            game.answer(TITLE, "Return")
            game.answer(NAME_DIALOG, "Return")
            self.assertEqual(game.wait_exit(), 0)
            self.assertEqual(game.settings(), stored[0] + b"[MaxPoint]\niMaxPoint=2000\nstrChamp=Taro\n")


if __name__ == "__main__":
    main()
