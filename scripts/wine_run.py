"""Running a Windows program under Wine, 32-bit or 64-bit as the program
is, on the X server that DISPLAY names (a virtual one of its own: see
tools/virtual_screen.cpp), in Wine's virtual desktop as large as its screen
if asked for, in a fresh Wine prefix, with a relay trace of the program's
own calls, and driving it with messages that the Windows helper
(tools/windows/post_message.cpp) posts."""

import glob
import os
import shutil
import subprocess
import tempfile
import time

import screenshot
from pe_image import read_pe

WINE32 = "/usr/lib/wine/wine"
WINE64 = "/usr/lib/wine/wine64"
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver"
# Wine's own copy of Tahoma, which a fresh prefix does not find by itself.
WINE_FONTS = "/usr/share/wine/fonts"

# The programs' notice caption, window class and window title.
APP_NAME = "test"
# The colour of Wine's virtual desktop.
WINE_DESKTOP = 0x256F95

WM_PAINT, WM_CLOSE, WM_KEYDOWN, WM_KEYUP, WM_COMMAND, WM_SYSCOMMAND = 0x0F, 0x10, 0x100, 0x101, 0x111, 0x112
IDOK, VK_ESCAPE, SC_MINIMIZE = 1, 0x1B, 0xF020
# The helper's own exit codes; any other is Wine's, failing to run it.
POSTED, NO_WINDOW = 0, 10


def holds_within(condition, limit, interval=0.2):
    """Whether the condition holds within `limit` seconds, looked at every `interval` and once more at the bound:
    the one way anything here waits."""
    deadline = time.monotonic() + limit
    while not condition():
        if time.monotonic() >= deadline:
            return False
        time.sleep(interval)
    return True


def wait_until(condition, limit, what, interval=0.2):
    """Waits for the condition; fails after `limit` seconds."""
    if not holds_within(condition, limit, interval):
        raise AssertionError(f"gave up after {limit} s waiting for {what}")


def i386_support():
    """How this machine runs 32-bit x86 programs, as scripts/i386.sh tells: "native", "qemu" (binfmt_misc hands
    every one of them to qemu-i386-static, those that Wine starts itself included), or "none: " and why."""
    probe = subprocess.run([os.path.join(os.path.dirname(os.path.abspath(__file__)), "i386.sh"), "probe"],
                           capture_output=True, text=True, timeout=120)
    return probe.stdout.strip()


class WineDidNotStart(Exception):
    """Wine failed to make a fresh prefix."""


