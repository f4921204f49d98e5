"""Side-by-side figures of the real program on a private X server.

  measure.py <kicklist> <minimal_window> [runs]
Start-up is measured against the minimal window with one line of Japanese
text (--text): what any program that draws Japanese pays for its fonts. The
empty minimal window is a second yardstick.

Prints tab-separated lines: figure, median of kicklist, median of the
yardstick, unit. Each pair of runs alternates which command goes first.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import xwatch

# The list window's start-all button, in pixels inside its client area (twips / 15).
ALL_RAN = (128, 128, 97, 33)


def ini_value(text):
    out = text.replace("\\", "\\\\").replace('"', '\\"')
    return '"%s"' % out if any(c in text for c in ";,=") or text != text.strip(" ") else out


def settings_text(paths):
    lines = ["[Appnames]", "AppCount=%d" % len(paths)]
    lines += ["%d=%s" % (i + 1, ini_value(p)) for i, p in enumerate(paths)]
    lines += ["", "[SetApp]", "AppCount=%d" % len(paths)]
    lines += ["%d=%s" % (i + 1, ini_value(p)) for i, p in enumerate(paths)]
    return "\n".join(lines) + "\n"


class Bench:
    def __init__(self, kicklist, minimal, runs):
        self.kicklist, self.minimal, self.runs = kicklist, minimal, runs
        xwatch.set_subreaper()
        self.tmp = tempfile.mkdtemp(prefix="kicklist-bench-")
        self.home = os.path.join(self.tmp, "home")
        self.progs = os.path.join(self.tmp, "programs")
        os.makedirs(os.path.join(self.home, ".config", "Kicklist"))
        os.makedirs(self.progs)
        self.xvfb = xwatch.Xvfb()
        self.watch = xwatch.Watcher(self.xvfb.display)
        self.env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "XDG_"))}
        self.env.update(HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                        DISPLAY=self.xvfb.display, QT_QPA_PLATFORM="xcb", LANG="C.UTF-8", LC_ALL="C.UTF-8",
                        QT_ACCESSIBILITY="0", NO_AT_BRIDGE="1", XDG_RUNTIME_DIR=self.tmp)
        # 100 registered programs that end at once.
        self.paths = []
        for i in range(1, 101):
            p = os.path.join(self.progs, "program-%03d" % i)
            os.symlink(shutil.which("true"), p)
            self.paths.append(p)
        with open(os.path.join(self.home, ".config", "Kicklist", "Kicklist.ini"), "w") as f:
            f.write(settings_text(self.paths))

    def close(self):
        self.watch.close()
        self.xvfb.stop()
        xwatch.reap_strays()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def launch(self, command):
        """Start-up seconds until the first window is mapped, the window and the process."""
        if isinstance(command, str):
            command = (command,)
        self.watch.drain()
        t0 = time.monotonic()
        proc = subprocess.Popen(list(command), env=self.env, cwd=self.tmp, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        window, t1 = self.watch.wait_map(t0 + 30)
        return t1 - t0, window, proc

    def finish(self, window, proc):
        """Closes the window as a window manager would; the peak memory in KiB."""
        self.watch.send_delete(window)
        deadline = time.monotonic() + 30
        while True:
            pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
            if pid:
                proc.returncode = status
                return usage.ru_maxrss
            if time.monotonic() > deadline:
                proc.kill()
                raise RuntimeError("%s did not close" % proc.args[0])
            time.sleep(0.01)

    def startup_and_memory(self):
        labelled = (self.minimal, "--text")
        times = {self.kicklist: [], self.minimal: [], labelled: []}
        rss = {self.kicklist: [], self.minimal: [], labelled: []}
        for i in range(self.runs):
            order = (self.kicklist, self.minimal, labelled) if i % 2 == 0 else (labelled, self.minimal, self.kicklist)
            for program in order:
                seconds, window, proc = self.launch(program)
                time.sleep(0.3)  # let it paint: memory is measured over the whole life
                times[program].append(seconds)
                rss[program].append(self.finish(window, proc))
        return times, rss

    def start_all(self):
        ours, shell = [], []
        loop = 'for p do "$p" & done'
        for i in range(self.runs):
            def kicklist_run():
                _, window, proc = self.launch(self.kicklist)
                time.sleep(0.3)
                x, y = self.watch.origin(window)
                left, top, width, height = ALL_RAN
                self.watch.drain()
                self.watch.click(x + left + width // 2, y + top + height // 2)
                t0 = time.monotonic()
                t1 = self.watch.wait_minimise(t0 + 30)
                ours.append(t1 - t0)
                self.finish(window, proc)
                xwatch.reap_strays(keep={self.xvfb.proc.pid})

            def shell_run():
                t0 = time.monotonic()
                subprocess.run(["sh", "-c", loop, "sh"] + self.paths, check=True, cwd=self.tmp, timeout=60)
                shell.append(time.monotonic() - t0)
                xwatch.reap_strays(keep={self.xvfb.proc.pid})

            for run in ((kicklist_run, shell_run) if i % 2 == 0 else (shell_run, kicklist_run)):
                run()
        return ours, shell


def main():
    kicklist, minimal = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 15
    bench = Bench(kicklist, minimal, runs)
    try:
        times, rss = bench.startup_and_memory()
        ours, shell = bench.start_all()
    finally:
        bench.close()
    med = statistics.median
    labelled = med(times[(minimal, "--text")]) * 1000
    print("start-up\t%.1f\t%.1f\tms" % (med(times[kicklist]) * 1000, labelled))
    print("start-up empty\t%.1f\t%.1f\tms" % (med(times[kicklist]) * 1000, med(times[minimal]) * 1000))
    print("start-up text\t%.1f\t%.1f\tms" % (labelled, med(times[minimal]) * 1000))
    print("start all\t%.1f\t%.1f\tms" % (med(ours) * 1000, med(shell) * 1000))
    print("peak memory\t%.1f\t%.1f\tMiB" % (med(rss[kicklist]) / 1024, med(rss[minimal]) / 1024))


if __name__ == "__main__":
    main()
