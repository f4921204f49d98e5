"""Drives the real kicklist executable on a private X server.

Only what a person could do goes through here: windows are found by their
captions on the X server, clicks land at the designed positions inside a
window's client area (twips / 15), keys are typed into the focused window.
Outcomes are read where a person would see them: windows on screen, the
programs that started (marker files) and the settings file on disk.

Every wait polls with a deadline; every process started is ended at the end.
"""

import ctypes
import ctypes.util
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

DEFAULT_WAIT = 15.0
POLL = 0.02


class E2EError(AssertionError):
    pass


def wait_until(what, predicate, timeout=DEFAULT_WAIT):
    """Polls predicate until it returns a true value; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise E2EError("timed out after %.0fs waiting for %s" % (timeout, what))
        time.sleep(POLL)


# --- Xlib through ctypes: listing windows, reading captions, WM_DELETE_WINDOW.

_xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
Window = ctypes.c_ulong
Atom = ctypes.c_ulong


class XWindowAttributes(ctypes.Structure):
    _fields_ = [
        ("x", ctypes.c_int), ("y", ctypes.c_int),
        ("width", ctypes.c_int), ("height", ctypes.c_int),
        ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
        ("visual", ctypes.c_void_p), ("root", Window),
        ("c_class", ctypes.c_int), ("bit_gravity", ctypes.c_int),
        ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
        ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
        ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
        ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int),
        ("all_event_masks", ctypes.c_long), ("your_event_mask", ctypes.c_long),
        ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
        ("screen", ctypes.c_void_p),
    ]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int), ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
        ("window", Window), ("message_type", Atom), ("format", ctypes.c_int),
        ("l", ctypes.c_long * 5),
    ]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


_ErrorHandler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
# Windows vanish between listing and looking at them; that is not an error here.
_ignore_errors = _ErrorHandler(lambda d, e: 0)
_xlib.XSetErrorHandler(_ignore_errors)

_xlib.XOpenDisplay.restype = ctypes.c_void_p
_xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
_xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
_xlib.XDefaultRootWindow.restype = Window
_xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_xlib.XInternAtom.restype = Atom
_xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_xlib.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window), ctypes.POINTER(Window),
                             ctypes.POINTER(ctypes.POINTER(Window)), ctypes.POINTER(ctypes.c_uint)]
_xlib.XGetWindowAttributes.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(XWindowAttributes)]
_xlib.XGetWindowProperty.argtypes = [
    ctypes.c_void_p, Window, Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int, Atom,
    ctypes.POINTER(Atom), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
_xlib.XTranslateCoordinates.argtypes = [
    ctypes.c_void_p, Window, Window, ctypes.c_int, ctypes.c_int,
    ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(Window)]
_xlib.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
_xlib.XFree.argtypes = [ctypes.c_void_p]
_xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_xlib.XGetInputFocus.argtypes = [ctypes.c_void_p, ctypes.POINTER(Window), ctypes.POINTER(ctypes.c_int)]


class TopWindow:
    def __init__(self, wid, title, pid, x, y, width, height):
        self.id, self.title, self.pid = wid, title, pid
        self.x, self.y, self.width, self.height = x, y, width, height

    def __repr__(self):
        return "<window 0x%x %r pid=%s %dx%d+%d+%d>" % (
            self.id, self.title, self.pid, self.width, self.height, self.x, self.y)


class Display:
    def __init__(self, name):
        self.name = name
        self.dpy = _xlib.XOpenDisplay(name.encode())
        if not self.dpy:
            raise E2EError("cannot open display " + name)
        self.root = _xlib.XDefaultRootWindow(self.dpy)
        self._atoms = {}

    def close(self):
        if self.dpy:
            _xlib.XCloseDisplay(self.dpy)
            self.dpy = None

    def atom(self, name):
        if name not in self._atoms:
            self._atoms[name] = _xlib.XInternAtom(self.dpy, name.encode(), 0)
        return self._atoms[name]

    def _property(self, wid, name, type_name):
        actual_type, actual_format = Atom(), ctypes.c_int()
        nitems, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        status = _xlib.XGetWindowProperty(
            self.dpy, wid, self.atom(name), 0, 4096, 0, self.atom(type_name),
            ctypes.byref(actual_type), ctypes.byref(actual_format), ctypes.byref(nitems),
            ctypes.byref(after), ctypes.byref(data))
        if status != 0 or not data.value:
            return None
        try:
            if actual_format.value == 8:
                return ctypes.string_at(data.value, nitems.value)
            if actual_format.value == 32 and nitems.value:
                return [ctypes.cast(data.value, ctypes.POINTER(ctypes.c_long))[i] for i in range(nitems.value)]
            return None
        finally:
            _xlib.XFree(data)

    def windows(self):
        """The mapped top-level windows, bottom of the stack first."""
        _xlib.XSync(self.dpy, 0)
        root_ret, parent_ret = Window(), Window()
        children, count = ctypes.POINTER(Window)(), ctypes.c_uint()
        if not _xlib.XQueryTree(self.dpy, self.root, ctypes.byref(root_ret), ctypes.byref(parent_ret),
                                ctypes.byref(children), ctypes.byref(count)):
            return []
        ids = [children[i] for i in range(count.value)]
        if children:
            _xlib.XFree(children)
        result = []
        for wid in ids:
            attrs = XWindowAttributes()
            if not _xlib.XGetWindowAttributes(self.dpy, wid, ctypes.byref(attrs)):
                continue
            if attrs.map_state != 2 or attrs.override_redirect:  # IsViewable, not a popup
                continue
            raw = self._property(wid, "_NET_WM_NAME", "UTF8_STRING")
            if raw is None:
                raw = self._property(wid, "WM_NAME", "STRING") or b""
            pid = self._property(wid, "_NET_WM_PID", "CARDINAL")
            x, y, child = ctypes.c_int(), ctypes.c_int(), Window()
            _xlib.XTranslateCoordinates(self.dpy, wid, self.root, 0, 0, ctypes.byref(x), ctypes.byref(y),
                                        ctypes.byref(child))
            result.append(TopWindow(wid, raw.decode("utf-8", "replace"), pid[0] if pid else None,
                                    x.value, y.value, attrs.width, attrs.height))
        return result

    def focused(self):
        wid, revert = Window(), ctypes.c_int()
        _xlib.XGetInputFocus(self.dpy, ctypes.byref(wid), ctypes.byref(revert))
        return wid.value

    def send_delete(self, wid):
        """What a window manager sends when the title bar's close box is pressed."""
        ev = XEvent()
        ev.xclient.type = 33  # ClientMessage
        ev.xclient.window = wid
        ev.xclient.message_type = self.atom("WM_PROTOCOLS")
        ev.xclient.format = 32
        ev.xclient.l[0] = self.atom("WM_DELETE_WINDOW")
        ev.xclient.l[1] = 0  # CurrentTime
        _xlib.XSendEvent(self.dpy, wid, 0, 0, ctypes.byref(ev))
        _xlib.XSync(self.dpy, 0)


