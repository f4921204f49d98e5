"""The real kicklist on a private X server, used as a person uses it.

Windows are found by their titles; clicks land at the designed positions in a
window's client area; keys go to the window given the focus (xdotool, real
input: there is no window manager). What counts is what a user would find:
the windows on screen, the programs that ran, and the settings file as
QSettings reads it. A window no step expects fails the case at once.

Usage: test_kicklist.py KICKLIST SETTINGS_READER [unittest arguments]
"""

import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from collections import namedtuple

KICKLIST = READER = None
WAIT = 8.0  # seconds: the bound of every wait

MAIN, PICKER, RENAME, RECOVERY = "キックリスト", "実行プログラムの登録", "変更", "エラー処理"
ABOUT, REGISTER, CONFIRM, REPORT = "キックリストのﾊﾞｰｼﾞｮﾝ情報", "登録", "アプリケーションの登録", "Kicklist"

# Designed rectangles in twips (left, top, width, height) in the client area.
LIST1, RUN, RUN_ALL, EXIT = (0, 0, 4935, 1320), (120, 1920, 1695, 495), (1920, 1920, 1455, 495), (3480, 1920, 1335, 495)
ADD, CHANGE, REMOVE, VERSION = ((x, 1440, 1095, 375) for x in (120, 1320, 2520, 3720))
FILE1, ADD_PROGRAM, RECOVERY_OK = (2880, 240, 2775, 2250), (2880, 2640, 1335, 495), (960, 1200, 1335, 375)

Window = namedtuple("Window", "id title")


