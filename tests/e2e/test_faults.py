"""The whole program against damaged, unreachable and shared settings, and
against program paths a shell would have misread."""

import glob
import os
import resource
import signal
import stat
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import klx  # noqa: E402


class Faults(klx.KicklistCase):

    def obey_permissions(self):
        """A wrapper under which permission bits bind the program, even as root."""
        if os.geteuid() != 0:
            return ()
        wrapper = ("setpriv", "--bounding-set", "-dac_override,-dac_read_search", "--")
        probe = os.path.join(self.tmp, "probe")
        with open(probe, "w"):
            pass
        os.chmod(probe, 0)
        try:
            blocked = subprocess.run(wrapper + ("cat", probe), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, timeout=klx.DEFAULT_WAIT).returncode != 0
        except OSError:
            blocked = False
        if not blocked:
            self.skipTest("cannot make permission bits bind root here (setpriv)")
        return wrapper

    def files_beside_settings(self):
        # A store may keep its lock file; anything else is a leftover.
        return sorted(n for n in os.listdir(self.ini_dir) if not n.endswith(".lock"))

    def exit_by_button(self, main, proc):
        self.click(main, self.MAIN["Exit"])
        self.assertEqual(self.wait_exit(proc), 0)

    def run_first_row(self, main, tag):
        self.click(main, self.MAIN["List1"], dy=8)
        self.click(main, self.MAIN["Run"])
        return self.wait_markers(1, tag)

    def test_damaged_settings_are_read_and_left_alone(self):
        p1 = self.program("p1.exe")
        p2 = self.program("p2.exe")
        p3 = self.program("p3.exe")
        good = klx.settings_text([p1, p2, p3]).encode()

        def with_count(count, entries=(p1, p2, p3)):
            return klx.settings_text(list(entries)).replace(
                "AppCount=%d" % len(entries), "AppCount=%s" % count).encode()

        many = [p1] + [p2] * 101
        junk = b"".join(b"junk line %d without an equals sign \xff\xfe\n" % i for i in range(260000))
        cases = [
            # name, file, what shows first, whether row 0 starts p1
            ("count not a number", with_count("three"), self.T_SYORI, False),
            ("count 101", with_count(101, many), self.T_SYORI, True),
            ("count 32767", with_count(32767, many), self.T_SYORI, True),
            ("negative count", with_count(-2), self.T_MAIN, False),
            ("missing position keys", good.replace(b"2=%s\n" % p2.encode(), b""), self.T_MAIN, True),
            ("invalid UTF-8", good.replace(b"[SetApp]\n", b"[SetApp]\nbad=\xc3\x28\xa0\xa1\n\xf0\x28\x8c\x28\n"),
             self.T_MAIN, True),
            ("NUL bytes", good.replace(b"[SetApp]\n", b"[SetApp]\nn\x00ul=a\x00b\n\x00\x00\n"), self.T_MAIN, True),
            ("lines without =", good.replace(b"[Appnames]\n", b"[Appnames]\njust words\n[broken\n"),
             self.T_MAIN, True),
            ("10 MB file", good.replace(b"[SetApp]\n", b"[SetApp]\n" + junk), self.T_MAIN, True),
        ]
        self.assertGreater(len(cases[-1][1]), 10 * 1000 * 1000)

        for name, data, first, row0 in cases:
            with self.subTest(name):
                self.write_settings(data)
                for f in os.listdir(self.marks):
                    os.unlink(os.path.join(self.marks, f))
                proc = self.start()
                if first == self.T_SYORI:
                    recovery = self.wait_window(self.T_SYORI, proc)
                    self.assertEqual(self.titles(proc), [self.T_SYORI])
                    self.close_box(recovery)
                main = self.wait_window(self.T_MAIN, proc)
                # Modal boxes come before the list window: none came.
                self.assertEqual(self.titles(proc), [self.T_MAIN])
                if row0:
                    self.assertEqual(self.run_first_row(main, "p1"), [("p1", p1, [])])
                self.exit_by_button(main, proc)
                with open(self.ini, "rb") as f:
                    self.assertTrue(f.read() == data, "the settings file changed")
                self.assertEqual(self.files_beside_settings(), ["Kicklist.ini"])

    def test_start_all_goes_on_past_programs_that_cannot_start(self):
        p1 = self.program("p1.exe")
        p3 = self.program("p3.exe")
        plain = os.path.join(self.work, "not-executable.exe")
        with open(plain, "w") as f:
            f.write("#!/bin/sh\ntouch %s/plain\n" % self.marks)
        missing = os.path.join(self.work, "gone.exe")
        data = klx.settings_text([p1, missing, p3, plain]).encode()
        self.write_settings(data)

        proc = self.start()
        main = self.wait_window(self.T_MAIN, proc)
        self.click(main, self.MAIN["AllRan"])
        for _ in range(2):  # one box per program that cannot start
            notice = self.wait_window(self.T_NOTICE, proc)
            self.key(notice, "Return")
            self.wait_gone(notice)
        self.wait_markers(1, "p3")
        main = self.wait_window(self.T_MAIN, proc)
        self.exit_by_button(main, proc)
        self.assertEqual(sorted(t for t, _, _ in klx.markers(self.marks)), ["p1", "p3"])
        self.assertFalse(os.path.exists(os.path.join(self.marks, "plain")))
        with open(self.ini, "rb") as f:
            self.assertEqual(f.read(), data)

    def test_unreadable_settings_file_is_never_replaced(self):
        p1 = self.program("p1.exe")
        data = klx.settings_text([p1]).encode()
        self.write_settings(data)
        os.chmod(self.ini, 0o200)

        # Loading fails: the recovery dialog; its OK cannot reset what it
        # cannot read, so the failure is reported and the program ends.
        proc = self.start(wrapper=self.obey_permissions())
        recovery = self.wait_window(self.T_SYORI, proc)
        self.click(recovery, self.SYORI["ok"])
        report = self.wait_window("Kicklist", proc)
        self.key(report, "Return")
        self.assertEqual(self.wait_exit(proc), 0)

        self.assertEqual(stat.S_IMODE(os.stat(self.ini).st_mode), 0o200)
        os.chmod(self.ini, 0o600)
        with open(self.ini, "rb") as f:
            self.assertEqual(f.read(), data)
        self.assertEqual(self.files_beside_settings(), ["Kicklist.ini"])

    def test_read_only_settings_folder_fails_the_removal_in_the_open(self):
        p1 = self.program("p1.exe")
        p2 = self.program("p2.exe")
        data = klx.settings_text([p1, p2]).encode()
        self.write_settings(data)
        os.chmod(self.ini_dir, 0o500)

        proc = self.start(wrapper=self.obey_permissions())
        main = self.wait_window(self.T_MAIN, proc)
        self.click(main, self.MAIN["List1"], dy=8)
        self.click(main, self.MAIN["AppDel"])
        recovery = self.wait_window(self.T_SYORI, proc)
        self.close_box(recovery)
        self.wait_gone(recovery)
        # The program goes on; the store still holds both.
        self.click(main, self.MAIN["List1"], dy=8)
        self.click(main, self.MAIN["Run"])
        self.assertEqual(self.wait_markers(1, "p1"), [("p1", p1, [])])
        self.exit_by_button(main, proc)

        os.chmod(self.ini_dir, 0o700)
        with open(self.ini, "rb") as f:
            self.assertEqual(f.read(), data)
        self.assertEqual(self.files_beside_settings(), ["Kicklist.ini"])

    def test_write_that_runs_out_of_space_keeps_the_old_file(self):
        p1 = self.program("p1.exe")
        data = klx.settings_text([p1]).encode()
        self.write_settings(data)

        def small_files():
            # The size limit stands in for a full disk; the signal it raises
            # would kill the program before it could report anything.
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (len(data) + 64, len(data) + 64))

        proc = self.start(preexec=small_files)
        main = self.wait_window(self.T_MAIN, proc)
        self.click(main, self.MAIN["List1"], dy=8)
        self.click(main, self.MAIN["chenge"])
        rename = self.wait_window(self.T_RENAME, proc)
        self.key(rename, "Home")
        self.type_text(rename, "n" * 200)
        self.key(rename, "Return")
        # Renaming runs without recovery: the failure is reported, then the end.
        try:
            report = self.wait_window("Kicklist", proc)
        except klx.E2EError as e:
            self.fail("%s\nno failure was reported; the settings file now holds:\n%r"
                      % (e, klx.read_bytes(self.ini)))
        self.key(report, "Return")
        self.assertEqual(self.wait_exit(proc), 0)

        with open(self.ini, "rb") as f:
            self.assertEqual(f.read(), data)
        self.assertEqual(self.files_beside_settings(), ["Kicklist.ini"])

    def test_two_instances_see_each_others_writes(self):
        p1 = self.program("p1.exe")
        p2 = self.program("p2.exe")
        self.write_settings(klx.settings_text([p1, p2]))

        first = self.start()
        main1 = self.wait_window(self.T_MAIN, first)
        second = self.start()
        main2 = self.wait_window(self.T_MAIN, second)
        self.assertNotEqual(main1.id, main2.id)

        # The first removes p1 ...
        self.click(main1, self.MAIN["List1"], dy=8)
        self.click(main1, self.MAIN["AppDel"])
        klx.wait_until("the removal to be stored", lambda: self.stored_list() == [(p2, p2)])
        # ... and the second, whose list still shows p1 first, starts what the
        # store holds at position 1 now.
        self.click(main2, self.MAIN["List1"], dy=8)
        self.click(main2, self.MAIN["Run"])
        self.assertEqual(self.wait_markers(1, "p2"), [("p2", p2, [])])

        self.exit_by_button(main1, first)
        self.exit_by_button(main2, second)
        self.assertEqual(self.stored_list(), [(p2, p2)])
        self.assertEqual(markers_of(self, "p1"), [])

    def unsafe_folder(self):
        folder = os.path.join(self.tmp, "odd dir; $(touch INJ1) `touch INJ2`")
        os.makedirs(folder)
        name = "-n 'q' \"d\" ; $(touch INJ3) `touch INJ4` * x.exe"
        return folder, self.program(name, folder=folder, tag="odd")

    def assert_nothing_else_ran(self, folder):
        for where in (self.work, folder, self.tmp, self.home):
            self.assertEqual([n for n in os.listdir(where) if n.startswith("INJ")], [], where)

    def test_unsafe_path_starts_exactly_that_file(self):
        folder, odd = self.unsafe_folder()
        self.write_settings(klx.settings_text([odd]))
        proc = self.start()
        main = self.wait_window(self.T_MAIN, proc)
        self.assertEqual(self.run_first_row(main, "odd"), [("odd", odd, [])])
        self.click(main, self.MAIN["AllRan"])
        self.assertEqual(self.wait_markers(2, "odd"), [("odd", odd, [])] * 2)
        main = self.wait_window(self.T_MAIN, proc)
        self.exit_by_button(main, proc)
        self.assert_nothing_else_ran(folder)
        self.assertEqual(self.stored_list(), [(odd, odd)])

    def test_unsafe_path_registered_through_the_picker(self):
        folder, odd = self.unsafe_folder()
        proc = self.start(cwd=folder, xdg=False)  # the default place: ~/.config
        prompt = self.wait_window(self.T_REGISTER, proc)
        self.key(prompt, "Return")
        picker = self.wait_window(self.T_SETUP, proc)
        self.click(picker, self.SETUP["File1"], dy=8)
        self.click(picker, self.SETUP["AddProgram"])
        confirm = self.wait_window(self.T_CONFIRM, proc)
        self.key(confirm, "Return")
        main = self.wait_window(self.T_MAIN, proc)
        klx.wait_until("the registration to be stored",
                       lambda: os.path.exists(self.ini) and self.stored_list() == [(odd, odd)])
        self.assertEqual(stat.S_IMODE(os.stat(self.ini).st_mode), 0o600)
        self.assertEqual(self.run_first_row(main, "odd"), [("odd", odd, [])])
        self.exit_by_button(main, proc)
        self.assert_nothing_else_ran(folder)


def markers_of(case, tag):
    return klx.markers(case.marks, tag)


if __name__ == "__main__":
    klx.main()
