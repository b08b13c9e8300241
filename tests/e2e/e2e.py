"""Runs the real program on a private X display for the end-to-end tests.

Each test file starts its own Xvfb server; each game runs in a fresh home
folder under a fake clock that starts at START, so its first deal is one that
known_deal can make too: known_deal says what the table must show and which
clicks clear it. Input is real X events from xdotool, the screen is read back
with ImageMagick's import, and every wait is for something the program shows.

CTest passes the tools: --exe tolvane32 --deal tolvane_known_deal.
"""

import argparse
import calendar
import ctypes
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

TOOLS = {}
# The deals of this second and the next three (the program deals as soon as it
# has started, a second or so later under load) all clear without a turn-back;
# those from LOSE on are lost once the stock is spent and one pair has gone.
START = calendar.timegm((2027, 1, 1, 0, 3, 13))
LOSE = START + 13
TITLE = "KadorinTolvane３２"
CAPTION = TITLE + "        最高得点者： %s さん（ %d 点）"
NAME_DIALOG = "プレイヤー名の入力"
GREEN, CLOTH = b"\x00\x7f\x00", b"\x00\x7f\x01"
W, H = 640, 300  # the part of the table that known_deal paints
FAKETIME = (glob.glob("/usr/lib/*/faketime/libfaketime.so.1") + ["libfaketime.so.1"])[0]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--deal", required=True)
    options, rest = parser.parse_known_args()
    TOOLS.update(vars(options))
    unittest.main(argv=sys.argv[:1] + rest, verbosity=2)


def wait_for(what, predicate, timeout=20):
    """Polls until predicate() gives something true, and returns it."""
    end = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.05)
    return value


def expected_table(t, back, clicks):
    """The table known_deal paints for the deal of time t after the clicks: (pixels, mask) as integers."""
    out = subprocess.run([TOOLS["deal"], "table", str(t), str(back), *clicks], capture_output=True, check=True).stdout
    return int.from_bytes(out[:W * H * 3], "big"), int.from_bytes(out[W * H * 3:], "big")


class GameTest(unittest.TestCase):
    """One X server for the test class."""
    screen = "1024x768"

    @classmethod
    def setUpClass(cls):
        read, write = os.pipe()
        cls.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", cls.screen + "x24", "-nolisten",
                                     "tcp", "-noreset"],
                                    pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            cls.display = ":" + f.readline().strip()

    @classmethod
    def tearDownClass(cls):
        cls.xvfb.terminate()
        cls.xvfb.wait()


