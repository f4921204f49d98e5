# The command line of the real executable, with no display, against a
# private settings folder: usage: test_commandline.py KICKLIST VERSION.

import os, shutil, subprocess, sys, unittest  # noqa: E401

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from sandbox import Sandbox, poll  # noqa: E402

KICKLIST = VERSION = None


def snapshot(root):
    # Every path under root with its mode, stamp and bytes: what 'writes nothing' compares.
    paths = [os.path.join(d, n) for d, dirs, files in os.walk(root) for n in dirs + files]
    return {p: (os.lstat(p).st_mode, os.lstat(p).st_mtime_ns, os.path.isfile(p) and open(p, "rb").read()) for p in paths}


class CommandLine(Sandbox, unittest.TestCase):
    def kicklist(self, *args, status=None, xdg=True, program=None):
        # Runs kicklist; with status, also checks that and that it wrote nothing.
        before = snapshot(self.xdg)
        env = dict(self.env, XDG_CONFIG_HOME=self.xdg if xdg else "")
        r = subprocess.run([program or KICKLIST, *args], env=env, capture_output=True, text=True, timeout=30)
        if status is not None:
            self.assertEqual((r.returncode, snapshot(self.xdg) == before), (status, True), (args, r.stderr))
        return r

    def test_help_version_and_bad_command_lines(self):
        self.assertEqual(self.kicklist("--version", status=0).stdout, "Kicklist %s\n" % VERSION)
        usage = self.kicklist("--help", status=0).stdout
        self.assertEqual([o for o in ("--help", "--version", "--start-all", "--list", "--autostart <on|off>")
                          if o not in usage], [])
        self.write_settings(["/bin/true"])
        for args, error in [(["--bogus"], "Unknown option 'bogus'"), (["-x", "--list"], "Unknown option 'x'"),
                            (["--autostart"], "Missing value after '--autostart'"), (["--autostart", "maybe"], "maybe"),
                            (["--list", "extra"], "extra"), (["--list", "--start-all"], "--start-all"), (["--"], "--list")]:
            r = self.kicklist(*args, status=1)
            first = "".join(r.stderr.splitlines()[:1])
            self.assertTrue(first.startswith("Kicklist: ") and error in first and "Usage: " in r.stderr, r.stderr)
            self.assertEqual(r.stdout, "")

    def test_list_and_start_all(self):
        paths = [self.program("first"), os.path.join(self.work, "missing"), self.program("third")]
        self.write_settings(paths, ["最初", "tab\there", "三番目"])
        r = self.kicklist("--list", status=0)
        self.assertEqual(r.stdout + r.stderr, "1\t最初\t%s\n2\ttab\\there\t%s\n3\t三番目\t%s\n" % tuple(paths))
        # A failure is reported on its own line, and the rest still start.
        r = self.kicklist("--start-all", status=3)
        self.assertRegex(r.stdout + r.stderr, "^Kicklist: 2\t%s\t[^\n]+\n$" % paths[1])
        self.assertTrue(poll(lambda: all(os.path.exists(p + ".ran") for p in paths[::2]), 10), "not all started")
        self.write_settings(paths[:1])
        self.assertEqual(self.kicklist("--start-all").returncode, 0)
        os.remove(self.ini())  # no store at all: an empty list
        self.assertEqual(self.kicklist("--list", status=0).stdout, "")

    def test_damaged_or_unreadable_store_is_one_line_and_never_rewritten(self):
        for count in ("abc", "101", "-1", None):
            if count is None:  # a folder where the file should be cannot be read
                os.remove(self.ini())
                os.mkdir(self.ini())
            else:
                self.write_settings(["/bin/true"], count=count)
            for option in ("--list", "--start-all"):
                r = self.kicklist(option, status=2)
                self.assertTrue(r.stdout == "" and r.stderr.count("\n") == 1 and self.ini() in r.stderr, r.stderr)

    def test_autostart_on_twice_leaves_one_valid_entry_and_off_removes_it(self):
        folder = os.path.join(self.home, "my programs")  # a folder whose name needs quoting
        program = shutil.copy(KICKLIST, os.makedirs(folder) or folder)
        for xdg, root in ((True, self.xdg), (False, os.path.join(self.home, ".config"))):
            folder, entry = os.path.join(root, "autostart"), "io.github.kicklist.Kicklist.desktop"
            codes = [self.kicklist("--autostart", "on", xdg=xdg, program=program).returncode for _ in range(2)]
            check = subprocess.run(["desktop-file-validate", os.path.join(folder, entry)], capture_output=True, text=True)
            with open(os.path.join(folder, entry), encoding="utf-8") as f:
                exec_line = 'Exec="%s" --start-all' % program in f.read().splitlines()
            self.assertEqual((codes, os.listdir(folder), check.returncode, check.stdout, exec_line),
                             ([0, 0], [entry], 0, "", True), (xdg, check.stdout))
            codes = [self.kicklist("--autostart", "off", xdg=xdg).returncode for _ in range(2)]
            self.assertEqual((codes, os.path.exists(os.path.join(folder, entry))), ([0, 0], False))


if __name__ == "__main__":
    KICKLIST, VERSION = os.path.abspath(sys.argv[1]), sys.argv[2]
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
