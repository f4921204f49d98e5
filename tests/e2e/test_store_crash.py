"""A process doing store operations, killed with SIGKILL at random moments.

After every kill the settings file must read back whole and hold the state
after exactly the operations whose commit returned, or after one more (the
kill landed between the commit and the report of it). Nothing half-done.
"""

import os
import random
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import klx  # noqa: E402

HELPER = None
KILLS = 250
SEED = 40


def model(ops):
    """The list after the seed and ops 1..ops, as the helper performs them."""
    entries = [["seed-%d" % j, "seed-%d" % j] for j in range(1, SEED + 1)]
    for i in range(1, ops + 1):
        if i % 3 == 0:
            entries.append(["prog-%d" % i, "prog-%d" % i])
        elif i % 3 == 1:
            entries[0][1] = "name-%d" % i
        else:
            entries.pop(0)
    return entries


def expected_sections(entries):
    setapp = {"AppCount": str(len(entries))}
    names = {"AppCount": str(len(entries))}
    for p, (path, name) in enumerate(entries, 1):
        setapp[str(p)] = path
        names[str(p)] = name
    return {"SetApp": setapp, "Appnames": names}


class StoreCrash(unittest.TestCase):

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="kicklist-crash-")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.ini = os.path.join(self.tmp, "Kicklist", "Kicklist.ini")

    def run_until_killed(self, first_op, delay):
        """Starts the helper, kills it delay seconds after it is ready; returns
        the last op it reported as committed (first_op - 1 when none)."""
        proc = subprocess.Popen([HELPER, self.tmp, str(first_op), str(SEED)],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
        try:
            out = b""
            deadline = time.monotonic() + klx.DEFAULT_WAIT
            while b"ready\n" not in out:
                left = deadline - time.monotonic()
                if left <= 0:
                    self.fail("helper not ready in time")
                if select.select([proc.stdout], [], [], left)[0]:
                    chunk = os.read(proc.stdout.fileno(), 4096)
                    if not chunk:
                        self.fail("helper ended early: %s" % proc.stderr.read().decode(errors="replace"))
                    out += chunk
            time.sleep(delay)
            os.kill(proc.pid, signal.SIGKILL)
            rest, err = proc.communicate(timeout=klx.DEFAULT_WAIT)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait(5)
        self.assertEqual(proc.returncode, -signal.SIGKILL, err.decode(errors="replace"))
        lines = (out + rest).decode().split()
        done = [int(x) for x in lines if x != "ready"]
        return done[-1] if done else first_op - 1

    def test_file_holds_each_operation_whole_after_every_kill(self):
        rng = random.Random(int(os.environ.get("KICKLIST_CRASH_SEED", time.time_ns() % 100000)))
        committed = 0
        for trial in range(KILLS):
            # Mostly inside the loop of commits, now and then right at its start.
            delay = rng.choice((0.0, rng.uniform(0, 0.02), rng.uniform(0, 0.15)))
            reported = self.run_until_killed(committed + 1, delay)
            self.assertGreaterEqual(reported, committed)

            with open(self.ini, "rb") as f:
                data = f.read()
            sections = klx.parse_ini(data)
            candidates = (reported, reported + 1)
            matches = [k for k in candidates if sections == expected_sections(model(k))]
            self.assertTrue(matches, "trial %d: after op %d the file is neither that state nor the next:\n%s"
                            % (trial, reported, data.decode(errors="replace")))
            committed = matches[0]
        # The kills must have landed across many operations, not all at one spot.
        self.assertGreater(committed, KILLS // 2)

    def test_instances_appending_at_once_lose_nothing(self):
        procs, each = 4, 60
        running = [subprocess.Popen([HELPER, self.tmp, "append", str(each), "p%d" % n], stderr=subprocess.PIPE)
                   for n in range(procs)]
        for proc in running:
            _, err = proc.communicate(timeout=klx.DEFAULT_WAIT * 4)
            self.assertEqual(proc.returncode, 0, err.decode(errors="replace"))
        with open(self.ini, "rb") as f:
            sections = klx.parse_ini(f.read())
        wanted = {"p%d-%d" % (n, j) for n in range(procs) for j in range(1, each + 1)}
        for name in ("SetApp", "Appnames"):
            entries = sections[name]
            self.assertEqual(entries.pop("AppCount"), str(procs * each))
            self.assertEqual(set(entries), {str(p) for p in range(1, procs * each + 1)})
            self.assertEqual(set(entries.values()), wanted)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: %s /path/to/store_crash_helper" % sys.argv[0])
    HELPER = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