class Game:
    """One run of the program, as a context that ends it. files maps paths under the
    home folder to their bytes (None makes a folder, text a symbolic link to it);
    env adds to the program's environment ({home} expands); log takes its standard
    error (a file in the home folder unless told); the clock starts at start."""

    def __init__(self, test, files=None, env=None, log=None, start=START):
        self.start = start
        self.home = tempfile.mkdtemp(prefix="tolvane-e2e-")
        for path, content in {"config": None, "cache": None, **(files or {})}.items():
            path = os.path.join(self.home, path)
            if content is None:
                os.mkdir(path)
            elif isinstance(content, str):
                os.symlink(content, path)
            else:
                with open(path, "wb") as f:
                    f.write(content)
        self.tool_env = {"PATH": os.environ["PATH"], "DISPLAY": test.display}
        run_env = dict(self.tool_env, HOME=self.home, XDG_CONFIG_HOME=self.home + "/config",
                       XDG_CACHE_HOME=self.home + "/cache", NO_AT_BRIDGE="1", GTK_A11Y="none", SDL_AUDIODRIVER="dummy",
                       LANG="C.UTF-8", TZ="UTC", LD_PRELOAD=FAKETIME, FAKETIME_DISABLE_SHM="1",
                       FAKETIME=time.strftime("@%Y-%m-%d %H:%M:%S", time.gmtime(start)))
        run_env.update({k: v.format(home=self.home) for k, v in (env or {}).items()})
        self.ini = os.path.join(run_env["XDG_CONFIG_HOME"], "tolvane32.ini")
        log = log or os.path.join(self.home, "stderr")
        self.launched = time.monotonic()
        with open(log, "wb") as stderr:
            self.proc = subprocess.Popen([TOOLS["exe"]], cwd=self.home, env=run_env, stdout=subprocess.DEVNULL,
                                         stderr=stderr)
        try:
            self.wait_window()
        except BaseException as error:
            # A window that never came: whether the program still ran, and its last words
            status = self.proc.poll()
            with open(log, errors="replace") as f:
                said = f.read()[-2000:]
            self.__exit__()
            if isinstance(error, AssertionError):
                raise AssertionError("%s (the program %s; it said %r)" % (
                    error, "runs" if status is None else "ended with %d" % status, said)) from None
            raise
        self.deal = self.back = None

    def wait_window(self):
        self.frame = wait_for("the main window", lambda: list(self.windows()))[0]
        self.xdo("mousemove", 0, 0)
        screen, found = [int(n) for n in self.xdo("getdisplaygeometry").split()], [None]

        def table():  # the first green pixel on screen is the table's top left corner, once it stays there
            at = next((m.start() // 3 for m in re.finditer(b"(?=%s)" % re.escape(GREEN), self.grab_screen(0, 0, *screen))
                       if m.start() % 3 == 0), None)
            found[:] = [at is not None and divmod(at, screen[0])[::-1], found[0]]
            return found[0] == found[1] and found[0]
        self.origin = wait_for("the table", table)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.proc.kill()
        self.proc.wait()
        shutil.rmtree(self.home, True)
        wait_for("the windows of the game to go", lambda: not self.windows())

    def xdo(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.tool_env, capture_output=True, text=True).stdout

    def windows(self):
        """{id: title} of the program's windows on screen."""
        ids = self.xdo("search", "--onlyvisible", "--classname", "tolvane32").split()
        return {w: self.xdo("getwindowname", w).rstrip("\n") for w in ids}

    def caption(self):
        return self.windows()[self.frame]

    def grab_screen(self, x, y, w, h):
        return subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "-depth", "8", "rgb:-"],
                              env=self.tool_env, capture_output=True, check=True).stdout

    def pixel(self, x, y):
        return self.grab_screen(self.origin[0] + x, self.origin[1] + y, 1, 1)

    def record_strip(self):
        """The pixels of the record strip: the rows whose left edge shows its green."""
        x, y = self.origin
        height = int(self.xdo("getdisplaygeometry").split()[1])
        column = self.grab_screen(x + 2, y, 1, height - y)
        rows = [i for i in range(len(column) // 3) if column[i * 3:i * 3 + 3] == b"\x00\xbf\x00"]
        return rows and self.grab_screen(x, y + rows[0], W, len(rows))

    def wait_tables(self, what, tables, timeout=20):
        """Waits until the table shows one of {key: (pixels, mask)} and returns its key;
        on a timeout the screen is left in a picture in the temporary folder."""
        def match():
            self.shot = self.grab_screen(*self.origin, W, H)
            shot = int.from_bytes(self.shot, "big")
            return next((key for key, (rgb, mask) in tables.items() if (shot ^ rgb) & mask == 0), None)
        try:
            return wait_for(what, match, timeout)
        except AssertionError as e:
            path = os.path.join(tempfile.gettempdir(), "tolvane-e2e-%d.ppm" % os.getpid())
            with open(path, "wb") as f:
                f.write(b"P6 %d %d 255\n" % (W, H) + self.shot)
            raise AssertionError("%s; the screen is in %s" % (e, path)) from None

    def wait_deal(self, back=0):
        """Waits for the first deal and finds the second it was made in."""
        self.back = back
        tables = {t: expected_table(t, back, []) for t in range(self.start, self.start + 4)}
        self.deal = self.wait_tables("a deal of the first seconds", tables)

    def wait_table(self, clicks, timeout=20):
        """Waits for the table that known_deal shows after the clicks."""
        self.wait_tables("the table after %d clicks" % len(clicks), {1: expected_table(self.deal, self.back, clicks)},
                         timeout)

    def settings(self):
        try:
            with open(self.ini, "rb") as f:
                return f.read()
        except OSError:
            return None

    def click(self, point, repeat=1):
        """Left presses at a client point "x,y"; repeated presses come 40 ms apart. The pointer goes aside
        afterwards: a compositor may draw it into the picture."""
        x, y = map(int, point.split(","))
        self.xdo("mousemove", self.origin[0] + x, self.origin[1] + y, "click", "--repeat", repeat, "--delay", 40, 1,
                 "mousemove", 0, 0)

    def focus(self, window):
        self.xdo("windowfocus", window)
        wait_for("the keyboard focus", lambda: self.xdo("getwindowfocus").strip() == window)

    def answer(self, title, key, text=None):
        """Waits for the window with the title, types into it and waits until it has gone."""
        window = wait_for(title, lambda: next((w for w, t in self.windows().items() if t == title), None))
        self.focus(window)
        if text:
            self.xdo("type", text)
        self.xdo("key", *key.split())
        wait_for(title + " to close", lambda: window not in self.windows())

    def menu(self, key, menu="g"):
        """Opens a menu (the game menu unless told) from the keyboard and picks the item with the key."""
        self.focus(self.frame)
        shown = len(self.windows())
        self.xdo("key", "alt+" + menu)
        wait_for("the menu", lambda: len(self.windows()) > shown)
        self.xdo("key", key)

    def close_box(self):
        """What a window manager's close box sends: WM_DELETE_WINDOW."""
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        display = ctypes.c_void_p(x11.XOpenDisplay(self.tool_env["DISPLAY"].encode()))
        atom = lambda name: x11.XInternAtom(display, name, 0)
        # an XClientMessageEvent: type, serial, send_event, display, window, message_type, format, data
        event = (ctypes.c_long * 24)(33, 0, 0, 0, int(self.frame), atom(b"WM_PROTOCOLS"), 32, atom(b"WM_DELETE_WINDOW"))
        x11.XSendEvent(display, ctypes.c_ulong(int(self.frame)), 0, 0, event)
        x11.XCloseDisplay(display)

    def wait_exit(self):
        return self.proc.wait(timeout=20)
