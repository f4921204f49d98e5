# The command line of the real executable, with no display, against a
# private settings folder: usage: test_commandline.py KICKLIST.

import fcntl, os, re, shutil, stat, struct, subprocess, sys, termios, unittest  # noqa: E401
from pathlib import Path

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from sandbox import Sandbox, poll, runs  # noqa: E402

KICKLIST = None


def snapshot(root):
    # Every path under root with its mode, stamp and bytes: what 'writes nothing' compares.
    paths = [os.path.join(d, n) for d, dirs, files in os.walk(root) for n in dirs + files]
    return {p: (os.lstat(p).st_mode, os.lstat(p).st_mtime_ns, os.path.isfile(p) and Path(p).read_bytes()) for p in paths}


class CommandLine(Sandbox, unittest.TestCase):
    def kicklist(self, *args, status=None, program=(), env=None, **popen):
        # Runs kicklist; with status, also checks that and that it wrote nothing.
        before = snapshot(self.xdg)
        r = subprocess.run([*(program or [KICKLIST]), *args], env=dict(self.env, **(env or {})), cwd=self.work,
                           stdout=popen.pop("stdout", subprocess.PIPE), stderr=subprocess.PIPE, text=True, timeout=30, **popen)
        if status is not None:
            self.assertEqual((r.returncode, snapshot(self.xdg) == before), (status, True), (args, r.stderr))
        return r

    def test_bad_command_lines(self):
        # Qt's words for each error are the parser's test's (test_commands); ours must name what was wrong.
        for args, error in [(["-x", "--list"], "Unknown option 'x'"), (["--autostart", "maybe"], "maybe"),
                            (["--list", "extra"], "extra"), (["--list", "--start-all"], "--start-all"), (["--"], "--list")]:
            r = self.kicklist(*args, status=1)
            self.assertTrue(r.stdout == "" and r.stderr.startswith("Kicklist: ") and error in r.stderr.split("\n")[0]
                            and "Usage: " in r.stderr, r.stderr)

    def test_list_and_start_all(self):
        paths = [self.program("first"), os.path.join(self.work, "missing"), self.program("third")]
        self.write_settings(paths, ["最初", "tab\there", "三番目"])
        r = self.kicklist("--list", status=0)
        self.assertEqual(r.stdout + r.stderr, "1\t最初\t%s\n2\ttab\\there\t%s\n3\t三番目\t%s\n" % tuple(paths))
        # A failure is reported on its own line, and the rest still start.
        r = self.kicklist("--start-all", status=3)
        self.assertRegex(r.stdout + r.stderr, "^Kicklist: 2\t%s\t[^\n]+\n$" % paths[1])
        started = [[p + " 0 1"] for p in paths[::2]]  # each once, in a session of its own
        self.assertTrue(poll(lambda: [runs(p) for p in paths[::2]] == started, 10), "not all started")
        self.write_settings(paths[:1])
        self.assertEqual(self.kicklist("--start-all").returncode, 0)
        os.remove(self.ini())  # no store at all: an empty list
        self.assertEqual(self.kicklist("--list", status=0).stdout, "")

    def test_damaged_or_busy_store_is_one_line_and_never_rewritten(self):
        # A count the window cannot load either (an unreadable file fails the same way in the store's own tests),
        # or the store held by another process (this test): in use, not damaged, and the line names the holder.
        held = os.open(self.xdg, os.O_RDONLY)
        self.addCleanup(os.close, held)
        for count, says in [("abc", self.ini()), ("101", self.ini()), ("-1", self.ini()), ("1", "ID %d)" % os.getpid())]:
            self.write_settings(["/bin/true"], count=count)
            fcntl.flock(held, fcntl.LOCK_EX if count == "1" else fcntl.LOCK_UN)
            for option in ("--list", "--start-all"):
                r = self.kicklist(option, status=2)
                self.assertTrue(r.stdout == "" and r.stderr.count("\n") == 1 and says in r.stderr, r.stderr)

    def test_output_that_cannot_be_written_is_a_failure(self):
        # Standard output on a full device: every command that prints says so in one line and exits 2.
        self.write_settings(["/bin/true"])
        for args in (["--list"], ["--help"], ["--version"]):
            with open("/dev/full", "w") as full:
                r = self.kicklist(*args, stdout=full)
            self.assertEqual((r.returncode, r.stderr), (2, "Kicklist: 標準出力に書き出せません。\n"), args)

    def test_no_lock_held_while_writing(self):
        # 100 names of 2 KB, more than a pipe holds: the first --list blocks writing, and no one must wait for it.
        self.write_settings(["/bin/true"] * 100, ["名" * 700 + str(i) for i in range(100)])
        rfd, wfd = os.pipe()
        blocked = subprocess.Popen([KICKLIST, "--list"], env=self.env, stdout=wfd)
        self.addCleanup(blocked.wait), self.addCleanup(blocked.kill), self.addCleanup(os.close, rfd), os.close(wfd)
        unread = lambda: struct.unpack("i", fcntl.ioctl(rfd, termios.FIONREAD, b"\0" * 4))[0]  # noqa: E731
        self.assertTrue(poll(lambda: unread() >= fcntl.fcntl(rfd, fcntl.F_GETPIPE_SZ), 10), "the pipe never filled")
        self.assertEqual(len(self.kicklist("--list", status=0).stdout.splitlines()), 100)

    def entry(self):
        return os.path.join(self.xdg, "autostart", "io.github.kicklist.Kicklist.desktop")

    def test_autostart_names_the_running_program_or_writes_nothing(self):
        # (folder of the program, through the loader, environment, the program as Exec names it or why it is refused)
        cases = [(b"my kicklist", 0, {}, '"{w}/my kicklist/k"'), (b"50%off", 0, {}, "{w}/50%%off/k"),
                 (b'a"b\\c$d`e', 0, {}, '"{w}/a\\\\"b\\\\\\\\c\\\\$d\\\\`e/k"'), ("キック".encode(), 0, {}, "{w}/キック/k"),
                 (b"\xff", 0, {}, "UTF-8 ではなく"), (b"tab\t", 0, {}, "制御文字"), (b"\xc2\x85", 0, {}, "制御文字"),
                 (b"ld", 1, {}, "動的ローダー"), (b"nohome", 0, {"HOME": "", "XDG_CONFIG_HOME": "relative"}, "ホームフォルダー")]
        loader = re.search(rb"/[\w/.-]+/ld-linux[\w.-]*\.so\.\d", Path(KICKLIST).read_bytes()[:4096]).group().decode()
        at_root = "/autostart/" + os.path.basename(self.entry())
        self.addCleanup(lambda: os.path.exists(at_root) and os.remove(at_root))
        self.addCleanup(os.umask, os.umask(0))  # the modes must not follow it
        for folder, through_loader, env, expected in cases:
            with self.subTest(folder=folder):
                program = os.path.join(self.work.encode(), folder, b"k")
                os.makedirs(os.path.dirname(program))
                shutil.copy(KICKLIST, program)
                refused = "{w}" not in expected
                r = self.kicklist("--autostart", "on", status=2 if refused else None, env=env,
                                  program=[loader, program] if through_loader else [program])
                if refused:
                    self.assertTrue(r.stderr.count("\n") == 1 and expected in r.stderr and not os.path.exists(at_root), r.stderr)
                    continue
                check = subprocess.run(["desktop-file-validate", self.entry()], capture_output=True, text=True)
                exec_line = "Exec=%s --start-all" % expected.format(w=self.work)
                modes = [stat.S_IMODE(os.stat(p).st_mode) for p in (os.path.dirname(self.entry()), self.entry())]
                self.assertEqual((r.returncode, check.stdout, exec_line in Path(self.entry()).read_text().splitlines(),
                                  modes), (0, "", True, [0o700, 0o600]), r.stderr)
                shutil.rmtree(os.path.dirname(self.entry()))
        # Nor into an autostart folder others can write.
        os.makedirs(os.path.dirname(self.entry()), 0o777)
        r = self.kicklist("--autostart", "on", status=2)
        self.assertEqual((os.listdir(os.path.dirname(self.entry())), r.stderr.count("\n")), ([], 1), r.stderr)

    def test_autostart_changes_only_its_own_unchanged_entry(self):
        dotfile = os.path.join(self.xdg, "dotfiles", "kicklist.desktop")
        other = shutil.copy(KICKLIST, os.path.join(self.work, "other"))
        self.assertEqual(self.kicklist("--autostart", "on", program=[other]).returncode, 0)
        own = Path(self.entry()).read_bytes()  # another copy's entry is Kicklist's own
        # (entry, reached through a link, Kicklist's own)
        cases = [(own, False, True), (own + b"Hidden=true\n", False, False), (own, True, False),
                 (own + b"X-GNOME-Autostart-Delay=5\n", False, False), (own.replace(b"all", b"al"), False, False)]
        for text, linked, is_own in cases:
            for option in ("on", "off"):
                with self.subTest(text=text[-30:], linked=linked, option=option):
                    for d in (os.path.dirname(self.entry()), os.path.dirname(dotfile)):
                        shutil.rmtree(d, True)
                        os.makedirs(d)
                    Path(dotfile if linked else self.entry()).write_bytes(text)
                    if linked:
                        os.symlink(dotfile, self.entry())
                    r = self.kicklist("--autostart", option, status=None if is_own else 2)
                    if not is_own:
                        self.assertRegex(r.stderr, "^Kicklist: [^\n]+そのままにしました。\n$")
                    elif option == "on":  # rewritten for this copy, one entry
                        self.assertEqual((r.returncode, os.listdir(os.path.dirname(self.entry())),
                                          "TryExec=" + KICKLIST in Path(self.entry()).read_text().splitlines()),
                                         (0, [os.path.basename(self.entry())], True), r.stderr)
                    else:
                        self.assertEqual((r.returncode, os.path.lexists(self.entry())), (0, False), r.stderr)

    def test_autostart_on_a_full_disk_keeps_the_old_entry_whole(self):
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k,mode=700", "kicklist-app", self.xdg],
                                 capture_output=True, text=True)
        if mounted.returncode != 0:
            self.fail("cannot mount a small file system: " + mounted.stderr.strip())
        self.addCleanup(subprocess.run, ["umount", "-l", self.xdg])
        other = shutil.copy(KICKLIST, os.path.join(self.work, "other"))
        self.assertEqual(self.kicklist("--autostart", "on", program=[other]).returncode, 0)
        subprocess.run(["dd", "if=/dev/zero", "of=" + self.xdg + "/filler", "bs=4k"], capture_output=True)  # until full
        r = self.kicklist("--autostart", "on", status=2)  # a different entry: this copy's
        self.assertEqual((r.stderr.count("\n"), "ディスクの空き容量が不足しています" in r.stderr), (1, True), r.stderr)

    # The window's start, before and without any display: one line and status 2, never Qt's abort.

    def test_unusable_display_or_platform_is_one_line(self):
        for env in ({"DISPLAY": "unix:9", "XDG_RUNTIME_DIR": ""}, {"DISPLAY": "localhost:9"}, {"DISPLAY": ":abc"},
                    {"DISPLAY": ""}, {"QT_QPA_PLATFORM": "wayland"}, {"QT_QPA_PLATFORM": "no-such-platform"}):
            r = self.kicklist(env=env)
            one_line = r.stderr.count("\n") == 1 and r.stderr.startswith("kicklist: no display found (")
            self.assertEqual((r.returncode, one_line), (2, True), (env, r.stderr))

    def test_closed_standard_descriptors_are_opened_on_null(self):
        # Before anything else takes them: a started program finds them so too.
        probe = self.program("probe")
        Path(probe).write_text('#!/bin/sh\nfds=$(readlink /proc/$$/fd/[012])\necho "$fds" > "$0.fds"\n')
        self.write_settings([probe])
        self.kicklist("--start-all", preexec_fn=lambda: [os.close(fd) for fd in (0, 1, 2)])
        fds = poll(lambda: os.path.exists(probe + ".fds") and Path(probe + ".fds").read_text(), 10)
        self.assertEqual(fds, "/dev/null\n" * 3)


if __name__ == "__main__":
    KICKLIST = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
