"""Running a Windows program under 64-bit Wine on a virtual X server of
its own, in a fresh Wine prefix, and driving it with posted messages."""

import os
import shutil
import subprocess
import tempfile

from testsupport import Xvfb, wait_until

WINE = shutil.which("wine64") or "/usr/lib/wine/wine64"
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver"

WM_KEYUP, WM_CLOSE, WM_COMMAND, IDOK, VK_ESCAPE = 0x101, 0x10, 0x111, 1, 0x1B


class WineRun:
    """One run of the program, from a fresh prefix to its exit."""

    def __init__(self, helper):
        self.helper = helper
        self.work = tempfile.mkdtemp(prefix="wine-test-")
        self.env = dict(os.environ, WINEPREFIX=os.path.join(self.work, "prefix"), WINEDLLOVERRIDES="mscoree,mshtml=",
                        WINEDEBUG="-all")
        self.server = None
        self.program = None
        self.trace_path = os.path.join(self.work, "relay.log")

    def start_display(self):
        self.server = Xvfb()
        self.env["DISPLAY"] = self.server.display

    def post(self, window_class, title, message, wparam=0):
        return subprocess.run([WINE, self.helper, window_class, title, f"{message:x}", f"{wparam:x}"], env=self.env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60).returncode == 0

    def start(self, program, winedebug, relay_include=None):
        """Boots a fresh prefix and starts the program with its trace going to trace_path."""
        self.start_display()
        subprocess.run([WINE, "wineboot", "-i"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=180, check=True)
        if relay_include:
            subprocess.run([WINE, "reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/d",
                            relay_include, "/f"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60, check=True)
        with open(self.trace_path, "w") as trace:
            self.program = subprocess.Popen([WINE, program], env=dict(self.env, WINEDEBUG=winedebug),
                                            stdout=subprocess.DEVNULL, stderr=trace)

    def dismiss_notice(self):
        # Until the notice is dismissed the only window titled "test" is the notice.
        wait_until(lambda: self.post("-", "test", WM_COMMAND, IDOK), 90, "the notice")

    def wait_for_frames(self, count):
        wait_until(lambda: self.frames_drawn() >= count, 90, f"{count} frames")

    def frames_drawn(self):
        with open(self.trace_path, errors="replace") as trace:
            return sum("Call gdiplus.GdipDrawLines(" in line for line in trace)

    def close(self):
        if self.program and self.program.poll() is None:
            self.program.kill()
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)
        if self.server:
            self.server.close()
        shutil.rmtree(self.work, ignore_errors=True)
