"""Runs a Windows program under 64-bit Wine with a relay trace of its own
calls, dismisses its notice and ends it with a posted message, then checks
the calls and the exit code.

    wine_test.py PROGRAM.exe HELPER.exe keyup|close
"""

import os
import re
import sys
import unittest

from pe_image import read_pe
from wine_run import VK_ESCAPE, WM_CLOSE, WM_KEYUP, WineRun

PROGRAM, HELPER, EXIT_BY = sys.argv[1:4]
del sys.argv[1:4]
CLEARS = os.path.basename(PROGRAM).startswith("cleardraw")
CALL = re.compile(r"^([0-9a-f]+):[0-9a-f]+:(Call|Ret) +(\w+)\.(\w+)\((.*?)\)(?: retval=(\w+))? ret=([0-9a-f]+)$")


def own_calls(trace_path, image):
    """The program's own calls and returns, in order, as (kind, name,
    arguments or returned value): those of its process whose return address
    lies inside its image. A call the compiler made as a tail call returns
    elsewhere and is not among them."""
    by_process = {}
    with open(trace_path, errors="replace") as trace:
        for line in trace:
            match = CALL.match(line.rstrip("\n"))
            if not match:
                continue
            pid, kind, dll, name, arguments, retval, ret = match.groups()
            if image.image_base <= int(ret, 16) < image.image_base + image.image_size:
                by_process.setdefault(pid, []).append(
                    (kind, f"{dll.lower()}.{name}", arguments if kind == "Call" else retval))
    # Other Wine processes may load images at the same base: the program is the one that shows the notice.
    for calls in by_process.values():
        if any(kind == "Call" and name == "user32.MessageBoxA" and '"ESC for exit"' in value
               for kind, name, value in calls):
            return calls
    return []


def low32(argument):
    """Wine prints whole registers; the program passed 32-bit values."""
    return int(argument.split()[0], 16) & 0xFFFFFFFF


class WineProgramTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        run = WineRun(HELPER)
        try:
            run.start(PROGRAM, "+pid,+relay")
            run.dismiss_notice()
            run.wait_for_frames(3)
            if EXIT_BY == "keyup":
                posted = run.post("test", "test", WM_KEYUP, VK_ESCAPE)
            else:
                posted = run.post("test", "test", WM_CLOSE)
            assert posted, "no window of class test"
            cls.exit_code = run.program.wait(timeout=60)
            cls.calls = own_calls(run.trace_path, read_pe(PROGRAM))
        finally:
            run.close()
        cls.names = [name for kind, name, _ in cls.calls if kind == "Call"]

    def call(self, name, occurrence=0):
        found = [arguments for kind, called, arguments in self.calls if kind == "Call" and called == name]
        self.assertGreater(len(found), occurrence, f"{name} was not called")
        return [part.strip() for part in found[occurrence].split(",")]

    def test_exits_with_zero(self):
        self.assertEqual(self.exit_code, 0)

    def test_start_up_order(self):
        start_up = ["user32.MessageBoxA", "kernel32.GetModuleHandleA", "user32.LoadIconA", "user32.RegisterClassExA",
                    "user32.CreateWindowExA", "user32.GetDC", "gdiplus.GdiplusStartup", "gdiplus.GdipCreateFromHDC",
                    "gdiplus.GdipCreatePen1", "gdiplus.GdipSetPenLineJoin", "gdiplus.GdipCreateSolidFill",
                    "user32.ShowWindow", "user32.UpdateWindow"]
        self.assertEqual(self.names[:len(start_up)], start_up)

        notice = self.call("user32.MessageBoxA")
        self.assertEqual(low32(notice[0]), 0)
        self.assertIn('"ESC for exit"', notice[1])
        self.assertIn('"test"', notice[2])
        self.assertEqual(low32(notice[3]), 0)
        self.assertEqual(low32(self.call("kernel32.GetModuleHandleA")[0]), 0)
        self.assertEqual(low32(self.call("user32.LoadIconA")[1]), 100)
        window = self.call("user32.CreateWindowExA")
        self.assertIn('"test"', window[1])
        self.assertIn('"test"', window[2])
        self.assertEqual([low32(value) for value in window[3:8]], [0x80880000, 0, 0, 800, 800])
        self.assertEqual(low32(self.call("user32.GetDC")[0]), 0)
        pen = self.call("gdiplus.GdipCreatePen1")
        self.assertEqual(low32(pen[0]), 0xFFFF00FF)
        self.assertEqual(low32(pen[2]), 2)
        self.assertEqual(low32(self.call("gdiplus.GdipSetPenLineJoin")[1]), 0)
        self.assertEqual(low32(self.call("gdiplus.GdipCreateSolidFill")[0]), 0xFF00FFFF)
        self.assertEqual(low32(self.call("user32.ShowWindow")[1]), 3)

    def test_drawing_is_set_up_inside_window_creation(self):
        sequence = [(kind, name) for kind, name, _ in self.calls]
        create = sequence.index(("Call", "user32.CreateWindowExA"))
        created = sequence.index(("Ret", "user32.CreateWindowExA"))
        inside = [name for kind, name in sequence[create + 1:created] if kind == "Call"]
        self.assertEqual(inside, ["user32.GetDC", "gdiplus.GdiplusStartup", "gdiplus.GdipCreateFromHDC",
                                  "gdiplus.GdipCreatePen1", "gdiplus.GdipSetPenLineJoin", "gdiplus.GdipCreateSolidFill"])

    def frames_and_ending(self):
        loop = {"user32.GetMessageA", "user32.TranslateMessage", "user32.DispatchMessageA"}
        after_start = self.names[self.names.index("user32.UpdateWindow") + 1:]
        return [name for name in after_start if name not in loop]

    def test_frames(self):
        frame = (["gdiplus.GdipGraphicsClear"] if CLEARS else []) + [
            "kernel32.Sleep", "gdiplus.GdipSetPenColor", "gdiplus.GdipSetPenWidth", "gdiplus.GdipDrawLines"]
        rest = self.frames_and_ending()
        frames = 0
        while rest[:len(frame)] == frame:
            rest = rest[len(frame):]
            frames += 1
        self.assertGreaterEqual(frames, 3)
        self.assertEqual(low32(self.call("kernel32.Sleep")[0]), 500)
        self.assertEqual(low32(self.call("gdiplus.GdipSetPenColor", 1)[1]), 0xFFFF00FF)
        self.assertEqual(low32(self.call("gdiplus.GdipDrawLines", 1)[3]), 18)
        if CLEARS:
            self.assertEqual(low32(self.call("gdiplus.GdipGraphicsClear", 1)[1]), 0xFFFFFFFF)
        else:
            self.assertNotIn("gdiplus.GdipGraphicsClear", self.names)

    def test_ending(self):
        rest = [name for name in self.frames_and_ending()
                if name not in {"kernel32.Sleep", "gdiplus.GdipGraphicsClear", "gdiplus.GdipSetPenColor",
                                "gdiplus.GdipSetPenWidth", "gdiplus.GdipDrawLines"}]
        if EXIT_BY == "keyup":
            self.assertEqual(rest, ["user32.PostQuitMessage", "kernel32.ExitProcess"])
        else:
            # The window procedure hands WM_CLOSE on as a tail call, so the default handling
            # shows only through what it sends back: the teardown of WM_DESTROY.
            self.assertEqual(rest, ["gdiplus.GdipDeleteBrush", "gdiplus.GdipDeletePen", "gdiplus.GdipDeleteGraphics",
                                    "gdiplus.GdiplusShutdown", "user32.ReleaseDC", "user32.PostQuitMessage",
                                    "kernel32.ExitProcess"])
            screen_dc = next(value for kind, name, value in self.calls if kind == "Ret" and name == "user32.GetDC")
            release = self.call("user32.ReleaseDC")
            self.assertEqual(low32(release[0]), 0)
            self.assertEqual(low32(release[1]), low32(screen_dc))
        self.assertEqual(low32(self.call("user32.PostQuitMessage")[0]), 0)
        self.assertEqual(low32(self.call("kernel32.ExitProcess")[0]), 0)


if __name__ == "__main__":
    unittest.main()
