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

    def test_deb_holds_both_programs_and_names_its_libraries(self):
        with tempfile.TemporaryDirectory() as out:
            run("cpack", "-G", "DEB", "-B", out, cwd=LINUX_BUILD)
            (deb,) = glob.glob(os.path.join(out, "*.deb"))
            files = run("dpkg-deb", "-c", deb)
            self.assertRegex(files, r"\./usr/bin/overdraw\n")
            self.assertRegex(files, r"\./usr/bin/cleardraw\n")
            depends = run("dpkg-deb", "-f", deb, "Depends")
            for library in ("libx11-6", "libxrender1", "libxfixes3", "libxcomposite1", "libcairo2"):
                self.assertIn(library, depends)

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
