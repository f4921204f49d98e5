"""Side-by-side figures of the Windows build under wine, on a private X server.

  measure_windows.py <Windows build folder> [runs]
Start-up is measured from the process's start to the X window of the right
name being mapped, against the plain Win32 minimal window with one line of
Japanese text, and against the same window carrying the program's manifest
and starting common controls 6; start-all is kicklist-cli.exe --start-all against a loop of
CreateProcessW, both starting the same 100 programs that end at once.

Wine runs in a prefix of the build folder, made afresh by cmake/wine-prefix.sh
with its X11 driver, and one persistent wineserver serves the whole run, so that wine's own
start-up (its server and system processes) is paid once, before any figure.
Prints tab-separated lines as measure.py does: figure, median of Kicklist,
median of the yardstick, unit. Each pair of runs alternates which goes first.
"""

import ctypes
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

import xwatch

WINE = shutil.which("wine64", path="/usr/lib/wine") or shutil.which("wine64") or "wine"
PREFIX_SH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cmake", "wine-prefix.sh")
# Fonts a Windows program asks for by name, drawn with the IPA font wine has.
FONTS = ("MS UI Gothic", "ＭＳ Ｐゴシック", "MS PGothic", "Tahoma", "MS Shell Dlg", "MS Shell Dlg 2", "Segoe UI")
LIST_CAPTION, MINIMAL_CAPTION = "キックリスト", "minimal"

_x = xwatch._x
_x.XGetWindowProperty.argtypes = [
    ctypes.c_void_p, xwatch.Window, xwatch.Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int, xwatch.Atom,
    ctypes.POINTER(xwatch.Atom), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
_x.XFree.argtypes = [ctypes.c_void_p]


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def reg_text(paths):
    """wine's settings and the list of 100, in the form regedit imports."""
    lines = ["Windows Registry Editor Version 5.00", "",
             r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]", '"Managed"="N"', "",
             r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]"]
    lines += ['"%s"="IPAPGothic"' % face for face in FONTS]
    lines += ["", r"[-HKEY_CURRENT_USER\Software\Kicklist]"]
    names = ["program-%03d" % (i + 1) for i in range(len(paths))]
    for section, values in (("SetApp", paths), ("Appnames", names)):
        lines += ["", r"[HKEY_CURRENT_USER\Software\Kicklist\%s]" % section, '"AppCount"="%d"' % len(values)]
        lines += ['"%d"="%s"' % (i + 1, v.replace("\\", "\\\\")) for i, v in enumerate(values)]
    return "\r\n".join(lines) + "\r\n"


