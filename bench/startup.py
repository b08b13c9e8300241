#!/usr/bin/env python3
"""Start-up time and memory of the game beside two other solitaire programs.

From exec to the first dealt table on the screen (the apex card and the stock
painted), median of ten runs on a private Xvfb display; then the resident and
proportional set sizes of the process right after the first deal
(/proc/PID/smaps_rollup), and the processor time it takes while it waits
idle. The peers, AisleRiot and KPat, are measured in the same way up to their
main window being mapped; the script installs them with apt-get when they are
missing. Figures only: nothing is asserted.

    python3 bench/startup.py --exe build/tolvane32 [--runs 10] [--xtool PATH] [--no-peers]

The screen reader tolvane_xtool is looked for in the build folder of the
executable (tests/support/), where a build with testing makes it.
"""

import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import harness  # noqa: E402  (the test harness's X server and screen reader)

TABLE_GREEN = (0, 127, 0)


def memory(pid):
    """Resident and proportional set size in kB."""
    values = {}
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            for line in f:
                parts = line.split()
                if parts and parts[0] in ("Rss:", "Pss:"):
                    values[parts[0][:-1]] = int(parts[1])
    except OSError:  # a helper process that has just gone
        pass
    return values.get("Rss", 0), values.get("Pss", 0)


def descendants(pid):
    """The process and its children (a launcher may exec or fork the program)."""
    out = subprocess.run(["ps", "-e", "-o", "pid=,ppid="], capture_output=True, text=True).stdout
    children = {}
    pairs = [tuple(map(int, l.split())) for l in out.strip().splitlines()]
    for p, pp in pairs:
        children.setdefault(pp, []).append(p)
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        todo.extend(children.get(p, []))
    return found


def total_memory(pid):
    rss = pss = 0
    for p in descendants(pid):
        r, s = memory(p)
        rss += r
        pss += s
    return rss, pss


class Run:
    def __init__(self, xserver, argv):
        self.home = tempfile.mkdtemp(prefix="tolvane-bench-")
        env = xserver.env()
        env["PATH"] = GAME_PATH
        env.update(HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                   XDG_CACHE_HOME=os.path.join(self.home, "cache"), XDG_DATA_HOME=os.path.join(self.home, "data"),
                   XDG_RUNTIME_DIR=self.home)
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


def grab(env, x, y, w, h):
    out = subprocess.run([harness.TOOLS["xtool"], "grab", str(x), str(y), str(w), str(h)], env=env,
                         capture_output=True)
    return harness.read_ppms(out.stdout)[0] if out.returncode == 0 else None


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


IDLE = {}


def time_ours(xserver, exe, idle=False):
    """Seconds to the first dealt table, and memory then."""
    run = Run(xserver, [exe])
    try:
        # the frame stands at (4, 4); find the client's top from the table green
        deadline = time.perf_counter() + 60
        while time.perf_counter() < deadline:
            shot = grab(run.env, 4, 4, 640, 512)
            if shot is not None:
                top = next((y for y in range(60) if shot.px(5, y) == TABLE_GREEN), None)
                if top is not None:
                    apex = shot.px(271 + 38, top + 57 + 10)
                    stock = shot.px(10 + 38, top + 4 + 50)
                    if apex != TABLE_GREEN and stock != TABLE_GREEN:
                        seconds = time.perf_counter() - run.began
                        time.sleep(0.3)
                        mem = total_memory(run.proc.pid)
                        if idle:
                            IDLE["tolvane32"] = idle_cpu(run.proc.pid)
                        return seconds, mem
            time.sleep(0.005)
        raise RuntimeError("no dealt table within a minute")
    finally:
        run.close()


