# Install and packaging as a user meets them: cmake --install into a temporary prefix and the .deb (lintian, unpacked),
# each tree checked by the validators. Usage: test_install.py CMAKE CPACK BUILD_DIR VERSION.

import glob, os, struct, subprocess, sys, tempfile, unittest  # noqa: E401
from pathlib import Path

CMAKE = CPACK = BUILD = VERSION = None
APP_ID = "io.github.kicklist.Kicklist"


def run(*args):
    r = subprocess.run(args, capture_output=True, text=True, timeout=300)
    if r.returncode != 0:
        raise AssertionError("%s failed (%d):\n%s%s" % (args, r.returncode, r.stdout, r.stderr))
    return r.stdout


class Installed(unittest.TestCase):
    # What both an install prefix and the unpacked package must hold: a program the entry starts, the entry and the
    # metadata valid, the manual, and the icon the entry names at every size menus ask for.
    def check_tree(self, prefix):
        share = Path(prefix, "share")
        entry, metainfo = share / "applications" / (APP_ID + ".desktop"), share / "metainfo" / (APP_ID + ".metainfo.xml")
        keys = dict(line.split("=", 1) for line in entry.read_text().splitlines() if "=" in line)
        self.assertIn(keys["Exec"], os.listdir(os.path.join(prefix, "bin")), "the entry starts no installed program")
        self.assertEqual(run(os.path.join(prefix, "bin", keys["Exec"]), "--version") + run("desktop-file-validate", entry)
                         + str((share / "man" / "man1" / "kicklist.1.gz").is_file()), "Kicklist %s\nTrue" % VERSION)
        self.assertIn("Validation was successful", run("appstreamcli", "validate", "--no-net", metainfo))
        self.assertEqual([n for n in ('<release version="%s"' % VERSION, APP_ID + ".desktop</launchable>")
                          if n not in metainfo.read_text()], [])
        icons, sizes = share / "icons" / "hicolor", (16, 24, 32, 48, 64, 128, 256)
        found = [struct.unpack(">II", (icons / ("%dx%d/apps" % (s, s)) / (keys["Icon"] + ".png")).read_bytes()[16:24])
                 for s in sizes]
        self.assertEqual(found + [(icons / "scalable/apps" / (keys["Icon"] + ".svg")).is_file()],
                         [(s, s) for s in sizes] + [True])

    def setUp(self):
        self.tmp = self.enterContext(tempfile.TemporaryDirectory(prefix="kicklist-install-"))

    def test_cmake_install_into_a_prefix(self):
        run(CMAKE, "--install", BUILD, "--prefix", self.tmp)
        self.check_tree(self.tmp)

    def test_debian_package(self):
        run(CPACK, "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", self.tmp)
        deb, = glob.glob(os.path.join(self.tmp, "kicklist_%s_*.deb" % VERSION))
        depends = run("dpkg-deb", "--field", deb, "Depends")
        self.assertEqual([lib for lib in ("libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libstdc++6")
                          if lib + " (>=" not in depends], [], depends)
        # lintian's errors include a package without copyright or changelog.
        lintian = subprocess.run(["lintian", "--tag-display-limit", "0", deb], capture_output=True, text=True)
        self.assertNotIn("E:", lintian.stdout + lintian.stderr, lintian.stdout)
        run("dpkg-deb", "-x", deb, os.path.join(self.tmp, "root"))
        self.check_tree(os.path.join(self.tmp, "root", "usr"))


if __name__ == "__main__":
    CMAKE, CPACK, BUILD, VERSION = sys.argv[1:5]
    unittest.main(argv=sys.argv[:1] + sys.argv[5:], verbosity=2)
