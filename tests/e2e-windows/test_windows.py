# The real kicklist.exe under wine, on an X server of the suite's own (CTest runs it under xvfb-run), used as a person
# uses it: windows found by their titles, clicks at the designed positions in a window's client area and keys to the
# window given the focus (xdotool, real input; no window manager). What counts is what a user finds: the windows on
# screen, the programs that ran, and the list in the registry (read back with reg export). A window no step expects
# fails the case at once.
# Each code page's leg runs in a copy of the Windows build's tests' prefix (cmake/wine-prefix.sh) with one persistent
# wineserver, and each case starts from an empty HKCU\Software\Kicklist.
# Usage: test_windows.py BUILD_WINDOWS DESIGN_JSON WORK_DIR [unittest arguments]

import hashlib, os, re, shutil, subprocess, sys, tempfile, time, unittest  # noqa: E401
from pathlib import Path

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from xdriver import REGISTER, Design, XDriver  # noqa: E402

WAIT = XDriver.WAIT
WINE = shutil.which("wine64") or "/usr/lib/wine/wine64"
KEY = r"HKEY_CURRENT_USER\Software\Kicklist"
PROBE = "probe"  # the window of the programs started
ABOUT = "キックリストのﾊﾞｰｼﾞｮﾝ情報"  # the about box's caption, set as it loads
# The code pages, a leg of every case each: the default one and the Japanese one.
LEGS = (("C.UTF-8", 1252), ("ja_JP.UTF-8", 932))
# Wine's stand-ins for the fonts the windows ask for, where the locale would not find Japanese ones.
FONTS = ("MS UI Gothic", "ＭＳ Ｐゴシック", "MS PGothic", "Tahoma", "MS Shell Dlg", "MS Shell Dlg 2")
BUILD = SUITE = None
QUIET = subprocess.DEVNULL
PREFIX_SH = Path(__file__).resolve().parents[2] / "cmake" / "wine-prefix.sh"


def wine(env, *args, timeout=WAIT * 4):
    return subprocess.run([WINE, *map(str, args)], env=env, stdout=QUIET, stderr=QUIET, timeout=timeout).returncode


def regedit(env, sections):
    # Writes {key: {name: value}} with regedit, from a .reg file as it reads it (UTF-16 LE).
    quote = lambda s: '"%s"' % s.replace("\\", "\\\\").replace('"', '\\"')  # noqa: E731
    lines = ["Windows Registry Editor Version 5.00", ""]
    for key, values in sections.items():
        lines += ["[%s]" % key] + ["%s=%s" % (quote(n), quote(v)) for n, v in values.items()] + [""]
    with tempfile.NamedTemporaryFile(suffix=".reg", dir=Path(env["WINEPREFIX"], "drive_c")) as f:
        f.write(("\ufeff" + "\r\n".join(lines) + "\r\n").encode("utf-16-le"))
        f.flush()
        return wine(env, "regedit", "/S", "C:\\" + Path(f.name).name)


def leg(work, locale, codepage):
    # The environment of one code page's prefix and its server, wine's X11 driver on the suite's display.
    prefix = work / ("wine-%d" % codepage)
    env = dict(TEMPLATE_ENV, WINEPREFIX=str(prefix), LANG=locale, LC_ALL=locale, DISPLAY=os.environ["DISPLAY"])
    if subprocess.run([PREFIX_SH, "copy", prefix, BUILD / "wine-prefix"], env=env, stdin=QUIET, stdout=QUIET).returncode:
        sys.exit("test_windows: no copy of %s" % (BUILD / "wine-prefix"))
    settings = {r"HKEY_CURRENT_USER\Software\Wine\Drivers": {"Graphics": "x11"}}
    if codepage != 932:
        settings[r"HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements"] = {f: "IPAPGothic" for f in FONTS}
    regedit(env, settings)
    # The desktop up for the whole leg, as on Windows (desktop_keeper.cpp says why).
    keeper = prefix / "drive_c" / "desktop-keeper.exe"
    shutil.copy(BUILD / "tests" / keeper.name, keeper)
    subprocess.Popen([WINE, keeper], env=env, stdin=QUIET, stdout=QUIET, stderr=QUIET)
    deadline = time.monotonic() + WAIT * 4
    while not keeper.with_suffix(".exe.ready").exists():
        if time.monotonic() > deadline:
            sys.exit("test_windows: no desktop within %.0fs" % (WAIT * 4))
        time.sleep(0.1)
    return env


