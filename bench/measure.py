"""Side-by-side figures of the real program on a private X server.

  measure.py <kicklist> <minimal_window> [runs]
The minimal window also runs with --text (one line of Japanese text), as a
second yardstick for start-up.

Prints tab-separated lines: figure, median of kicklist, median of the
yardstick, unit. Each pair of runs alternates which command goes first.
"""

import ctypes
import ctypes.util
import os
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import klx  # noqa: E402

_x = klx._xlib
_xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
_x.XSelectInput.argtypes = [ctypes.c_void_p, klx.Window, ctypes.c_long]
_x.XPending.argtypes = [ctypes.c_void_p]
_x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(klx.XEvent)]
_x.XConnectionNumber.argtypes = [ctypes.c_void_p]
_x.XFlush.argtypes = [ctypes.c_void_p]
_xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
_xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

SUBSTRUCTURE_NOTIFY = 1 << 19
STRUCTURE_NOTIFY = 1 << 17
MAP_NOTIFY = 19
CLIENT_MESSAGE = 33
ICONIC = 3


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", klx.Window), ("window", klx.Window),
                ("override_redirect", ctypes.c_int)]


class Watcher:
    """Sees top-level windows being mapped and minimise requests, as a window
    manager would, without being one."""

    def __init__(self, display):
        self.d = klx.Display(display)
        # Qt asks for minimising with a message to the root window's structure listeners.
        _x.XSelectInput(self.d.dpy, self.d.root, SUBSTRUCTURE_NOTIFY | STRUCTURE_NOTIFY)
        _x.XFlush(self.d.dpy)
        self.fd = _x.XConnectionNumber(self.d.dpy)

    def next_event(self, deadline):
        while not _x.XPending(self.d.dpy):
            left = deadline - time.monotonic()
            if left <= 0:
                raise klx.E2EError("no X event in time")
            select.select([self.fd], [], [], left)
        ev = klx.XEvent()
        _x.XNextEvent(self.d.dpy, ctypes.byref(ev))
        return ev

    def drain(self):
        while _x.XPending(self.d.dpy):
            _x.XNextEvent(self.d.dpy, ctypes.byref(klx.XEvent()))

    def wait_map(self, deadline):
        while True:
            ev = self.next_event(deadline)
            if ev.xclient.type == MAP_NOTIFY:
                m = ctypes.cast(ctypes.byref(ev), ctypes.POINTER(XMapEvent)).contents
                if not m.override_redirect:
                    return m.window, time.monotonic()

    def wait_minimise(self, deadline):
        change_state = self.d.atom("WM_CHANGE_STATE")
        while True:
            ev = self.next_event(deadline)
            if ev.xclient.type == CLIENT_MESSAGE and ev.xclient.message_type == change_state \
                    and ev.xclient.l[0] == ICONIC:
                return time.monotonic()

    def click(self, x, y):
        _xtst.XTestFakeMotionEvent(self.d.dpy, -1, x, y, 0)
        _xtst.XTestFakeButtonEvent(self.d.dpy, 1, 1, 0)
        _xtst.XTestFakeButtonEvent(self.d.dpy, 1, 0, 0)
        _x.XFlush(self.d.dpy)


