#!/usr/bin/env python3
"""An evening of play, through real input on a private Xvfb display at scale 1:
the memory of the program at its stages and the latencies of its sounds.

Each run starts the game under a fake clock (its first deal is one that
known_deal clears), clears that deal (the record's name dialog, the
celebration and its tune included), then plays ROUNDS more deals: a deal from
the menu, a few removals with their falls and sounds, and now and then the
card-back dialog, About and the help window. known_deal knows the cards of
every deal from the clock times of the deals before it.

The sound goes to a private PulseAudio server with one null sink, and parec
records its monitor; every piece read is stamped with the time it arrived.
Latencies: from the press that removes a card to the first loud sample of its
sound (the first sound of the run apart), and from the celebration window's
first appearance on screen to the first loud sample of the tune.

Memory: RSS and PSS (/proc/PID/smaps_rollup) at the first deal, after the
first fall, after the clear, after the help window has closed, and at the
end, and those of the help viewer while its window is open (a process of
its own, started by the game); the ratio of the end to the first deal, and the growth over the second
half of the rounds. Medians and spread over RUNS runs; --compare measures
another build the same way in the same run. Figures only: nothing is asserted.

    python3 bench/evening.py --build build-test [--runs 3] [--rounds 24]
        [--no-help] [--detail] [--smaps DIR] [--compare OTHER/tolvane32]
"""

import argparse
import ctypes
import os
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from types import SimpleNamespace

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
sys.path.insert(0, HERE)
import e2e  # noqa: E402
import startup  # noqa: E402
from e2e import CLOTH, NAME_DIALOG, START, TITLE, Game, wait_for  # noqa: E402

CARD_BACK_DIALOG = "カード絵柄の選択"
ABOUT = "KadorinTolvane３２のﾊﾞｰｼﾞｮﾝ情報"
RATE = 44100 * 4  # bytes a second: 16-bit stereo
LOUD = 1000


class Screen(startup.Screen):
    """Single pixels of the display and presses through XTest: far quicker than import and xdotool."""

    def press(self, x, y):
        """A left press and release at a root point through XTest; the time the press left."""
        xtst = ctypes.CDLL("libXtst.so.6")
        xtst.XTestFakeMotionEvent(ctypes.c_void_p(self.display), -1, x, y, 0)
        self.x.XFlush(ctypes.c_void_p(self.display))
        time.sleep(0.03)
        xtst.XTestFakeButtonEvent(ctypes.c_void_p(self.display), 1, 1, 0)
        self.x.XFlush(ctypes.c_void_p(self.display))
        pressed = time.monotonic()
        xtst.XTestFakeButtonEvent(ctypes.c_void_p(self.display), 1, 0, 0)
        self.x.XFlush(ctypes.c_void_p(self.display))
        return pressed

    def pixel(self, x, y):
        return bytes(self.column(x, y, 1)[0])


