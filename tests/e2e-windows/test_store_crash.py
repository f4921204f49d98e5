# The registry store killed at random moments under wine: store_helper.exe removes the first of 100 entries, as the
# list window does, and is killed (SIGKILL of its wine process) at a random moment of that removal. The next run
# reports the list as it then reads it: it must be the list before the removal or after it, never anything between.
# Runs in a copy of the Windows build's tests' prefix, with a persistent wineserver (cmake/wine-prefix.sh); no display.
# Usage: test_store_crash.py BUILD_WINDOWS WINE_PREFIX WORK_DIR [unittest arguments]

import os, random, select, shutil, statistics, subprocess, sys, time, unittest  # noqa: E401
from pathlib import Path

from test_windows import PREFIX_SH, TEMPLATE_ENV, WINE  # wine's environment, as the other suite runs it

KILLS, WAIT = 40, 30.0  # WAIT bounds every read of the helper's output and every wait for it to end
HELPER = ENV = None


def listed(entries):
    # The helper's report of a list of these entries: per section, the count and positions 1 to 101 ("-": none).
    values = [str(len(entries))] + entries + ["-"] * (101 - len(entries))
    return ["\t".join([section] + values) for section in ("SetApp", "Appnames")]


BEFORE = listed(["seed-%d" % j for j in range(1, 101)])
AFTER = listed(["seed-%d" % j for j in range(2, 101)])


class StoreCrash(unittest.TestCase):

    def helper(self, mode):
        return subprocess.Popen([WINE, HELPER, mode], env=ENV, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, bufsize=0)

    def line(self, proc):
        # One line of the helper's output, read within WAIT; what came by then otherwise.
        deadline, out = time.monotonic() + WAIT, b""
        while not out.endswith(b"\n"):
            ready = select.select([proc.stdout], [], [], max(0.0, deadline - time.monotonic()))[0]
            byte = proc.stdout.read(1) if ready else b""
            if not byte:
                break
            out += byte
        return out.decode(errors="replace").rstrip("\r\n")

    def end(self, proc, kill=False):
        if kill:
            proc.kill()
        status = proc.wait(WAIT)
        proc.stdout.close()
        return status

    def found(self, proc):
        # The list as the helper found it at its start.
        return [self.line(proc), self.line(proc)]

    def outcome(self, found):
        return "before" if found == BEFORE else "after" if found == AFTER else "torn"

    def test_a_killed_removal_leaves_the_list_before_or_after(self):
        proc = self.helper("remove")  # the first run: the list made and one removal, whole
        self.found(proc)
        durations = []
        for _ in range(3):  # how long a removal takes here, where the kills start
            self.assertEqual(self.line(proc), "ready")
            start = time.monotonic()
            self.assertEqual(self.line(proc), "done")
            durations.append(time.monotonic() - start)
            self.assertEqual(self.end(proc), 0)
            proc = self.helper("remove")
            self.assertEqual(self.outcome(self.found(proc)), "after")
        removal = statistics.median(durations)
        # Kills spread around aim, which follows the outcomes (later after a kill that came before the change,
        # earlier after one that came after it), so that they keep falling inside the removal however busy the
        # machine is.
        aim = removal / 2
        seed = int(os.environ.get("KICKLIST_CRASH_SEED", time.time_ns() % 100000))
        rng = random.Random(seed)
        counts, torn = {"before": 0, "after": 0, "torn": 0}, []
        for trial in range(KILLS):
            self.assertEqual(self.line(proc), "ready")
            time.sleep(rng.uniform(0, 2 * aim))
            self.end(proc, kill=True)
            proc = self.helper("remove" if trial + 1 < KILLS else "report")
            found = self.found(proc)
            counts[self.outcome(found)] += 1
            aim *= 1.2 if found == BEFORE else 1 / 1.2
            if found not in (BEFORE, AFTER):
                torn.append("trial %d:\n%s" % (trial, "\n".join(found)))
        self.assertEqual(self.end(proc), 0)
        print("a removal takes %.1f ms; %d kills (KICKLIST_CRASH_SEED=%d): %s" % (removal * 1000, KILLS, seed, counts),
              flush=True)
        self.assertEqual(torn, [], "lists neither before nor after the removal")
        # Kills before the change was made and after it both happened: the kills fell inside the removal.
        self.assertGreater(counts["before"], 0)
        self.assertGreater(counts["after"], 0)


def main():
    global HELPER, ENV
    build, template, work = (Path(a).resolve() for a in sys.argv[1:4])
    HELPER = build / "tests" / "store_helper.exe"
    if not HELPER.exists():
        sys.exit("test_store_crash: missing %s (the win32 tests build it)" % HELPER)
    prefix = work / "wine-crash"
    ENV = dict(TEMPLATE_ENV, WINEPREFIX=str(prefix), LANG="C.UTF-8", LC_ALL="C.UTF-8")
    subprocess.run([PREFIX_SH, "copy", prefix, template], env=ENV, stdin=subprocess.DEVNULL, check=True)
    try:
        ok = unittest.main(argv=sys.argv[:1] + sys.argv[4:], exit=False, verbosity=2).result.wasSuccessful()
    finally:
        subprocess.run([PREFIX_SH, "stop", prefix], env=ENV)
        shutil.rmtree(prefix, ignore_errors=True)
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
