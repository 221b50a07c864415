#!/usr/bin/env python3
"""Records a picture of a Windows program running under Wine: in Wine's
virtual desktop, on the X server that DISPLAY names, after the notice is
dismissed, with the window minimized so that its drawing on the screen
shows, and a few frames drawn. Prints the picture's path. Run it on a
virtual X server of its own:

    build/run/tools/virtual_screen scripts/record_wine_picture.py PROGRAM.exe HELPER.exe [FRAMES] [OUTPUT.png]
"""

import os
import subprocess
import sys

from wine_run import WineRun


def main():
    program, helper = sys.argv[1:3]
    frames = int(sys.argv[3]) if len(sys.argv) > 3 else 8
    name = os.path.basename(program).removesuffix(".exe")
    output = sys.argv[4] if len(sys.argv) > 4 else os.path.join(os.getcwd(), "build", f"{name}-wine.png")
    run = WineRun(program, helper)
    try:
        # The trace counts the frames.
        run.start("+relay", relay_include="gdiplus.GdipDrawLines", desktop=True)
        run.dismiss_notice()
        run.wait_for_frames(1)
        screen = os.path.join(run.work, "screen.ppm")
        run.show_desktop(frames, screen)
        run.type_key()
        run.program.wait(timeout=120)
        os.makedirs(os.path.dirname(output), exist_ok=True)
        subprocess.run(["convert", screen, output], check=True, timeout=120)
    finally:
        run.close()
    print(output)


if __name__ == "__main__":
    main()
