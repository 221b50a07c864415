"""What the tests, benchmarks and demo recorders written in Python share:
waiting with a bound, reading /proc, and, through the C++ test support's
screen_check tool, virtual X servers, verdicts on screenshots and the golden
list of calls."""

import os
import subprocess
import time

MAGENTA, WHITE, CYAN = 0xFF00FF, 0xFFFFFF, 0x00FFFF

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN_CALLS = os.path.join(HERE, "..", "golden", "calls.txt")
# The tests name the tool they built; the scripts find it in the Linux build.
SCREEN_CHECK = os.environ.get("SCREEN_CHECK") or os.path.join(HERE, "..", "..", "build", "linux", "tests", "support",
                                                              "screen_check")


def wait_until(condition, limit, what, interval=0.2):
    """Polls the condition until it is true; fails after `limit` seconds."""
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(interval)
    raise AssertionError(f"gave up after {limit} s waiting for {what}")


def screen_check(*arguments):
    """What the tool answers, one line an answer."""
    answer = subprocess.run([SCREEN_CHECK, *map(str, arguments)], capture_output=True, text=True, timeout=120)
    if answer.returncode != 0:
        raise RuntimeError(f"screen_check {' '.join(map(str, arguments))}: {answer.stderr.strip()}")
    return answer.stdout.splitlines()


class Xvfb:
    """A virtual X server of its own on the first free display, gone with the object."""

    def __init__(self, width=1024, height=768):
        # The tool keeps the server until its input closes, and takes it along if it dies.
        self.process = subprocess.Popen([SCREEN_CHECK, "xvfb", str(width), str(height)], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True)
        self.display = self.process.stdout.readline().strip()
        if not self.display:
            self.close()
            raise RuntimeError("Xvfb did not start")

    def close(self):
        self.process.stdin.close()
        self.process.wait(timeout=60)


def cpu_ms(pid):
    """Time the scheduler has run the process on a CPU."""
    with open(f"/proc/{pid}/schedstat") as stat:
        return int(stat.read().split()[0]) / 1e6


def status_kib(pid, field):
    """A memory figure from /proc/PID/status, such as VmRSS or VmHWM, in KiB."""
    with open(f"/proc/{pid}/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith(field + ":"))


def capture_root(display, path):
    """Writes the root window as the X server shows it, child windows included, to an XWD file."""
    with open(path, "wb") as out:
        subprocess.run(["xwd", "-root", "-silent"], env=dict(os.environ, DISPLAY=display), stdout=out, check=True,
                       timeout=60)
    return path


def count(shot, color, rectangle=()):
    """Pixels of the colour in the screenshot, or in the rectangle (x, y, width, height) of it."""
    return int(screen_check("count", shot, f"{color:#08x}", *rectangle)[0])


def golden_calls(section, program, meter):
    """One section of the golden list as (name, [arguments], sometimes) for
    that build of that program; `sometimes` marks a call that not every
    occurrence of the section makes."""
    return [(name, arguments, made == "sometimes")
            for made, name, *arguments in (line.split("\t") for line in
                                           screen_check("golden", GOLDEN_CALLS, section, program, int(meter)))]


def figure_shown(shot, frames):
    """(magenta pixels, those on none of frames 1..frames, the latest of those frames shown in full or 0)."""
    return tuple(map(int, screen_check("figure", shot, frames)[0].split()))


def read_text(shot, x, y, width, height, color):
    """What OCR reads in that rectangle of the text written there in the colour: one line, trimmed."""
    lines = screen_check("text", shot, x, y, width, height, f"{color:#08x}")
    return lines[0] if lines else ""
