# The real kicklist on a private X server, used as a person uses it: windows found by their titles, clicks at the
# designed positions in a window's client area, keys to the window given the focus (xdotool, real input: there is no
# window manager). What counts is what a user would find: the windows on screen, the programs that ran, and the settings
# file as QSettings reads it. A window no step expects fails the case at once.
# Usage: test_kicklist.py KICKLIST SETTINGS_READER [unittest arguments]

import json, os, re, select, signal, subprocess, sys, time, unittest  # noqa: E401
from pathlib import Path

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from sandbox import Sandbox  # noqa: E402

KICKLIST = READER = None
WAIT = 8.0  # seconds: the bound of every wait

MAIN, PICKER, RENAME, RECOVERY = "キックリスト", "実行プログラムの登録", "変更", "エラー処理"
ABOUT, REGISTER, CONFIRM, REPORT = "キックリストのﾊﾞｰｼﾞｮﾝ情報", "登録", "アプリケーションの登録", "Kicklist"

# Designed rectangles in twips (left, top, width, height) in the client area.
LIST1, RUN, RUN_ALL, EXIT = (0, 0, 4935, 1320), (120, 1920, 1695, 495), (1920, 1920, 1455, 495), (3480, 1920, 1335, 495)
ADD, CHANGE, REMOVE, VERSION = ((x, 1440, 1095, 375) for x in (120, 1320, 2520, 3720))
FILE1, ADD_PROGRAM, RECOVERY_OK = (2880, 240, 2775, 2250), (2880, 2640, 1335, 495), (960, 1200, 1335, 375)