class Sink:
    """A private PulseAudio server with one null sink, and a recorder of its
    monitor that keeps the arrival time of every loud piece."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="tolvane-evening-pulse-")
        os.makedirs(self.folder + "/run")
        self.socket = self.folder + "/socket"
        env = dict(os.environ, HOME=self.folder, XDG_RUNTIME_DIR=self.folder + "/run")
        self.server = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--load=module-null-sink sink_name=test",
             "--load=module-native-protocol-unix auth-anonymous=1 socket=" + self.socket],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.env = dict(os.environ, PULSE_SERVER="unix:" + self.socket)
        wait_for("the sound server", lambda: subprocess.run(["pactl", "info"], env=self.env,
                                                           capture_output=True).returncode == 0)
        self.recorder = subprocess.Popen(["parec", "-d", "test.monitor", "--raw", "--format=s16le", "--rate=44100",
                                          "--channels=2", "--latency-msec=5"], env=self.env, stdout=subprocess.PIPE)
        self.loud = []  # arrival-corrected times of the first loud sample of each loud piece
        self.lock = threading.Lock()
        threading.Thread(target=self.record, daemon=True).start()

    def record(self):
        fd = self.recorder.stdout.fileno()
        rest = b""
        while True:
            piece = os.read(fd, 4096)
            now = time.monotonic()
            if not piece:
                return
            data = rest + piece
            usable = len(data) - len(data) % 2
            rest = data[usable:]
            samples = memoryview(data[:usable]).cast("h")
            for i in range(len(samples)):
                if abs(samples[i]) > LOUD:
                    with self.lock:
                        self.loud.append(now - (usable - 2 * i) / RATE)
                    break

    def first_loud_after(self, t, within=2.0):
        """The time of the first loud sample after t, waiting up to `within` seconds for it."""
        def find():
            with self.lock:
                return next((x for x in self.loud if x >= t), None)
        end = time.monotonic() + within
        while (found := find()) is None and time.monotonic() < end:
            time.sleep(0.005)
        return found

    def close(self):
        for p in (self.recorder, self.server):
            p.kill()
            p.wait()


def breakdown(pid):
    """RSS in MB by kind of mapping: anonymous (heaps, stacks), the soundfont and the
    libraries and other files."""
    kinds = {"anon": 0, "files": 0}
    kind = "anon"
    with open("/proc/%d/smaps" % pid) as f:
        for line in f:
            parts = line.split()
            if "-" in parts[0] and len(parts) >= 5:
                kind = "files" if len(parts) >= 6 and parts[5].startswith("/") else "anon"
            elif parts[0] == "Rss:":
                kinds[kind] += int(parts[1]) / 1024
    return kinds


def memory(pid):
    """(RSS, PSS) in MB from smaps_rollup."""
    fields = {}
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            parts = line.split()
            if parts[0] in ("Rss:", "Pss:"):
                fields[parts[0]] = int(parts[1]) / 1024
    return fields["Rss:"], fields["Pss:"]


def children(pid):
    """The processes whose parent is pid."""
    found = []
    for entry in os.listdir("/proc"):
        try:
            with open("/proc/%s/stat" % entry) as f:
                if entry.isdigit() and int(f.read().rsplit(")", 1)[1].split()[1]) == pid:
                    found.append(int(entry))
        except OSError:  # not a process, or one that has just gone
            pass
    return found


class Evening:
    def __init__(self, options, exe, display, sink):
        self.options, self.sink = options, sink
        e2e.TOOLS.update(exe=exe, deal=options.known_deal)
        self.host = SimpleNamespace(display=display)
        self.screen = Screen(display)
        self.stages = {}
        self.rss_by_round = []
        self.removals = []  # latencies of the removal sounds after the first, ms
        self.help_opens = []  # from the menu key to the help window on screen, ms
        self.viewer = []  # (RSS, PSS) of a help viewer process while its window is open
        self.first_sound = None
        self.tune = None
        self.times = []  # clock times of the deals so far
        self.where = "the start"  # for a run left out: where it was

    # -- the table

    def expected(self, times, clicks):
        out = subprocess.run([self.options.known_deal, "table", ",".join(map(str, times)), "0", *clicks],
                             capture_output=True, check=True).stdout
        n = e2e.W * e2e.H * 3
        return int.from_bytes(out[:n], "big"), int.from_bytes(out[n:], "big")

    def fake_now(self):
        return START + time.monotonic() - self.game.launched

    def wait_new_deal(self, since, draws=(0,)):
        """Finds the clock second of the deal just made among those it may have been made in,
        and after a clear, how many numbers the celebration drew from the deals' generator:
        a few of those counts at a time, the likeliest first, until one shows the table."""
        seconds = range(int(since) - 4, int(self.fake_now()) + 3)
        chunks = [draws[i:i + 50] for i in range(0, len(draws), 50)]
        for k, chunk in enumerate(chunks):
            tables = {c: self.expected(self.times + [c], []) for c in ("%d:%d" % (t, n) for t in seconds for n in chunk)}
            try:
                self.times.append(self.game.wait_tables("the deal of the evening", tables, 20 if k == 0 else 1))
                return
            except AssertionError:
                if k == len(chunks) - 1:
                    raise

    def cloth_shown(self):
        x, y = self.game.origin
        return self.screen.pixel(x + 320, y + 250) == CLOTH

    # -- input

    def press(self, point):
        """A press that removes a card: the latency of its sound, in ms."""
        x, y = map(int, point.split(","))
        before = self.screen.press(self.game.origin[0] + x, self.game.origin[1] + y)
        heard = self.sink.first_loud_after(before, within=1.0)
        return (heard - before) * 1000 if heard is not None else None

    def play_line(self, points, clicked):
        """Presses the points, the last of which removes, and waits for the table after them."""
        for p in points[:-1]:
            self.game.click(p)
            clicked.append(p)
            time.sleep(0.06)
        latency = self.press(points[-1])
        clicked.append(points[-1])
        self.game.wait_tables("the table after the removal", {1: self.expected(self.times, clicked)})
        # The second card is still falling below the part compared; a press
        # now would wait for its fall, not for the sound.
        time.sleep(0.5)
        if self.first_sound is None:
            self.first_sound = latency
        else:
            self.removals.append(latency)

    def stage(self, name):
        self.stages[name] = memory(self.game.proc.pid)
        if self.options.smaps:  # for a look at which mappings grew: one file a stage, the last run's
            with open("/proc/%d/smaps" % self.game.proc.pid) as f, \
                    open(os.path.join(self.options.smaps, name.replace(" ", "_")), "w") as out:
                out.write(f.read())
        if self.options.detail:
            print("  %-16s %s" % (name, ", ".join("%s %.1f" % kv for kv in breakdown(self.game.proc.pid).items())))

    # -- the evening

    def run(self):
        env = {"SDL_AUDIODRIVER": "pulseaudio", "PULSE_SERVER": "unix:" + self.sink.socket}
        with Game(self.host, env=env) as game:
            self.game = game
            # The harness parks the pointer in the screen's corner; the evening's
            # deals were found with it where the X server put it, mid-screen.
            game.xdo("mousemove", 512, 384)
            game.wait_deal()
            self.times = [game.deal]
            time.sleep(1.0)
            self.stage("first deal")
            self.where = "the first deal"
            self.clear_first_deal()
            for round_ in range(1, self.options.rounds + 1):
                self.where = "round %d" % round_
                self.play_round(round_)
                self.rss_by_round.append(memory(game.proc.pid)[0])
            time.sleep(1.0)
            self.stage("end")

    def clear_first_deal(self):
        solved = subprocess.run([self.options.known_deal, "solve", str(self.game.deal)], capture_output=True, text=True,
                                check=True)
        line = solved.stdout.split("\n")[0].split()
        clicked = []
        for i, point in enumerate(line[:-1]):
            x, y = map(int, point.split(","))
            before = self.screen.press(self.game.origin[0] + x, self.game.origin[1] + y)
            clicked.append(point)
            self.game.wait_tables("the table after %d clicks" % len(clicked), {1: self.expected(self.times, clicked)})
            time.sleep(0.5)
            heard = self.sink.first_loud_after(before, within=0.0)
            if heard is not None and heard - before < 1.0:
                latency = (heard - before) * 1000
                if self.first_sound is None:
                    self.first_sound = latency
                    time.sleep(0.5)
                    self.stage("first fall")
                else:
                    self.removals.append(latency)
        # the last press clears: its falls, the record's name, then the celebration and its tune
        self.game.click(line[-1])
        quiet_from = 0  # after the record's name, if it is asked
        shown = None
        asked = time.monotonic()
        while shown is None:
            if self.cloth_shown():
                shown = time.monotonic()
            elif time.monotonic() - asked > 0.25:
                if any(t == NAME_DIALOG for t in self.game.windows().values()):
                    self.game.answer(NAME_DIALOG, "Return", text="Bench")
                    quiet_from = time.monotonic()
                asked = time.monotonic()
            else:
                time.sleep(0.002)
        # The last removal sound ended while its card fell, half a second or more before.
        heard = self.sink.first_loud_after(max(quiet_from, shown - 0.25), within=5.0)
        self.tune = (heard - shown) * 1000 if heard is not None else None
        time.sleep(2.0)
        self.game.click("320,200")  # the tune stops, and OK deals again
        since = self.fake_now()
        self.game.answer(TITLE, "Return")
        self.wait_new_deal(since, draws=range(1000))
        time.sleep(1.5)
        self.stage("after the clear")

    def play_round(self, round_):
        if round_ > 1:
            since = self.fake_now()
            self.game.menu("n")
            self.wait_new_deal(since)
        out = subprocess.run([self.options.known_deal, "play", ",".join(map(str, self.times)), "3"],
                             capture_output=True, text=True, check=True).stdout
        clicked = []
        for line in out.splitlines():
            self.play_line(line.split(), clicked)
        if round_ % 4 == 1:
            self.game.menu("c")
            self.game.answer(CARD_BACK_DIALOG, "Escape")
        if round_ % 4 == 2:
            self.help_menu("a")
            self.game.answer(ABOUT, "Return")
        if round_ % 4 == 3 and not self.options.no_help:
            before = set(self.game.windows())
            asked = time.monotonic()
            self.help_menu("h")
            window = wait_for("the help window", lambda: next(iter(set(self.game.windows()) - before), None))
            self.help_opens.append(1000 * (time.monotonic() - asked))
            time.sleep(0.5)
            self.viewer += [memory(pid) for pid in children(self.game.proc.pid)]
            self.close(window)
            wait_for("the help window to close", lambda: window not in self.game.windows())
            if "after the help" not in self.stages:
                time.sleep(1.0)
                self.stage("after the help")

    def help_menu(self, key):
        self.game.focus(self.game.frame)
        self.game.xdo("key", "alt+h")
        wait_for("the help menu", lambda: len(self.game.windows()) > 1)
        self.game.xdo("key", key)

    def close(self, window):
        frame = self.game.frame
        self.game.frame = window
        self.game.close_box()
        self.game.frame = frame


def spread(values):
    values = [v for v in values if v is not None]
    if not values:
        return "n/a"
    return "%8.1f  [%6.1f .. %6.1f]" % (statistics.median(values), min(values), max(values))


def report(label, evenings):
    print("\n== %s: %d runs (median [min .. max])" % (label, len(evenings)))
    for name in ("first deal", "first fall", "after the clear", "after the help", "end"):
        rows = [e.stages.get(name) for e in evenings]
        print("%-22s RSS %s MB   PSS %s MB" % (name, spread([r and r[0] for r in rows]),
                                                spread([r and r[1] for r in rows])))
    print("%-22s     %s %%" % ("end / first deal (RSS)", spread([100 * e.stages["end"][0] / e.stages["first deal"][0]
                                                                   for e in evenings])))
    half = [e.rss_by_round[len(e.rss_by_round) // 2:] for e in evenings]
    print("%-22s     %s MB" % ("growth, second half", spread([h[-1] - h[0] for h in half if h])))
    print("%-22s     %s ms" % ("first removal sound", spread([e.first_sound for e in evenings])))
    removals = [x for e in evenings for x in e.removals]
    missed = sum(x is None for x in removals)
    print("%-22s     %s ms   (%d presses, %d unheard; 90th percentile %.1f ms)" % (
        "removal sounds", spread(removals), len(removals), missed,
        statistics.quantiles([x for x in removals if x is not None], n=10)[-1] if len(removals) > 10 else -1))
    print("%-22s     %s ms" % ("window -> tune", spread([e.tune for e in evenings])))
    print("%-22s     %s ms   (menu key to window, polled)" % ("help window opens",
                                                               spread([x for e in evenings for x in e.help_opens])))
    viewer = [v for e in evenings for v in e.viewer]
    if viewer:
        print("%-22s RSS %s MB   PSS %s MB" % ("help viewer, open", spread([v[0] for v in viewer]),
                                               spread([v[1] for v in viewer])))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build-test")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--rounds", type=int, default=24)
    parser.add_argument("--no-help", action="store_true")
    parser.add_argument("--detail", action="store_true", help="RSS of anonymous and file mappings at each stage")
    parser.add_argument("--smaps", metavar="DIR", help="copies /proc/PID/smaps into DIR at each stage")
    parser.add_argument("--compare", help="another build's tolvane32, measured the same way")
    options = parser.parse_args()
    options.known_deal = os.path.join(options.build, "tests/e2e/tolvane_known_deal")
    builds = [("this build", os.path.join(options.build, "tolvane32"))]
    if options.compare:
        builds.append(("compared build", options.compare))

    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                             "-noreset"], pass_fds=(write,), stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        display = ":" + f.readline().strip()
    sink = Sink()
    try:
        results = {label: [] for label, _ in builds}
        for run in range(options.runs):
            for label, exe in builds:  # interleaved, so that a busy machine weighs on both alike
                evening = Evening(options, os.path.abspath(exe), display, sink)
                try:
                    evening.run()
                except AssertionError as e:  # a busy machine: the run is left out
                    print("run %d, %s: left out in %s: %s" % (run + 1, label, evening.where, e), flush=True)
                    continue
                results[label].append(evening)
                print("run %d, %s: RSS %s" % (run + 1, label, ", ".join(
                    "%s %.1f" % (k, v[0]) for k, v in evening.stages.items())), flush=True)
        for label, _ in builds:
            if results[label]:
                report(label, results[label])
    finally:
        sink.close()
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    main()
