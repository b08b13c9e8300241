#!/usr/bin/env python3
"""Start-up time and memory of the game beside two other solitaire programs,
at the toolkit scales 1 and 2 (ordinary and high-density screens).

From exec to the first dealt table on the screen (the apex card and the stock
painted), median of ten runs on a private Xvfb display, in wall-clock time and
in the processor time the program used by then; then the resident and
proportional set sizes of the process right after the first deal
(/proc/PID/smaps_rollup) and the peak resident size up to then (VmHWM,
which counts what start-up held for a while and let go), and the processor
time it takes while it waits idle. The scale is the toolkit's own: GDK_SCALE for the game and AisleRiot
(GTK 3), QT_SCALE_FACTOR for KPat. The peers are measured in the same way up
to their main window being mapped; the script installs them with apt-get
when they are missing. Figures only: nothing is asserted.

    python3 bench/startup.py --exe build/tolvane32 [--runs 10] [--scales 1,2]
        [--peers aisleriot,kpat | --no-peers] [--compare OTHER_BUILD/tolvane32]

--compare measures another build of the game the same way (for example one
from before a change), so that both land in one table.

    python3 bench/startup.py --exe build/tolvane32 --bare build/bench/bare_frame
        [--runs 10] [--scales 1,2,3]

--bare measures memory alone: the game's RSS and PSS two seconds after its
first window is mapped, beside those of the bare toolkit frame
(bench/bare_frame.cpp) at the same moment, at each scale (default 1, 2 and 3),
with the ratio of the medians and the spread (lowest and highest) of each.
The frame runs without the toolkit's OpenGL set-up, as the game starts
itself. The screen is read
with Xlib through ctypes; the script needs Xvfb and xdotool (tools/deps.sh).
"""

import ctypes
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

TABLE_GREEN = (0, 127, 0)
# The main frame opens at (4, 4) logical pixels; the apex and the stock card
# are 77 x 106 at (271, 57) and (10, 4) in the client area.
FRAME_ORIGIN = 4
APEX = (271 + 38, 57 + 10)
STOCK = (10 + 38, 4 + 50)


