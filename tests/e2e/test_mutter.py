"""The game on GNOME's compositor nested in the Xvfb, where GTK draws its own title bar: its close button, pressed
while the last pair of a lost deal falls, waits until the loss has been answered and is then asked once."""
import itertools
import os
import re
import shutil
import signal
import subprocess
import tempfile

from e2e import GREEN, LOSE, TITLE, TOOLS, Game, GameTest, main, wait_for

EVENTS = re.compile(r"get_xdg_surface\(new id xdg_surface@(\d+), wl_surface@(\d+)|xdg_surface@(\d+)\.get_toplevel\(new"
                    r' id xdg_toplevel@(\d+)|xdg_toplevel@(\d+)\.set_title\("(.*)"\)|xdg_toplevel@(\d+)\.(destroy)\('
                    r"|wl_keyboard@\d+\.enter\(\d+, wl_surface@(\d+)|(commit)\(\)")


class MutterGame(Game):
    def __init__(self, test):
        self.trace = test.runtime + "/trace"
        env = {"GDK_BACKEND": "wayland", "WAYLAND_DISPLAY": "wl-test", "XDG_RUNTIME_DIR": test.runtime,
               "WAYLAND_DEBUG": "client"}
        super().__init__(test, env=env, log=self.trace, start=LOSE)

    def windows(self):
        """{window: title} from the client's protocol trace, a window being its toplevel's id and where it began
        (ids are used again); notes each one's surface, the keyboard's and the count of frames handed over."""
        if self.proc.poll() is not None:
            return {}
        with open(self.trace, errors="replace") as f:
            events = EVENTS.findall(f.read())
        xdg, names, titles, self.surface, self.keyboard, self.commits = {}, {}, {}, {}, None, 0
        for n, (xdg_id, surface, parent, toplevel, titled, title, gone, what, entered, commit) in enumerate(events):
            xdg[xdg_id] = surface
            if toplevel:
                names[toplevel] = "%s.%d" % (toplevel, n)
                self.surface[names[toplevel]] = xdg[parent]
            titles.update({names[titled]: title} if titled else {})
            titles.pop(names.get(gone), None)
            self.keyboard = entered or self.keyboard
            self.commits += bool(commit)
        return titles

    def focus(self, window):  # new windows take the keyboard by themselves
        wait_for("the keyboard", lambda: self.windows() and self.keyboard == self.surface[window])


class MutterTest(GameTest):
    screen = "1200x950"  # room enough that mutter does not maximise the window

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.runtime = tempfile.mkdtemp(prefix="tolvane-mutter-")
        env = {"PATH": os.environ["PATH"], "DISPLAY": cls.display, "XDG_RUNTIME_DIR": cls.runtime, "HOME": cls.runtime,
               "MUTTER_DEBUG_DUMMY_MODE_SPECS": cls.screen}
        cls.mutter = subprocess.Popen(["dbus-run-session", "--", "mutter", "--nested", "--wayland", "--no-x11",
                                       "--wayland-display=wl-test"], env=env, start_new_session=True,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("the compositor", lambda: os.path.exists(cls.runtime + "/wl-test"))

    @classmethod
    def tearDownClass(cls):
        os.killpg(cls.mutter.pid, signal.SIGTERM)
        cls.mutter.wait()
        shutil.rmtree(cls.runtime, True)
        super().tearDownClass()

    def test_the_title_bars_close_button_while_cards_fall_waits_for_the_end_of_the_deal(self):
        with MutterGame(self) as game:
            game.wait_deal()  # as under X11, and whole: no more than 640 pixels wide
            self.assertNotEqual(game.pixel(640, 100), GREEN)
            line = subprocess.run([TOOLS["deal"], "lose", str(game.deal)], capture_output=True, text=True).stdout
            line = line.split()
            for point, same in itertools.groupby(line[:-1]):  # every press counts, quick ones (a double click) too
                game.click(point, len(list(same)))
            # the last pair's first card is chosen; its second press drops both, and the close comes meanwhile
            game.wait_table(line[:-1], timeout=300)
            game.windows()
            commits = game.commits
            # The close follows the press at once: the falls have begun when it is read, however slow the machine.
            game.click(line[-1])
            game.click("623,-45")  # Adwaita's close button: 45 pixels above the table, 17 in from its right
            game.answer(TITLE, "Escape")  # the loss is told first, and kept
            self.assertGreater(game.commits - commits, 20)  # frame after frame of the two falls
            game.answer(TITLE, "Return")  # then the exit question, once
            self.assertEqual(game.proc.wait(timeout=20), 0)
            self.assertIsNone(game.settings())


if __name__ == "__main__":
    main()
