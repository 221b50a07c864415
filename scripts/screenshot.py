"""Screenshots of the X server that DISPLAY names, and verdicts on them,
from the screenshot tool (tools/screenshot.cpp), for the Python that drives
Windows programs under Wine."""

import os
import subprocess

MAGENTA, WHITE, CYAN = 0xFF00FF, 0xFFFFFF, 0x00FFFF

# The tests name the tool they built; the scripts find it where ./run.sh builds.
TOOL = os.environ.get("SCREENSHOT") or os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "run",
                                                    "tools", "screenshot")


def ask(*arguments):
    """What the tool answers, one line an answer."""
    answer = subprocess.run([TOOL, *map(str, arguments)], capture_output=True, text=True, timeout=120)
    if answer.returncode != 0:
        raise RuntimeError(f"screenshot {' '.join(map(str, arguments))}: {answer.stderr.strip()}")
    return answer.stdout.splitlines()


def size():
    """The screen's (width, height)."""
    return tuple(map(int, ask("size")[0].split()))


def capture(path):
    """Writes the screen as shown, child windows included, to a PPM file; its path."""
    ask("capture", path)
    return path


def count(shot, color, rectangle=()):
    """Pixels of the colour in the screenshot, or in the rectangle (x, y, width, height) of it."""
    return int(ask("count", shot, f"{color:#08x}", *rectangle)[0])


def figure_shown(shot, frames):
    """(magenta pixels, those on none of frames 1..frames, the latest of those frames shown in full or 0)."""
    return tuple(map(int, ask("figure", shot, frames)[0].split()))


def read_text(shot, x, y, width, height, color):
    """What OCR reads in that rectangle of the text written there in the colour: one line, trimmed."""
    lines = ask("text", shot, x, y, width, height, f"{color:#08x}")
    return lines[0] if lines else ""