class Screen:
    """Pixels of an X display's root window, read with Xlib."""

    def __init__(self, display):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.c_void_p
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                     ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XGetPixel.restype = ctypes.c_ulong
        self.x.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        self.x.XDestroyImage.argtypes = [ctypes.c_void_p]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = None
        deadline = time.monotonic() + 10
        while not self.display and time.monotonic() < deadline:
            self.display = self.x.XOpenDisplay(display.encode())
            time.sleep(0.05)
        if not self.display:
            raise RuntimeError("cannot open the display %s" % display)
        self.root = self.x.XDefaultRootWindow(self.display)

    def column(self, x, y, h):
        """The colours of h pixels from (x, y) down, as (r, g, b)."""
        image = self.x.XGetImage(self.display, self.root, x, y, 1, h, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            return []
        try:
            pixels = [self.x.XGetPixel(image, 0, i) for i in range(h)]
        finally:
            self.x.XDestroyImage(image)
        return [((p >> 16) & 255, (p >> 8) & 255, p & 255) for p in pixels]

    def close(self):
        self.x.XCloseDisplay(self.display)


class XServer:
    """A private Xvfb large enough for the window at scale 2 (and 3)."""

    def __init__(self):
        # the server picks a display number nobody uses and writes it to us
        read, write = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "2000x1600x24", "-nolisten",
                                      "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number
        self.screen = Screen(self.name)

    def env(self):
        env = dict(os.environ, DISPLAY=self.name, NO_AT_BRIDGE="1", GTK_A11Y="none", SDL_AUDIODRIVER="dummy")
        env.pop("GDK_SCALE", None)
        env.pop("QT_SCALE_FACTOR", None)
        return env

    def close(self):
        self.screen.close()
        self.proc.terminate()
        self.proc.wait()


def memory(pid):
    """Resident, proportional and peak resident set size in kB."""
    values = {}
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            for line in f:
                parts = line.split()
                if parts and parts[0] in ("Rss:", "Pss:"):
                    values[parts[0][:-1]] = int(parts[1])
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                parts = line.split()
                if parts and parts[0] == "VmHWM:":
                    values["HWM"] = int(parts[1])
    except OSError:  # a helper process that has just gone
        pass
    return values.get("Rss", 0), values.get("Pss", 0), values.get("HWM", 0)


def descendants(pid):
    """The process and its children (a launcher may exec or fork the program)."""
    out = subprocess.run(["ps", "-e", "-o", "pid=,ppid="], capture_output=True, text=True).stdout
    children = {}
    for line in out.strip().splitlines():
        p, pp = map(int, line.split())
        children.setdefault(pp, []).append(p)
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        todo.extend(children.get(p, []))
    return found


def total_memory(pid):
    rss = pss = hwm = 0
    for p in descendants(pid):
        r, s, h = memory(p)
        rss += r
        pss += s
        hwm += h
    return rss, pss, hwm


def cpu_seconds(pids):
    total = 0
    for p in pids:
        try:
            with open("/proc/%d/stat" % p) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except (OSError, IndexError):
            pass
    return total / os.sysconf("SC_CLK_TCK")


def idle_cpu(pid, seconds=5.0):
    """Share of one processor the program takes while nothing happens."""
    pids = descendants(pid)
    before = cpu_seconds(pids)
    time.sleep(seconds)
    return (cpu_seconds(pids) - before) / seconds


class Run:
    def __init__(self, xserver, argv, scale_env):
        self.home = tempfile.mkdtemp(prefix="tolvane-bench-")
        env = xserver.env()
        env["PATH"] = GAME_PATH
        env.update(HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                   XDG_CACHE_HOME=os.path.join(self.home, "cache"), XDG_DATA_HOME=os.path.join(self.home, "data"),
                   XDG_RUNTIME_DIR=self.home)
        env.update(scale_env)
        for d in ("config", "cache", "data"):
            os.makedirs(os.path.join(self.home, d))
        self.env = env
        self.began = time.perf_counter()
        self.proc = subprocess.Popen(argv, cwd=self.home, env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, start_new_session=True)

    def close(self):
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.proc.wait()
        shutil.rmtree(self.home, ignore_errors=True)


def settle(run, pid, idle):
    """Processor time up to the first picture (less sensitive to the load of
    a shared machine than the wall clock), memory a moment later, and the
    idle CPU when asked."""
    busy = cpu_seconds(descendants(pid))
    time.sleep(0.3)
    mem = total_memory(pid)
    cpu = idle_cpu(pid) if idle else None
    return mem + (busy,), cpu


def time_ours(xserver, exe, scale, idle=False):
    """Seconds to the first dealt table at the scale, and memory then."""
    run = Run(xserver, [exe], {"GDK_SCALE": str(scale)})
    screen = xserver.screen
    s = scale
    try:
        deadline = time.perf_counter() + 60
        while time.perf_counter() < deadline:
            # the client's top is the first row of table green below the menu bar
            column = screen.column(s * (FRAME_ORIGIN + 5), s * FRAME_ORIGIN, 60 * s)
            top = next((i for i, c in enumerate(column) if c == TABLE_GREEN), None)
            if top is not None:
                top += s * FRAME_ORIGIN
                apex = screen.column(s * (FRAME_ORIGIN + APEX[0]), top + s * APEX[1], 1)
                stock = screen.column(s * (FRAME_ORIGIN + STOCK[0]), top + s * STOCK[1], 1)
                if apex and stock and apex[0] != TABLE_GREEN and stock[0] != TABLE_GREEN:
                    seconds = time.perf_counter() - run.began
                    return (seconds,) + settle(run, run.proc.pid, idle)
            time.sleep(0.005)
        raise RuntimeError("no dealt table within a minute")
    finally:
        run.close()


def time_peer(xserver, argv, classname, scale_env, idle=False):
    """Seconds to the peer's main window being mapped, and memory then."""
    run = Run(xserver, argv, scale_env)
    try:
        deadline = time.perf_counter() + 60
        while time.perf_counter() < deadline:
            out = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", classname], env=run.env,
                                 capture_output=True, text=True).stdout.split()
            if out:
                seconds = time.perf_counter() - run.began
                # the window's owner: a launcher may have handed over to another process
                owner = subprocess.run(["xdotool", "getwindowpid", out[0]], env=run.env, capture_output=True,
                                       text=True).stdout.strip()
                pid = int(owner) if owner.isdigit() else run.proc.pid
                return (seconds,) + settle(run, pid, idle)
            time.sleep(0.005)
        raise RuntimeError("%s showed no window within a minute" % argv[0])
    finally:
        run.close()


# Debian puts games in /usr/games, which a test shell's PATH may lack.
GAME_PATH = os.environ.get("PATH", "/usr/bin:/bin") + ":/usr/games"

# package, program, command, window class name, the toolkit's scale variable
PEERS = {
    "aisleriot": ("sol", ["sol"], "sol", "GDK_SCALE"),
    # KPat will not start without a session bus: it gets a private one, whose start counts
    "kpat": ("kpat", ["dbus-run-session", "--", "kpat"], "kpat", "QT_SCALE_FACTOR"),
}


def ensure(package, program):
    if shutil.which(program, path=GAME_PATH):
        return True
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends", package], env=env)
    return shutil.which(program, path=GAME_PATH) is not None


def rss_after_window(xserver, argv, classname, scale_env, seconds=2.0):
    """RSS and PSS in kB `seconds` after the program's first window is mapped."""
    run = Run(xserver, argv, scale_env)
    try:
        deadline = time.perf_counter() + 60
        while time.perf_counter() < deadline:
            out = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", classname], env=run.env,
                                 capture_output=True, text=True).stdout.split()
            if out:
                time.sleep(seconds)
                rss, pss, _ = total_memory(run.proc.pid)
                return rss, pss
            time.sleep(0.01)
        raise RuntimeError("%s showed no window within a minute" % argv[0])
    finally:
        run.close()


