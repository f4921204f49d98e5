# A process doing store operations, killed with SIGKILL at random moments. After every kill the settings file must read
# back whole and hold the state after exactly the operations whose commit returned, or after one more (the kill landed
# between the commit and the report of it). Nothing half-done. Processes appending at once lose nothing.
# Usage: test_store_crash.py STORE_CRASH_HELPER [unittest arguments]

import configparser, os, random, subprocess, sys, time, unittest  # noqa: E401
from pathlib import Path

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from sandbox import Sandbox  # noqa: E402

HELPER = None
KILLS, SEED, WAIT = 250, 40, 15.0


def parse_ini(data):
    # Section -> {key: value} of a file the store wrote: a line that is no "key=value" or repeats a key fails.
    ini = configparser.ConfigParser(delimiters="=", comment_prefixes=(), interpolation=None)
    ini.optionxform = str
    ini.read_string(data.decode("utf-8"))
    return {name: dict(ini[name]) for name in ini.sections()}


def expected_sections(ops):
    # The file after the seed and ops 1..ops, as the helper performs them.
    entries = ["seed-%d" % j for j in range(1, SEED + 1)]
    for i in range(1, ops + 1):
        entries = entries + ["prog-%d" % i] if i % 2 == 0 else entries[1:]
    return {section: dict([("AppCount", str(len(entries)))] + [(str(p), e) for p, e in enumerate(entries, 1)])
            for section in ("SetApp", "Appnames")}


class StoreCrash(Sandbox, unittest.TestCase):

    def run_until_killed(self, first_op, delay):
        # Kills the helper delay seconds after it is ready; returns the last op it reported as committed (first_op - 1
        # when none). Unbuffered, so readline() takes nothing past "ready" that communicate(), reading the pipe, would miss.
        with subprocess.Popen([HELPER, self.xdg, str(first_op), str(SEED)], stdout=subprocess.PIPE, bufsize=0) as proc:
            ready = proc.stdout.readline()
            time.sleep(delay)
            proc.kill()
            done = [first_op - 1] + [int(x) for x in proc.communicate(timeout=WAIT)[0].split()]
        self.assertEqual((ready, proc.returncode), (b"ready\n", -9))
        return done[-1]

    def test_file_holds_each_operation_whole_after_every_kill(self):
        rng = random.Random(int(os.environ.get("KICKLIST_CRASH_SEED", time.time_ns() % 100000)))
        committed = 0
        for trial in range(KILLS):
            # Mostly inside the loop of commits, now and then right at its start.
            reported = self.run_until_killed(committed + 1, rng.choice((0.0, rng.uniform(0, 0.02), rng.uniform(0, 0.15))))
            data = Path(self.ini()).read_bytes()
            matches = [k for k in (reported, reported + 1) if parse_ini(data) == expected_sections(k)]
            self.assertTrue(matches, "trial %d: after op %d the file is neither that state nor the next:\n%s"
                            % (trial, reported, data.decode(errors="replace")))
            committed = matches[0]
        # The kills must have landed across many operations, not all at one spot.
        self.assertGreater(committed, KILLS // 2)

    def test_instances_appending_at_once_lose_nothing(self):
        procs, each = 4, 60
        running = [subprocess.Popen([HELPER, self.xdg, "append", str(each), "p%d" % n]) for n in range(procs)]
        self.assertEqual([proc.wait(WAIT * 4) for proc in running], [0] * procs)
        for entries in parse_ini(Path(self.ini()).read_bytes()).values():
            self.assertEqual(entries.pop("AppCount"), str(procs * each))
            self.assertEqual(sorted(entries), sorted(str(p) for p in range(1, procs * each + 1)))
            self.assertEqual(set(entries.values()), {"p%d-%d" % (n, j) for n in range(procs) for j in range(1, each + 1)})


if __name__ == "__main__":
    HELPER = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