class Kicklist(Sandbox, unittest.TestCase):

    def setUp(self):
        super().setUp()
        self.marks, run = os.path.join(self.tmp, "marks"), os.path.join(self.tmp, "run")
        os.makedirs(self.marks), os.makedirs(run, 0o700)
        self.procs, self.shown = [], set()  # shown: (pid, title) a step expects on screen
        r, w = os.pipe()
        x = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-nolisten", "tcp", "-noreset", "-screen", "0", "1024x768x24"],
                             pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        self.addCleanup(lambda: (x.kill(), x.wait()))
        with os.fdopen(r) as f:  # read the whole line: closing the pipe early kills the server
            number = f.readline().strip() if select.select([f], [], [], WAIT)[0] else ""
        self.assertTrue(number.isdigit(), "Xvfb reported no display")
        self.env.update(XDG_RUNTIME_DIR=run, DISPLAY=":" + number)

    # The program and its windows.

    def start(self, **env):
        err = os.path.join(self.tmp, "stderr.%d" % len(self.procs))
        with open(err, "w") as f:
            proc = subprocess.Popen([KICKLIST], cwd=self.work, env=dict(self.env, **env), stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=f, start_new_session=True)
        proc.stderr_tail = lambda: Path(err).read_text()[-2000:]
        self.procs.append(proc)
        self.addCleanup(self.kill, proc)
        return proc

    def start_main(self):
        proc = self.start()
        return proc, self.window(MAIN, proc)

    def kill(self, proc):
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGKILL)
        proc.wait(WAIT)

    def x(self, *args, check=False):
        return subprocess.run([str(a) for a in args], env=self.env, capture_output=True, text=True, timeout=WAIT,
                              check=check).stdout

    def windows(self, proc):
        # Title -> id of the mapped top-level windows of a running instance that bear a title (tool tips and menus
        # bear none).
        ids = self.x("xdotool", "search", "--onlyvisible", "--maxdepth", 1, "--pid", proc.pid).split()
        titles = dict(re.findall(r'^\s*(0x[0-9a-f]+) "(.*)": \(', self.x("xwininfo", "-root", "-children"), re.M))
        return {titles[hex(int(i))]: int(i) for i in ids if hex(int(i)) in titles and proc.poll() is None}

    def wait(self, what, predicate, expecting=()):
        # Polls predicate; any window no step expects fails at once, with its title.
        deadline = time.monotonic() + WAIT
        while True:
            screen = [(p.pid, t) for p in self.procs for t in self.windows(p)]
            self.assertEqual([t for pid, t in screen if (pid, t) not in self.shown and t not in expecting], [],
                             "unexpected window while waiting for %s" % what)
            if value := predicate():
                return value
            if time.monotonic() > deadline:
                self.fail("no %s within %.0fs; on screen: %r" % (what, WAIT, screen))
            time.sleep(0.05)

    def window(self, title, proc, replacing=None):
        # Waits for a window of proc (title None: for none); with replacing, also for that one to go.
        def found():
            self.assertFalse(title and proc.poll() is not None, "ended before %r: %s" % (title, proc.stderr_tail()))
            ws = self.windows(proc)
            return replacing not in ws and (ws.get(title) if title else True)
        w = self.wait("window %r instead of %r" % (title, replacing), found, (title, replacing))
        self.shown = self.shown - {(proc.pid, replacing)} | {(proc.pid, title)}
        return w

    def answer(self, title, proc, *keys, then=None):
        self.key(self.window(title, proc), *keys)
        return self.window(then, proc, replacing=title)

    def ended(self, proc):
        self.wait("end of kicklist", lambda: proc.poll() is not None)
        self.assertEqual(proc.returncode, 0, proc.stderr_tail())
        self.shown = {s for s in self.shown if s[0] != proc.pid}

    # Input, as a person gives it.

    def click(self, w, rect, first_row=False):
        left, top, width, height = rect
        y = top / 15 + 8 if first_row else (top + height / 2) / 15
        self.x("xdotool", "windowraise", w, "mousemove", "--window", w, round((left + width / 2) / 15), round(y),
               "click", 1, check=True)

    def key(self, w, *keys):
        # Keys to w; text to type may follow ("type", text).
        self.x("xdotool", "windowfocus", "--sync", w, "key", "--delay", 40, *keys, check=True)

    # Steps shared by the cases.

    def row(self, w, button, down=0, first=LIST1):
        # Selects the row `down` below the first of a list, then clicks button.
        self.click(w, first, first_row=True)
        if down:
            self.key(w, *["Down"] * down)
        self.click(w, button)

    def exit(self, main, proc):
        self.click(main, EXIT)
        self.ended(proc)

    def register(self, proc, down=0, then=None, via=None):
        # Picks the file `down` rows below the first in the picker (opened with via's ADD) and registers it.
        if via:
            self.click(via, ADD)
        self.row(self.window(PICKER, proc), ADD_PROGRAM, down, first=FILE1)
        self.answer(CONFIRM, proc, "Return", then=then)
        return self.window(then, proc, replacing=PICKER)

    def first_start(self, proc):
        self.answer(REGISTER, proc, "Return", then=PICKER)
        return self.register(proc, then=MAIN)

    def program(self, name):
        # A program that leaves marks/name.PID: "argv[0] argc 1" (1: it leads a session of its own).
        return super().program(name + ".exe", 'read -r _ _ _ _ _ sid _ < /proc/$$/stat\nm="%s/%s.$$"\n'
                               'echo "$0 $# $(($sid == $$))" > "$m.part" && mv "$m.part" "$m"' % (self.marks, name))

    def runs(self, name, count):
        # The marks of name, once it has run count times.
        def found():
            m = [n for n in os.listdir(self.marks) if n.startswith(name + ".") and not n.endswith(".part")]
            return len(m) >= count and m
        return sorted(Path(self.marks, n).read_text() for n in self.wait("%d run(s) of %s" % (count, name), found))

    # The settings file.

    def settings(self):
        r = subprocess.run([READER, self.ini()], capture_output=True, text=True, timeout=WAIT)
        self.assertEqual(r.returncode, 0, "QSettings cannot read the settings file")
        return json.loads(r.stdout)

    def stored(self):
        s = self.settings()
        count = s.get("SetApp/AppCount", "0")
        self.assertEqual(s.get("Appnames/AppCount", "0"), count, "the two counts differ")
        return [(s.get("SetApp/%d" % i), s.get("Appnames/%d" % i)) for i in range(1, int(count) + 1)]

    def wait_stored(self, expected):
        self.wait("stored list %r" % (expected,), lambda: self.stored() == expected)

    # The cases.

    def test_first_start_register_run_rename_remove_about_exit(self):
        alpha, beta = self.program("alpha"), self.program("ベータ")
        proc = self.start()
        main = self.first_start(proc)  # the prompt comes first; the list window only once the picker is done
        self.wait_stored([(alpha, alpha)])
        self.register(proc, down=1, via=main)
        self.wait_stored([(alpha, alpha), (beta, beta)])
        self.row(main, RUN)
        self.assertEqual(self.runs("alpha", 1), ["%s 0 1\n" % alpha])
        self.click(main, RUN_ALL)
        self.runs("alpha", 2)
        self.assertEqual(self.runs("ベータ", 1), ["%s 0 1\n" % beta])
        self.row(main, CHANGE, down=1)
        self.key(self.window(RENAME, proc), "Home", "type", "Beta; $(x)")
        self.answer(RENAME, proc, "Return")
        self.wait_stored([(alpha, alpha), (beta, "Beta; $(x)")])
        self.row(main, REMOVE)
        self.wait_stored([(beta, "Beta; $(x)")])
        self.click(main, VERSION)
        self.answer(ABOUT, proc, "Escape")
        self.exit(main, proc)
        # The next start lists what was stored, and its one row starts beta.
        proc, main = self.start_main()
        self.row(main, RUN)
        self.runs("ベータ", 2)
        self.exit(main, proc)
        self.assertEqual(self.stored(), [(beta, "Beta; $(x)")])
        self.assertFalse(os.path.exists(os.path.join(self.home, ".config")), "XDG_CONFIG_HOME was passed over")

    def test_recovery_resets_the_counts_and_the_next_start_is_a_first_start(self):
        self.xdg = os.path.join(self.home, ".config")  # without XDG_CONFIG_HOME the settings live under ~/.config
        p1 = self.program("p1")
        self.write_settings([p1], count="one")
        proc = self.start(XDG_CONFIG_HOME="")
        self.click(self.window(RECOVERY, proc), RECOVERY_OK)
        self.ended(proc)
        self.assertEqual((self.stored(), self.settings()["SetApp/1"]), ([], p1))
        self.first_start(self.start(XDG_CONFIG_HOME=""))
        self.wait_stored([(p1, p1)])

    def test_negative_count_shows_an_empty_list_and_changes_nothing(self):
        self.write_settings([self.program("p1")], count=-2)
        before = Path(self.ini()).read_bytes()
        proc, main = self.start_main()
        self.click(main, RUN_ALL)
        self.exit(main, proc)
        self.assertEqual((os.listdir(self.marks), Path(self.ini()).read_bytes()), ([], before))

    def test_killed_mid_handler_leaves_a_readable_store(self):
        p1 = self.program("p1")
        self.write_settings([p1])
        with open(self.ini(), "ab") as f:  # and 10 MB of lines no reader understands
            f.writelines(b"junk line %d \xff\xfe\n" % i for i in range(500000))
        proc, main = self.start_main()
        self.row(main, REMOVE)
        self.window(REGISTER, proc)  # removing the last entry asks for a new one: kill the program there
        self.kill(proc)
        self.assertEqual(self.stored(), [])
        self.first_start(self.start())  # the lock the killed program held is gone with it
        self.wait_stored([(p1, p1)])

    def test_full_disk_fails_the_removal_and_keeps_the_list(self):
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k,mode=700", "kicklist-e2e", self.xdg],
                                 capture_output=True, text=True)
        if mounted.returncode != 0:
            self.skipTest("cannot mount a small file system here: " + mounted.stderr.strip())
        self.addCleanup(subprocess.run, ["umount", "-l", self.xdg])
        p1, p2 = self.program("p1"), self.program("p2")
        self.write_settings([p1, p2])
        before = Path(self.ini()).read_bytes()
        proc, main = self.start_main()
        filler = os.path.join(self.xdg, "filler")
        subprocess.run(["dd", "if=/dev/zero", "of=" + filler, "bs=4k"], capture_output=True)  # until the disk is full
        self.row(main, REMOVE)
        # The removal offers recovery; its reset cannot be written either, which is reported before the program ends.
        self.click(self.window(RECOVERY, proc), RECOVERY_OK)
        self.answer(REPORT, proc, "Return")
        self.ended(proc)
        self.assertEqual(Path(self.ini()).read_bytes(), before)
        os.unlink(filler)
        self.row(self.start_main()[1], RUN, down=1)
        self.runs("p2", 1)

    def test_two_instances_keep_each_others_changes(self):
        p1, p2, p3 = (self.program(n) for n in ("p1", "p2", "p3"))
        self.write_settings([p1, p2])
        (first, main1), (second, main2) = self.start_main(), self.start_main()
        # The second is renaming p2 when the first registers p3.
        self.row(main2, CHANGE, down=1)
        self.key(self.window(RENAME, second), "Home", "type", "two")
        self.register(first, down=2, via=main1)
        self.wait_stored([(p1, p1), (p2, p2), (p3, p3)])
        self.answer(RENAME, second, "Return")
        self.wait_stored([(p1, p1), (p2, "two"), (p3, p3)])
        self.exit(main1, first)
        self.exit(main2, second)
        self.assertEqual(self.stored(), [(p1, p1), (p2, "two"), (p3, p3)])


def own_namespaces():
    # Goes on in mount and network namespaces of its own where it can: other X servers on this machine then share no
    # socket with ours, and the small file systems mounted here vanish with the suite.
    if os.environ.get("KICKLIST_E2E_OWN_NAMESPACES"):
        os.makedirs("/tmp/.X11-unix", 0o1777, exist_ok=True)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=1777", "x11", "/tmp/.X11-unix"], check=True)
    elif subprocess.run(["unshare", "--mount", "--net", "true"], capture_output=True).returncode == 0:
        os.environ["KICKLIST_E2E_OWN_NAMESPACES"] = "1"
        os.execvp("unshare", ["unshare", "--mount", "--net", "--propagation", "private", sys.executable] + sys.argv)


if __name__ == "__main__":
    own_namespaces()
    KICKLIST, READER = (os.path.abspath(a) for a in sys.argv[1:3])
    del sys.argv[1:3]
    unittest.main(verbosity=2)
