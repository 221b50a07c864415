"""What the tests, benchmarks and demo recorder written in Python share:
virtual X servers, waiting with a bound, reading /proc, and the golden
list of calls."""

import os
import re
import subprocess
import time

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


OWNED = re.compile(r"^(\w+): (.*)$")
CALL = re.compile(r"^(\w+)\((.*)\)$")
ARGUMENT = re.compile(r'"[^"]*"|[^,\s][^,]*')


def golden_calls(section, program):
    """One section of the golden list as (name, [arguments]), the other program's lines left out."""
    calls, inside, found = [], False, False
    for line in open(GOLDEN_CALLS):
        line = line.rstrip("\n")
        if not line or line.startswith("#"):
            continue
        if line.startswith("["):
            inside = line == f"[{section}]"
            found = found or inside
            continue
        if not inside:
            continue
        owned = OWNED.match(line)
        if owned and owned.group(1) != program:
            continue
        name, arguments = CALL.match(owned.group(2) if owned else line).groups()
        calls.append((name, [a.strip() for a in ARGUMENT.findall(arguments)]))
    if not found:
        raise KeyError(f"no section [{section}] in {GOLDEN_CALLS}")
    return calls
