"""What installing and packaging deliver.

    package_test.py LINUX_BUILD_DIR WIN32_BUILD_DIR WIN64_BUILD_DIR
"""

import email.utils
import glob
import gzip
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile
import xml.etree.ElementTree as ElementTree

LINUX_BUILD, *WINDOWS_BUILDS = sys.argv[1:4]
del sys.argv[1:4]
PROGRAMS = ("overdraw", "cleardraw")
METAINFO = "share/metainfo/example.c_seed_e9880ce0.overdraw.metainfo.xml"
# Everything a Linux install holds, under its prefix.
INSTALLED = sorted([f"bin/{program}" for program in PROGRAMS] + [
    f"share/applications/{program}.desktop" for program in PROGRAMS] + [
    f"share/man/man1/{program}.1.gz" for program in PROGRAMS] + [
    "libexec/overdraw/wayland-backend.so", "share/icons/hicolor/scalable/apps/overdraw.svg", METAINFO,
    "share/doc/overdraw/copyright", "share/doc/overdraw/changelog.gz"])


def run(*command, cwd=None):
    return subprocess.run(command, cwd=cwd, check=True, capture_output=True, text=True).stdout


def words(text):
    return " ".join(text.split())


# The licence's permission notice and disclaimer, which every copy must hold word for word.
with open(os.path.join(os.path.dirname(__file__), "..", "..", "LICENSE")) as license_file:
    LICENSE_WORDS = words("Permission" + license_file.read().split("Permission", 1)[1])


class PackageTest(unittest.TestCase):
    def test_install_holds_programs_desktop_entries_icon_and_metadata_that_validate(self):
        with tempfile.TemporaryDirectory() as prefix:
            run("cmake", "--install", LINUX_BUILD, "--prefix", prefix)
            installed = sorted(os.path.relpath(os.path.join(folder, name), prefix)
                               for folder, _, names in os.walk(prefix) for name in names)
            self.assertEqual(installed, INSTALLED)
            for program in PROGRAMS:
                with self.subTest(program):
                    self.assertTrue(os.access(os.path.join(prefix, "bin", program), os.X_OK))
                    entry = os.path.join(prefix, "share/applications", program + ".desktop")
                    self.assertEqual(run("desktop-file-validate", entry), "")
                    with open(entry) as entry_file:
                        self.assertRegex(entry_file.read(), rf"\nExec={program}\n(.*\n)*Terminal=false\n")
            validated = run("appstreamcli", "validate", "--no-net", "--pedantic", os.path.join(prefix, METAINFO))
            # Its only notes: that .example may be no real top-level domain and, before AppStream 1.0, which
            # brought the developer element in for the deprecated developer_name, that it knows no such element.
            expected = ["cid-maybe-not-rdns " + METAINFO.split("/")[-1].removesuffix(".metainfo.xml")]
            version = re.search(r"(\d+)\.\d+", run("appstreamcli", "--version")).group(1)
            if int(version) < 1:
                expected.append("unknown-tag developer")
            self.assertEqual(re.findall(r"^[EWIP]: \S+?:(?:\d+|~): (.*)$", validated, re.M), expected, validated)
            # The release AppStream shows is the changelog's newest.
            with gzip.open(os.path.join(prefix, "share/doc/overdraw/changelog.gz"), "rt") as changelog:
                text = changelog.read()
            version = re.match(r"overdraw \(([^)]+)\)", text).group(1)
            date = email.utils.parsedate_to_datetime(re.search(r"^ -- .*>  (.*)$", text, re.M).group(1))
            release = ElementTree.parse(os.path.join(prefix, METAINFO)).find("releases/release")
            self.assertEqual((release.get("version"), release.get("date")), (version, date.date().isoformat()))

    def test_deb_holds_the_install_hardened_and_passes_lintian_pedantic(self):
        with tempfile.TemporaryDirectory() as out:
            run("cpack", "-G", "DEB", "-B", out, cwd=LINUX_BUILD)
            (deb,) = glob.glob(os.path.join(out, "*.deb"))
            files = re.findall(r" \./usr/(\S+[^/])\n", run("dpkg-deb", "-c", deb))
            self.assertEqual(sorted(files), INSTALLED)
            # Computed from the programs, as dpkg-shlibdeps does: versioned, libc among them.
            depends = run("dpkg-deb", "-f", deb, "Depends")
            self.assertRegex(depends, r"libc6 \(>= [0-9.]+\)")
            self.assertIn("libx11-6", depends)
            # The Wayland backend's module, which the programs load only on Wayland, is part of the package.
            self.assertIn("libwayland-client0", depends)
            # Anything but a classification tag is a finding.
            lintian = subprocess.run(("lintian", "-EvIL", "+pedantic", deb), capture_output=True, text=True)
            findings = [line for line in lintian.stdout.splitlines() if not line.startswith("C: ")]
            self.assertEqual((lintian.returncode, findings), (0, []), lintian.stderr)
            contents = os.path.join(out, "contents")
            run("dpkg-deb", "-x", deb, contents)
            with open(os.path.join(contents, "usr/share/doc/overdraw/copyright")) as copyright_file:
                copyright_text = copyright_file.read()
            self.assertIn("License: Expat", copyright_text)
            self.assertIn(LICENSE_WORDS, words(copyright_text.replace("\n .\n", "\n")))
            # The linker marks a program as protected against control-flow attacks only if every object in it
            # is, the C runtime's start files too, which Debian 12's are not: there the program's own code is.
            start_files_marked = "x86 feature: IBT, SHSTK" in run(
                "readelf", "-n", run("c++", "-print-file-name=Scrt1.o").strip())
            for program in PROGRAMS:
                with self.subTest(program):
                    path = os.path.join(contents, "usr/bin", program)
                    # Stack protector, fortify, PIE, RELRO, bind-now and control-flow protection.
                    run("hardening-check", *([] if start_files_marked else ["--nocfprotection"]), path)
                    main = run("objdump", "-d", "--disassemble=main", os.path.join(LINUX_BUILD, program))
                    self.assertRegex(main, r"<main>:\n +[0-9a-f]+:\s+f3 0f 1e fa\s+endbr64\n")
                    self.assertNotIn(".comment", run("readelf", "-S", "-W", path))
            module = os.path.join(contents, "usr/libexec/overdraw/wayland-backend.so")
            run("hardening-check", *([] if start_files_marked else ["--nocfprotection"]), module)
            self.assertNotIn(".comment", run("readelf", "-S", "-W", module))

    def test_each_zip_holds_both_programs_a_readme_and_the_licence_in_windows_line_ends(self):
        for bits, build in zip((32, 64), WINDOWS_BUILDS):
            with self.subTest(bits=bits), tempfile.TemporaryDirectory() as out:
                run("cpack", "-G", "ZIP", "-B", out, cwd=build)
                (archive,) = glob.glob(os.path.join(out, f"*-{bits}bit.zip"))
                with zipfile.ZipFile(archive) as contents:
                    self.assertEqual(sorted(contents.namelist()),
                                     ["LICENSE.txt", "README.txt", "cleardraw.exe", "overdraw.exe"])
                    for program in PROGRAMS:
                        self.assertEqual(contents.read(program + ".exe")[:2], b"MZ")
                    readme, license_text = (contents.read(name).decode() for name in ("README.txt", "LICENSE.txt"))
                for text in readme, license_text:
                    self.assertEqual(text.count("\n"), text.count("\r\n"))
                self.assertIn("Releasing any key ends them", readme)
                self.assertIn("MIT licence", readme)
                self.assertIn(LICENSE_WORDS, words(license_text))


if __name__ == "__main__":
    unittest.main()
