# The X driver both whole-program suites share: windows found by their titles (a window of the design table by its
# caption there), clicks at the places the design table gives (its data copy, windows.json, written beside the C++
# table when building) and keys, with xdotool; every wait bounded, and any window no step expects failing it at once,
# named by its title. Also the steps both suites take: answering a box, registering a program, choosing a row.

import json, re, subprocess, time  # noqa: E401

REGISTER, CONFIRM, NOTE = "登録", "アプリケーションの登録", "注意"  # boxes' titles


class Design:
    # The windows' designs as the build wrote them: places in a window's client area, in pixels at 96 dpi.
    def __init__(self, path):
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        self.pixel, self.forms = data["twipsPerPixel"], data["windows"]

    def title(self, name):
        # A designed window's caption; a box's title as it is.
        return self.forms[name]["caption"] if name in self.forms else name

    def client(self, form):
        return self.forms[form]["width"] / self.pixel, self.forms[form]["height"] / self.pixel

    def point(self, form, control, row=False):
        # The middle of control, or (row) the middle of a list's first row.
        left, top, width, height = (v / self.pixel for v in self.forms[form]["controls"][control])
        return left + width / 2, top + 8 if row else top + height / 2


class XDriver:
    # Mixed into a unittest.TestCase that sets self.env (with DISPLAY) and self.proc (the instance the steps follow)
    # and defines windows(proc): (title, id) of proc's windows on screen; screen(): the titles on screen a step must
    # expect; at(w, form, x, y): a click at x, y of the client area of w, a window of form. Windows are named as in
    # the design table ("main", "Setup", ...), boxes by their titles.
    WAIT = 15.0  # seconds: the bound of every wait
    DESIGN = None
    shown, others = [], ()  # the titles on screen the steps expect; those of other programs' windows

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
            titles, expected = self.screen(), self.shown + [self.DESIGN.title(e) for e in expecting if e]
            unexpected = [t for t in titles if t not in expected or titles.count(t) > 1]
            if unexpected:
                self.fail("unexpected window %r while waiting for %s" % (unexpected[0], what))
            if value := predicate():
                return value
            if time.monotonic() > deadline:
                self.fail("no %s within %.0fs" % (what, self.WAIT))
            time.sleep(0.05)

    def window(self, name, replacing=None):
        # Waits for the window name (None: none) and, with replacing, for that one to go.
        title, gone = self.DESIGN.title(name) if name else None, replacing and self.DESIGN.title(replacing)

        def found():
            if title and title not in self.others and self.proc.poll() is not None:
                self.fail("kicklist ended (%d) before %r" % (self.proc.returncode, title))
            ws = dict(self.windows(self.proc))
            return gone not in ws and (ws.get(title) if title else True)
        w = self.wait("window %r instead of %r" % (title, gone), found, (name, replacing))
        self.shown = [t for t in self.shown if t not in (title, gone)] + ([title] if title else [])
        return w

    def ended(self, proc=None):
        proc = proc or self.proc
        self.wait("the end of kicklist", lambda: proc.poll() is not None)
        self.assertEqual(proc.returncode, 0)
        if proc is self.proc:
            self.shown = []

    # Input, as a person gives it.

    def click(self, form, control, row=None):
        # Clicks the middle of a control of the shown window form; for a list, its first row, then goes row down.
        w = self.window(form)
        self.at(w, form, *self.DESIGN.point(form, control, row is not None))
        if row:
            self.key(w, *["Down"] * row)

    def key(self, w, *keys):
        self.x("xdotool", "windowfocus", "--sync", w, "key", "--delay", 40, *keys)

    def answer(self, title, key="Return", then=None):
        self.key(self.activate(self.window(title)), key)
        return self.window(then, replacing=title)

    def activate(self, w):
        return w

    # The steps the cases share.

    def first_start(self):
        self.answer(REGISTER, then="Setup")  # the prompt, then the picker; the list window only after it
        self.register()

    def register(self, row=0):
        # Picks the program in row of the picker's file list, adds it and says yes.
        self.click("Setup", "File1", row)
        self.click("Setup", "AddProgram")
        self.answer(CONFIRM, then="main")
        self.window("main", replacing="Setup")

    def choose(self, row, button):
        # Chooses row of the list window's list, then clicks button.
        self.click("main", "List1", row)
        self.click("main", button)

    def exit(self):
        self.click("main", "Exit")
        self.ended()
