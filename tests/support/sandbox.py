# What the whole-program tests share: a private HOME and XDG_CONFIG_HOME with
# no display in the environment, and the settings file written there.

import os, shutil, tempfile, time  # noqa: E401


class Sandbox:
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="kicklist-test-")
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.home, self.xdg, self.work = (os.path.join(self.tmp, d) for d in ("home", "xdg", "work"))
        for d in (self.home, self.xdg, self.work):
            os.makedirs(d, 0o700)
        env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "XDG_", "DISPLAY", "WAYLAND"))}
        self.env = dict(env, HOME=self.home, XDG_CONFIG_HOME=self.xdg, LANG="C.UTF-8", LC_ALL="C.UTF-8")

    def ini(self):
        return os.path.join(self.xdg, "Kicklist", "Kicklist.ini")

    def write_settings(self, paths, names=None, count=None):
        # The two sections as the program writes them; count, if given, replaces the program list's count.
        def section(name, values, count):
            return "[%s]\nAppCount=%s\n" % (name, count) + "".join("%d=%s\n" % (i, v) for i, v in enumerate(values, 1))
        os.makedirs(os.path.dirname(self.ini()), 0o700, exist_ok=True)
        with open(self.ini(), "w", encoding="utf-8") as f:
            f.write(section("Appnames", names or paths, len(paths)) + section("SetApp", paths, len(paths) if count is None else count))

    def program(self, name, body='touch "$0.ran"'):
        path = os.path.join(self.work, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write("#!/bin/sh\n%s\n" % body)
        os.chmod(path, 0o755)
        return path


def poll(predicate, seconds):
    # predicate's first true value within seconds, else its last.
    deadline = time.monotonic() + seconds
    while not (value := predicate()) and time.monotonic() < deadline:
        time.sleep(0.02)
    return value
