#!/usr/bin/env python3
"""Runs a program on a virtual 1024x768 X server of its own, dismisses the
notice, records its frames into an animated GIF, releases a key to end it
and prints the GIF's path.

    scripts/record_demo.py PROGRAM SECONDS [OUTPUT.gif]
"""

import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "support"))
from testsupport import Xvfb  # noqa: E402


def main():
    program, seconds = sys.argv[1], int(sys.argv[2])
    name = os.path.basename(program)
    output = sys.argv[3] if len(sys.argv) > 3 else os.path.join(os.getcwd(), "build", f"{name}-demo.gif")
    server = Xvfb()
    env = dict(os.environ, DISPLAY=server.display)
    run = None
    try:
        with tempfile.TemporaryDirectory() as work:
            def snapshot(index):
                with open(os.path.join(work, f"frame-{index:03d}.xwd"), "wb") as out:
                    subprocess.run(["xwd", "-root", "-silent"], env=env, stdout=out, check=True, timeout=30)

            run = subprocess.Popen([program], env=env)
            # The notice box is the first window the program maps.
            subprocess.run(["xdotool", "search", "--sync", "--name", "^test$"], env=env, stdout=subprocess.DEVNULL,
                           check=True, timeout=30)
            time.sleep(0.3)
            snapshot(0)
            subprocess.run(["xdotool", "key", "Return"], env=env, check=True, timeout=30)
            # Two pictures a frame, for as long as asked.
            for index in range(1, seconds * 4 + 1):
                time.sleep(0.25)
                snapshot(index)
            subprocess.run(["xdotool", "key", "Escape"], env=env, check=True, timeout=30)
            status = run.wait(timeout=30)
            if status != 0:
                sys.exit(f"{name} exited with {status}")
            os.makedirs(os.path.dirname(output), exist_ok=True)
            frames = sorted(os.path.join(work, f) for f in os.listdir(work))
            subprocess.run(["convert", "-delay", "25", "-loop", "0", *frames, output], check=True, timeout=300)
    finally:
        if run and run.poll() is None:
            run.kill()
        server.close()
    print(output)


if __name__ == "__main__":
    main()
