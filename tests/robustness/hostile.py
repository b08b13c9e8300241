"""Runs the real program in hostile surroundings for the robustness tests.

Builds on the end-to-end harness (tests/e2e/harness.py): the same private X
server, card pictures, solver and window helpers, but the game is started
with whatever settings bytes, configuration and cache folders, sound driver
or user a test sets up, instead of the harness's clean folders.
"""

import os
import pwd
import subprocess
import tempfile
import time

import harness
from harness import BASE_TIME, MESSAGE_TITLE, TOOLS

CARDBACK_TITLE = "カード絵柄の選択"


def sanitizer_env():
    """The sanitizer settings of the test run, for a sanitizer build of the
    program; faketime is preloaded ahead of the sanitizer's runtime, which
    must be told not to mind."""
    env = {k: v for k, v in os.environ.items() if k in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS")}
    env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
    return env


class HostileGame(harness.Game):
    """One run of the program. prepare(game) runs before the start: it may write
    game.ini_path, or point game.config and game.cache elsewhere. env adds to the
    program's environment; user runs the program as that account."""

    def __init__(self, xserver, pictures, prepare=None, env=None, user=None, start_time=BASE_TIME):
        self.x = xserver
        self.pictures = pictures
        self.start_time = start_time
        self.home = tempfile.mkdtemp(prefix="tolvane-robust-")
        # another account must be able to run in here
        os.chmod(self.home, 0o755)
        self.config = os.path.join(self.home, "config")
        self.cache = os.path.join(self.home, "cache")
        os.makedirs(self.config)
        os.makedirs(self.cache)
        if prepare is not None:
            prepare(self)
        full_env = self.x.env()
        full_env.update(sanitizer_env())
        full_env.update(HOME=self.home, XDG_CONFIG_HOME=self.config, XDG_CACHE_HOME=self.cache,
                        XDG_RUNTIME_DIR=self.home)
        full_env.update(env or {})
        stamp = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(start_time))
        # The clock is faked for the program alone, not for a setpriv in front
        # of it, whose preloaded clock would hand the program state it may
        # not open under another account.
        clock = harness.fake_clock_variables("@" + stamp, full_env.get("LD_PRELOAD"))
        command = ["env"] + ["%s=%s" % item for item in clock.items()] + [TOOLS["exe"]]
        if user is not None:
            account = pwd.getpwnam(user)
            command = ["setpriv", "--reuid=%d" % account.pw_uid, "--regid=%d" % account.pw_gid,
                       "--clear-groups", "--"] + command
        self.log = open(os.path.join(self.home, "program.log"), "wb")
        self.proc = subprocess.Popen(command, cwd=self.home, env=full_env, stdout=self.log,
                                     stderr=subprocess.STDOUT, start_new_session=True)
        self.frame = None
        self.origin = None
        self.strip = None
        self.deal = None
        self._alt = {}

    def close(self):
        # folders made read-only by a test must not stop the clean-up
        for root, dirs, _ in os.walk(self.home):
            for d in dirs:
                try:
                    os.chmod(os.path.join(root, d), 0o755)
                except OSError:
                    pass
        super().close()

    def play_clicks(self, clicks):
        """Clicks places, answering each message box the model says the click shows;
        returns the state the model has after the clicks."""
        replayed = harness.replay(self.deal.time, clicks)
        for i, position in enumerate(clicks):
            self.click_place(position)
            for _ in replayed.states[i + 1].get("messages", []):
                self.answer(MESSAGE_TITLE, "Return")
        return replayed.states[-1]

    def choose_back(self, start, steps_right):
        """Opens the card-back dialog from the menu on back start, steps right and
        presses OK, all with the keyboard."""
        self.assertion(self.menu_command("cardback"), "the card-back item took no click")
        dialog = self.find_window(CARDBACK_TITLE)
        # The dialog opens with OK focused; the tab order is OK, Cancel, <, >,
        # and "<" is disabled (skipped) on back 0. After the steps the focus
        # is on ">", or on "<" when ">" has just been disabled: either way the
        # next Tab reaches OK.
        keys = ["Tab"] * (2 if start == 0 else 3) + ["space"] * steps_right + ["Tab", "space"]
        self.keys(dialog[0], *keys)
        self.window_gone(dialog[0])

    @staticmethod
    def assertion(condition, message):
        if not condition:
            raise AssertionError(message)

    def close_by_window(self):
        """Closes the main window with the close box, answers OK and waits for the
        end; returns the exit status."""
        self.request_close()
        self.answer(MESSAGE_TITLE, "Return")
        return self.wait_exit(15)


def pick_time(predicate, t0=BASE_TIME, span=4):
    """A start time whose deal satisfies predicate, and so do the deals of the
    next span-1 seconds (the first deal may come a second or two after the start)."""
    deals, _ = harness.run_solver("deal", t0, t0 + 256 + span - 1)
    for i in range(256):
        if all(predicate(d) for d in deals[i:i + span]):
            return deals[i].time
    raise AssertionError("no start time has such a deal")


def free_indexes(triangle):
    """Triangle indexes of the cards no other card covers."""
    return [i for i, c in enumerate(triangle) if c and all(not triangle[j] for j in harness.covered_by(i))]


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()
