"""Runs a Windows program under Wine, 32-bit or 64-bit as it is built,
with a relay trace of its own calls: dismisses its notice and ends it with
a posted message, then checks its calls against the golden list, and its
exit code. A run that ends with a key release also looks at the screen:
inside Wine's virtual desktop, with the window minimized, the program's
drawing shows.

    wine_test.py PROGRAM.exe HELPER.exe keyup|close GOLDEN_CALLS

GOLDEN_CALLS is the tool that reads the golden list (tests/support/golden_calls.cpp).
Runs on the X server that DISPLAY names, a virtual one of its own.

Exits with 77, after saying why, when this machine cannot run the program.
"""

import math
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
from pe_image import read_pe  # noqa: E402
from screenshot import CYAN, WHITE, count, figure_shown, read_text, size  # noqa: E402
from wine_run import VK_ESCAPE, WM_CLOSE, WM_KEYUP, WineDidNotStart, WineRun, i386_support, wait_until  # noqa: E402

PROGRAM, HELPER, EXIT_BY, GOLDEN_CALLS = sys.argv[1:5]
del sys.argv[1:5]
NAME = os.path.basename(PROGRAM).removesuffix(".exe")
METERED = NAME.endswith("_metered")
PROGRAM_NAME = NAME.removesuffix("_metered")
IMAGE = read_pe(PROGRAM)
SKIPPED = 77
CALL = re.compile(r"^([0-9a-f]+):[0-9a-f]+:(Call|Ret) +(\w+)\.(\w+)\((.*?)\)(?: retval=(\w+))? ret=([0-9a-f]+)$")
# Wine's GDI+ traces its calls with their floats, which the relay trace cannot print.
GDIPLUS = re.compile(r"^([0-9a-f]+):[0-9a-f]+:trace:gdiplus:(\w+) \(?(.*?)\)?$")
LOOP = {"GetMessageA", "TranslateMessage", "DispatchMessageA"}
FPS_TEXT = re.compile(r'L"  FPS: (\d+)       "')
# The meter's text shows in the top-left corner.
CORNER = (0, 0, 200, 40)


def own_calls(trace_path):
    """The program's own calls and returns, in order, as [kind, name,
    arguments or returned value]: those of its process whose return address
    lies inside its image. A call the compiler made as a tail call returns
    elsewhere and is not among them."""
    by_process = {}
    with open(trace_path, errors="replace") as trace:
        for line in trace:
            line = line.rstrip("\n")
            match = CALL.match(line)
            if match:
                pid, kind, _, name, arguments, retval, ret = match.groups()
                if IMAGE.image_base <= int(ret, 16) < IMAGE.image_base + IMAGE.image_size:
                    by_process.setdefault(pid, []).append([kind, name, arguments if kind == "Call" else retval])
                continue
            traced = GDIPLUS.match(line)
            calls = by_process.get(traced.group(1)) if traced else None
            if calls and calls[-1][:2] == ["Call", traced.group(2)]:
                made = calls[-1][2].split(",")
                values = traced.group(3).split(", ")
                if len(values) == len(made):
                    calls[-1][2] = ",".join(value if mine == "g" else mine for mine, value in zip(made, values))
    # Other Wine processes may load images at the same base: the program is the one that shows the notice.
    for calls in by_process.values():
        if any(kind == "Call" and name == "MessageBoxA" and '"ESC for exit"' in value for kind, name, value in calls):
            return calls
    return []


def low32(value):
    """Wine prints whole registers; the program passed 32-bit values."""
    return int(value.split()[0], 16) & 0xFFFFFFFF