TEMPLATE_ENV = {k: v for k, v in os.environ.items() if not k.startswith(("DISPLAY", "WAYLAND", "LANG", "LC_"))}
TEMPLATE_ENV.update(WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=")


class Kicklist(XDriver, unittest.TestCase):
    # A case's steps; each case starts from an empty list in the registry and a folder of its own on drive C.

    def setUp(self):
        self.env, self.drive, self.procs, self.shown = SUITE, Path(SUITE["WINEPREFIX"], "drive_c"), [], []
        self.others = ()  # titles of other programs the case drives; their pages' are "<title>: <page>"
        wine(self.env, "reg", "delete", KEY, "/f")
        self.work = Path(tempfile.mkdtemp(prefix="case-", dir=self.drive))
        self.addCleanup(shutil.rmtree, self.work, True)
        self.addCleanup(lambda: [proc.kill() or proc.wait(WAIT) for proc in self.procs])

    def path(self, name):
        return "C:\\%s\\%s" % (self.work.name, name)

    def program(self, name):
        # The probe: it shows its window PROBE a moment and writes <itself>.txt, when started.
        shutil.copy(BUILD / "tests" / "probe-window.exe", self.work / name)
        return self.path(name)

    def start(self, first="main", exe=None):
        proc = subprocess.Popen([WINE, exe or BUILD / "kicklist.exe"], cwd=self.work, env=self.env,
                                stdin=QUIET, stdout=QUIET, stderr=QUIET)
        self.procs.append(proc)
        if first:  # the instance the steps follow
            self.proc = proc
            self.window(first)
        return proc

    # The screen: every mapped top-level window that bears a title is one of kicklist's windows or boxes.

    def windows(self, proc=None):
        return self.titled("--name", ".")

    def screen(self):
        return [t for t, _ in self.windows() if t != PROBE and not self.other_page(t)]

    def other_page(self, title):
        return ":" in title and title.split(":")[0] in self.others

    def geometry(self, w):
        return {k: int(v) for k, v in re.findall(r"(\w+)=(\d+)", self.x("xdotool", "getwindowgeometry", "--shell", w))}

    def at(self, w, form, x, y):
        (width, height), g = self.DESIGN.client(form), self.geometry(w)
        frame = (g["WIDTH"] - width) / 2  # the frame's side; the caption above the client area
        x, y = x + g["X"] + frame, y + g["Y"] + g["HEIGHT"] - frame - height
        self.x("xdotool", "windowfocus", "--sync", w, "windowraise", w, "mousemove", "--sync", round(x), round(y),
               "click", 1)

    def activate(self, w):
        # A click on the box's caption makes it the active window, whichever program took the focus since. (No
        # --sync: it would wait for ever if the pointer is there already, over a box before this one.)
        g = self.geometry(w)
        self.x("xdotool", "mousemove", g["X"] + g["WIDTH"] // 2, g["Y"] + 8, "click", 1)
        return w

    def store(self):
        # {subkey: {name: value}} of the list's key, exactly as reg export writes it (empty: no key).
        out = self.work / "store.reg"
        if wine(self.env, "reg", "export", KEY, self.path(out.name), "/y"):
            return {}
        sections, values = {}, None
        for line in out.read_bytes().decode("utf-16").lstrip("\ufeff").splitlines()[1:]:
            if line.startswith("["):
                values = sections.setdefault(line[len(KEY) + 2:-1], {})
            elif line:
                name, value = re.fullmatch(r'"((?:[^"\\]|\\.)*)"="((?:[^"\\]|\\.)*)"', line).groups()
                values[name] = re.sub(r"\\(.)", r"\1", value)
        return sections

    def listed(self):
        # The (path, name) entries of the store, as the list window reads them.
        s = self.store()
        count = int(s.get("SetApp", {}).get("AppCount", 0))
        return [(s["SetApp"][str(i)], s["Appnames"][str(i)]) for i in range(1, count + 1)]

    def put(self, paths, count=None):
        # The list as the program writes it; count, if given, replaces the program list's count.
        def section(count):
            return dict({"AppCount": str(count)}, **{str(i): p for i, p in enumerate(paths, 1)})
        self.assertEqual(regedit(self.env, {KEY + r"\SetApp": section(len(paths) if count is None else count),
                                            KEY + r"\Appnames": section(len(paths))}), 0, "regedit failed")

    def ran(self, path):
        file = self.work / (path.rsplit("\\", 1)[1] + ".txt")
        return self.wait("a start of %s" % path, file.exists)

    def test_first_start_register_start_remove(self):
        alpha, beta = self.program("alpha.exe"), self.program("ベータ.exe")
        (self.work / "notes.txt").write_text("not a program")
        self.start(REGISTER)
        self.first_start()
        self.assertEqual(self.listed(), [(alpha, alpha)])
        self.click("main", "AppAdd")
        self.register(row=1)
        self.assertEqual(self.listed(), [(alpha, alpha), (beta, beta)])
        self.choose(1, "Run")
        self.ran(beta)
        self.choose(0, "AppDel")
        self.wait("alpha removed", lambda: self.listed() == [(beta, beta)])
        self.exit()

    def test_the_list_follows_another_process(self):
        alpha, beta = self.program("alpha.exe"), self.program("beta.exe")
        self.put([alpha])
        self.start()
        # Another process renames the first entry and adds a second, a value at a time; nobody touches the window.
        for section, name, value in (("Appnames", "1", "Tool"), ("SetApp", "2", beta), ("Appnames", "2", "Beta"),
                                     ("SetApp", "AppCount", "2"), ("Appnames", "AppCount", "2")):
            self.assertEqual(wine(self.env, "reg", "add", KEY + "\\" + section, "/v", name, "/d", value, "/f"), 0)
        # The window shows both as stored: its second row starts beta, with no 注意 that the list had changed.
        self.choose(1, "Run")
        self.ran(beta)

    def test_recovery_resets_a_damaged_list_and_keeps_a_copy(self):
        # A count below 0 is damaged: the recovery dialog before the list window; its OK empties the list, and the
        # .reg file it kept brings the list back when opened (as reg import or a double-click opens it). (Wine does
        # not give the focus to a second recovery dialog in one prefix: one case only.)
        users = self.drive / "users"
        copies = lambda: sorted(users.glob("*/AppData/Local/Kicklist/Kicklist.reset-*.reg"))  # noqa: E731
        for old in copies():
            old.unlink()
        self.put([self.program("alpha.exe")], count="-1")
        before = self.store()
        self.start("syori")
        self.click("syori", "ok")
        self.ended()
        self.assertEqual({k: v["AppCount"] for k, v in self.store().items() if v}, {"SetApp": "0", "Appnames": "0"})
        (kept,) = copies()
        self.assertEqual(wine(self.env, "reg", "import", "C:\\users\\" + "\\".join(kept.relative_to(users).parts)), 0)
        self.assertEqual(self.store(), before)

    def test_about_box_and_second_start(self):
        self.put([self.program("alpha.exe")])
        self.start()
        self.click("main", "Command1")
        self.answer(ABOUT)
        main = self.window("main")
        self.x("xdotool", "windowfocus", "--sync", self.x("xdotool", "search", "--maxdepth", 0, "--name", "").split()[0])
        self.ended(self.start(None))
        self.wait("the list window forward", lambda: self.x("xdotool", "getwindowfocus").strip() == str(main))
        self.exit()

    def test_install_and_uninstall_over_a_running_copy(self):
        # Each asks to close the running kicklist.exe: Cancel changes nothing; closing it and Retry goes on. (The
        # silent install and uninstall are checked on their own in cmake/wine-installer.cmake.)
        installer = next((BUILD / "package").glob("Kicklist-*-win64.exe"))
        name = "Kicklist " + re.search(r"Kicklist-(.+)-win64", installer.name)[1]
        setup, uninstall = name + " Setup", name + " Uninstall"  # the question's title; its pages' add ": <page>"
        self.others = (setup, uninstall)
        self.assertEqual(wine(self.env, installer, "/S"), 0, "the silent install")
        home = next(p for p in (self.drive / "users").iterdir() if p.name != "Public")
        folder = home / "AppData" / "Local" / "Programs" / "Kicklist"
        link = home / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Kicklist.lnk"
        target = re.search(rb"[A-Z]:\\[^\0]*\.exe(?=\0)", link.read_bytes())  # the link's local base path
        self.assertTrue(target and target[0].endswith(rb"\Programs\Kicklist\kicklist.exe"), "the shortcut's target")
        cli = folder / "kicklist-cli.exe"
        cli.write_bytes(cli.read_bytes() + b"!")  # an older build's
        installed = lambda: {f.name: hashlib.sha256(f.read_bytes()).hexdigest()  # noqa: E731
                             for f in folder.iterdir()} if folder.exists() else {}
        older = installed()["kicklist-cli.exe"]
        self.put([self.program("alpha.exe")])
        page = lambda: [i for t, i in self.windows() if self.other_page(t)]  # noqa: E731

        for title, exe in ((setup, installer), (uninstall, folder / "Uninstall.exe")):
            self.start(exe=folder / "kicklist.exe")
            before = installed()
            for answer in ("Escape", "Return"):  # Cancel; then, Kicklist closed, Retry
                self.procs.append(subprocess.Popen([WINE, exe], env=self.env, stdin=QUIET, stdout=QUIET, stderr=QUIET))
                self.x("xdotool", "windowfocus", "--sync", self.wait("the %s window" % title, page)[0], "key", "Return")
                self.window(title)  # the question
                if answer == "Return":
                    self.exit()
                self.answer(title, answer)
                if answer == "Escape":
                    self.assertEqual(installed(), before, "%s cancelled changed the program files" % title)
                    self.assertTrue(link.exists(), "%s cancelled took the shortcut" % title)
                done = self.wait("the %s window's last page" % title,
                                 lambda: [i for t, i in self.windows() if t == title + ": Completed"])[0]
                self.x("xdotool", "windowfocus", "--sync", done, "key", "Return")  # Close, or Cancel once cancelled
                self.wait("the %s window to close" % title, lambda: not page())
            if exe is installer:
                self.assertNotEqual(installed()["kicklist-cli.exe"], older, "Retry did not install")
        self.wait("the program folder removed", lambda: not folder.exists() and not link.exists())
        self.assertEqual(self.listed(), [(self.path("alpha.exe"),) * 2])

def main():
    global BUILD, SUITE
    BUILD, XDriver.DESIGN, work = Path(sys.argv[1]).resolve(), Design(sys.argv[2]), Path(sys.argv[3]).resolve()
    missing = [t for t in (WINE, "wineserver", "xdotool", "xwininfo") if not shutil.which(t)]
    if missing or not (BUILD / "kicklist.exe").exists():
        sys.exit("test_windows: missing %s" % (", ".join(missing) or BUILD / "kicklist.exe"))
    failed = 0
    work.mkdir(parents=True, exist_ok=True)
    for locale, codepage in LEGS:
        SUITE = leg(work, locale, codepage)
        try:
            print("code page %d (%s)" % (codepage, locale), flush=True)
            suite = unittest.defaultTestLoader.loadTestsFromNames(sys.argv[4:] or ["Kicklist"], sys.modules[__name__])
            failed += not unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful()
        finally:
            subprocess.run([PREFIX_SH, "stop", SUITE["WINEPREFIX"]], env=SUITE)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
