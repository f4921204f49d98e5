"""What a user does with the program, start to end, on a real X server."""

import os
import stat
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import klx  # noqa: E402


class Journeys(klx.KicklistCase):

    def register_first_file(self, picker, proc, next_row=False):
        """Picks a file in the picker's file list and confirms the registration."""
        self.click(picker, self.SETUP["File1"], dy=8)
        if next_row:
            self.key(picker, "Down")
        self.click(picker, self.SETUP["AddProgram"])
        confirm = self.wait_window(self.T_CONFIRM, proc)
        self.key(confirm, "Return")
        self.wait_gone(confirm)

    def wait_stored(self, expected):
        klx.wait_until("stored list %r" % (expected,),
                       lambda: os.path.exists(self.ini) and self.stored_list() == expected)

    def test_register_start_rename_remove_and_restart(self):
        alpha = self.program("alpha.exe")
        beta = self.program("beta.exe")

        # First start: the prompt, then the picker, before the list window.
        proc = self.start()
        prompt = self.wait_window(self.T_REGISTER, proc)
        self.assertNotIn(self.T_MAIN, self.titles(proc))
        self.key(prompt, "Return")
        picker = self.wait_window(self.T_SETUP, proc)
        self.assertEqual((picker.width, picker.height), (397, 223))
        self.register_first_file(picker, proc)
        main = self.wait_window(self.T_MAIN, proc)
        self.assertEqual((main.width, main.height), (327, 168))
        self.wait_stored([(alpha, alpha)])

        # The settings are the user's own: private file in a private folder.
        self.assertEqual(stat.S_IMODE(os.stat(self.ini).st_mode), 0o600)
        self.assertEqual(stat.S_IMODE(os.stat(self.ini_dir).st_mode), 0o700)

        # A second program through the add button; the picker kept its folder.
        self.click(main, self.MAIN["AppAdd"])
        picker = self.wait_window(self.T_SETUP, proc)
        self.register_first_file(picker, proc, next_row=True)
        self.wait_gone(picker)
        self.wait_stored([(alpha, alpha), (beta, beta)])

        # Start the selected one, then all of them in order.
        self.click(main, self.MAIN["List1"], dy=8)
        self.click(main, self.MAIN["Run"])
        self.wait_markers(1, "alpha")
        self.click(main, self.MAIN["AllRan"])
        self.wait_markers(2, "alpha")
        self.wait_markers(1, "beta")

        # Rename the second: Home empties the name, Enter confirms.
        self.click(main, self.MAIN["List1"], dy=8)
        self.key(main, "Down")
        self.click(main, self.MAIN["chenge"])
        rename = self.wait_window(self.T_RENAME, proc)
        self.key(rename, "Home")
        self.type_text(rename, "Beta renamed; $(x)")
        self.key(rename, "Return")
        self.wait_gone(rename)
        self.wait_stored([(alpha, alpha), (beta, "Beta renamed; $(x)")])

        # Remove the first: the second moves up.
        self.click(main, self.MAIN["List1"], dy=8)
        self.click(main, self.MAIN["AppDel"])
        self.wait_stored([(beta, "Beta renamed; $(x)")])
        self.assertEqual(self.titles(proc), [self.T_MAIN])

        self.click(main, self.MAIN["Exit"])
        self.assertEqual(self.wait_exit(proc), 0)

        # Start again: no prompt, and the one row left starts beta.
        proc = self.start()
        main = self.wait_window(self.T_MAIN, proc)
        self.assertEqual(self.titles(proc), [self.T_MAIN])
        self.click(main, self.MAIN["List1"], dy=8)
        self.click(main, self.MAIN["Run"])
        self.wait_markers(2, "beta")
        self.close_box(main)
        self.assertEqual(self.wait_exit(proc), 0)

        self.assertEqual(self.stored_list(), [(beta, "Beta renamed; $(x)")])
        started = [(tag, argv0, args) for tag, argv0, args in klx.markers(self.marks)]
        self.assertEqual(sorted(started), sorted([("alpha", alpha, [])] * 2 + [("beta", beta, [])] * 2))

    def test_damaged_settings_lead_to_recovery_and_a_first_start(self):
        one = self.program("one.exe")
        two = self.program("two.exe")
        text = klx.settings_text([one, two]).replace("AppCount=2", "AppCount=two")
        self.write_settings(text)

        proc = self.start()
        recovery = self.wait_window(self.T_SYORI, proc)
        self.assertEqual((recovery.width, recovery.height), (218, 117))
        self.assertNotIn(self.T_MAIN, self.titles(proc))
        # Esc is no way out of it: the OK after it still finds the dialog.
        self.key(recovery, "Escape")
        self.click(recovery, self.SYORI["ok"])
        self.assertEqual(self.wait_exit(proc), 0)

        # Both counts reset, the position keys left for the next append.
        s = self.settings()
        self.assertEqual(s["SetApp"]["AppCount"], "0")
        self.assertEqual(s["Appnames"]["AppCount"], "0")
        self.assertEqual((s["SetApp"]["1"], s["SetApp"]["2"]), (one, two))

        # The next start is a first start; closing the picker shows the list.
        proc = self.start()
        prompt = self.wait_window(self.T_REGISTER, proc)
        self.key(prompt, "Return")
        picker = self.wait_window(self.T_SETUP, proc)
        self.close_box(picker)
        main = self.wait_window(self.T_MAIN, proc)
        self.assertEqual(self.titles(proc), [self.T_MAIN])
        # Start all is disabled on an empty list: a click starts nothing.
        self.click(main, self.MAIN["AllRan"])
        self.close_box(main)
        self.assertEqual(self.wait_exit(proc), 0)
        self.assertEqual(klx.markers(self.marks), [])

    def test_recovery_closed_keeps_the_rows_read_and_the_file(self):
        paths = [self.program("p%03d.exe" % i, tag="p%03d" % i) for i in range(1, 102)]
        text = klx.settings_text(paths)
        self.write_settings(text)
        before = klx.read_bytes(self.ini)

        proc = self.start()
        recovery = self.wait_window(self.T_SYORI, proc)
        self.close_box(recovery)
        main = self.wait_window(self.T_MAIN, proc)
        # The load stopped after row 100; those rows are there to start.
        self.click(main, self.MAIN["List1"], dy=8)
        self.click(main, self.MAIN["Run"])
        self.assertEqual(self.wait_markers(1, "p001"), [("p001", paths[0], [])])
        self.click(main, self.MAIN["Exit"])
        self.assertEqual(self.wait_exit(proc), 0)
        self.assertEqual(klx.read_bytes(self.ini), before)

    def test_rename_confirmed_after_its_row_was_removed(self):
        one = self.program("one.exe")
        two = self.program("two.exe")
        self.write_settings(klx.settings_text([one, two]))
        proc = self.start()
        main = self.wait_window(self.T_MAIN, proc)
        self.click(main, self.MAIN["List1"], dy=8)
        self.click(main, self.MAIN["chenge"])
        rename = self.wait_window(self.T_RENAME, proc)

        # The dialog stays open while its row goes; nothing is selected after.
        self.click(main, self.MAIN["List1"], dy=8)
        self.click(main, self.MAIN["AppDel"])
        self.wait_stored([(two, two)])
        self.type_text(rename, "new name")
        self.key(rename, "Return")
        refusal = self.wait_window("名前の変更", proc)
        self.key(refusal, "Return")
        self.wait_gone(refusal)
        self.assertIn(self.T_RENAME, self.titles(proc))
        self.key(rename, "Escape")
        self.wait_gone(rename)

        self.click(main, self.MAIN["Exit"])
        self.assertEqual(self.wait_exit(proc), 0)
        self.assertEqual(self.stored_list(), [(two, two)])

    def test_about_box_closes_with_enter_and_esc(self):
        only = self.program("only.exe")
        self.write_settings(klx.settings_text([only]))
        proc = self.start()
        main = self.wait_window(self.T_MAIN, proc)

        for key in ("Return", "Escape"):
            with self.subTest(key=key):
                self.click(main, self.MAIN["Command1"])
                about = self.wait_window(self.T_ABOUT, proc)
                # A second press shows the same box: X delivers the click
                # before the key, so a second box would still be up after.
                self.click(main, self.MAIN["Command1"])
                self.key(about, key)
                self.wait_gone(about)
                self.assertEqual(self.titles(proc), [self.T_MAIN])

        self.click(main, self.MAIN["Exit"])
        self.assertEqual(self.wait_exit(proc), 0)
        self.assertEqual(klx.markers(self.marks), [])


if __name__ == "__main__":
    klx.main()