def meter_may_show(ticks, counts):
    """Whether the meter, reading these tick counts frame by frame, can have shown these counts: it reports
    the frames since its last report once more than a second has passed since that one. Near a second the
    rounding of the tick count to a float of seconds decides, so both ways are followed."""
    states = {(None, 0, None)}  # the tick count of the last report, the frames since, the count shown
    for tick, shown in zip(ticks, counts):
        margin = 1000 * 2.0 ** (math.frexp(tick / 1000)[1] - 24) + 1
        after = set()
        for last, frames, count in states:
            elapsed = math.inf if last is None else tick - last
            if elapsed >= 1000 - margin and shown == frames + 1:
                after.add((tick, 0, shown))
            if elapsed <= 1000 + margin and shown == count:
                after.add((last, frames + 1, count))
        states = after
    return bool(states)


def golden(*sections):
    """Those sections of the golden list as (name, [arguments], sometimes) for this build of this program;
    `sometimes` marks a call that not every occurrence of the section makes."""
    calls = []
    for section in sections:
        lines = subprocess.run([GOLDEN_CALLS, section, PROGRAM_NAME, str(int(METERED))], capture_output=True,
                               text=True, timeout=60, check=True).stdout.splitlines()
        for line in lines:
            made, name, *arguments = line.split("\t")
            calls.append((name, arguments, made == "sometimes"))
    return calls


def run_program(shot_path):
    """Runs the program to its end; returns the exit code, its calls and, for a key release, the screen
    (kept at shot_path) and the frames drawn by then."""
    how = "native"
    if IMAGE.kind == "PE32":
        how = i386_support()
        if how.startswith("none"):
            print(f"skipped: the 32-bit program cannot run: {how.removeprefix('none: ')}")
            sys.exit(SKIPPED)
        if how == "qemu":
            print("32-bit code does not run natively here: the program runs under qemu-i386-static", file=sys.stderr)
    run = WineRun(PROGRAM, HELPER)
    try:
        try:
            run.start("+pid,+relay,+gdiplus", desktop=EXIT_BY == "keyup")
        except WineDidNotStart as error:
            # The emulator's limit, not the program's, which never ran.
            if how != "qemu":
                raise
            print(f"skipped: 32-bit Wine does not start under qemu-i386-static: {error}")
            sys.exit(SKIPPED)
        run.dismiss_notice()
        # Long enough for the meter to report the second frame after its first report.
        run.wait_for_frames(4)
        shot = frames = None
        if EXIT_BY == "keyup":
            # A release whose press the window never saw, as of the key that dismissed the notice, ends
            # nothing: two more frames begin after it, where a quit it posted would end the loop after the
            # frame under way.
            drawn = run.frames_drawn()
            run.post_to_window(WM_KEYUP, VK_ESCAPE)
            wait_until(lambda: run.frames_drawn() >= drawn + 2 or run.program.poll() is not None, 120,
                       "two frames after a lone key release")
            if run.program.poll() is not None:
                raise AssertionError(f"a lone key release ended the program with {run.program.returncode}")
            shot, frames = shot_path, run.show_desktop(2, shot_path)
            run.type_key(VK_ESCAPE)
        else:
            run.post_to_window(WM_CLOSE)
        return run.program.wait(timeout=120), own_calls(run.trace_path), shot, frames
    finally:
        run.close()


class WineProgramTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.exit_code, cls.calls, cls.shot, cls.frames = run_program(os.path.join(cls.folder.name, "screen.ppm"))
        cls.made = [(name, arguments) for kind, name, arguments in cls.calls if kind == "Call"]
        cls.returned = {name: value for kind, name, value in cls.calls if kind == "Ret"}

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def assert_calls(self, made, expected):
        """The calls in order, with every argument the trace shows as the list gives it."""
        self.assertEqual([name for name, _ in made], [name for name, _, _ in expected])
        for (name, arguments), (_, wanted, _) in zip(made, expected):
            values = [value.strip() for value in arguments.split(",")]
            for position, want in enumerate(wanted):
                with self.subTest(call=name, argument=position):
                    self.assert_argument(values[position], want)

    def assert_argument(self, value, want):
        if want.startswith('"'):
            self.assertIn(want, value)
        elif want == "null":
            self.assertEqual(low32(value), 0)
        elif re.fullmatch(r"[0-9.]+f", want):
            # As far as the trace prints it: to its last decimal.
            decimals = len(value.partition(".")[2])
            self.assertAlmostEqual(float(value), struct.unpack("<f", struct.pack("<f", float(want[:-1])))[0],
                                   delta=0.5 * 10 ** -decimals)
        elif re.fullmatch(r"0x[0-9A-F]+|-?[0-9]+", want):
            self.assertEqual(low32(value), int(want, 0) & 0xFFFFFFFF)
        elif want == "hdc":
            self.assertEqual(low32(value), low32(self.returned["GetDC"]))
        elif want == "window":
            self.assertEqual(low32(value), low32(self.returned["CreateWindowExA"]))

    def after_show(self):
        return [call for call in self.made[len(golden("start", "init", "show")):] if call[0] not in LOOP]

    def frame_runs(self):
        """The frames after start-up, each its calls, and the calls left after them."""
        frame = golden("frame")
        rest, frames = self.after_show(), []
        while rest and rest[0][0] == frame[0][0]:
            made, wanted = [], []
            for call in frame:
                if rest and rest[0][0] == call[0]:
                    made.append(rest.pop(0))
                    wanted.append(call)
                elif not call[2]:
                    break
            if len(wanted) < len([call for call in frame if not call[2]]):
                break
            frames.append((made, wanted))
        return frames, rest

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
        self.assertEqual(inside, [name for name, _, _ in golden("init")])

    def test_frames(self):
        frames, _ = self.frame_runs()
        self.assertGreaterEqual(len(frames), 4)
        for made, wanted in frames:
            self.assert_calls(made, wanted)

    def test_ending(self):
        _, rest = self.frame_runs()
        if EXIT_BY == "keyup":
            self.assert_calls(rest, golden("quit", "exit"))
        else:
            # The window procedure hands WM_CLOSE on as a tail call, so the default handling
            # shows only through what it sends back: the teardown of WM_DESTROY.
            self.assert_calls(rest, golden("shutdown", "quit", "exit"))

    @unittest.skipUnless(EXIT_BY == "keyup", "a run ended by a close request does not look at the screen")
    def test_the_screen_shows_the_frames_drawn(self):
        magenta, stray, _ = figure_shown(self.shot, self.frames)
        self.assertGreater(magenta, 300)
        self.assertEqual(stray, 0, f"magenta pixels on none of the {self.frames} frames")
        if PROGRAM_NAME == "cleardraw":
            width, height = size()
            self.assertGreater(count(self.shot, WHITE), width * height * 9 // 10)

    @unittest.skipUnless(METERED, "a program without the meter shows no text")
    def test_the_meter_counts_the_frames_of_every_second_in_cyan_in_the_top_left_corner(self):
        texts = [FPS_TEXT.search(arguments) for name, arguments in self.made if name == "GdipDrawString"]
        self.assertTrue(all(texts), "every text is the meter's")
        # Checked against the clock the program read, however fast a busy machine let the frames come.
        counts = [int(text.group(1)) for text in texts]
        ticks = [low32(value) for kind, name, value in self.calls if kind == "Ret" and name == "GetTickCount"]
        self.assertEqual(len(ticks), len(counts), "one reading of the clock and one text a frame")
        self.assertGreaterEqual(len(counts), 4)
        self.assertTrue(meter_may_show(ticks, counts), f"counts {counts} for tick counts {ticks}")
        if self.shot is not None:
            cyan = count(self.shot, CYAN)
            self.assertGreater(cyan, 30)
            self.assertEqual(count(self.shot, CYAN, CORNER), cyan, "cyan outside the corner")
            self.assertEqual(read_text(self.shot, *CORNER, CYAN), f"FPS: {texts[-1].group(1)}")


if __name__ == "__main__":
    unittest.main()
