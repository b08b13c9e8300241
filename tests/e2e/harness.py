"""Drives the real program on a private X display for the end-to-end tests.

Each test file starts one Xvfb server of its own; each test starts the game
under faketime with empty configuration and cache folders, clicks it with real
X events (xdotool), reads the screen back (xtool) and finds its message boxes
and dialogs by their titles. The deal is known beforehand: the solver deals
with the game model for the same clock and says what lies where and which
clicks win.

Tools are passed on the command line by CTest:
    --exe tolvane32 --solver tolvane_solver --pictures tolvane_dump_pictures --xtool tolvane_xtool
"""

import calendar
import glob
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

TOOLS = {"exe": None, "solver": None, "pictures": None, "xtool": None}

# The clock every test starts from unless it picks another: 2027-01-01 00:00:00 UTC.
BASE_TIME = calendar.timegm((2027, 1, 1, 0, 0, 0))

TABLE_GREEN = (0, 127, 0)
RECORD_GREEN = (0, 191, 0)
WHITE = (255, 255, 255)
CLOTH_GREEN = (0, 127, 1)
CARD_W, CARD_H = 77, 106
CLIENT_W = 640
MESSAGE_TITLE = "KadorinTolvane３２"
CAPTION_PREFIX = "KadorinTolvane３２        最高得点者： "

BACKS = [146, 147, 148, 197]
INVERT = bytes(255 - i for i in range(256))
FULL_ROW = b"\x01" * CARD_W
CORNER_ROW = b"\x00" * 6 + b"\x01" * (CARD_W - 12) + b"\x00" * 6
STOCK_OK, STOCK_NG = 178, 177


def dark(c):
    """Text ink: black, or the dark part of anti-aliased black."""
    return max(c) < 90


def red(c):
    return c[0] > 170 and c[1] < 90 and c[2] < 90


def parse_tool_args():
    """Takes the --exe/--solver/--pictures/--xtool options off sys.argv."""
    rest = [sys.argv[0]]
    args = sys.argv[1:]
    i = 0
    while i < len(args):
        name = args[i][2:] if args[i].startswith("--") else None
        if name in TOOLS and i + 1 < len(args):
            TOOLS[name] = args[i + 1]
            i += 2
        else:
            rest.append(args[i])
            i += 1
    sys.argv[:] = rest
    missing = [k for k, v in TOOLS.items() if not v]
    if missing:
        sys.exit("missing tool paths: " + ", ".join(missing))


def main():
    parse_tool_args()
    unittest.main(verbosity=2)


# ---------------------------------------------------------------- positions

def position_xy(position):
    """Top-left corner of a place on the table (client coordinates)."""
    if position == 1:
        return (10, 4)
    if position == 2:
        return (97, 4)
    index = position - 3
    row = 0
    while (row + 1) * (row + 2) // 2 <= index:
        row += 1
    p = index - row * (row + 1) // 2
    k = row // 2
    x = (271 - 87 * k if row % 2 == 0 else 227 - 87 * k) + 87 * p
    return (x, 57 + 20 * row)


def row_of(index):
    row = 0
    while (row + 1) * (row + 2) // 2 <= index:
        row += 1
    return row


def covered_by(index):
    r = row_of(index)
    return [] if r == 6 else [index + r + 1, index + r + 2]


def face_picture(code):
    """Resource id of a card code's face picture."""
    if code == 0x80:
        return 175
    if code == 0x81:
        return 176
    suit, rank = (code >> 4) & 3, code & 0x0F
    first = {0: 162, 1: 149, 2: 133, 3: 179}[suit]
    return first + rank - 1


def rank(code):
    return 0 if code & 0x80 else code & 0x0F


# ------------------------------------------------------------------- images