class WineRun:
    """One run of the program, from a fresh prefix to its exit."""

    def __init__(self, program, helper):
        self.program_path = program
        self.helper = helper
        self.image = read_pe(program)
        self.work = tempfile.mkdtemp(prefix="wine-test-")
        self.env = dict(os.environ, WINEPREFIX=os.path.join(self.work, "prefix"), WINEDLLOVERRIDES="mscoree,mshtml=",
                        WINEDEBUG="-all")
        if self.image.kind == "PE32":
            self.env["WINEARCH"] = "win32"
            self.wine = [WINE32]
        else:
            self.wine = [WINE64]
        self.program = None
        self.trace_path = os.path.join(self.work, "relay.log")

    def post(self, window_class, title, message, wparam=0):
        """Posts the message to the first window of that class and title (- for any); False if there is none.
        A run of the helper that Wine fails, as it may on a busy machine, is tried again, within a bound."""
        codes, failures = [], []

        def ran():
            command = [*self.wine, self.helper, window_class, title, f"{message:x}", f"{wparam:x}"]
            # A file, not a pipe, which the Wine processes that the helper may start would hold open.
            with tempfile.TemporaryFile() as errors:
                try:
                    code = subprocess.run(command, env=dict(self.env, WINEDEBUG="-all,err+all"),
                                          stdout=subprocess.DEVNULL, stderr=errors, timeout=120).returncode
                except subprocess.TimeoutExpired:
                    code = "none within 120 s"
                if code in (POSTED, NO_WINDOW):
                    codes.append(code)
                    return True
                errors.seek(0)
                failures.append(f"exit code {code}: {errors.read().decode(errors='replace').strip()}")
                return False

        try:
            wait_until(ran, 300, "the helper to run")
        except AssertionError as error:
            raise AssertionError(f"{error}; it failed with {failures[-3:]}") from None
        return codes[0] == POSTED

    def post_to_window(self, message, wparam=0):
        """Posts the message to the program's window, which is there for as long as the program runs. While it
        runs, the helper's not finding it is taken for the helper's failing to see it (as it does when it
        cannot reach the X server) and tried again, within a bound."""
        posted = False

        def tried():
            nonlocal posted
            posted = self.post(APP_NAME, APP_NAME, message, wparam)
            return posted or self.program.poll() is not None

        holds_within(tried, 60)
        if not posted:
            state = "runs" if self.program.poll() is None else f"ended with {self.program.returncode}"
            raise AssertionError(f"no window of class {APP_NAME}, while the program {state}")

    def type_key(self, key=VK_ESCAPE):
        """Presses and releases the key in the program's window, as a user's typing does: a release alone, of a
        key that went down elsewhere, ends nothing."""
        self.post_to_window(WM_KEYDOWN, key)
        self.post_to_window(WM_KEYUP, key)

    def configure(self, relay_include, desktop):
        """The relay trace limited to the program's own calls (and to those
        functions, if given), and Wine's virtual desktop if asked for."""
        lines = ["REGEDIT4", "", r"[HKEY_CURRENT_USER\Software\Wine\Debug]", '"RelayFromExclude"=-',
                 f'"RelayFromInclude"="{os.path.basename(self.program_path)}"']
        if relay_include:
            lines.append(f'"RelayInclude"="{relay_include}"')
        if desktop:
            width, height = screenshot.size()
            lines += ["", r"[HKEY_CURRENT_USER\Software\Wine\Explorer]", '"Desktop"="Default"', "",
                      r"[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]", f'"Default"="{width}x{height}"']
        settings = os.path.join(self.work, "settings.reg")
        with open(settings, "w", newline="\r\n") as out:
            out.write("\n".join(lines) + "\n")
        subprocess.run([*self.wine, "regedit", "/S", settings], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120, check=True)
        # The desktop process reads its settings when it starts: let the one that booted the prefix end.
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=300, check=True)
        fonts = os.path.join(self.env["WINEPREFIX"], "drive_c", "windows", "Fonts")
        for font in glob.glob(os.path.join(WINE_FONTS, "tahoma*.ttf")):
            shutil.copy(font, fonts)

    def start(self, winedebug, relay_include=None, desktop=False):
        """Boots a fresh prefix and starts the program with its trace going to trace_path."""
        if not os.environ.get("DISPLAY"):
            raise RuntimeError("no DISPLAY: run on a virtual X server of its own, with tools/virtual_screen")
        self.boot()
        self.configure(relay_include, desktop)
        with open(self.trace_path, "w") as trace:
            self.program = subprocess.Popen([*self.wine, self.program_path], env=dict(self.env, WINEDEBUG=winedebug),
                                            stdout=subprocess.DEVNULL, stderr=trace)

    def boot(self):
        # A file, not a pipe, which the Wine processes that wineboot starts would hold open.
        with tempfile.TemporaryFile("w+") as errors:
            try:
                subprocess.run([*self.wine, "wineboot", "-i"], env=self.env, stdout=subprocess.DEVNULL, stderr=errors,
                               timeout=300, check=True)
            except (subprocess.CalledProcessError, subprocess.TimeoutExpired) as error:
                errors.seek(0)
                said = [line for line in errors.read().splitlines() if ":fixme:" not in line] or ["nothing"]
                what = (f"exited with {error.returncode}" if isinstance(error, subprocess.CalledProcessError) else
                        "made no prefix within 300 s")
                raise WineDidNotStart(f"wineboot -i {what}; its last words: {said[-1]}") from None

    def dismiss_notice(self):
        # Until the notice is dismissed the only window of that title is the notice.
        wait_until(lambda: self.post("-", APP_NAME, WM_COMMAND, IDOK), 300, "the notice")

    def wait_for_frames(self, count):
        wait_until(lambda: self.frames_drawn() >= count, 120, f"{count} frames")

    def frames_drawn(self):
        with open(self.trace_path, errors="replace") as trace:
            return sum("Call gdiplus.GdipDrawLines(" in line for line in trace)

    def show_desktop(self, frames, shot_path=None):
        """Minimizes the window, whose drawing of the screen Wine shows only
        inside its virtual desktop with the window out of the way, has at
        least that many more frames drawn (a minimized window gets no paint
        requests of its own), leaves a screenshot that shows the last frame
        drawn at shot_path (see capture) and returns the frames the trace
        counts once it is taken."""
        self.post_to_window(WM_SYSCOMMAND, SC_MINIMIZE)
        # Until the window shows minimized, on the desktop's edge, the desktop may paint over the frames.
        width, height = screenshot.size()
        wait_until(lambda: width * height * 9 // 10 < screenshot.count(self.capture(), WINE_DESKTOP) < width * height,
                   60, "the window minimized on the desktop")
        # A frame is in the trace when it starts to draw, and on the screen once Wine has passed its drawing
        # on; the desktop's own repaint may still come after it, and then another frame is asked for.
        for _ in range(frames + 10):
            drawn = self.frames_drawn()
            self.post_to_window(WM_PAINT)
            self.wait_for_frames(drawn + 1)
            frames -= 1
            if frames <= 0:
                if self.shows_frame(drawn + 1, shot_path):
                    # A frame is in the trace before it draws: read after the screenshot, the trace counts
                    # every frame the screenshot can show, one that Wine's own paint request started included.
                    return self.frames_drawn()
        raise AssertionError("no screenshot showed the last frame drawn")

    def shows_frame(self, frame, shot_path, limit=20):
        """Whether, within `limit` seconds, a screenshot shows the frame's figure in full, and its text if it
        writes one."""
        def shown():
            shot = self.capture(shot_path)
            return screenshot.figure_shown(shot, frame)[2] == frame and (not self.writes_text() or
                                                                         screenshot.count(shot, screenshot.CYAN) > 0)

        return holds_within(shown, limit)

    def writes_text(self):
        with open(self.trace_path, errors="replace") as trace:
            return any("Call gdiplus.GdipDrawString(" in line for line in trace)

    def capture(self, path=None):
        """The screen as a PPM file, in the run's folder unless another path is given."""
        return screenshot.capture(path or os.path.join(self.work, "screen.ppm"))

    def close(self):
        if self.program and self.program.poll() is None:
            self.program.kill()
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)
        shutil.rmtree(self.work, ignore_errors=True)
