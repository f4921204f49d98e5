"""Install and packaging as a user meets them: cmake --install into a
temporary prefix, the validators on what it put there, then the .deb built,
checked by lintian and unpacked.
Usage: test_install.py CMAKE CPACK BUILD_DIR VERSION."""

import glob
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

CMAKE = CPACK = BUILD = VERSION = None
APP_ID = "io.github.kicklist.Kicklist"
SIZES = (16, 24, 32, 48, 64, 128, 256)


def run(*args, **kwargs):
    result = subprocess.run(args, capture_output=True, text=True, timeout=300, **kwargs)
    if result.returncode != 0:
        raise AssertionError("%s failed (%d):\n%s%s" % (args, result.returncode, result.stdout, result.stderr))
    return result.stdout


def desktop_keys(path):
    with open(path, encoding="utf-8") as f:
        return dict(line.split("=", 1) for line in f.read().splitlines() if "=" in line)


class Installed(unittest.TestCase):
    """What both an install prefix and the unpacked package must hold."""

    def check_tree(self, prefix):
        program = os.path.join(prefix, "bin", "kicklist")
        self.assertEqual(run(program, "--version"), "Kicklist %s\n" % VERSION)
        share = os.path.join(prefix, "share")
        self.assertTrue(os.path.isfile(os.path.join(share, "man", "man1", "kicklist.1.gz")))
        entry = os.path.join(share, "applications", APP_ID + ".desktop")
        self.assertEqual(run("desktop-file-validate", entry), "")
        keys = desktop_keys(entry)
        for key in ("Name", "Name[ja]", "GenericName", "GenericName[ja]", "Comment", "Comment[ja]"):
            self.assertTrue(keys.get(key), key)
        self.assertEqual((keys["Name"], keys["Name[ja]"], keys["Categories"]), ("Kicklist", "キックリスト", "Utility;"))
        self.assertEqual(keys["Exec"], "kicklist")
        # The menu finds the icon by name in the hicolor theme.
        apps = os.path.join(share, "icons", "hicolor", "%s", "apps", keys["Icon"])
        for size in SIZES:
            with open(apps % ("%dx%d" % (size, size)) + ".png", "rb") as f:
                header = f.read(24)
            self.assertEqual(struct.unpack(">II", header[16:24]), (size, size), "icon %d" % size)
        with open(apps % "scalable" + ".svg", encoding="utf-8") as f:
            self.assertIn('viewBox="0 0 32 32"', f.read())
        metainfo = os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")
        self.assertIn("Validation was successful", run("appstreamcli", "validate", "--no-net", metainfo))
        with open(metainfo, encoding="utf-8") as f:
            text = f.read()
        for needle in ('<release version="%s"' % VERSION, "<project_license>MIT</project_license>",
                       '<p xml:lang="ja">', APP_ID + ".desktop"):
            self.assertIn(needle, text)

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="kicklist-install-")
        self.addCleanup(shutil.rmtree, self.tmp)

    def test_cmake_install_into_a_prefix(self):
        prefix = os.path.join(self.tmp, "prefix")
        run(CMAKE, "--install", BUILD, "--prefix", prefix)
        self.check_tree(prefix)

    def test_debian_package(self):
        run(CPACK, "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", self.tmp)
        deb, = glob.glob(os.path.join(self.tmp, "kicklist_%s_*.deb" % VERSION))
        depends = run("dpkg-deb", "--field", deb, "Depends")
        for library in ("libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libstdc++6"):
            self.assertIn(library + " (>=", depends)
        lintian = subprocess.run(["lintian", "--tag-display-limit", "0", deb], capture_output=True, text=True)
        self.assertNotIn("E:", lintian.stdout + lintian.stderr, lintian.stdout)
        root = os.path.join(self.tmp, "root")
        run("dpkg-deb", "-x", deb, root)
        self.check_tree(os.path.join(root, "usr"))
        docs = os.path.join(root, "usr", "share", "doc", "kicklist")
        self.assertEqual(sorted(os.listdir(docs)), ["changelog.gz", "copyright"])


if __name__ == "__main__":
    CMAKE, CPACK, BUILD, VERSION = sys.argv[1:5]
    unittest.main(argv=sys.argv[:1] + sys.argv[5:], verbosity=2)