class Image:
    """An RGB picture; pixel (x, y) as a tuple."""

    def __init__(self, width, height, data, alpha=None):
        self.w, self.h, self.data, self.alpha = width, height, data, alpha

    def px(self, x, y):
        i = (y * self.w + x) * 3
        return (self.data[i], self.data[i + 1], self.data[i + 2])

    def opaque(self, x, y):
        return self.alpha is None or self.alpha[y * self.w + x] == 255

    def count(self, color, x0=0, y0=0, x1=None, y1=None):
        x1 = self.w if x1 is None else x1
        y1 = self.h if y1 is None else y1
        target = bytes(color)
        n = 0
        for y in range(y0, y1):
            row = self.data[(y * self.w + x0) * 3:(y * self.w + x1) * 3]
            n += sum(1 for i in range(0, len(row), 3) if row[i:i + 3] == target)
        return n

    def count_where(self, predicate, x0=0, y0=0, x1=None, y1=None):
        x1 = self.w if x1 is None else x1
        y1 = self.h if y1 is None else y1
        return sum(1 for y in range(y0, y1) for x in range(x0, x1) if predicate(self.px(x, y)))

    def save_ppm(self, path):
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.w, self.h))
            f.write(bytes(self.data))


def read_ppms(blob):
    """All P6 pictures in a byte string, back to back."""
    images = []
    pos = 0
    while pos < len(blob):
        fields = []
        while len(fields) < 4:
            while blob[pos:pos + 1].isspace():
                pos += 1
            end = pos
            while not blob[end:end + 1].isspace():
                end += 1
            fields.append(blob[pos:end])
            pos = end
        pos += 1
        w, h = int(fields[1]), int(fields[2])
        n = w * h * 3
        images.append(Image(w, h, blob[pos:pos + n]))
        pos += n
    return images