# --- Processes.

def _set_subreaper():
    # Programs started detached by kicklist are reparented to us, not to init,
    # so the suite can see and end any that outlive a test.
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        libc.prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
    except OSError:
        pass


_set_subreaper()


def _children_of(pid):
    kids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry, "rb") as f:
                stat = f.read()
        except OSError:
            continue
        fields = stat[stat.rfind(b")") + 2:].split()
        if int(fields[1]) == pid:
            kids.append(int(entry))
    return kids


def reap_strays(keep=()):
    """Ends and reaps every process that became our child, but those in keep."""
    for pid in _children_of(os.getpid()):
        if pid in keep:
            continue
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    deadline = time.monotonic() + DEFAULT_WAIT
    while True:
        left = [pid for pid in _children_of(os.getpid()) if pid not in keep]
        if not left:
            return
        for pid in left:
            try:
                os.waitpid(pid, os.WNOHANG)
            except ChildProcessError:
                pass
        if time.monotonic() > deadline:
            raise E2EError("processes that would not end: %r" % left)
        time.sleep(POLL)


class Xvfb:
    """A private X server on a display number it picks itself."""

    def __init__(self, width=1280, height=800):
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % (width, height),
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(w)
        number = b""
        deadline = time.monotonic() + DEFAULT_WAIT
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([r], [], [], left)[0]:
                self.stop()
                raise E2EError("Xvfb did not report a display")
            chunk = os.read(r, 16)
            if not chunk:
                self.stop()
                raise E2EError("Xvfb exited with %s" % self.proc.poll())
            number += chunk
        os.close(r)
        self.display = ":" + number.decode().strip()
        self.x = Display(self.display)

    def stop(self):
        if getattr(self, "x", None):
            self.x.close()
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)


def write_script(path, marker_dir, tag):
    """A program to register: it logs its own path and arguments, then ends."""
    with open(path, "w") as f:
        f.write("#!/bin/sh\n"
                "printf '%%s\\n' \"$0\" \"$#\" \"$@\" > \"%s/%s.$$\"\n" % (marker_dir, tag))
    os.chmod(path, 0o755)


