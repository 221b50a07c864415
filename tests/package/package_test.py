"""What installing and packaging deliver.

    package_test.py LINUX_BUILD_DIR WIN32_BUILD_DIR
"""

import glob
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

LINUX_BUILD, WIN32_BUILD = sys.argv[1:3]
del sys.argv[1:3]


def run(*command, cwd=None):
    return subprocess.run(command, cwd=cwd, check=True, capture_output=True, text=True).stdout


class PackageTest(unittest.TestCase):
    def test_install_puts_both_linux_programs_in_bin(self):
        with tempfile.TemporaryDirectory() as prefix:
            run("cmake", "--install", LINUX_BUILD, "--prefix", prefix)
            installed = sorted(os.listdir(os.path.join(prefix, "bin")))
            self.assertEqual(installed, ["cleardraw", "overdraw"])
            for program in installed:
                self.assertTrue(os.access(os.path.join(prefix, "bin", program), os.X_OK))

    def test_deb_holds_both_programs_stripped_with_their_pages_and_passes_lintian(self):
        with tempfile.TemporaryDirectory() as out:
            run("cpack", "-G", "DEB", "-B", out, cwd=LINUX_BUILD)
            (deb,) = glob.glob(os.path.join(out, "*.deb"))
            files = run("dpkg-deb", "-c", deb)
            for path in ("usr/bin/overdraw", "usr/bin/cleardraw", "usr/share/man/man1/overdraw.1.gz",
                         "usr/share/man/man1/cleardraw.1.gz", "usr/share/doc/overdraw/copyright",
                         "usr/share/doc/overdraw/changelog.gz"):
                with self.subTest(path):
                    self.assertRegex(files, rf"\./{path}\n")
            # Computed from the programs, as dpkg-shlibdeps does: versioned, libc among them.
            depends = run("dpkg-deb", "-f", deb, "Depends")
            self.assertRegex(depends, r"libc6 \(>= [0-9.]+\)")
            self.assertIn("libx11-6", depends)
            lintian = subprocess.run(("lintian", "--fail-on", "error,warning", deb), capture_output=True, text=True)
            self.assertEqual(lintian.returncode, 0, lintian.stdout)

    def test_zip_holds_the_two_32_bit_programs(self):
        with tempfile.TemporaryDirectory() as out:
            run("cpack", "-G", "ZIP", "-B", out, cwd=WIN32_BUILD)
            (archive,) = glob.glob(os.path.join(out, "*.zip"))
            self.assertIn("32bit", os.path.basename(archive))
            with zipfile.ZipFile(archive) as contents:
                self.assertEqual(sorted(contents.namelist()), ["cleardraw.exe", "overdraw.exe"])
                for name in contents.namelist():
                    self.assertEqual(contents.read(name)[:2], b"MZ")


if __name__ == "__main__":
    unittest.main()