class Bench:
    def __init__(self, build, runs):
        self.build, self.runs = build, runs
        xwatch.set_subreaper()
        self.tmp = tempfile.mkdtemp(prefix="kicklist-wine-bench-")
        self.xvfb = xwatch.Xvfb()
        self.watch = xwatch.Watcher(self.xvfb.display)
        self.name_atom, self.utf8 = self.watch.atom("_NET_WM_NAME"), self.watch.atom("UTF8_STRING")
        prefix = os.path.join(build, "bench", "wineprefix")
        self.env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "LC_", "WAYLAND"))}
        self.env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        DISPLAY=self.xvfb.display, LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8")
        # Made afresh, with its persistent server; ended in close().
        subprocess.run([PREFIX_SH, "make", prefix, "x11"], env=self.env, check=True, stdin=subprocess.DEVNULL)
        progs = os.path.join(self.tmp, "programs")
        os.makedirs(progs)
        self.paths = []
        for i in range(1, 101):
            p = os.path.join(progs, "program-%03d.exe" % i)
            os.link(os.path.join(build, "bench", "exit_at_once_win32.exe"), p)
            self.paths.append(windows_path(p))
        reg = os.path.join(self.tmp, "bench.reg")
        with open(reg, "w", encoding="utf-16") as f:
            f.write(reg_text(self.paths))
        self.wine("regedit", "/S", windows_path(reg))
        self.keep = {pid for pid in self.children() if not self.reaped(pid)}  # the X server, wineserver and wine's own processes

    def close(self):
        self.watch.close()
        subprocess.run([PREFIX_SH, "stop", self.env["WINEPREFIX"]], env=self.env)
        self.wait_strays({self.xvfb.proc.pid})
        self.xvfb.stop()
        xwatch.reap_strays()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def wine(self, *command):
        subprocess.run([WINE] + list(command), env=self.env, cwd=self.tmp, check=True, timeout=300,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def children(self):
        me = str(os.getpid())
        for entry in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/stat" % entry, "rb") as f:
                    stat = f.read()
            except OSError:
                continue
            if stat[stat.rfind(b")") + 2:].split()[1].decode() == me:
                yield int(entry)

    def wait_strays(self, keep, seconds=60):
        """Waits for every child but those in keep to end by itself (orphans come to us)."""
        deadline = time.monotonic() + seconds
        while True:
            # Wine's own services (started with a new prefix) live as long as the wineserver.
            left = [pid for pid in self.children() if pid not in keep and not self.reaped(pid)
                    and not re.search(r"system32\\(winedevice|plugplay|services|rpcss|svchost|explorer)\.exe",
                                      self.command_of(pid), re.I)]
            if not left:
                return
            if time.monotonic() > deadline:
                raise RuntimeError("still running: %s" % ", ".join(self.command_of(pid) for pid in left))
            time.sleep(0.01)

    @staticmethod
    def command_of(pid):
        try:
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                return "%d %s" % (pid, f.read().replace(b"\0", b" ").decode(errors="replace").strip())
        except OSError:
            return str(pid)

    @staticmethod
    def reaped(pid):
        try:
            return os.waitpid(pid, os.WNOHANG)[0] != 0
        except ChildProcessError:
            return True

    def window_name(self, window):
        kind, fmt, count, after = xwatch.Atom(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.c_void_p()
        if _x.XGetWindowProperty(self.watch.dpy, window, self.name_atom, 0, 256, 0, self.utf8, ctypes.byref(kind),
                                 ctypes.byref(fmt), ctypes.byref(count), ctypes.byref(after),
                                 ctypes.byref(data)) != 0 or not data.value:
            return ""
        name = ctypes.string_at(data.value, count.value).decode("utf-8", "replace")
        _x.XFree(data)
        return name

    def startup(self, exe, caption):
        """Seconds from the process's start to its window of that caption mapped."""
        self.watch.drain()
        t0 = time.monotonic()
        proc = subprocess.Popen([WINE, exe], env=self.env, cwd=self.tmp, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = t0 + 30
        while True:
            ev = self.watch.next_event(deadline)
            if ev.xclient.type == xwatch.MAP_NOTIFY and self.window_name(ev.xmap.window) == caption:
                t1 = time.monotonic()
                break
        time.sleep(0.3)  # let it paint and settle before it ends
        proc.send_signal(signal.SIGKILL)  # the whole Windows process; wineserver sees it go
        proc.wait()
        self.wait_strays(self.keep)
        return t1 - t0

    def timed_run(self, *command):
        t0 = time.monotonic()
        # Under load wine now and then fails a start; the rest still start, and it is told.
        done = subprocess.run([WINE] + list(command), env=self.env, cwd=self.tmp, timeout=120,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        t1 = time.monotonic()
        if done.returncode:
            sys.stderr.write("%s exited with %d %s\n" % (os.path.basename(command[0]), done.returncode,
                                                       done.stderr.decode(errors="replace").strip()))
        self.wait_strays(self.keep)  # the 100 started ones end before the next run
        return t1 - t0

    def measure(self):
        kicklist = os.path.join(self.build, "kicklist.exe")
        minimal = os.path.join(self.build, "bench", "minimal_window_win32.exe")
        minimal_v6 = os.path.join(self.build, "bench", "minimal_window_v6_win32.exe")
        sides = {
            "start-up": (lambda: self.startup(kicklist, LIST_CAPTION), lambda: self.startup(minimal, MINIMAL_CAPTION)),
            "start-up v6": (lambda: self.startup(kicklist, LIST_CAPTION),
                            lambda: self.startup(minimal_v6, MINIMAL_CAPTION)),
            "start all": (lambda: self.timed_run(os.path.join(self.build, "kicklist-cli.exe"), "--start-all"),
                          lambda: self.timed_run(os.path.join(self.build, "bench", "start_loop_win32.exe"),
                                                 *self.paths)),
        }
        for ours, theirs in sides.values():  # a first run of each, not counted
            ours(), theirs()
        times = {name: ([], []) for name in sides}
        for name, pair in sides.items():
            for i in range(self.runs):
                for side in ((0, 1) if i % 2 == 0 else (1, 0)):
                    times[name][side].append(pair[side]())
        return times


def main():
    build = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    bench = Bench(build, runs)
    try:
        times = bench.measure()
    finally:
        bench.close()
    med = statistics.median
    for name, (ours, theirs) in times.items():
        print("%s\t%.1f\t%.1f\tms" % (name, med(ours) * 1000, med(theirs) * 1000))
    stripped = os.path.join(bench.tmp + "-kicklist.exe")
    subprocess.run(["x86_64-w64-mingw32-strip", "-o", stripped, os.path.join(build, "kicklist.exe")], check=True)
    print("size\t%.0f\t1024\tKiB" % (os.path.getsize(stripped) / 1024))
    os.remove(stripped)


if __name__ == "__main__":
    main()
