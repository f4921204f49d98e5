# The command line of the real executable, with no display, against a
# private settings folder: usage: test_commandline.py KICKLIST.

import fcntl, os, shutil, struct, subprocess, sys, termios, unittest  # noqa: E401
from pathlib import Path

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from sandbox import Sandbox, poll, runs  # noqa: E402

KICKLIST = None


def snapshot(root):
    # Every path under root with its mode, stamp and bytes: what 'writes nothing' compares.
    paths = [os.path.join(d, n) for d, dirs, files in os.walk(root) for n in dirs + files]
    return {p: (os.lstat(p).st_mode, os.lstat(p).st_mtime_ns, os.path.isfile(p) and open(p, "rb").read()) for p in paths}


class CommandLine(Sandbox, unittest.TestCase):
    def kicklist(self, *args, status=None, program=None):
        # Runs kicklist; with status, also checks that and that it wrote nothing.
        before = snapshot(self.xdg)
        r = subprocess.run([program or KICKLIST, *args], env=self.env, capture_output=True, text=True, timeout=30)
        if status is not None:
            self.assertEqual((r.returncode, snapshot(self.xdg) == before), (status, True), (args, r.stderr))
        return r

    def test_bad_command_lines(self):
        for args, error in [(["--bogus"], "Unknown option 'bogus'"), (["-x", "--list"], "Unknown option 'x'"),
                            (["--autostart"], "Missing value after '--autostart'"), (["--autostart", "maybe"], "maybe"),
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

    def test_no_lock_held_while_writing(self):
        # 100 names of 2 KB, more than a pipe holds: the first --list blocks writing, and no one must wait for it.
        self.write_settings(["/bin/true"] * 100, ["名" * 700 + str(i) for i in range(100)])
        rfd, wfd = os.pipe()
        blocked = subprocess.Popen([KICKLIST, "--list"], env=self.env, stdout=wfd)
        self.addCleanup(blocked.wait), self.addCleanup(blocked.kill), self.addCleanup(os.close, rfd), os.close(wfd)
        unread = lambda: struct.unpack("i", fcntl.ioctl(rfd, termios.FIONREAD, b"\0" * 4))[0]  # noqa: E731
        self.assertTrue(poll(lambda: unread() >= fcntl.fcntl(rfd, fcntl.F_GETPIPE_SZ), 10), "the pipe never filled")
        self.assertEqual(len(self.kicklist("--list", status=0).stdout.splitlines()), 100)

    def test_autostart_on_twice_leaves_one_valid_entry_and_off_removes_it(self):
        program = shutil.copy(KICKLIST, os.path.join(self.work, "my kicklist"))  # a path that needs quoting
        entry = os.path.join(self.xdg, "autostart", "io.github.kicklist.Kicklist.desktop")
        codes = [self.kicklist("--autostart", "on", program=program).returncode for _ in range(2)]
        check = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        exec_line = 'Exec="%s" --start-all' % program in Path(entry).read_text(encoding="utf-8").splitlines()
        self.assertEqual((codes, os.listdir(os.path.dirname(entry)), check.returncode, check.stdout, exec_line),
                         ([0, 0], [os.path.basename(entry)], 0, "", True), check.stdout)
        codes = [self.kicklist("--autostart", "off").returncode for _ in range(2)]
        self.assertEqual((codes, os.path.exists(entry)), ([0, 0], False))


if __name__ == "__main__":
    KICKLIST = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
