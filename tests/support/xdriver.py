# The X driver both whole-program suites share: windows found by their titles, clicks at the places the design
# table gives (its data copy, windows.json, written beside the C++ table when building) and keys, with xdotool;
# every wait bounded, and any window no step expects failing it at once, named by its title.

import json, re, subprocess, time  # noqa: E401


class Design:
    # The windows' designs as the build wrote them: places in a window's client area, in pixels at 96 dpi.
    def __init__(self, path):
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        self.pixel, self.forms = data["twipsPerPixel"], data["windows"]

    def client(self, form):
        return self.forms[form]["width"] / self.pixel, self.forms[form]["height"] / self.pixel

    def point(self, form, control, row=False):
        # The middle of control, or (row) the middle of a list's first row.
        left, top, width, height = (v / self.pixel for v in self.forms[form]["controls"][control])
        return left + width / 2, top + 8 if row else top + height / 2


class XDriver:
    # Mixed into a unittest.TestCase that sets self.env (with DISPLAY) and defines unexpected(expecting): the
    # titles on screen that no step expects.
    WAIT = 15.0  # seconds: the bound of every wait

    def x(self, *args, check=True):
        return subprocess.run([str(a) for a in args], env=self.env, capture_output=True, text=True, timeout=self.WAIT,
                              check=check).stdout

    def titled(self, *search):
        # (title, id) of the mapped top-level windows xdotool finds by search that bear a title (tips bear none).
        ids = {int(i) for i in self.x("xdotool", "search", "--onlyvisible", "--maxdepth", 1, *search,
                                      check=False).split()}
        found = re.findall(r'^\s*(0x[0-9a-f]+) "(.*)": \(', self.x("xwininfo", "-root", "-children"), re.M)
        return [(title, int(i, 16)) for i, title in found if int(i, 16) in ids]

    def wait(self, what, predicate, expecting=()):
        # Polls predicate till it holds, failing at once on a window no step expects.
        deadline = time.monotonic() + self.WAIT
        while True:
            unexpected = self.unexpected(expecting)
            if unexpected:
                self.fail("unexpected window %r while waiting for %s" % (unexpected[0], what))
            if value := predicate():
                return value
            if time.monotonic() > deadline:
                self.fail("no %s within %.0fs" % (what, self.WAIT))
            time.sleep(0.05)

    def key(self, w, *keys):
        # Keys to window w; text to type may follow ("type", text).
        self.x("xdotool", "windowfocus", "--sync", w, "key", "--delay", 40, *keys)