def time_peer(xserver, argv, classname, idle=False):
    """Seconds to the peer's main window being mapped, and memory then."""
    run = Run(xserver, argv)
    try:
        deadline = time.perf_counter() + 60
        while time.perf_counter() < deadline:
            out = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", classname], env=run.env,
                                 capture_output=True, text=True).stdout.split()
            if out:
                seconds = time.perf_counter() - run.began
                time.sleep(0.3)
                # the window's owner: a launcher may have handed over to another process
                owner = subprocess.run(["xdotool", "getwindowpid", out[0]], env=run.env, capture_output=True,
                                       text=True).stdout.strip()
                pid = int(owner) if owner.isdigit() else run.proc.pid
                mem = total_memory(pid)
                if idle:
                    IDLE[classname] = idle_cpu(pid)
                return seconds, mem
            time.sleep(0.005)
        raise RuntimeError("%s showed no window within a minute" % argv[0])
    finally:
        run.close()


# Debian puts games in /usr/games, which a test shell's PATH may lack.
GAME_PATH = os.environ.get("PATH", "/usr/bin:/bin") + ":/usr/games"


def ensure(package, program):
    if shutil.which(program, path=GAME_PATH):
        return True
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends", package], env=env)
    return shutil.which(program, path=GAME_PATH) is not None


def measure(name, runs, once):
    times, mems = [], []
    for _ in range(runs):
        seconds, mem = once()
        times.append(seconds)
        mems.append(mem)
    rss = statistics.median(m[0] for m in mems)
    pss = statistics.median(m[1] for m in mems)
    return name, statistics.median(times), rss, pss


def main():
    import argparse
    parser = argparse.ArgumentParser(description="start-up time and memory beside the peers")
    parser.add_argument("--exe", required=True, help="the built tolvane32")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--xtool", help="tolvane_xtool (default: next to the executable's build)")
    parser.add_argument("--no-peers", action="store_true", help="measure the game alone")
    args = parser.parse_args()
    exe = os.path.abspath(args.exe)
    harness.TOOLS["xtool"] = args.xtool or os.path.join(os.path.dirname(exe), "tests", "support", "tolvane_xtool")
    if not os.path.exists(harness.TOOLS["xtool"]):
        sys.exit("no %s: build the target tolvane_xtool (a build with -DBUILD_TESTING=ON)" % harness.TOOLS["xtool"])
    runs = args.runs
    xserver = harness.XServer()
    rows = []
    try:
        # one run that is not counted: font and icon caches are filled by the first start
        time_ours(xserver, exe, idle=True)
        rows.append(measure("tolvane32 (to the first deal)", runs, lambda: time_ours(xserver, exe)))
        # KPat will not start without a session bus: it gets a private one, whose start counts
        peers = [] if args.no_peers else [("aisleriot", "sol", ["sol"], "sol"),
                                          ("kpat", "kpat", ["dbus-run-session", "--", "kpat"], "kpat")]
        for package, program, argv, classname in peers:
            if not ensure(package, program):
                print("%s: not available, skipped" % package)
                continue
            try:
                time_peer(xserver, argv, classname, idle=True)
                rows.append(measure("%s (to its window)" % package, runs,
                                    lambda: time_peer(xserver, argv, classname)))
            except RuntimeError as e:
                print("%s: %s" % (package, e))
    finally:
        xserver.close()

    base = rows[0]
    print()
    print("%-30s %9s %9s %9s %8s %7s %7s %7s" % ("program", "start s", "RSS kB", "PSS kB", "idle CPU", "t/ours",
                                             "RSS/our", "PSS/our"))
    for name, seconds, rss, pss in rows:
        key = name.split()[0]
        key = {"aisleriot": "sol"}.get(key, key)  # the keys are window class names
        idle = IDLE.get(key)
        print("%-30s %9.3f %9d %9d %8s %7.2f %7.2f %7.2f" % (
            name, seconds, rss, pss, "-" if idle is None else "%.1f%%" % (100 * idle), seconds / base[1],
            rss / max(base[2], 1), pss / max(base[3], 1)))
    print("(median of %d runs each, private Xvfb, no window manager)" % runs)


if __name__ == "__main__":
    main()