def measure_bare(xserver, exe, bare, scales, runs, compare=None):
    """The game (and the build to compare) and the bare frame in turns, scale
    by scale, run by run; the first round fills the caches and is not counted."""
    programs = [("tolvane32", [exe], "tolvane32", {})]
    if compare:
        programs.append(("--compare", [compare], "tolvane32", {}))
    programs.append(("bare frame", [bare], "bare_frame", {"GDK_GL": "disable"}))
    samples = {}
    for r in range(runs + 1):
        for scale in scales:
            for name, argv, classname, env in programs:
                mem = rss_after_window(xserver, argv, classname, dict(env, GDK_SCALE=str(scale)))
                if r > 0:
                    samples.setdefault((name, scale), []).append(mem)
    print()
    print("%5s  %-10s %8s %17s %8s %17s %7s" % ("scale", "program", "RSS kB", "(lowest-highest)", "PSS kB",
                                                 "(lowest-highest)", "RSS/bare"))
    for scale in scales:
        bare_rss = statistics.median(m[0] for m in samples[("bare frame", scale)])
        for name, _, _, _ in programs:
            values = samples[(name, scale)]
            rss = [m[0] for m in values]
            pss = [m[1] for m in values]
            print("%5d  %-10s %8d %17s %8d %17s %7.3f" % (
                scale, name, statistics.median(rss), "(%d-%d)" % (min(rss), max(rss)), statistics.median(pss),
                "(%d-%d)" % (min(pss), max(pss)), statistics.median(rss) / bare_rss))
    print("(median of %d runs each, 2 s after the first window is mapped, private Xvfb, no window manager)" % runs)


def measure(configs, runs):
    """One row per configuration (name, scale, once). The first run of each
    is not counted (it fills font and icon caches) but gives the idle CPU;
    then the configurations take turns, run by run, so that a change of load
    on the machine falls on all of them alike; medians of `runs` runs."""
    idle = [once(True)[2] for _, _, once in configs]
    samples = [[] for _ in configs]
    for _ in range(runs):
        for i, (_, _, once) in enumerate(configs):
            seconds, mem, _ = once(False)
            samples[i].append((seconds, mem[3], mem[0], mem[1], mem[2]))
    return [(name, scale) + tuple(statistics.median(v[k] for v in samples[i]) for k in range(5)) + (idle[i],)
            for i, (name, scale, _) in enumerate(configs)]


def main():
    import argparse
    parser = argparse.ArgumentParser(description="start-up time and memory beside the peers, at scales 1 and 2")
    parser.add_argument("--exe", required=True, help="the built tolvane32")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--scales", help="toolkit scales, comma-separated (default 1,2; with --bare 1,2,3)")
    parser.add_argument("--peers", default="aisleriot,kpat", help="peers to measure (default aisleriot,kpat)")
    parser.add_argument("--no-peers", action="store_true", help="measure the game alone")
    parser.add_argument("--compare", help="another build of tolvane32, measured the same way")
    parser.add_argument("--bare", help="the built bench/bare_frame: start memory beside it, scales 1-3 by default")
    args = parser.parse_args()
    scales = [int(s) for s in (args.scales or ("1,2,3" if args.bare else "1,2")).split(",")]
    if args.bare:
        xserver = XServer()
        try:
            measure_bare(xserver, os.path.abspath(args.exe), os.path.abspath(args.bare), scales, args.runs,
                         args.compare and os.path.abspath(args.compare))
        finally:
            xserver.close()
        return
    games = [("tolvane32", os.path.abspath(args.exe))]
    if args.compare:
        games.append(("tolvane32 (--compare)", os.path.abspath(args.compare)))
    peers = [] if args.no_peers else [p for p in args.peers.split(",") if p]

    xserver = XServer()
    configs = []
    try:
        def ours(exe, scale):
            return lambda idle: time_ours(xserver, exe, scale, idle)

        def peer(argv, classname, env):
            return lambda idle: time_peer(xserver, argv, classname, env, idle)

        for name, exe in games:
            for scale in scales:
                configs.append((name, scale, ours(exe, scale)))
        for package in peers:
            program, argv, classname, variable = PEERS[package]
            if not ensure(package, program):
                print("%s: not available, skipped" % package)
                continue
            for scale in scales:
                configs.append((package, scale, peer(argv, classname, {variable: str(scale)})))
        rows = measure(configs, args.runs)
    finally:
        xserver.close()

    base = rows[0]
    print()
    print("%-24s %5s %8s %7s %8s %8s %8s %8s %7s %7s %7s" % ("program", "scale", "start s", "CPU s", "RSS kB", "PSS kB",
                                                              "HWM kB", "idle CPU", "t/ours", "CPU/our", "RSS/our"))
    for name, scale, seconds, busy, rss, pss, hwm, idle in rows:
        print("%-24s %5d %8.3f %7.2f %8d %8d %8d %8s %7.2f %7.2f %7.2f" % (
            name, scale, seconds, busy, rss, pss, hwm, "-" if idle is None else "%.1f%%" % (100 * idle),
            seconds / base[2], busy / max(base[3], 0.01), rss / max(base[4], 1)))
    print("(median of %d runs each, private Xvfb, no window manager; ratios to tolvane32 at scale %d;"
          " the game to its dealt table, the peers to their window)" % (args.runs, base[1]))


if __name__ == "__main__":
    main()
