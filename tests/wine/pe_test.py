"""Static checks of the Windows programs, with and without the frame-rate
meter: image kind, GUI subsystem, entry point Start, exactly the three
system DLLs imported, no section both writable and executable, and the
32-bit programs within 4 KiB.

    pe_test.py BUILD_DIR PE32|PE32+
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
from pe_image import read_pe, symbol_address  # noqa: E402

BUILD_DIR = sys.argv.pop(1)
KIND = sys.argv.pop(1)
# The programs, and those built with the frame-rate meter for the tests.
DELIVERED = ("overdraw", "cleardraw")
PROGRAMS = DELIVERED + ("tests/overdraw_metered", "tests/cleardraw_metered")
GUI_SUBSYSTEM = 2
# What each delivered 32-bit program fits in.
PE32_SIZE_LIMIT = 4096
EXECUTE, READ, WRITE = 0x20000000, 0x40000000, 0x80000000


class WindowsProgramTest(unittest.TestCase):
    def image(self, program):
        return read_pe(os.path.join(BUILD_DIR, program + ".exe"))

    def test_image_kind_and_subsystem(self):
        for program in PROGRAMS:
            with self.subTest(program):
                image = self.image(program)
                self.assertEqual(image.kind, KIND)
                self.assertEqual(image.subsystem, GUI_SUBSYSTEM)

    def test_imports_exactly_the_three_system_dlls(self):
        for program in PROGRAMS:
            with self.subTest(program):
                imported = sorted(name.lower() for name in self.image(program).imports)
                self.assertEqual(imported, ["gdiplus.dll", "kernel32.dll", "user32.dll"])

    def test_entry_point_is_start(self):
        for program in PROGRAMS:
            with self.subTest(program):
                start = symbol_address(os.path.join(BUILD_DIR, program + ".map"), "Start")
                self.assertIsNotNone(start, "no Start in the link map")
                self.assertEqual(self.image(program).entry_point, start)

    def test_code_is_readable_and_executable_and_nothing_is_writable_and_executable(self):
        for program in PROGRAMS:
            image = self.image(program)
            for section in image.sections:
                with self.subTest(program=program, section=section.name):
                    flags = section.characteristics
                    self.assertNotEqual(flags & (WRITE | EXECUTE), WRITE | EXECUTE)
                    if section.address <= image.entry_point - image.image_base < section.address + section.size:
                        self.assertEqual(flags & (READ | EXECUTE), READ | EXECUTE)

    def test_size(self):
        for program in PROGRAMS:
            size = os.path.getsize(os.path.join(BUILD_DIR, program + ".exe"))
            print(f"{KIND} {program}.exe: {size} bytes", file=sys.stderr)
            if KIND == "PE32" and program in DELIVERED:
                with self.subTest(program):
                    self.assertLessEqual(size, PE32_SIZE_LIMIT)


if __name__ == "__main__":
    unittest.main()