def read_png(path):
    """8-bit RGB or RGBA PNG, not interlaced (what cairo writes)."""
    with open(path, "rb") as f:
        blob = f.read()
    assert blob[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, width = 8, b"", 0
    while pos < len(blob):
        length, kind = struct.unpack(">I4s", blob[pos:pos + 8])
        body = blob[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and ctype in (2, 6) and interlace == 0, (path, depth, ctype)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    bpp = 4 if ctype == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * bpp
    out = bytearray(height * stride)
    prev = bytearray(stride)
    for y in range(height):
        ftype = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if ftype == 1:
                line[i] = (line[i] + a) & 255
            elif ftype == 2:
                line[i] = (line[i] + b) & 255
            elif ftype == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif ftype == 4:
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        out[y * stride:(y + 1) * stride] = line
        prev = line
    if bpp == 3:
        return Image(width, height, bytes(out))
    rgb = bytearray(width * height * 3)
    alpha = bytearray(width * height)
    for i in range(width * height):
        a = out[i * 4 + 3]
        alpha[i] = a
        # cairo writes straight (unpremultiplied) colour
        rgb[i * 3:i * 3 + 3] = out[i * 4:i * 4 + 3]
    return Image(width, height, bytes(rgb), bytes(alpha))


class Pictures:
    """The program's own card pictures, dumped once per test file."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="tolvane-pictures-")
        subprocess.run([TOOLS["pictures"], self.dir], check=True)
        self.images = {}
        for name in os.listdir(self.dir):
            self.images[int(name[:-4])] = read_png(os.path.join(self.dir, name))

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def __getitem__(self, picture):
        return self.images[picture]


# ------------------------------------------------------------------- solver

class Deal:
    """What the solver says about one deal (and a line of play for it)."""

    def __init__(self):
        self.time = None
        self.triangle = []
        self.stock = []
        self.bonus = None
        self.clicks = []
        self.messages = {}   # click index -> string ids shown during that click
        self.states = []     # replay: one dict per click, index 0 = after the deal


def _hexes(words):
    return [int(w, 16) for w in words]


def run_solver(*args):
    out = subprocess.run([TOOLS["solver"]] + [str(a) for a in args], capture_output=True, text=True,
                         timeout=600)
    deals = []
    for line in out.stdout.splitlines():
        words = line.split()
        if not words:
            continue
        if words[0] == "time":
            deals.append(Deal())
            deals[-1].time = int(words[1])
        elif words[0] == "triangle":
            deals[-1].triangle = _hexes(words[1:])
        elif words[0] == "stock":
            deals[-1].stock = _hexes(words[1:])
        elif words[0] == "bonus":
            deals[-1].bonus = int(words[1])
        elif words[0] == "clicks":
            deals[-1].clicks = [int(w) for w in words[1:]]
        elif words[0] == "messages":
            for w in words[1:]:
                i, ident = w.split(":")
                deals[-1].messages.setdefault(int(i), []).append(int(ident))
        elif words[0] == "after":
            state = {"triangle": _hexes(words[3:31])}
            rest = words[31:]
            j = 0
            while j < len(rest):
                key = rest[j]
                if key == "messages":
                    state["messages"] = [int(w) for w in rest[j + 1:]]
                    break
                state[key] = int(rest[j + 1], 16) if key == "waste" else int(rest[j + 1])
                j += 2
            deals[-1].states.append(state)
    return deals, out.returncode


def deal_for(t):
    deals, _ = run_solver("deal", t)
    return deals[0]


def replay(t, clicks):
    deals, rc = run_solver("replay", t, *clicks)
    assert rc == 0
    return deals[0]


# ------------------------------------------------------------------ display

class XServer:
    """A private Xvfb server; the display number is the first free one."""

    def __init__(self):
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(w)
        number = b""
        deadline = time.time() + 30
        while not number.endswith(b"\n") and time.time() < deadline:
            chunk = os.read(r, 16)
            if not chunk:
                break
            number += chunk
        os.close(r)
        if not number.strip():
            self.proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def env(self):
        env = {k: v for k, v in os.environ.items() if k in ("PATH", "LANG", "LC_ALL")}
        env.update(DISPLAY=self.display, NO_AT_BRIDGE="1", GTK_A11Y="none", SDL_AUDIODRIVER="dummy", TZ="UTC")
        env.setdefault("LANG", "C.UTF-8")
        return env

    def close(self):
        try:
            os.killpg(self.proc.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait()


FAKETIME_LIBRARY = next(iter(sorted(glob.glob("/usr/lib/*/faketime/libfaketime.so.1"))), "libfaketime.so.1")


def with_fake_clock(env, clock):
    """The environment that starts a program's clock at `clock` ("@YYYY-MM-DD
    hh:mm:ss", optionally " xN") and lets it run on. libfaketime is preloaded
    directly: the faketime wrapper keeps a semaphore named after its process
    id, and one left behind by a killed run stops a later run with the same
    id from starting at all; with its shared memory off, nothing is left
    behind when a test kills the program."""
    env = dict(env)
    env.update(fake_clock_variables(clock, env.get("LD_PRELOAD")))
    return env


def fake_clock_variables(clock, preload=None):
    """The variables of with_fake_clock alone."""
    return {"LD_PRELOAD": ":".join(filter(None, [FAKETIME_LIBRARY, preload])),
            "FAKETIME": clock,
            "FAKETIME_DISABLE_SHM": "1"}


def wait_for(predicate, timeout=10.0, interval=0.05, what="condition"):
    """Polls until predicate() gives something true; returns it."""
    deadline = time.time() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.time() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(interval)


# --------------------------------------------------------------------- game

class Game:
    """One run of the program under a fixed start time."""

    def __init__(self, xserver, pictures, start_time=BASE_TIME, ini=None, speed=None):
        self.x = xserver
        self.pictures = pictures
        self.start_time = start_time
        self.home = tempfile.mkdtemp(prefix="tolvane-e2e-")
        self.config = os.path.join(self.home, "config")
        self.cache = os.path.join(self.home, "cache")
        os.makedirs(self.config)
        os.makedirs(self.cache)
        if ini is not None:
            with open(self.ini_path, "w", encoding="utf-8") as f:
                f.write(ini)
        env = self.x.env()
        env.update(HOME=self.home, XDG_CONFIG_HOME=self.config, XDG_CACHE_HOME=self.cache,
                   XDG_RUNTIME_DIR=self.home)
        # A sanitizer build of the program keeps the run's sanitizer settings;
        # faketime is preloaded ahead of the sanitizer's runtime, which must
        # be told not to mind.
        for name in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"):
            if name in os.environ:
                env[name] = os.environ[name]
        if "ASAN_OPTIONS" in env:
            env["ASAN_OPTIONS"] += ":verify_asan_link_order=0"
        stamp = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(start_time))
        clock = "@" + stamp + ("" if speed is None else " x%s" % speed)
        self.log = open(os.path.join(self.home, "program.log"), "wb")
        self.launched = time.time()
        env = with_fake_clock(env, clock)
        self.proc = subprocess.Popen([TOOLS["exe"]], cwd=self.home, env=env,
                                     stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        self.frame = None
        self.origin = None
        self.strip = None
        self.deal = None
        self._alt = {}

    def fake_now(self):
        """The program's clock: faketime starts it at the start time and lets it run."""
        return self.start_time + (time.time() - self.launched)

    @property
    def ini_path(self):
        return os.path.join(self.config, "tolvane32.ini")

    # -- lifetime

    def close(self):
        # SDL turns SIGTERM into a quit event that nobody reads, and faketime may go
        # before its child: end the whole group, with SIGKILL for what stays
        group = self.proc.pid
        try:
            os.killpg(group, signal.SIGTERM)
            deadline = time.time() + 0.5
            while time.time() < deadline:
                os.killpg(group, 0)
                time.sleep(0.05)
            os.killpg(group, signal.SIGKILL)
        except ProcessLookupError:
            pass
        if self.proc.poll() is None:
            self.proc.wait()
        self.log.close()
        shutil.rmtree(self.home, ignore_errors=True)
        # the next game must not find this one's windows still on the display
        try:
            wait_for(lambda: not self.windows(visible=False), 10, 0.1, "the windows of a closed game to go")
        except AssertionError:
            pass

    def output(self):
        self.log.flush()
        with open(os.path.join(self.home, "program.log"), "rb") as f:
            return f.read().decode("utf-8", "replace")

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout=10):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("the program did not end")

    # -- X helpers

    def xdo(self, *args, check=True, timeout=10):
        out = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.x.env(), capture_output=True,
                             text=True, timeout=timeout)
        if check and out.returncode != 0:
            raise AssertionError("xdotool %s failed: %s" % (args, out.stderr))
        return out.stdout

    def windows(self, visible=True):
        """(id, name, x, y, w, h) of the program's top-level windows."""
        args = ["search"] + (["--onlyvisible"] if visible else []) + ["--classname", "tolvane32"]
        ids = self.xdo(*args, check=False).split()
        result = []
        for wid in ids:
            name = self.window_name(wid)
            geo = self.geometry(wid)
            if geo:
                result.append((wid, name) + geo)
        return result

    def window_name(self, wid):
        out = subprocess.run(["xdotool", "getwindowname", str(wid)], env=self.x.env(), capture_output=True,
                             timeout=10)
        return out.stdout.decode("utf-8", "replace").rstrip("\n")

    def geometry(self, wid):
        out = self.xdo("getwindowgeometry", "--shell", wid, check=False)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        try:
            return (int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"]))
        except KeyError:
            return None

    def find_window(self, title, timeout=10.0, exact=True):
        """Waits for a visible window of the program with this title."""
        def look():
            for w in self.windows():
                if (w[1] == title) if exact else w[1].startswith(title):
                    return w
            return None
        return wait_for(look, timeout, 0.1, "window %r" % title)

    def no_window(self, title, wait=1.0):
        """True when no window with this title shows within the time."""
        end = time.time() + wait
        while time.time() < end:
            if any(w[1] == title for w in self.windows()):
                return False
            time.sleep(0.1)
        return True

    def window_gone(self, wid, timeout=10.0):
        wait_for(lambda: all(w[0] != wid for w in self.windows()), timeout, 0.1, "window %s to close" % wid)

    def keys(self, wid, *keys):
        """Focuses a window and types keys into it with real X events."""
        self.xdo("windowfocus", wid, check=False)
        time.sleep(0.15)
        for key in keys:
            self.xdo("key", key)
            time.sleep(0.08)

    def type_text(self, wid, text):
        self.xdo("windowfocus", wid, check=False)
        time.sleep(0.15)
        self.xdo("type", "--delay", "40", text)

    def answer(self, title, *keys, timeout=10.0):
        """Waits for a window with the title, presses keys in it, waits until it has gone."""
        w = self.find_window(title, timeout)
        self.keys(w[0], *keys)
        self.window_gone(w[0])
        return w

    # -- the frame and the client area

    def wait_frame(self, timeout=30.0):
        def look():
            for w in self.windows():
                if w[1].startswith(CAPTION_PREFIX) or (w[4] == 640 and w[5] == 512):
                    return w
            return None
        self.frame = wait_for(look, timeout, 0.1, "the main window")
        return self.frame

    def caption(self):
        return self.window_name(self.frame[0])

    def grab_screen(self, x, y, w, h):
        out = subprocess.run([TOOLS["xtool"], "grab", str(x), str(y), str(w), str(h)], env=self.x.env(),
                             capture_output=True, timeout=10)
        assert out.returncode == 0, out.stderr
        return read_ppms(out.stdout)[0]

    def measure_client(self):
        """Finds the client origin and the strip height from the painted table."""
        fx, fy, fw, fh = self.frame[2:6]
        shot = self.grab_screen(fx, fy, fw, fh)
        col = 5
        y0 = next((y for y in range(fh) if shot.px(col, y) == TABLE_GREEN), None)
        assert y0 is not None, "no table green in the frame"
        x0 = next(x for x in range(fw) if shot.px(x, y0) == TABLE_GREEN)
        self.origin = (fx + x0, fy + y0)
        self.client_h = fh - y0
        # from the bottom: white score strip, then the light green record strip
        bottom = fh - 1
        white = 0
        while shot.px(x0 + 2, bottom - white) == WHITE:
            white += 1
        light = 0
        while shot.px(x0 + 2, bottom - white - light) == RECORD_GREEN:
            light += 1
        self.strip = (white, light)
        return self.origin

    def grab(self, x=0, y=0, w=None, h=None):
        """A region of the client area (client coordinates)."""
        w = CLIENT_W if w is None else w
        h = self.client_h if h is None else h
        return self.grab_screen(self.origin[0] + x, self.origin[1] + y, w, h)

    def burst(self, x, y, w, h, seconds):
        """Starts grabbing a client region as fast as possible; returns a handle for frames()."""
        return subprocess.Popen([TOOLS["xtool"], "burst", str(self.origin[0] + x), str(self.origin[1] + y),
                                 str(w), str(h), str(seconds)], env=self.x.env(), stdout=subprocess.PIPE)

    @staticmethod
    def frames(handle):
        out, _ = handle.communicate(timeout=60)
        return read_ppms(out)

    # -- input

    def click(self, x, y):
        """A left click at a client point."""
        # press and release rather than xdotool's "click", which sleeps a tenth of a second
        self.xdo("mousemove", self.origin[0] + x, self.origin[1] + y, "mousedown", "1", "mouseup", "1")
        time.sleep(0.02)

    def click_place(self, position, settle=0.05):
        """Clicks the visible top strip of a place. Two clicks in a row on one place
        are set apart by a few pixels so that they never make a double click."""
        x, y = position_xy(position)
        alt = self._alt.get(position, False)
        self._alt = {position: not alt}
        if position <= 2:
            x, y = x + (30 if alt else 50), y + (40 if alt else 60)
        else:
            x, y = x + (30 if alt else 44), y + (8 if alt else 13)
        self.click(x, y)
        if settle:
            time.sleep(settle)

    def request_close(self):
        """What a window manager's close box does: WM_DELETE_WINDOW to the frame."""
        subprocess.run([TOOLS["xtool"], "close", str(self.frame[0])], env=self.x.env(), check=True, timeout=10)

    def open_game_menu(self, by_mouse=False):
        """Opens the game menu with Alt+G, or with a click on the menu bar; returns
        its popup window once it shows."""
        frame_id = self.frame[0]
        if by_mouse:
            self.xdo("mousemove", self.frame[2] + 20, self.frame[3] + 12, "click", "1")
        else:
            self.xdo("windowfocus", frame_id, check=False)
            time.sleep(0.1)
            self.xdo("key", "alt+g")

        def popup():
            for w in self.windows():
                if w[0] != frame_id and w[1] in ("", "tolvane32") and w[4] < 640 and w[5] > 40:
                    return w
            return None
        w = wait_for(popup, 10, 0.05, "the game menu")
        time.sleep(0.2)
        return w

    MENU_ITEMS = {"deal": 0, "undo": 1, "cardback": 2, "exit": 3}

    def _menu_bands(self, popup):
        """The rows of the menu items' texts in the popup, top to bottom."""
        shot = self.grab_screen(*popup[2:6])
        background = shot.px(shot.w - 3, shot.h // 2)
        bands, inside = [], False
        for y in range(shot.h):
            ink = [shot.px(x, y) for x in range(4, shot.w - 4)]
            text = any(c != background and abs(sum(c) - sum(background)) > 120 for c in ink)
            separator = sum(1 for c in ink if c != background) > (shot.w - 8) * 0.8
            if text and not separator and not inside:
                bands.append([y, y])
                inside = True
            elif text and not separator:
                bands[-1][1] = y
            else:
                inside = False
        return shot, [b for b in bands if b[1] - b[0] >= 5]

    def menu_command(self, item):
        """Picks an item of the game menu with the mouse; False when the item did not
        take the click (a greyed item), in which case the menu is closed with Escape."""
        popup = self.open_game_menu(by_mouse=True)
        _, bands = self._menu_bands(popup)
        y0, y1 = bands[self.MENU_ITEMS[item]]
        self.xdo("mousemove", popup[2] + 40, popup[3] + (y0 + y1) // 2)
        time.sleep(0.15)
        self.xdo("click", "1")
        try:
            self.window_gone(popup[0], timeout=1.5)
            return True
        except AssertionError:
            self.xdo("key", "Escape")
            self.window_gone(popup[0])
            return False

    def menu_items_enabled(self):
        """Opens the game menu with the mouse and tells, item by item (deal, undo,
        card back, exit), whether its text is drawn in ink (enabled) or greyed
        (disabled); closes the menu again."""
        popup = self.open_game_menu(by_mouse=True)
        shot, bands = self._menu_bands(popup)
        result = [shot.count_where(dark, 4, y0, shot.w - 4, y1 + 1) > 15 for y0, y1 in bands]
        self.xdo("key", "Escape")
        time.sleep(0.1)
        self.window_gone(popup[0])
        return result

    # -- reading the table

    def triangle_on_screen(self, shot=None):
        """For each triangle place, the codes whose top strip shows there ({0} for
        bare table). Only the top strip of a covered card is visible, and an ace
        of hearts and one of diamonds may look alike there: hence sets."""
        shot = shot or self.grab()
        return [self.identify(shot, *position_xy(index + 3)) for index in range(28)]

    def identify(self, shot, x, y):
        if all(shot.px(x + dx, y + dy) == TABLE_GREEN for dx, dy in ((20, 5), (38, 10), (60, 15))):
            return {0}
        codes = list(range(0x01, 0x0E)) + list(range(0x11, 0x1E)) + list(range(0x21, 0x2E)) + \
            list(range(0x31, 0x3E)) + [0x80, 0x81]
        return {c for c in codes if self.strip_matches(shot, x, y, self.pictures[face_picture(c)])}

    @staticmethod
    def shows(seen, triangle):
        """Whether the places seen agree with a triangle of codes."""
        return all(code in places for code, places in zip(triangle, seen))

    @staticmethod
    def full_deal(seen):
        """Whether every place shows a card."""
        return all(places and 0 not in places for places in seen)

    @staticmethod
    def strip_matches(shot, x, y, face, rows=range(3, 18), cols=range(6, 70, 2)):
        for dy in rows:
            for dx in cols:
                if face.opaque(dx, dy) and shot.px(x + dx, y + dy) != face.px(dx, dy):
                    return False
        return True

    def wait_deal(self, timeout=30.0):
        """Waits for the first deal and finds which clock second it was made in."""
        self.wait_frame(timeout)
        wait_for(lambda: self._client_painted(), timeout, 0.1, "the table to be painted")
        self.measure_client()
        candidates = [deal_for(self.start_time + k) for k in range(4)]

        def match():
            seen = self.triangle_on_screen()
            for d in candidates:
                if self.shows(seen, d.triangle):
                    return d
            return None
        try:
            self.deal = wait_for(match, timeout, 0.2, "a dealt table that the solver knows")
        except AssertionError:
            raise AssertionError("table %s matches no deal of %d..%d" %
                                 (self.triangle_on_screen(), self.start_time, self.start_time + 3))
        return self.deal

    def _client_painted(self):
        fx, fy, fw, fh = self.frame[2:6]
        shot = self.grab_screen(fx, fy, fw, fh)
        return any(shot.px(5, y) == TABLE_GREEN for y in range(0, 60))

    # -- the expected table

    def expected_table(self, state, selected=None, stock_picture=None):
        """Paints the table area as the view should: green, stock, waste, triangle.
        Returns (rgb bytearray, care bytearray) for the top 300 rows; the cut corners
        of every card are left out of the comparison."""
        width, height = CLIENT_W, 300
        rgb = bytearray(bytes(TABLE_GREEN) * (width * height))
        care = bytearray(b"\x01" * (width * height))

        def draw(picture, x0, y0, invert=False):
            face = self.pictures[picture]
            for dy in range(CARD_H):
                y = y0 + dy
                if y >= height:
                    break
                row = face.data[dy * CARD_W * 3:(dy + 1) * CARD_W * 3]
                if invert:
                    row = row.translate(INVERT)
                at = (y * width + x0) * 3
                band = dy < 6 or dy > CARD_H - 7
                if band:
                    rgb[at + 18:at + (CARD_W - 6) * 3] = row[18:(CARD_W - 6) * 3]
                    care[y * width + x0:y * width + x0 + CARD_W] = CORNER_ROW
                else:
                    rgb[at:at + CARD_W * 3] = row
                    care[y * width + x0:y * width + x0 + CARD_W] = FULL_ROW

        if stock_picture is None:
            if state["stock"] > 0:
                stock_picture = BACKS[0]
            else:
                stock_picture = STOCK_NG if state["recycle"] >= 3 else STOCK_OK
        draw(stock_picture, 10, 4)
        if state["waste"]:
            draw(face_picture(state["waste"]), 97, 4, invert=state["sel"] == 2)
        for index, code in enumerate(state["triangle"]):
            if code:
                x, y = position_xy(index + 3)
                draw(face_picture(code), x, y, invert=state["sel"] == index + 3)
        return rgb, care, width, height

    def table_mismatches(self, state, shot=None, stock_picture=None, limit=20):
        """Pixels of the table area that differ from what the view should paint."""
        rgb, care, width, height = self.expected_table(state, stock_picture=stock_picture)
        shot = shot or self.grab(0, 0, width, height)
        bad = []
        for y in range(height):
            a = rgb[y * width * 3:(y + 1) * width * 3]
            b = shot.data[y * shot.w * 3:y * shot.w * 3 + width * 3]
            if a == b:
                continue
            for x in range(width):
                i = y * width + x
                if care[i] and a[x * 3:x * 3 + 3] != b[x * 3:x * 3 + 3]:
                    bad.append((x, y, tuple(a[x * 3:x * 3 + 3]), tuple(b[x * 3:x * 3 + 3])))
                    if len(bad) >= limit:
                        return bad
        return bad

    def wait_table(self, state, timeout=5.0, stock_picture=None):
        """Waits until the table area shows the state; fails with the differences."""
        last = []

        def ok():
            nonlocal last
            last = self.table_mismatches(state, stock_picture=stock_picture)
            return not last
        try:
            wait_for(ok, timeout, 0.1, "the table")
        except AssertionError:
            path = os.path.join(tempfile.gettempdir(), "tolvane-e2e-failed-table.ppm")
            self.grab().save_ppm(path)
            raise AssertionError("table differs at (x, y, expected, seen): %s (screen in %s)" % (last[:8], path))

    def settings_text(self):
        try:
            with open(self.ini_path, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except FileNotFoundError:
            return None


class GameTestCase(unittest.TestCase):
    """One X server and the card pictures for the whole file; a game per test."""

    @classmethod
    def setUpClass(cls):
        cls.xserver = XServer()
        cls.pictures = Pictures()

    @classmethod
    def tearDownClass(cls):
        cls.pictures.close()
        cls.xserver.close()

    def setUp(self):
        self._began = time.time()
        self.addCleanup(self._report_time)

    def _report_time(self):
        sys.stderr.write("[%.1f s] " % (time.time() - self._began))

    def start(self, start_time=BASE_TIME, ini=None, speed=None, deal=True):
        game = Game(self.xserver, self.pictures, start_time, ini, speed)
        self.addCleanup(game.close)
        self.addCleanup(self._dump_on_failure, game)
        if deal:
            game.wait_deal()
        else:
            game.wait_frame()
        return game

    def _dump_on_failure(self, game):
        # the program's own output goes to the log only when this test went wrong
        result = getattr(getattr(self, "_outcome", None), "result", None)
        if result is None:
            return
        problems = [t for t, _ in list(result.failures) + list(result.errors)]
        if self in problems or getattr(self._outcome, "success", True) is False:
            sys.stderr.write("\n---- program output ----\n" + game.output() + "\n")

    def play(self, game, clicks, messages=None, settle=0.02):
        """Clicks a line of places as the model plays it. The joker notice is answered
        with Return (Yes) where the solver says it comes; after every click that
        removes cards the table is compared with the model, which also waits for
        the falling cards, however long the program takes over them."""
        messages = messages or {}
        states = replay(game.deal.time, clicks).states
        for i, position in enumerate(clicks):
            game.click_place(position, settle)
            for ident in messages.get(i, []):
                if ident == 60006:
                    game.answer(MESSAGE_TITLE, "Return")
            before, after = states[i], states[i + 1]
            if after["score"] != before["score"] or after["triangle"] != before["triangle"] or \
                    (after["waste"] != before["waste"] and after["stock"] == before["stock"]):
                game.wait_table(after, timeout=20)
        return states[-1]


def deals_from(t0, count):
    deals, _ = run_solver("deal", t0, t0 + count - 1)
    return deals


def pick_time(predicate, t0=BASE_TIME, span=4):
    """A start time whose deal, and the deals of the next span-1 seconds (the deal
    may come a second or two after the start), all satisfy predicate."""
    deals = deals_from(t0, 256 + span)
    for i in range(256):
        if all(predicate(d) for d in deals[i:i + span]):
            return deals[i].time
    raise AssertionError("no start time has such a deal")