class Bench:
    def __init__(self, kicklist, minimal, runs):
        self.kicklist, self.minimal, self.runs = kicklist, minimal, runs
        self.tmp = tempfile.mkdtemp(prefix="kicklist-bench-")
        self.home = os.path.join(self.tmp, "home")
        self.progs = os.path.join(self.tmp, "programs")
        os.makedirs(os.path.join(self.home, ".config", "Kicklist"))
        os.makedirs(self.progs)
        self.xvfb = klx.Xvfb()
        self.watch = Watcher(self.xvfb.display)
        self.env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "XDG_"))}
        self.env.update(HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                        DISPLAY=self.xvfb.display, QT_QPA_PLATFORM="xcb", LANG="C.UTF-8", LC_ALL="C.UTF-8",
                        QT_ACCESSIBILITY="0", NO_AT_BRIDGE="1", XDG_RUNTIME_DIR=self.tmp)
        # 100 registered programs that end at once.
        self.paths = []
        for i in range(1, 101):
            p = os.path.join(self.progs, "program-%03d" % i)
            os.symlink(shutil.which("true"), p)
            self.paths.append(p)
        with open(os.path.join(self.home, ".config", "Kicklist", "Kicklist.ini"), "w") as f:
            f.write(klx.settings_text(self.paths))

    def close(self):
        self.watch.d.close()
        self.xvfb.stop()
        klx.reap_strays()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def launch(self, command):
        """Start-up seconds until the first window is mapped, the window and the process."""
        if isinstance(command, str):
            command = (command,)
        self.watch.drain()
        t0 = time.monotonic()
        proc = subprocess.Popen(list(command), env=self.env, cwd=self.tmp, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        window, t1 = self.watch.wait_map(t0 + 30)
        return t1 - t0, window, proc

    def finish(self, window, proc):
        """Closes the window as a window manager would; the peak memory in KiB."""
        self.watch.d.send_delete(window)
        deadline = time.monotonic() + 30
        while True:
            pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
            if pid:
                proc.returncode = status
                return usage.ru_maxrss
            if time.monotonic() > deadline:
                proc.kill()
                raise klx.E2EError("%s did not close" % proc.args[0])
            time.sleep(0.01)

    def startup_and_memory(self):
        labelled = (self.minimal, "--text")
        times = {self.kicklist: [], self.minimal: [], labelled: []}
        rss = {self.kicklist: [], self.minimal: [], labelled: []}
        for i in range(self.runs):
            order = (self.kicklist, self.minimal, labelled) if i % 2 == 0 else (labelled, self.minimal, self.kicklist)
            for program in order:
                seconds, window, proc = self.launch(program)
                time.sleep(0.3)  # let it paint: memory is measured over the whole life
                times[program].append(seconds)
                rss[program].append(self.finish(window, proc))
        return times, rss

    def start_all(self):
        ours, shell = [], []
        loop = 'for p do "$p" & done'
        for i in range(self.runs):
            def kicklist_run():
                _, window, proc = self.launch(self.kicklist)
                time.sleep(0.3)
                geometry = next(w for w in self.watch.d.windows() if w.id == window)
                left, top, width, height = klx.KicklistCase.MAIN["AllRan"]
                self.watch.drain()
                self.watch.click(geometry.x + left + width // 2, geometry.y + top + height // 2)
                t0 = time.monotonic()
                t1 = self.watch.wait_minimise(t0 + 30)
                ours.append(t1 - t0)
                self.finish(window, proc)
                klx.reap_strays(keep={self.xvfb.proc.pid})

            def shell_run():
                t0 = time.monotonic()
                subprocess.run(["sh", "-c", loop, "sh"] + self.paths, check=True, cwd=self.tmp, timeout=60)
                shell.append(time.monotonic() - t0)
                klx.reap_strays(keep={self.xvfb.proc.pid})

            for run in ((kicklist_run, shell_run) if i % 2 == 0 else (shell_run, kicklist_run)):
                run()
        return ours, shell


def main():
    kicklist, minimal = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 15
    bench = Bench(kicklist, minimal, runs)
    try:
        times, rss = bench.startup_and_memory()
        ours, shell = bench.start_all()
    finally:
        bench.close()
    med = statistics.median
    print("start-up\t%.1f\t%.1f\tms" % (med(times[kicklist]) * 1000, med(times[minimal]) * 1000))
    print("start-up text\t%.1f\t%.1f\tms" % (med(times[(minimal, "--text")]) * 1000, med(times[minimal]) * 1000))
    print("start all\t%.1f\t%.1f\tms" % (med(ours) * 1000, med(shell) * 1000))
    print("peak memory\t%.1f\t%.1f\tMiB" % (med(rss[kicklist]) / 1024, med(rss[minimal]) / 1024))


if __name__ == "__main__":
    main()
