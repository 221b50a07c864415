"""Static checks of the Windows programs, with and without the frame-rate
meter: image kind, GUI subsystem, entry point Start, and exactly the three
system DLLs imported.

    pe_test.py BUILD_DIR PE32|PE32+
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "support"))
from pe_image import read_pe, symbol_address  # noqa: E402

BUILD_DIR = sys.argv.pop(1)
KIND = sys.argv.pop(1)
# The programs, and those built with the frame-rate meter for the tests.
PROGRAMS = ("overdraw", "cleardraw", "tests/overdraw_metered", "tests/cleardraw_metered")
GUI_SUBSYSTEM = 2


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

    def test_size(self):
        for program in PROGRAMS:
            size = os.path.getsize(os.path.join(BUILD_DIR, program + ".exe"))
            print(f"{KIND} {program}.exe: {size} bytes", file=sys.stderr)
            if KIND == "PE32":
                with self.subTest(program):
                    self.assertLessEqual(size, 8 * 1024)


if __name__ == "__main__":
    unittest.main()
