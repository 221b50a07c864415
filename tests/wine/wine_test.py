"""Runs a Windows program under Wine with a relay trace of its own calls,
dismisses its notice and ends it with a posted message, then checks the
calls against the golden list, and the exit code.

    wine_test.py PROGRAM.exe HELPER.exe keyup|close
"""

import os
import re
import struct
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "support"))
from pe_image import read_pe  # noqa: E402
from testsupport import golden_calls  # noqa: E402
from wine_run import VK_ESCAPE, WM_CLOSE, WM_KEYUP, WineRun  # noqa: E402

PROGRAM, HELPER, EXIT_BY = sys.argv[1:4]
del sys.argv[1:4]
NAME = os.path.basename(PROGRAM).removesuffix(".exe")
IMAGE = read_pe(PROGRAM)
CALL = re.compile(r"^([0-9a-f]+):[0-9a-f]+:(Call|Ret) +(\w+)\.(\w+)\((.*?)\)(?: retval=(\w+))? ret=([0-9a-f]+)$")
LOOP = {"GetMessageA", "TranslateMessage", "DispatchMessageA"}


def own_calls(trace_path):
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
            pid, kind, _, name, arguments, retval, ret = match.groups()
            if IMAGE.image_base <= int(ret, 16) < IMAGE.image_base + IMAGE.image_size:
                by_process.setdefault(pid, []).append((kind, name, arguments if kind == "Call" else retval))
    # Other Wine processes may load images at the same base: the program is the one that shows the notice.
    for calls in by_process.values():
        if any(kind == "Call" and name == "MessageBoxA" and '"ESC for exit"' in value for kind, name, value in calls):
            return calls
    return []


def low32(value):
    """Wine prints whole registers; the program passed 32-bit values."""
    return int(value.split()[0], 16) & 0xFFFFFFFF


def golden(*sections):
    return [call for section in sections for call in golden_calls(section, NAME)]


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
            cls.calls = own_calls(run.trace_path)
        finally:
            run.close()
        cls.made = [(name, arguments) for kind, name, arguments in cls.calls if kind == "Call"]
        cls.returned = {name: value for kind, name, value in cls.calls if kind == "Ret"}

    def assert_calls(self, made, expected):
        """The calls in order, with every argument the trace can show as the list gives it."""
        self.assertEqual([name for name, _ in made], [name for name, _ in expected])
        for (name, arguments), (_, wanted) in zip(made, expected):
            values = [value.strip() for value in arguments.split(",")]
            for position, want in enumerate(wanted):
                with self.subTest(call=name, argument=position):
                    self.assert_argument(values[position], want)

    def assert_argument(self, value, want):
        if want.startswith('"'):
            self.assertIn(want, value)
        elif want == "null":
            self.assertEqual(low32(value), 0)
        elif want.endswith("f") and re.fullmatch(r"[0-9.]+f", want):
            # A float32 goes on the stack in 32-bit code, where the trace shows its bits, and in
            # a vector register in 64-bit code, where it does not.
            if IMAGE.kind == "PE32":
                self.assertEqual(low32(value), struct.unpack("<I", struct.pack("<f", float(want[:-1])))[0])
        elif re.fullmatch(r"0x[0-9A-F]+|[0-9]+", want):
            self.assertEqual(low32(value), int(want, 0))
        elif want == "hdc":
            self.assertEqual(low32(value), low32(self.returned["GetDC"]))
        elif want == "window":
            self.assertEqual(low32(value), low32(self.returned["CreateWindowExA"]))

    def frames_and_ending(self):
        show = len(golden("start", "init", "show"))
        return [call for call in self.made[show:] if call[0] not in LOOP]

    def test_exits_with_zero(self):
        self.assertEqual(self.exit_code, 0)

    def test_start_up(self):
        expected = golden("start", "init", "show")
        self.assert_calls(self.made[:len(expected)], expected)

    def test_drawing_is_set_up_inside_window_creation(self):
        sequence = [(kind, name) for kind, name, _ in self.calls]
        create = sequence.index(("Call", "CreateWindowExA"))
        created = sequence.index(("Ret", "CreateWindowExA"))
        inside = [name for kind, name in sequence[create + 1:created] if kind == "Call"]
        self.assertEqual(inside, [name for name, _ in golden("init")])

    def test_frames(self):
        frame = golden("frame")
        rest = self.frames_and_ending()
        frames = 0
        while [name for name, _ in rest[:len(frame)]] == [name for name, _ in frame]:
            self.assert_calls(rest[:len(frame)], frame)
            rest = rest[len(frame):]
            frames += 1
        self.assertGreaterEqual(frames, 3)

    def test_ending(self):
        frame_names = {name for name, _ in golden("frame")}
        rest = [call for call in self.frames_and_ending() if call[0] not in frame_names]
        if EXIT_BY == "keyup":
            self.assert_calls(rest, golden("quit", "exit"))
        else:
            # The window procedure hands WM_CLOSE on as a tail call, so the default handling
            # shows only through what it sends back: the teardown of WM_DESTROY.
            self.assert_calls(rest, golden("shutdown", "quit", "exit"))


if __name__ == "__main__":
    unittest.main()
