# The real kicklist on a private X server, used as a person uses it: windows found by their titles, clicks at the
# designed positions in a window's client area, keys to the window given the focus (xdotool, real input: there is no
# window manager). What counts is what a user would find: the windows on screen, the programs that ran, and the list
# the program itself reads back (--list). A window no step expects fails the case at once.
# Usage: test_kicklist.py KICKLIST DESIGN_JSON [unittest arguments], with DISPLAY an X server of the suite's own:
# CTest runs it under xvfb-run.

import ctypes, fcntl, glob, os, shutil, stat, subprocess, sys, unittest  # noqa: E401
from pathlib import Path

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from sandbox import Sandbox, runs  # noqa: E402
from xdriver import NOTE, REGISTER, Design, XDriver  # noqa: E402

KICKLIST = None
WAIT = 8.0  # seconds: the bound of every wait
REPORT = "Kicklist"  # a failure's box


class Kicklist(Sandbox, XDriver, unittest.TestCase):
    WAIT = WAIT

    def setUp(self):
        super().setUp()
        self.procs, self.shown = [], []
        self.env["DISPLAY"] = os.environ["DISPLAY"]

    # The program and its windows; its own error output goes to the suite's.

    def start(self, first="main", **popen):
        # Starts kicklist; once its window first shows (first None: at once, no window), the instance steps follow.
        popen = dict(dict(cwd=self.work, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL), **popen)
        proc = subprocess.Popen([KICKLIST], start_new_session=True, **popen)
        self.procs.append(proc)
        self.addCleanup(lambda: proc.kill() or proc.wait(WAIT))
        if first:
            self.proc = proc
            self.window(first)
        return proc

    def windows(self, proc):
        return [(t, i) for t, i in self.titled("--pid", proc.pid) if proc.poll() is None]

    def screen(self):
        return [t for p in self.procs for t, _ in self.windows(p)]

    def at(self, w, form, x, y):
        self.x("xdotool", "windowraise", w, "mousemove", "--window", w, round(x), round(y), "click", 1)

    def runs(self, path, count):
        # The runs of path, once there are count.
        return self.wait("%d run(s) of %s" % (count, path), lambda: len(runs(path)) >= count and runs(path))

    def stored(self):
        r = subprocess.run([KICKLIST, "--list"], env=self.env, capture_output=True, text=True, timeout=WAIT)
        self.assertEqual(r.returncode, 0, r.stderr)
        return [(path, name) for _, name, path in (line.split("\t") for line in r.stdout.splitlines())]

    def wait_stored(self, expected):
        self.wait("stored list %r" % (expected,), lambda: self.stored() == expected)

    # The cases.

    def test_first_start_register_run_remove_restart_and_kill(self):
        alpha, beta = self.program("alpha.exe"), self.program("ベータ.exe")
        self.write_settings([])
        with open(self.ini(), "ab") as f:  # and 10 MB of lines no reader understands: each commit takes a while
            f.writelines(b"junk line %d \xff\xfe\n" % i for i in range(500000))
        # Standard error closed, with a warning to print (no runtime folder): it must not go to the X connection.
        env = {k: v for k, v in self.env.items() if k != "XDG_RUNTIME_DIR"}
        self.start(NOTE, env=env, preexec_fn=lambda: os.close(2))
        self.answer(NOTE, then=REGISTER)  # the junk will not be written back
        self.first_start()
        self.click("main", "AppAdd")
        self.register(row=1)
        self.wait_stored([(alpha, alpha), (beta, beta)])
        self.click("main", "AllRan")  # each in a session of its own
        self.assertEqual(self.runs(alpha, 1) + self.runs(beta, 1), ["%s 0 1" % alpha, "%s 0 1" % beta])
        self.choose(0, "AppDel")
        self.wait_stored([(beta, beta)])
        self.exit()
        # The next start lists what was stored, and its one row starts beta.
        self.start()
        self.choose(0, "Run")
        self.runs(beta, 2)
        self.choose(0, "AppDel")
        self.window(REGISTER)  # removing the last entry asks for a new one: kill the program there
        self.proc.kill()
        self.proc.wait(WAIT)
        self.assertEqual(self.stored(), [])
        self.start(REGISTER)
        self.first_start()  # the lock the killed program held is gone with it
        self.wait_stored([(alpha, alpha)])

    def test_full_disk_fails_the_removal_and_keeps_the_list(self):
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k,mode=700", "kicklist-e2e", self.xdg])
        if mounted.returncode != 0:
            self.skipTest("cannot mount a small file system here")
        self.addCleanup(subprocess.run, ["umount", "-l", self.xdg])
        self.write_settings([self.program("p1.exe"), self.program("p2.exe")])
        before = Path(self.ini()).read_bytes()
        self.start()
        subprocess.run(["dd", "if=/dev/zero", "of=" + self.xdg + "/filler", "bs=4k"], capture_output=True)  # until full
        self.choose(0, "AppDel")
        # The removal offers recovery; no copy of the list can be kept, so nothing is wiped: the user is told, and
        # the dialog stays.
        self.click("syori", "ok")
        self.answer(REPORT, then="syori")
        self.assertEqual(Path(self.ini()).read_bytes(), before)
        self.assertEqual(glob.glob(self.ini() + ".reset-*"), [])

    def test_one_list_window_however_often_started(self):
        self.write_settings([self.program("p1.exe")])
        self.start()
        self.proc.kill() or self.proc.wait(WAIT)  # what it leaves behind does not count
        # Two starts at the same moment make one window; the other ends at once, saying nothing.
        starts = [self.start(None, stderr=subprocess.PIPE) for _ in range(2)]
        self.wait("one start to end", lambda: any(p.poll() is not None for p in starts), expecting=("main",))
        (ended,), (self.proc,) = ([p for p in starts if (p.poll() is None) == alive] for alive in (False, True))
        self.assertEqual((ended.returncode, ended.stderr.read()), (0, b""))
        main = self.window("main")
        # Iconified as a window manager does it (state, unmap), the focus given elsewhere since.
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype, x11.XInternAtom.restype = ctypes.c_void_p, ctypes.c_ulong
        display = ctypes.c_void_p(x11.XOpenDisplay(None))
        wm_state = ctypes.c_ulong(x11.XInternAtom(display, b"WM_STATE", 0))
        x11.XChangeProperty(display, ctypes.c_ulong(main), wm_state, wm_state, 32, 0, (ctypes.c_long * 2)(3, 0), 2)
        x11.XUnmapWindow(display, ctypes.c_ulong(main))
        x11.XFlush(display)
        self.wait("the window iconified", lambda: "IsUnMapped" in self.x("xwininfo", "-id", main))
        x11.XSetInputFocus(display, ctypes.c_ulong(1), 2, ctypes.c_ulong(0))  # PointerRoot, now
        x11.XCloseDisplay(display)
        # A later start (the same display, named otherwise) restores it with the focus, and ends at once.
        later = dict(self.env, DISPLAY="unix%s.0" % os.environ["DISPLAY"])
        r = subprocess.run([KICKLIST], env=later, capture_output=True, text=True, timeout=WAIT)
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        self.wait("the window restored with the focus", lambda: "IsViewable" in self.x("xwininfo", "-id", main)
                  and self.x("xdotool", "getwindowfocus").strip() == str(main))
        # From another display it says where the window is, in one line.
        r = subprocess.run([KICKLIST], env=dict(self.env, DISPLAY=":1%s" % os.environ["DISPLAY"][1:]),
                           capture_output=True, text=True, timeout=WAIT)
        where = "kicklist: キックリストはディスプレイ %s で開いています\n" % os.environ["DISPLAY"]
        self.assertEqual((r.returncode, r.stderr), (2, where))
        # A start for another settings folder is another list's: a window of its own (the first-start prompt).
        proc = self.proc
        self.start(REGISTER, env=dict(self.env, XDG_CONFIG_HOME=self.xdg + "-b"))
        self.proc.kill() or self.proc.wait(WAIT)
        self.proc = proc
        self.assertEqual(self.windows(proc), [(self.DESIGN.title("main"), main)])
        self.exit()

    def test_store_in_use_at_start_shows_the_rows_once_let_go(self):
        p1 = self.program("p1.exe")
        self.write_settings([p1])
        held = os.open(self.xdg, os.O_RDONLY)  # as `flock "$XDG_CONFIG_HOME" sleep 40` holds it
        self.addCleanup(os.close, held)
        fcntl.flock(held, fcntl.LOCK_EX)
        self.start(REPORT)
        self.answer(REPORT, then="main")  # in use, after its 5 s wait
        self.choose(0, "Run")  # nothing listed, nothing to start
        self.choose(0, "AppDel")
        fcntl.flock(held, fcntl.LOCK_UN)
        # The row comes by itself: the first click on it that finds it starts it.
        self.wait("the row started", lambda: runs(p1) or self.choose(0, "Run") or runs(p1))
        self.assertEqual(self.stored(), [(p1, p1)])

    def test_the_reset_keeps_the_list_a_copy_brings_back(self):
        p1, gone = self.program("p1.exe"), os.path.join(self.work, "gone.exe")
        self.write_settings([p1, gone])
        # With a line that is no setting: the window says so before it opens, and writes nothing until a change.
        damaged = Path(self.ini()).read_bytes() + b"[Other]\nnot a setting\nnote=caf\xe9\n"
        Path(self.ini()).write_bytes(damaged)
        self.start(NOTE)
        self.answer(NOTE, then="main")
        self.assertEqual(Path(self.ini()).read_bytes(), damaged)
        self.choose(1, "Run")  # cannot start: the recovery dialog, whose OK wipes the list
        self.click("syori", "ok")
        self.ended()
        self.assertEqual(self.stored(), [])
        (kept,) = glob.glob(self.ini() + ".reset-*")
        self.assertEqual((Path(kept).read_bytes(), stat.S_IMODE(os.stat(kept).st_mode)), (damaged, 0o600))
        shutil.copyfile(kept, self.ini())  # the README's one step
        self.assertEqual(self.stored(), [(p1, p1), (gone, gone)])


if __name__ == "__main__":
    KICKLIST, XDriver.DESIGN = os.path.abspath(sys.argv.pop(1)), Design(sys.argv.pop(1))
    unittest.main(verbosity=2)
