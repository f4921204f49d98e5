# What the whole-program tests share: a private HOME and XDG_CONFIG_HOME with
# no display in the environment, the settings file written there, and
# programs to start that log each run.

import os, shutil, tempfile, time  # noqa: E401
from pathlib import Path


class Sandbox:
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="kicklist-test-")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.home, self.xdg, self.work, run = (os.path.join(self.tmp, d) for d in ("home", "xdg", "work", "run"))
        for d in (self.home, self.xdg, self.work, run):
            os.makedirs(d, 0o700)
        env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "XDG_", "DISPLAY", "WAYLAND"))}
        self.env = dict(env, HOME=self.home, XDG_CONFIG_HOME=self.xdg, XDG_RUNTIME_DIR=run,
                        LANG="C.UTF-8", LC_ALL="C.UTF-8")

    def ini(self):
        return os.path.join(self.xdg, "Kicklist", "Kicklist.ini")

    def write_settings(self, paths, names=None, count=None):
        # The two sections as the program writes them; count, if given, replaces the program list's count.
        def section(name, values, count):
            return "[%s]\nAppCount=%s\n" % (name, count) + "".join("%d=%s\n" % (i, v) for i, v in enumerate(values, 1))
        os.makedirs(os.path.dirname(self.ini()), 0o700, exist_ok=True)
        Path(self.ini()).write_text(section("Appnames", names or paths, len(paths))
                                    + section("SetApp", paths, len(paths) if count is None else count))

    def program(self, name):
        # A program that adds "argv[0] argc 1" to <itself>.runs (1: it leads a session of its own).
        path = os.path.join(self.work, name)
        Path(path).write_text('#!/bin/sh\nread -r _ _ _ _ _ sid _ < /proc/$$/stat\necho "$0 $# $(($sid == $$))" >> "$0.runs"\n')
        os.chmod(path, 0o755)
        return path


def runs(path):
    return Path(path + ".runs").read_text().splitlines() if os.path.exists(path + ".runs") else []


def poll(predicate, seconds):
    # predicate's first true value within seconds, else its last.
    deadline = time.monotonic() + seconds
    while not (value := predicate()) and time.monotonic() < deadline:
        time.sleep(0.02)
    return value