def markers(marker_dir, tag=None):
    """The start records left by registered programs: a list of (tag, argv0, args)."""
    found = []
    for name in sorted(os.listdir(marker_dir)):
        t = name.rsplit(".", 1)[0]
        if tag is not None and t != tag:
            continue
        with open(os.path.join(marker_dir, name)) as f:
            lines = f.read().split("\n")
        if len(lines) < 2 or lines[-1] != "":
            continue  # still being written
        argc = int(lines[1])
        found.append((t, lines[0], lines[2:2 + argc]))
    return found


# --- Settings files in the layout QSettings reads and writes.

def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def ini_value(text):
    out = text.replace("\\", "\\\\").replace('"', '\\"')
    if any(c in text for c in ";,=") or text != text.strip(" "):
        out = '"' + out + '"'
    return out


def settings_text(paths, names=None):
    names = names if names is not None else paths
    lines = ["[Appnames]", "AppCount=%d" % len(names)]
    lines += ["%d=%s" % (i + 1, ini_value(n)) for i, n in enumerate(names)]
    lines += ["", "[SetApp]", "AppCount=%d" % len(paths)]
    lines += ["%d=%s" % (i + 1, ini_value(p)) for i, p in enumerate(paths)]
    return "\n".join(lines) + "\n"


def parse_ini(data):
    """Section -> {key: value} of a file the program wrote (plain values only)."""
    sections, current = {}, None
    for raw in data.decode("utf-8").splitlines():
        line = raw.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1], {})
            continue
        key, sep, value = line.partition("=")
        if not sep:
            raise E2EError("line without '=' in a file the program wrote: %r" % raw)
        value = value.strip()
        if value.startswith('"') and value.endswith('"') and len(value) >= 2:
            value = value[1:-1]
        value = value.replace('\\"', '"').replace("\\\\", "\\")
        current[key.strip()] = value
    return sections


# --- One test's world: a display, a home folder, the program.

