"""The command line of the real executable, with no display, against a
private settings folder: usage: test_commandline.py KICKLIST VERSION."""

import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

KICKLIST = VERSION = None
ENTRY = "autostart/io.github.kicklist.Kicklist.desktop"


def snapshot(root):
    """Every path under root with its mode, stamp and bytes: what 'writes nothing' compares."""
    paths = [os.path.join(folder, name) for folder, dirs, files in os.walk(root) for name in dirs + files]
    return {p: (os.lstat(p).st_mode, os.lstat(p).st_mtime_ns, os.path.isfile(p) and pathlib.Path(p).read_bytes())
            for p in paths}


class CommandLine(unittest.TestCase):
    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="kicklist-cli-")
        self.addCleanup(shutil.rmtree, self.home)
        self.config = os.path.join(self.home, "config")
        self.ini = os.path.join(self.config, "Kicklist", "Kicklist.ini")
        os.makedirs(os.path.dirname(self.ini))

    def run_kicklist(self, *args, xdg=True, program=None):
        # No DISPLAY and no platform: none of these may need a window.
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update(HOME=self.home, LANG="C.UTF-8")
        env.pop("XDG_CONFIG_HOME", None)
        if xdg:
            env["XDG_CONFIG_HOME"] = self.config
        return subprocess.run([program or KICKLIST, *args], env=env, capture_output=True, text=True, timeout=30)

    def write_store(self, paths, names, count=None):
        def section(name, values):
            lines = ["[%s]" % name, "AppCount=%s" % (len(values) if count is None else count)]
            return lines + ["%d=%s" % (i + 1, v) for i, v in enumerate(values)]
        text = "\n".join(section("Appnames", names) + section("SetApp", paths)) + "\n"
        pathlib.Path(self.ini).write_text(text, encoding="utf-8")

    def script(self, name):
        """A program that leaves a marker file when it runs."""
        path = pathlib.Path(self.home, name)
        path.write_text('#!/bin/sh\ntouch "$0.ran"\n')
        path.chmod(0o755)
        return str(path)

    def assert_writes_nothing(self, *args, status):
        before = snapshot(self.config)
        result = self.run_kicklist(*args)
        self.assertEqual(result.returncode, status, result.stderr)
        self.assertEqual(snapshot(self.config), before, "%s wrote to the settings folder" % (args,))
        return result

    def test_help_and_version(self):
        result = self.assert_writes_nothing("--help", status=0)
        for option in ("--help", "--version", "--start-all", "--list", "--autostart <on|off>"):
            self.assertIn(option, result.stdout)
        self.assertEqual(self.assert_writes_nothing("--version", status=0).stdout, "Kicklist %s\n" % VERSION)

    def test_bad_command_lines_give_usage_and_status_1(self):
        self.write_store(["/bin/true"], ["true"])
        for args, error in [(["--bogus"], "Unknown option 'bogus'"), (["-x", "--list"], "Unknown option 'x'"),
                            (["--autostart"], "Missing value after '--autostart'"),
                            (["--autostart", "maybe"], "maybe"), (["--list", "extra"], "extra"),
                            (["--list", "--start-all"], "--start-all"), (["--"], "--list")]:
            with self.subTest(args=args):
                result = self.assert_writes_nothing(*args, status=1)
                self.assertEqual(result.stdout, "")
                self.assertTrue(result.stderr.startswith("Kicklist: ") and error in result.stderr.splitlines()[0],
                                result.stderr)
                self.assertIn("Usage: ", result.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.config, "autostart")))

    def test_list_prints_every_entry_in_order_and_writes_nothing(self):
        paths = [self.script("a"), "/no/such/program", "/bin/true"]
        self.write_store(paths, ["最初", "tab\there", "三番目"])
        result = self.assert_writes_nothing("--list", status=0)
        self.assertEqual(result.stdout.splitlines(),
                         ["1\t最初\t" + paths[0], "2\ttab\\there\t/no/such/program", "3\t三番目\t/bin/true"])
        self.assertEqual(result.stderr, "")
        os.remove(self.ini)  # no store at all: an empty list
        self.assertEqual(self.assert_writes_nothing("--list", status=0).stdout, "")

    def test_start_all_reports_a_failure_and_starts_the_rest(self):
        paths = [self.script("first"), os.path.join(self.home, "missing"), self.script("third")]
        self.write_store(paths, ["one", "two", "three"])
        result = self.assert_writes_nothing("--start-all", status=3)
        self.assertEqual(result.stdout, "")
        failures = result.stderr.splitlines()
        self.assertEqual(len(failures), 1, result.stderr)
        position, path, reason = failures[0].removeprefix("Kicklist: ").split("\t")
        self.assertEqual((position, path), ("2", paths[1]))
        self.assertTrue(reason)
        for started in (paths[0], paths[2]):
            self.assertTrue(self.wait_for(started + ".ran"), started + " did not start")
        self.write_store(paths[:1], ["one"])
        self.assertEqual(self.run_kicklist("--start-all").returncode, 0)

    def wait_for(self, path):
        deadline = time.monotonic() + 10
        while not os.path.exists(path) and time.monotonic() < deadline:
            time.sleep(0.01)
        return os.path.exists(path)

    def test_damaged_or_unreadable_store_is_one_line_and_never_rewritten(self):
        for case, count in [("not a number", "abc"), ("above capacity", "101"), ("negative", "-1")]:
            with self.subTest(case):
                self.write_store(["/bin/true"], ["true"], count=count)
                for option in ("--list", "--start-all"):
                    result = self.assert_writes_nothing(option, status=2)
                    self.assertEqual(result.stdout, "")
                    self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                    self.assertIn(self.ini, result.stderr)
        os.remove(self.ini)
        os.mkdir(self.ini)  # a folder where the file should be cannot be read
        for option in ("--list", "--start-all"):
            result = self.assert_writes_nothing(option, status=2)
            self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)

    def test_autostart_on_twice_leaves_one_valid_entry_and_off_removes_it(self):
        # A copy of the program in a folder whose name needs quoting.
        folder = os.path.join(self.home, "my programs")
        os.mkdir(folder)
        program = shutil.copy(KICKLIST, folder)
        for xdg, root in ((True, self.config), (False, os.path.join(self.home, ".config"))):
            with self.subTest(xdg=xdg):
                entry = os.path.join(root, ENTRY)
                for _ in range(2):
                    self.assertEqual(self.run_kicklist("--autostart", "on", xdg=xdg, program=program).returncode, 0)
                self.assertEqual(os.listdir(os.path.dirname(entry)), [os.path.basename(entry)])
                check = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
                self.assertEqual((check.returncode, check.stdout), (0, ""), check.stdout)
                with open(entry, encoding="utf-8") as f:
                    lines = f.read().splitlines()
                self.assertIn('Exec="%s" --start-all' % program, lines)
                for _ in range(2):
                    self.assertEqual(self.run_kicklist("--autostart", "off", xdg=xdg).returncode, 0)
                self.assertFalse(os.path.exists(entry))


if __name__ == "__main__":
    KICKLIST, VERSION = os.path.abspath(sys.argv[1]), sys.argv[2]
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
