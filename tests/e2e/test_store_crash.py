"""A process doing store operations, killed with SIGKILL at random moments.

After every kill the settings file must read back whole and hold the state
after exactly the operations whose commit returned, or after one more (the
kill landed between the commit and the report of it). Nothing half-done.
"""

import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HELPER = None
KILLS = 250
SEED = 40
WAIT = 15.0


def parse_ini(data):
    # Section -> {key: value} of a file the store wrote (plain values only).
    sections, current = {}, None
    for line in data.decode("utf-8").splitlines():
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1], {})
        elif line:
            key, sep, value = line.partition("=")
            assert sep, "line without '=' in a file the store wrote: %r" % line
            current[key] = value
    return sections


def expected_sections(ops):
    # The file after the seed and ops 1..ops, as the helper performs them.
    entries = [["seed-%d" % j, "seed-%d" % j] for j in range(1, SEED + 1)]
    for i in range(1, ops + 1):
        if i % 3 == 0:
            entries.append(["prog-%d" % i, "prog-%d" % i])
        elif i % 3 == 1:
            entries[0][1] = "name-%d" % i
        else:
            entries.pop(0)
    return {section: dict([("AppCount", str(len(entries)))] + [(str(p), e[col]) for p, e in enumerate(entries, 1)])
            for col, section in enumerate(("SetApp", "Appnames"))}


class StoreCrash(unittest.TestCase):

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="kicklist-crash-")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.ini = os.path.join(self.tmp, "Kicklist", "Kicklist.ini")

    def run_until_killed(self, first_op, delay):
        # Kills the helper delay seconds after it is ready; returns the last op
        # it reported as committed (first_op - 1 when none).
        proc = subprocess.Popen([HELPER, self.tmp, str(first_op), str(SEED)],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        with proc:
            ready = proc.stdout.readline()
            time.sleep(delay)
            proc.kill()
            rest, err = proc.communicate(timeout=WAIT)
        self.assertEqual((ready, proc.returncode), (b"ready\n", -9), err.decode(errors="replace"))
        done = [int(x) for x in rest.split()]
        return done[-1] if done else first_op - 1

    def test_file_holds_each_operation_whole_after_every_kill(self):
        rng = random.Random(int(os.environ.get("KICKLIST_CRASH_SEED", time.time_ns() % 100000)))
        committed = 0
        for trial in range(KILLS):
            # Mostly inside the loop of commits, now and then right at its start.
            reported = self.run_until_killed(committed + 1, rng.choice((0.0, rng.uniform(0, 0.02), rng.uniform(0, 0.15))))
            self.assertGreaterEqual(reported, committed)
            with open(self.ini, "rb") as f:
                data = f.read()
            matches = [k for k in (reported, reported + 1) if parse_ini(data) == expected_sections(k)]
            self.assertTrue(matches, "trial %d: after op %d the file is neither that state nor the next:\n%s"
                            % (trial, reported, data.decode(errors="replace")))
            committed = matches[0]
        # The kills must have landed across many operations, not all at one spot.
        self.assertGreater(committed, KILLS // 2)

    def test_instances_appending_at_once_lose_nothing(self):
        procs, each = 4, 60
        running = [subprocess.Popen([HELPER, self.tmp, "append", str(each), "p%d" % n],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE) for n in range(procs)]
        for proc in running:
            self.assertEqual(proc.communicate(timeout=WAIT * 4)[1], b"")
            self.assertEqual(proc.returncode, 0)
        with open(self.ini, "rb") as f:
            sections = parse_ini(f.read())
        for entries in sections.values():
            self.assertEqual(entries.pop("AppCount"), str(procs * each))
            self.assertEqual(sorted(entries), sorted(str(p) for p in range(1, procs * each + 1)))
            self.assertEqual(set(entries.values()), {"p%d-%d" % (n, j) for n in range(procs) for j in range(1, each + 1)})


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: %s /path/to/store_crash_helper" % sys.argv[0])
    HELPER = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
