"""Measures a Windows program, 32-bit or 64-bit, under Wine from outside, as
program_bench does on X11, where Wine lets it be measured: Wine's relay
trace, limited to the notice and the frame's calls, timestamps the frames.

    wine_bench.py PROGRAM.exe HELPER.exe [RUNS]    prints one Markdown table row of medians
"""

import os
import re
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "support"))
from pe_image import read_pe  # noqa: E402
from testsupport import cpu_ms, status_kib  # noqa: E402
from wine_run import VK_ESCAPE, WM_KEYUP, WineRun  # noqa: E402

STAMPED = re.compile(r"^(\d+\.\d+):[0-9a-f]+:[0-9a-f]+:(Call|Ret) +\w+\.(\w+)\(")
OBSERVED_SECONDS = 6


def stamps(trace_path, kind, name):
    with open(trace_path, errors="replace") as trace:
        return [float(m.group(1)) * 1000 for m in map(STAMPED.match, trace)
                if m and m.group(2) == kind and m.group(3) == name]


def measure_once(program, helper):
    run = WineRun(program, helper)
    try:
        run.start("+timestamp,+pid,+relay", relay_include="user32.MessageBoxA;gdiplus.GdipDrawLines")
        run.dismiss_notice()
        run.wait_for_frames(2)
        pid = run.program.pid  # Wine's loader becomes the program's process: same pid
        cpu_before, frames_before = cpu_ms(pid), run.frames_drawn()
        time.sleep(OBSERVED_SECONDS)
        cpu_after, frames_after = cpu_ms(pid), run.frames_drawn()
        peak = status_kib(pid, "VmHWM")
        posted = run.post("test", "test", WM_KEYUP, VK_ESCAPE)
        released = time.monotonic()
        run.program.wait(timeout=60)
        release_to_exit = (time.monotonic() - released) * 1000
        assert posted, "no window of class test"

        draws = stamps(run.trace_path, "Call", "GdipDrawLines")
        dismissed = stamps(run.trace_path, "Ret", "MessageBoxA")[0]
        periods = [b - a for a, b in zip(draws, draws[1:])]
        return {
            "first": draws[0] - dismissed,
            "period": statistics.median(periods),
            "cpu": (cpu_after - cpu_before) / max(frames_after - frames_before, 1),
            "exit": release_to_exit,
            "peak": peak,
        }
    finally:
        run.close()


def main():
    program, helper = sys.argv[1:3]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    results = [measure_once(program, helper) for _ in range(runs)]
    median = {key: statistics.median(r[key] for r in results) for key in results[0]}
    bits = "win32" if read_pe(program).kind == "PE32" else "win64"
    print(f"| {os.path.basename(program)} ({bits}, Wine) | n/a | {median['first']:.1f} | {median['period']:.2f} | "
          f"{median['period'] - 500:.2f} | {median['cpu']:.3f} | n/a | {median['exit']:.0f} | {median['peak']:.0f} |")


if __name__ == "__main__":
    main()
