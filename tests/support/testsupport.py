"""What the tests, benchmarks and demo recorders written in Python share:
virtual X servers, waiting with a bound, reading /proc, screenshots in XWD
form and the text OCR reads in them, the figure as the programs draw it,
and the golden list of calls."""

import math
import os
import re
import struct
import subprocess
import tempfile
import time

MAGENTA, WHITE, CYAN = 0xFF00FF, 0xFFFFFF, 0x00FFFF
# A 1.2-pixel stroke with miter joins (limit 10) reaches at most 6 pixels past its points.
STROKE_REACH = 8

GOLDEN_CALLS = os.path.join(os.path.dirname(__file__), "..", "golden", "calls.txt")


def wait_until(condition, limit, what, interval=0.2):
    """Polls the condition until it is true; fails after `limit` seconds."""
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(interval)
    raise AssertionError(f"gave up after {limit} s waiting for {what}")


class Xvfb:
    """A virtual X server of its own on the first free display, gone with the object."""

    def __init__(self, width=1024, height=768, depth=24, extra=()):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x{depth}", "-nolisten", "tcp",
             *extra], pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.close()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


def cpu_ms(pid):
    """Time the scheduler has run the process on a CPU."""
    with open(f"/proc/{pid}/schedstat") as stat:
        return int(stat.read().split()[0]) / 1e6


def status_kib(pid, field):
    """A memory figure from /proc/PID/status, such as VmRSS or VmHWM, in KiB."""
    with open(f"/proc/{pid}/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith(field + ":"))


class Screenshot:
    """An XWD image, as `xwd` writes it and as Xvfb keeps its framebuffer: pixels as 0xRRGGBB."""

    def __init__(self, path):
        with open(path, "rb") as image:
            data = image.read()
        header = struct.unpack_from(">25I", data)
        header_size, _, _, depth, width, height, _, byte_order = header[:8]
        bits_per_pixel, bytes_per_line = header[11], header[12]
        masks = header[14:17]
        colormap_entries = header[19]
        if bits_per_pixel not in (24, 32) or masks != (0xFF0000, 0xFF00, 0xFF):
            raise ValueError(f"{path}: a {depth}-bit image in a layout the tests do not read")
        start = header_size + 12 * colormap_entries
        step = bits_per_pixel // 8
        order = "little" if byte_order == 0 else "big"
        self.width, self.height = width, height
        self.pixels = []
        for y in range(height):
            row = data[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
            if step == 4 and order == "little":
                self.pixels.extend(word & 0xFFFFFF for word in memoryview(row).cast("I"))
            else:
                self.pixels.extend(int.from_bytes(row[x:x + step], order) & 0xFFFFFF for x in range(0, len(row), step))

    def at(self, x, y):
        return self.pixels[y * self.width + x]

    def count(self, color):
        return self.pixels.count(color)

    def where(self, color):
        """The (x, y) of every pixel of that colour."""
        return [(i % self.width, i // self.width) for i, pixel in enumerate(self.pixels) if pixel == color]


def capture_root(display, path):
    """The root window as the X server shows it, child windows included."""
    with open(path, "wb") as out:
        subprocess.run(["xwd", "-root", "-silent"], env=dict(os.environ, DISPLAY=display), stdout=out, check=True,
                       timeout=30)
    return Screenshot(path)


def read_text(shot, x, y, width, height, color):
    """What OCR reads in that rectangle of the text written there in the colour: one line, trimmed."""
    scale = 4
    rows = []
    for row in range(height * scale):
        line = bytes(0 if shot.at(x + column // scale, y + row // scale) == color else 255
                     for column in range(width * scale))
        rows.append(line)
    with tempfile.NamedTemporaryFile(suffix=".pgm") as image:
        image.write(f"P5\n{width * scale} {height * scale}\n255\n".encode() + b"".join(rows))
        image.flush()
        return subprocess.run(["tesseract", image.name, "stdout", "--psm", "7"], capture_output=True, text=True,
                              timeout=60).stdout.strip()


def figure_frames(tool, count):
    """The figure as each of the first `count` frames draws it: lists of (x, y)."""
    out = subprocess.run([tool, str(count)], capture_output=True, text=True, check=True, timeout=30).stdout
    frames = []
    for line in out.splitlines():
        values = [float(v) for v in line.split()]
        frames.append(list(zip(values[0::2], values[1::2])))
    return frames


def distance_to_polyline(x, y, points):
    """From a point to the nearest segment of the polyline."""
    best = math.inf
    for (ax, ay), (bx, by) in zip(points, points[1:]):
        dx, dy = bx - ax, by - ay
        length_squared = dx * dx + dy * dy
        t = 0 if length_squared == 0 else min(1, max(0, ((x - ax) * dx + (y - ay) * dy) / length_squared))
        best = min(best, math.hypot(x - (ax + t * dx), y - (ay + t * dy)))
    return best


TAGGED = re.compile(r"^([\w, ]+): (.*)$")
CALL = re.compile(r"^(\w+)\((.*)\)$")
ARGUMENT = re.compile(r'"[^"]*"|[^,\s][^,]*')


def golden_calls(section, program, meter):
    """One section of the golden list as (name, [arguments], sometimes) for
    that build of that program; `sometimes` marks a call that not every
    occurrence of the section makes."""
    calls, inside, found = [], False, False
    with open(GOLDEN_CALLS) as golden:
        lines = golden.readlines()
    for line in lines:
        line = line.rstrip("\n")
        if not line or line.startswith("#"):
            continue
        if line.startswith("["):
            inside = line == f"[{section}]"
            found = found or inside
            continue
        if not inside:
            continue
        tagged = TAGGED.match(line)
        tags = {tag.strip() for tag in tagged.group(1).split(",")} if tagged else set()
        if any(tag in ("overdraw", "cleardraw") and tag != program for tag in tags) or ("meter" in tags and not meter):
            continue
        name, arguments = CALL.match(tagged.group(2) if tagged else line).groups()
        calls.append((name, [a.strip() for a in ARGUMENT.findall(arguments)], "sometimes" in tags))
    if not found:
        raise KeyError(f"no section [{section}] in {GOLDEN_CALLS}")
    return calls