class Kicklist(unittest.TestCase):

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="kicklist-e2e-")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.home, self.xdg, self.work, self.marks, run = (
            os.path.join(self.tmp, d) for d in ("home", "xdg", "work", "marks", "run"))
        for d in (self.home, self.xdg, self.work, self.marks, run):
            os.makedirs(d, 0o700)
        self.procs, self.shown = [], set()  # shown: (pid, title) a step expects on screen
        env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "XDG_", "DISPLAY", "WAYLAND"))}
        self.env = dict(env, HOME=self.home, XDG_CONFIG_HOME=self.xdg, XDG_RUNTIME_DIR=run, LANG="C.UTF-8",
                        LC_ALL="C.UTF-8", DISPLAY=self.start_x())

    def start_x(self):
        r, w = os.pipe()
        x = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-nolisten", "tcp", "-noreset", "-screen", "0", "1024x768x24"],
                             pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        self.addCleanup(lambda: (x.kill(), x.wait()))
        # Read the whole line: closing the pipe early kills the server.
        number = b""
        while not number.endswith(b"\n") and select.select([r], [], [], WAIT)[0]:
            number += os.read(r, 16) or b"?\n"
        os.close(r)
        if not number.strip().isdigit():
            self.fail("Xvfb reported no display")
        return ":" + number.decode().strip()

    # The program and its windows.

    def start(self, **env):
        err = open(os.path.join(self.tmp, "stderr.%d" % len(self.procs)), "w+")
        proc = subprocess.Popen([KICKLIST], cwd=self.work, env=dict(self.env, **env), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=err, start_new_session=True)
        proc.err = err
        self.procs.append(proc)
        self.addCleanup(self.stop, proc)
        return proc

    def stop(self, proc):
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
        proc.err.close()

    def stderr(self, proc):
        proc.err.seek(0)
        return proc.err.read()[-2000:]

    def run_x(self, *args):
        return subprocess.run([str(a) for a in args], env=self.env, capture_output=True, text=True,
                              timeout=WAIT).stdout

    def windows(self, proc):
        """The mapped top-level windows of one instance that bear a title
        (tool tips and menus bear none)."""
        ids = self.run_x("xdotool", "search", "--onlyvisible", "--maxdepth", 1, "--pid", proc.pid).split()
        titles = dict(re.findall(r'^\s*(0x[0-9a-f]+) "(.*)": \(', self.run_x("xwininfo", "-root", "-children"), re.M))
        return [Window(int(i), titles[hex(int(i))]) for i in ids if hex(int(i)) in titles]

    def on_screen(self):
        return [w.title for p in self.procs if p.poll() is None for w in self.windows(p)]

    def wait(self, what, predicate, expecting=()):
        """Polls predicate; any window no step expects fails at once."""
        deadline = time.monotonic() + WAIT
        while True:
            for p in self.procs:
                for w in self.windows(p) if p.poll() is None else ():
                    if (p.pid, w.title) not in self.shown and w.title not in expecting:
                        self.fail("unexpected window %r while waiting for %s" % (w.title, what))
            value = predicate()
            if value:
                return value
            if time.monotonic() > deadline:
                self.fail("no %s within %.0fs; on screen: %r" % (what, WAIT, self.on_screen()))
            time.sleep(0.05)

    def window(self, title, proc, replacing=None):
        """Waits for a window of proc; with replacing, also for that one to go."""
        def found():
            if proc.poll() is not None:
                self.fail("kicklist ended (%s) before %r: %s" % (proc.returncode, title, self.stderr(proc)))
            ws = self.windows(proc)
            return all(w.title != replacing for w in ws) and next((w for w in ws if w.title == title), None)
        w = self.wait("window %r" % title, found, (title, replacing))
        self.shown.discard((proc.pid, replacing))
        self.shown.add((proc.pid, title))
        return w

    def gone(self, title, proc):
        self.wait("%r to close" % title, lambda: all(w.title != title for w in self.windows(proc)), (title,))
        self.shown.discard((proc.pid, title))

    def answer(self, title, proc, *keys, then=None):
        self.key(self.window(title, proc), *keys)
        return self.window(then, proc, replacing=title) if then else self.gone(title, proc)

    def ended(self, proc):
        self.wait("end of kicklist", lambda: proc.poll() is not None)
        self.assertEqual(proc.returncode, 0, self.stderr(proc))
        self.shown = {s for s in self.shown if s[0] != proc.pid}

    # Input, as a person gives it.

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True, timeout=WAIT)

    def click(self, w, rect, first_row=False):
        left, top, width, height = rect
        y = top / 15 + 8 if first_row else (top + height / 2) / 15
        self.xdotool("windowraise", w.id, "mousemove", "--window", w.id, round((left + width / 2) / 15), round(y),
                     "click", 1)

    def key(self, w, *keys):
        self.xdotool("windowfocus", "--sync", w.id, "key", "--delay", 40, *keys)

    def type(self, w, text):
        self.xdotool("windowfocus", "--sync", w.id, "type", "--delay", 40, text)

    # Steps shared by the cases.

    def register(self, proc, down=0, then=None):
        """Picks the file `down` rows below the first in the picker and registers it."""
        picker = self.window(PICKER, proc)
        self.click(picker, FILE1, first_row=True)
        if down:
            self.key(picker, *["Down"] * down)
        self.click(picker, ADD_PROGRAM)
        return self.answer(CONFIRM, proc, "Return", then=then)

    def first_start(self, proc, down=0):
        self.answer(REGISTER, proc, "Return", then=PICKER)
        main = self.register(proc, down, then=MAIN)
        self.gone(PICKER, proc)
        return main

    def select_row(self, main, down=0):
        self.click(main, LIST1, first_row=True)
        if down:
            self.key(main, *["Down"] * down)

    # Programs to register, and what they left when they ran.

    def program(self, name):
        path = os.path.join(self.work, name + ".exe")
        with open(path, "w") as f:
            f.write('#!/bin/sh\nread -r _ _ _ _ _ sid _ < /proc/$$/stat\nm="%s/%s.$$"\n'
                    'printf "%%s\\n" "$0" "$#" "$sid" > "$m.part" && mv "$m.part" "$m"\n' % (self.marks, name))
        os.chmod(path, 0o755)
        return path

    def runs(self, name, count):
        """Once a program has run count times: per run, its argv[0], its
        argument count and whether it led a session of its own."""
        def found():
            m = [n for n in os.listdir(self.marks) if n.startswith(name + ".") and not n.endswith(".part")]
            return len(m) >= count and m
        runs = []
        for n in self.wait("%d run(s) of %s" % (count, name), found):
            with open(os.path.join(self.marks, n)) as f:
                argv0, argc, sid = f.read().split("\n")[:3]
            runs.append((argv0, int(argc), sid == n.split(".")[1]))
        return runs

    # The settings file.

    def ini(self, config=None):
        return os.path.join(config or self.xdg, "Kicklist", "Kicklist.ini")

    def settings(self, config=None):
        r = subprocess.run([READER, self.ini(config)], capture_output=True, text=True, timeout=WAIT)
        self.assertEqual(r.returncode, 0, "QSettings cannot read the settings file")
        return json.loads(r.stdout)

    def stored(self, config=None):
        s = self.settings(config)
        count = s.get("SetApp/AppCount", "0")
        self.assertEqual(s.get("Appnames/AppCount", "0"), count, "the two counts differ")
        return [(s.get("SetApp/%d" % i), s.get("Appnames/%d" % i)) for i in range(1, int(count) + 1)]

    def wait_stored(self, expected, config=None):
        self.wait("stored list %r" % (expected,), lambda: self.stored(config) == expected)

    def write_settings(self, paths, count=None):
        rows = "".join("%d=%s\n" % (i, p) for i, p in enumerate(paths, 1))
        os.makedirs(os.path.dirname(self.ini()), 0o700, exist_ok=True)
        with open(self.ini(), "w") as f:
            f.write("[Appnames]\nAppCount=%d\n%s[SetApp]\nAppCount=%s\n%s"
                    % (len(paths), rows, len(paths) if count is None else count, rows))

    # The cases.

    def test_first_start_register_run_rename_remove_about_exit(self):
        alpha, beta = self.program("alpha"), self.program("ベータ")
        proc = self.start()
        # The prompt comes before the list window, which only shows once the
        # picker is done.
        main = self.first_start(proc)
        self.wait_stored([(alpha, alpha)])

        self.click(main, ADD)
        self.register(proc, down=1)
        self.gone(PICKER, proc)
        self.wait_stored([(alpha, alpha), (beta, beta)])

        self.select_row(main)
        self.click(main, RUN)
        self.assertEqual(self.runs("alpha", 1), [(alpha, 0, True)])
        self.click(main, RUN_ALL)
        self.runs("alpha", 2)
        self.assertEqual(self.runs("ベータ", 1), [(beta, 0, True)])

        self.select_row(main, down=1)
        self.click(main, CHANGE)
        rename = self.window(RENAME, proc)
        self.key(rename, "Home")
        self.type(rename, "Beta; $(x)")
        self.key(rename, "Return")
        self.gone(RENAME, proc)
        self.wait_stored([(alpha, alpha), (beta, "Beta; $(x)")])

        self.select_row(main)
        self.click(main, REMOVE)
        self.wait_stored([(beta, "Beta; $(x)")])

        self.click(main, VERSION)
        self.answer(ABOUT, proc, "Escape")
        self.click(main, EXIT)
        self.ended(proc)

        # The next start lists what was stored, and its one row starts beta.
        proc = self.start()
        main = self.window(MAIN, proc)
        self.select_row(main)
        self.click(main, RUN)
        self.runs("ベータ", 2)
        self.click(main, EXIT)
        self.ended(proc)
        self.assertEqual(self.stored(), [(beta, "Beta; $(x)")])
        self.assertFalse(os.path.exists(os.path.join(self.home, ".config")), "XDG_CONFIG_HOME was passed over")

    def test_recovery_resets_the_counts_and_the_next_start_is_a_first_start(self):
        # Without XDG_CONFIG_HOME the settings live under ~/.config.
        self.xdg = os.path.join(self.home, ".config")
        p1 = self.program("p1")
        self.write_settings([p1], count="one")
        proc = self.start(XDG_CONFIG_HOME="")
        self.click(self.window(RECOVERY, proc), RECOVERY_OK)
        self.ended(proc)
        self.assertEqual(self.stored(), [])
        self.assertEqual(self.settings()["SetApp/1"], p1)

        proc = self.start(XDG_CONFIG_HOME="")
        self.first_start(proc)
        self.wait_stored([(p1, p1)])

    def test_negative_count_shows_an_empty_list_and_changes_nothing(self):
        self.write_settings([self.program("p1")], count=-2)
        with open(self.ini(), "rb") as f:
            before = f.read()
        proc = self.start()
        main = self.window(MAIN, proc)
        self.click(main, RUN_ALL)
        self.click(main, EXIT)
        self.ended(proc)
        self.assertEqual(os.listdir(self.marks), [])
        with open(self.ini(), "rb") as f:
            self.assertEqual(f.read(), before)

    def test_killed_mid_handler_leaves_a_readable_store(self):
        p1 = self.program("p1")
        self.write_settings([p1])
        with open(self.ini(), "ab") as f:  # and 10 MB of lines no reader understands
            f.writelines(b"junk line %d \xff\xfe\n" % i for i in range(500000))
        proc = self.start()
        main = self.window(MAIN, proc)
        self.select_row(main)
        self.click(main, REMOVE)
        # Removing the last entry asks for a new one: kill the program there.
        self.window(REGISTER, proc)
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait(WAIT)
        self.assertEqual(self.stored(), [])

        # The lock the killed program held is gone with it.
        proc = self.start()
        self.first_start(proc)
        self.wait_stored([(p1, p1)])

    def test_full_disk_fails_the_removal_and_keeps_the_list(self):
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k,mode=700", "kicklist-e2e", self.xdg],
                                 capture_output=True, text=True)
        if mounted.returncode != 0:
            self.skipTest("cannot mount a small file system here: " + mounted.stderr.strip())
        self.addCleanup(subprocess.run, ["umount", "-l", self.xdg])
        p1, p2 = self.program("p1"), self.program("p2")
        self.write_settings([p1, p2])
        with open(self.ini(), "rb") as f:
            before = f.read()
        proc = self.start()
        main = self.window(MAIN, proc)

        filler = os.path.join(self.xdg, "filler")
        with open(filler, "wb", buffering=0) as f:
            try:
                while f.write(b"\0" * 4096):
                    pass
            except OSError:
                pass  # full
        self.select_row(main)
        self.click(main, REMOVE)
        # The removal offers recovery; its reset cannot be written either,
        # which is reported before the program ends.
        self.click(self.window(RECOVERY, proc), RECOVERY_OK)
        self.answer(REPORT, proc, "Return")
        self.ended(proc)
        with open(self.ini(), "rb") as f:
            self.assertEqual(f.read(), before)

        os.unlink(filler)
        proc = self.start()
        main = self.window(MAIN, proc)
        self.select_row(main, down=1)
        self.click(main, RUN)
        self.runs("p2", 1)

    def test_two_instances_keep_each_others_changes(self):
        p1, p2, p3 = self.program("p1"), self.program("p2"), self.program("p3")
        self.write_settings([p1, p2])
        first, second = self.start(), self.start()
        main1, main2 = self.window(MAIN, first), self.window(MAIN, second)

        # The second is renaming p2 when the first registers p3.
        self.select_row(main2, down=1)
        self.click(main2, CHANGE)
        rename = self.window(RENAME, second)
        self.key(rename, "Home")
        self.type(rename, "two")
        self.click(main1, ADD)
        self.register(first, down=2)
        self.gone(PICKER, first)
        self.wait_stored([(p1, p1), (p2, p2), (p3, p3)])
        self.key(rename, "Return")
        self.gone(RENAME, second)
        self.wait_stored([(p1, p1), (p2, "two"), (p3, p3)])

        for proc, main in ((first, main1), (second, main2)):
            self.click(main, EXIT)
            self.ended(proc)
        self.assertEqual(self.stored(), [(p1, p1), (p2, "two"), (p3, p3)])


def own_namespaces():
    """Goes on in mount and network namespaces of its own where it can: other
    X servers on this machine then share no socket with ours, and the small
    file systems mounted here vanish with the suite."""
    if os.environ.get("KICKLIST_E2E_OWN_NAMESPACES"):
        os.makedirs("/tmp/.X11-unix", 0o1777, exist_ok=True)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=1777", "x11", "/tmp/.X11-unix"], check=True)
    elif subprocess.run(["unshare", "--mount", "--net", "true"], capture_output=True).returncode == 0:
        os.environ["KICKLIST_E2E_OWN_NAMESPACES"] = "1"
        os.execvp("unshare", ["unshare", "--mount", "--net", "--propagation", "private", sys.executable] + sys.argv)


if __name__ == "__main__":
    own_namespaces()
    if len(sys.argv) < 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    KICKLIST, READER = (os.path.abspath(a) for a in sys.argv[1:3])
    del sys.argv[1:3]
    unittest.main(verbosity=2)
