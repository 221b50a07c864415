"""Measures a Windows program, 32-bit or 64-bit, under Wine from outside, as
program_bench does on X11, where Wine lets it be measured: Wine's relay
trace, limited to the notice and the frame's calls, timestamps the frames;
program_bench (of build/linux unless PROGRAM_BENCH names another) reads the
CPU and the memory. Run it on a virtual X server of its own:

    build/linux/tools/virtual_screen python3 bench/wine_bench.py PROGRAM.exe HELPER.exe [RUNS]

It prints a Markdown table row of medians.
"""

import os
import re
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "scripts"))
from pe_image import read_pe  # noqa: E402
from wine_run import WineRun  # noqa: E402

PROGRAM_BENCH = os.environ.get("PROGRAM_BENCH") or os.path.join(os.path.dirname(__file__), "..", "build", "linux",
                                                                 "bench", "program_bench")

# The programs' pause in every frame: what a frame's period has beyond it is the frame's overhead.
FRAME_PAUSE_MS = 500
STAMPED = re.compile(r"^(\d+\.\d+):[0-9a-f]+:[0-9a-f]+:(Call|Ret) +\w+\.(\w+)\(")
OBSERVED_SECONDS = 6


def stamps(trace_path, kind, name):
    with open(trace_path, errors="replace") as trace:
        return [float(m.group(1)) * 1000 for m in map(STAMPED.match, trace)
                if m and m.group(2) == kind and m.group(3) == name]


def usage(pid):
    """The CPU the process has had so far (ms) and its peak resident memory (KiB)."""
    cpu, peak = subprocess.run([PROGRAM_BENCH, "usage", str(pid)], capture_output=True, text=True, timeout=60,
                               check=True).stdout.split()
    return float(cpu), int(peak)


def measure_once(program, helper):
    run = WineRun(program, helper)
    try:
        run.start("+timestamp,+pid,+relay", relay_include="user32.MessageBoxA;gdiplus.GdipDrawLines")
        run.dismiss_notice()
        run.wait_for_frames(2)
        pid = run.program.pid  # Wine's loader becomes the program's process: same pid
        cpu_before, frames_before = usage(pid)[0], run.frames_drawn()
        time.sleep(OBSERVED_SECONDS)
        (cpu_after, peak), frames_after = usage(pid), run.frames_drawn()
        run.type_key()
        released = time.monotonic()
        run.program.wait(timeout=60)
        release_to_exit = (time.monotonic() - released) * 1000

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
          f"{median['period'] - FRAME_PAUSE_MS:.2f} | {median['cpu']:.3f} | n/a | {median['exit']:.0f} | "
          f"{median['peak']:.0f} |")


if __name__ == "__main__":
    main()
