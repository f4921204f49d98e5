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
    # What both an install prefix and the unpacked package must hold.
    def check_tree(self, prefix):
        share = Path(prefix, "share")
        entry, metainfo = share / "applications" / (APP_ID + ".desktop"), share / "metainfo" / (APP_ID + ".metainfo.xml")
        self.assertEqual(run(os.path.join(prefix, "bin", "kicklist"), "--version") + run("desktop-file-validate", entry)
                         + str((share / "man" / "man1" / "kicklist.1.gz").is_file()), "Kicklist %s\nTrue" % VERSION)
        self.assertIn("Validation was successful", run("appstreamcli", "validate", "--no-net", metainfo))
        keys = dict(line.split("=", 1) for line in entry.read_text().splitlines() if "=" in line)
        self.assertEqual([keys.get(k) for k in ("Name", "Name[ja]", "Categories", "Exec")],
                         ["Kicklist", "キックリスト", "Utility;", "kicklist"])
        self.assertTrue(all(keys.get(k) for k in ("GenericName", "GenericName[ja]", "Comment", "Comment[ja]")), keys)
        # The menu finds the icon by name in the hicolor theme.
        icons = share / "icons" / "hicolor"
        sizes = (16, 24, 32, 48, 64, 128, 256)
        self.assertEqual([struct.unpack(">II", p.read_bytes()[16:24]) if p.is_file() else p for p in
                          (icons / ("%dx%d" % (s, s)) / "apps" / (keys["Icon"] + ".png") for s in sizes)],
                         [(s, s) for s in sizes])
        self.assertIn('viewBox="0 0 32 32"', (icons / "scalable" / "apps" / (keys["Icon"] + ".svg")).read_text())
        text = metainfo.read_text()
        self.assertEqual([n for n in ('<release version="%s"' % VERSION, "<project_license>MIT</project_license>",
                                      '<p xml:lang="ja">', APP_ID + ".desktop") if n not in text], [])

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
        lintian = subprocess.run(["lintian", "--tag-display-limit", "0", deb], capture_output=True, text=True)
        self.assertNotIn("E:", lintian.stdout + lintian.stderr, lintian.stdout)
        run("dpkg-deb", "-x", deb, os.path.join(self.tmp, "root"))
        self.check_tree(os.path.join(self.tmp, "root", "usr"))
        self.assertEqual(sorted(os.listdir(os.path.join(self.tmp, "root/usr/share/doc/kicklist"))),
                         ["changelog.gz", "copyright"])


if __name__ == "__main__":
    CMAKE, CPACK, BUILD, VERSION = sys.argv[1:5]
    unittest.main(argv=sys.argv[:1] + sys.argv[5:], verbosity=2)
