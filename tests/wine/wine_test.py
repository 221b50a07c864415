"""Runs a Windows program under 64-bit Wine on a virtual X server of its
own, in a fresh Wine prefix, with a relay trace of the program's own calls;
dismisses its notice and ends it with a posted message, then checks the
calls and the exit code.

    wine_test.py PROGRAM.exe HELPER.exe keyup|close
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from pe_image import read_pe

PROGRAM, HELPER, EXIT_BY = sys.argv[1:4]
del sys.argv[1:4]
CLEARS = os.path.basename(PROGRAM).startswith("cleardraw")
WINE = shutil.which("wine64") or "/usr/lib/wine/wine64"
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver"

WM_KEYUP, WM_CLOSE, WM_COMMAND, IDOK, VK_ESCAPE = 0x101, 0x10, 0x111, 1, 0x1B

CALL = re.compile(r"^([0-9a-f]+):[0-9a-f]+:(Call|Ret) +(\w+)\.(\w+)\((.*?)\)(?: retval=(\w+))? ret=([0-9a-f]+)$")


def wait_until(condition, limit, what):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.2)
    raise AssertionError(f"gave up after {limit} s waiting for {what}")


class WineRun:
    """One run of the program, from a fresh prefix to its exit."""

    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="wine-test-")
        self.env = dict(os.environ, WINEPREFIX=os.path.join(self.work, "prefix"), WINEDLLOVERRIDES="mscoree,mshtml=",
                        WINEDEBUG="-all")
        self.server = None
        self.program = None
        self.trace_path = os.path.join(self.work, "relay.log")

    def start_display(self):
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                                        "-nolisten", "tcp"], pass_fds=[write_end], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            self.env["DISPLAY"] = ":" + pipe.readline().strip()

    def post(self, window_class, title, message, wparam=0):
        return subprocess.run([WINE, HELPER, window_class, title, f"{message:x}", f"{wparam:x}"], env=self.env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60).returncode == 0

    def run(self, exit_message, exit_wparam):
        self.start_display()
        subprocess.run([WINE, "wineboot", "-i"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=180, check=True)
        with open(self.trace_path, "w") as trace:
            self.program = subprocess.Popen([WINE, PROGRAM], env=dict(self.env, WINEDEBUG="+pid,+relay"),
                                            stdout=subprocess.DEVNULL, stderr=trace)
        # Until the notice is dismissed the only window titled "test" is the notice.
        wait_until(lambda: self.post("-", "test", WM_COMMAND, IDOK), 90, "the notice")
        wait_until(lambda: self.frames_drawn() >= 3, 90, "three frames")
        assert self.post("test", "test", exit_message, exit_wparam), "no window of class test"
        return self.program.wait(timeout=60)

    def frames_drawn(self):
        with open(self.trace_path, errors="replace") as trace:
            return sum("Call gdiplus.GdipDrawLines(" in line for line in trace)

    def close(self):
        if self.program and self.program.poll() is None:
            self.program.kill()
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)
        if self.server:
            self.server.kill()
            self.server.wait()
        shutil.rmtree(self.work, ignore_errors=True)


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
        run = WineRun()
        try:
            if EXIT_BY == "keyup":
                cls.exit_code = run.run(WM_KEYUP, VK_ESCAPE)
            else:
                cls.exit_code = run.run(WM_CLOSE, 0)
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
