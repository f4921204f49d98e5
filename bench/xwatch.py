"""A private Xvfb and a watcher on it, for timing real windows.

The watcher sees top-level windows being mapped and minimise requests as a
window manager would, without being one, and can click and close windows.
Xlib through ctypes: the timings need the X events themselves, which no
command-line tool reports with their arrival time.
"""

import ctypes
import ctypes.util
import os
import select
import signal
import subprocess
import time

_x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
_xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
Window = ctypes.c_ulong
Atom = ctypes.c_ulong


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", Window), ("message_type", Atom),
                ("format", ctypes.c_int), ("l", ctypes.c_long * 5)]


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", Window), ("window", Window),
                ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


_ErrorHandler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
_ignore_errors = _ErrorHandler(lambda d, e: 0)  # windows vanish while we look
_x.XSetErrorHandler(_ignore_errors)
_x.XOpenDisplay.restype = ctypes.c_void_p
_x.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x.XDefaultRootWindow.restype = Window
_x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x.XInternAtom.restype = Atom
_x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_x.XSelectInput.argtypes = [ctypes.c_void_p, Window, ctypes.c_long]
_x.XPending.argtypes = [ctypes.c_void_p]
_x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
_x.XConnectionNumber.argtypes = [ctypes.c_void_p]
_x.XFlush.argtypes = [ctypes.c_void_p]
_x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_x.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
_x.XTranslateCoordinates.argtypes = [
    ctypes.c_void_p, Window, Window, ctypes.c_int, ctypes.c_int,
    ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(Window)]
_xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
_xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

SUBSTRUCTURE_NOTIFY, STRUCTURE_NOTIFY = 1 << 19, 1 << 17
MAP_NOTIFY, CLIENT_MESSAGE, ICONIC = 19, 33, 3


class Xvfb:
    """A private X server on a display number it picks itself."""

    def __init__(self):
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(w)
        number = b""
        while not number.endswith(b"\n"):
            if not select.select([r], [], [], 15)[0]:
                self.stop()
                raise RuntimeError("Xvfb did not report a display")
            chunk = os.read(r, 16)
            if not chunk:
                raise RuntimeError("Xvfb exited with %s" % self.proc.poll())
            number += chunk
        os.close(r)
        self.display = ":" + number.decode().strip()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(5)


class Watcher:
    def __init__(self, display):
        self.dpy = _x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display " + display)
        self.root = _x.XDefaultRootWindow(self.dpy)
        # Qt asks for minimising with a message to the root window's structure listeners.
        _x.XSelectInput(self.dpy, self.root, SUBSTRUCTURE_NOTIFY | STRUCTURE_NOTIFY)
        _x.XFlush(self.dpy)
        self.fd = _x.XConnectionNumber(self.dpy)

    def close(self):
        _x.XCloseDisplay(self.dpy)

    def atom(self, name):
        return _x.XInternAtom(self.dpy, name.encode(), 0)

    def next_event(self, deadline):
        while not _x.XPending(self.dpy):
            left = deadline - time.monotonic()
            if left <= 0:
                raise RuntimeError("no X event in time")
            select.select([self.fd], [], [], left)
        ev = XEvent()
        _x.XNextEvent(self.dpy, ctypes.byref(ev))
        return ev

    def drain(self):
        while _x.XPending(self.dpy):
            _x.XNextEvent(self.dpy, ctypes.byref(XEvent()))

    def wait_map(self, deadline):
        """The first top-level window mapped, and when."""
        while True:
            ev = self.next_event(deadline)
            if ev.xclient.type == MAP_NOTIFY and not ev.xmap.override_redirect:
                return ev.xmap.window, time.monotonic()

    def wait_minimise(self, deadline):
        change_state = self.atom("WM_CHANGE_STATE")
        while True:
            ev = self.next_event(deadline)
            if ev.xclient.type == CLIENT_MESSAGE and ev.xclient.message_type == change_state \
                    and ev.xclient.l[0] == ICONIC:
                return time.monotonic()

    def origin(self, window):
        x, y, child = ctypes.c_int(), ctypes.c_int(), Window()
        _x.XTranslateCoordinates(self.dpy, window, self.root, 0, 0, ctypes.byref(x), ctypes.byref(y),
                                 ctypes.byref(child))
        return x.value, y.value

    def click(self, x, y):
        _xtst.XTestFakeMotionEvent(self.dpy, -1, x, y, 0)
        _xtst.XTestFakeButtonEvent(self.dpy, 1, 1, 0)
        _xtst.XTestFakeButtonEvent(self.dpy, 1, 0, 0)
        _x.XFlush(self.dpy)

    def send_delete(self, window):
        """What a window manager sends when the title bar's close box is pressed."""
        ev = XEvent()
        ev.xclient.type = CLIENT_MESSAGE
        ev.xclient.window = window
        ev.xclient.message_type = self.atom("WM_PROTOCOLS")
        ev.xclient.format = 32
        ev.xclient.l[0] = self.atom("WM_DELETE_WINDOW")
        _x.XSendEvent(self.dpy, window, 0, 0, ctypes.byref(ev))
        _x.XSync(self.dpy, 0)


def set_subreaper():
    """Programs started detached become our children, so they can be reaped."""
    ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER


def reap_strays(keep=()):
    """Ends and reaps every child of ours but those in keep."""
    me = os.getpid()
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) in keep:
            continue
        try:
            with open("/proc/%s/stat" % entry, "rb") as f:
                stat = f.read()
        except OSError:
            continue
        if int(stat[stat.rfind(b")") + 2:].split()[1]) == me:
            try:
                os.kill(int(entry), signal.SIGKILL)
                os.waitpid(int(entry), 0)
            except (ProcessLookupError, ChildProcessError):
                pass
