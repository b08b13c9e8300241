"""The game as a native Wayland client of a compositor nested in the Xvfb: sway, and GNOME's mutter, where GTK
draws its own title bar. A close while the last pair of a lost deal falls (sway's `kill`, what Alt+F4 sends;
the close button of GTK's title bar under mutter) waits until the loss has been told and answered, and is
then asked once. The client's own protocol trace (WAYLAND_DEBUG) names its windows, tells which one has the
keyboard and shows every frame of a falling card as a surface commit; the screen shows the table whole."""
import itertools
import os
import re
import shutil
import signal
import subprocess
import tempfile

from e2e import GREEN, H, LOSE, TITLE, TOOLS, W, Game, GameTest, main, wait_for


class WaylandGame(Game):
    def __init__(self, test, env):
        self.trace, self.read, self.opened = test.runtime + "/trace", 0, 0
        self.state, self.commits = {"xdg": {}, "key": {}, "surface": {}, "title": {}}, 0
        super().__init__(test, env=dict(env, WAYLAND_DEBUG="client"), log=self.trace, start=LOSE)

    def follow(self):
        """Reads the trace on to its last whole line. A window is its toplevel's id and its opening's count:
        an id is used again once its window has gone."""
        with open(self.trace, "rb") as f:
            f.seek(self.read)
            text = f.read()
        text = text[:text.rfind(b"\n") + 1]
        self.read += len(text)
        s = self.state
        for line in text.decode(errors="replace").splitlines():
            if m := re.search(r"get_xdg_surface\(new id xdg_surface@(\d+), wl_surface@(\d+)", line):
                s["xdg"][m[1]] = m[2]
            elif m := re.search(r"xdg_surface@(\d+)\.get_toplevel\(new id xdg_toplevel@(\d+)", line):
                self.opened += 1
                s["key"][m[2]] = "%s.%d" % (m[2], self.opened)
                s["surface"][s["key"][m[2]]] = s["xdg"][m[1]]
            elif m := re.search(r'xdg_toplevel@(\d+)\.set_title\("(.*)"\)', line):
                s["title"][s["key"][m[1]]] = m[2]
            elif m := re.search(r"xdg_toplevel@(\d+)\.destroy\(", line):
                s["title"].pop(s["key"][m[1]], None)
            elif m := re.search(r"wl_keyboard@\d+\.enter\(\d+, wl_surface@(\d+)", line):
                s["keyboard"] = m[1]
            elif "commit()" in line:
                self.commits += 1

    def windows(self):
        if self.proc.poll() is not None:
            return {}
        self.follow()
        if len(self.state["title"]) > 2:
            raise AssertionError("two dialogs at once: %s" % self.state["title"])
        return dict(self.state["title"])

    def wait_window(self):
        self.frame = wait_for("the main window", lambda: list(self.windows()))[0]
        screen = [int(n) for n in self.xdo("getdisplaygeometry").split()]
        self.xdo("mousemove", 0, 0)
        found = [None]

        def table():  # the first green pixel on screen is the table's top left corner, once it stays there
            shot = self.grab_screen(0, 0, *screen)
            at = shot.find(GREEN)
            while at >= 0 and at % 3:
                at = shot.find(GREEN, at + 1)
            found[:] = [at >= 0 and divmod(at // 3, screen[0])[::-1], found[0]]
            return found[0] == found[1] and found[0]
        self.origin = wait_for("the table", table)

    def focus(self, window):
        """New windows take the keyboard by themselves; this waits until it is theirs."""
        wait_for("the keyboard", lambda: self.windows() and self.state.get("keyboard") == self.state["surface"][window])


class WaylandTest(GameTest):
    """One compositor for the test class, started by compositor(env) with its runtime folder."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.runtime = tempfile.mkdtemp(prefix="tolvane-wayland-")
        env = {"PATH": os.environ["PATH"], "DISPLAY": cls.display, "XDG_RUNTIME_DIR": cls.runtime, "HOME": cls.runtime}
        cls.server = cls.compositor(env)
        cls.socket = wait_for("the compositor", lambda: [n for n in os.listdir(cls.runtime) if re.fullmatch(
            r"wayland-\d+|wl-test", n)])[0]

    @classmethod
    def tearDownClass(cls):
        os.killpg(cls.server.pid, signal.SIGTERM)
        cls.server.wait()
        shutil.rmtree(cls.runtime, True)
        super().tearDownClass()

    def lose_and_close(self, close):
        env = {"GDK_BACKEND": "wayland", "WAYLAND_DISPLAY": self.socket, "XDG_RUNTIME_DIR": self.runtime}
        with WaylandGame(self, env) as game:
            game.wait_deal()  # the table shows whole, and no more
            self.assertEqual(game.pixel(639, 100), GREEN)
            self.assertNotEqual(game.pixel(640, 100), GREEN)
            line = subprocess.run([TOOLS["deal"], "lose", str(game.deal)], capture_output=True, text=True).stdout
            line = line.split("\n")[0].split()
            for point, same in itertools.groupby(line[:-1]):  # every press counts, quick ones too
                game.click(point, len(list(same)))
            # the last pair's first card is chosen; its second press drops both, and the close comes meanwhile
            game.wait_table(line[:-1], timeout=300)
            game.windows()
            commits, before = game.commits, game.shot
            game.click(line[-1])
            wait_for("the falls", lambda: game.grab_screen(*game.origin, W, H) != before)
            close(game)
            game.answer(TITLE, "Escape")  # the loss is told first, and kept
            self.assertGreater(game.commits - commits, 20)  # frame after frame of the two falls
            game.answer(TITLE, "Return")  # then the exit question, once
            self.assertEqual(game.wait_exit(), 0)
            self.assertIsNone(game.settings())


class SwayTest(WaylandTest):
    @classmethod
    def compositor(cls, env):
        with open(cls.runtime + "/config", "w") as f:
            f.write('xwayland disable\ndefault_border none\nfor_window [app_id=".*"] floating enable\n')
        as_nobody = []  # sway refuses to run as root
        if os.getuid() == 0:
            os.chown(cls.runtime, 65534, 65534)
            as_nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        env.update(WLR_BACKENDS="x11", WLR_RENDERER="pixman", WLR_X11_OUTPUTS="1", WLR_LIBINPUT_NO_DEVICES="1")
        return subprocess.Popen(as_nobody + ["sway", "-c", cls.runtime + "/config"], env=env, start_new_session=True,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def test_a_close_from_the_compositor_while_cards_fall_waits(self):
        def kill(game):
            ipc = next(n for n in os.listdir(self.runtime) if n.startswith("sway-ipc."))
            subprocess.run(["swaymsg", "-s", self.runtime + "/" + ipc, "kill"], capture_output=True, check=True)
        self.lose_and_close(kill)


class MutterTest(WaylandTest):
    screen = "1200x950"  # room enough that mutter does not maximise the window

    @classmethod
    def compositor(cls, env):
        env["MUTTER_DEBUG_DUMMY_MODE_SPECS"] = cls.screen
        return subprocess.Popen(["dbus-run-session", "--", "mutter", "--nested", "--wayland", "--no-x11",
                                 "--wayland-display=wl-test"], env=env, start_new_session=True,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def test_the_close_button_of_the_title_bar_while_cards_fall_waits(self):
        # Adwaita's title bar: the close button's middle is 45 pixels above the table, 17 in from its right
        self.lose_and_close(lambda game: game.click("623,-45"))


if __name__ == "__main__":
    main()