class KicklistCase(unittest.TestCase):
    """Each test gets its own X server, home and working folder."""

    KICKLIST = None  # set from the command line

    # Client-area positions in pixels (design twips / 15).
    MAIN = {"List1": (0, 0, 329, 88), "AppAdd": (8, 96, 73, 25), "chenge": (88, 96, 73, 25),
            "AppDel": (168, 96, 73, 25), "Command1": (248, 96, 73, 25), "Run": (8, 128, 113, 33),
            "AllRan": (128, 128, 97, 33), "Exit": (232, 128, 89, 33)}
    SETUP = {"Drive1": (16, 16, 161, 20), "Dir1": (16, 48, 161, 160), "File1": (192, 16, 185, 150),
             "cxsetup": (288, 176, 89, 33), "AddProgram": (192, 176, 89, 33)}
    RENAME = {"whatname": (8, 8, 297, 49), "Text1": (8, 64, 297, 25), "chenge": (8, 96, 97, 33),
              "clear": (112, 96, 97, 33), "cancel": (216, 96, 89, 33)}
    SYORI = {"ok": (64, 80, 89, 25)}

    T_MAIN = "キックリスト"
    T_SETUP = "実行プログラムの登録"
    T_RENAME = "変更"
    T_SYORI = "エラー処理"
    T_ABOUT = "キックリストのﾊﾞｰｼﾞｮﾝ情報"
    T_REGISTER = "登録"
    T_CONFIRM = "アプリケーションの登録"
    T_NOTICE = "注意"

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="kicklist-e2e-")
        self.home = os.path.join(self.tmp, "home")
        self.config = os.path.join(self.home, ".config")
        self.ini_dir = os.path.join(self.config, "Kicklist")
        self.ini = os.path.join(self.ini_dir, "Kicklist.ini")
        self.work = os.path.join(self.tmp, "work")  # the program's working folder
        self.marks = os.path.join(self.tmp, "marks")
        self.runtime_dir = os.path.join(self.tmp, "run")
        for d in (self.home, self.work, self.marks, self.runtime_dir):
            os.makedirs(d, mode=0o700)
        self.procs = []
        self.xvfb = Xvfb()
        self.addCleanup(self._teardown)

    def _teardown(self):
        for p in self.procs:
            if p.poll() is None:
                try:
                    os.killpg(p.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                p.wait(5)
            for stream in (p.stdout, p.stderr):
                if stream:
                    stream.close()
        self.xvfb.stop()
        reap_strays()
        _make_writable(self.tmp)
        shutil.rmtree(self.tmp, ignore_errors=True)

    @property
    def x(self):
        return self.xvfb.x

    # Starting and ending the program.

    def env(self, xdg=True):
        env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "XDG_"))}
        env.update(HOME=self.home, DISPLAY=self.xvfb.display, QT_QPA_PLATFORM="xcb",
                   LANG="C.UTF-8", LC_ALL="C.UTF-8", XDG_RUNTIME_DIR=self.runtime_dir,
                   QT_ACCESSIBILITY="0", NO_AT_BRIDGE="1")
        env.pop("XAUTHORITY", None)
        if xdg:
            env["XDG_CONFIG_HOME"] = self.config
        return env

    def start(self, cwd=None, xdg=True, wrapper=(), preexec=None):
        proc = subprocess.Popen(list(wrapper) + [self.KICKLIST], cwd=cwd or self.work, env=self.env(xdg),
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                start_new_session=True, preexec_fn=preexec)
        self.procs.append(proc)
        return proc

    def wait_exit(self, proc, timeout=DEFAULT_WAIT):
        try:
            return proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise E2EError("kicklist did not end within %.0fs; windows: %r" % (timeout, self.x.windows()))

    # Windows.

    def find(self, title, proc=None):
        for w in reversed(self.x.windows()):
            if w.title == title and (proc is None or w.pid == proc.pid):
                return w
        return None

    def wait_window(self, title, proc=None, timeout=DEFAULT_WAIT):
        def ready():
            if proc is not None and proc.poll() is not None:
                raise E2EError("kicklist ended (status %s) while waiting for %r; stderr: %s"
                               % (proc.returncode, title, proc.stderr.read().decode(errors="replace")[-2000:]))
            return self.find(title, proc)
        try:
            return wait_until("window %r" % title, ready, timeout)
        except E2EError as e:
            raise E2EError("%s; on screen: %r" % (e, self.x.windows())) from None

    def wait_gone(self, window, timeout=DEFAULT_WAIT):
        wait_until("window %r to go" % window.title,
                   lambda: all(w.id != window.id for w in self.x.windows()), timeout)

    def titles(self, proc=None):
        return sorted(w.title for w in self.x.windows() if proc is None or w.pid == proc.pid)

    # Input, as a person gives it.

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env(), check=True, timeout=DEFAULT_WAIT,
                       stdout=subprocess.DEVNULL)

    def focus(self, window):
        # No window manager: give the focus ourselves, then check the server took it.
        self.xdotool("windowraise", window.id)
        self.xdotool("windowfocus", window.id)
        wait_until("focus on %r" % window.title, lambda: self.x.focused() == window.id, 5)

    def click(self, window, rect, dx=None, dy=None, double=False):
        left, top, width, height = rect
        px = window.x + left + (width // 2 if dx is None else dx)
        py = window.y + top + (height // 2 if dy is None else dy)
        self.xdotool("windowraise", window.id)
        args = ["mousemove", px, py, "click"]
        if double:
            args += ["--repeat", 2, "--delay", 80]
        self.xdotool(*(args + [1]))

    def key(self, window, *keys):
        self.focus(window)
        self.xdotool("key", "--delay", 30, *keys)

    def type_text(self, window, text):
        self.focus(window)
        self.xdotool("type", "--delay", 20, text)

    def close_box(self, window):
        self.x.send_delete(window.id)

    # Outcomes.

    def settings(self):
        with open(self.ini, "rb") as f:
            return parse_ini(f.read())

    def stored_list(self):
        s = self.settings()
        setapp, names = s.get("SetApp", {}), s.get("Appnames", {})
        n = int(setapp.get("AppCount", "0"))
        return [(setapp.get(str(i)), names.get(str(i))) for i in range(1, n + 1)]

    def write_settings(self, data):
        os.makedirs(self.ini_dir, mode=0o700, exist_ok=True)
        if isinstance(data, str):
            data = data.encode("utf-8")
        with open(self.ini, "wb") as f:
            f.write(data)
        os.chmod(self.ini, 0o600)

    def wait_markers(self, count, tag=None, timeout=DEFAULT_WAIT):
        return wait_until("%d start(s) of %s" % (count, tag or "registered programs"),
                          lambda: (lambda m: m if len(m) >= count else None)(markers(self.marks, tag)), timeout)

    def program(self, name, folder=None, tag=None):
        path = os.path.join(folder or self.work, name)
        write_script(path, self.marks, tag or name.split(".")[0])
        return path


def _make_writable(top):
    for root, dirs, _ in os.walk(top):
        for d in dirs:
            try:
                os.chmod(os.path.join(root, d), 0o700)
            except OSError:
                pass
    try:
        os.chmod(top, 0o700)
    except OSError:
        pass


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: %s /path/to/kicklist [unittest args]" % sys.argv[0])
    KicklistCase.KICKLIST = os.path.abspath(sys.argv.pop(1))
    unittest.main(module="__main__", verbosity=2)
