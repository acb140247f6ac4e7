#!/usr/bin/env python3
"""The palette browser on the real editor under its own Xvfb, by keys alone: I, B, typing
"sky" previews bluesky.hex (palettes/ also holds a FIFO, never waited on, and a file that is
no palette), Return keeps it, Ctrl+S saves the look naming it and settings.txt remembers the
folder; B, "amber" previews amber.gpl, Escape puts bluesky back, and one Ctrl+Z takes the kept
import back. Every step waits for what it changes to show (a pixel, a file).

Usage: palette_browser_test.py QUILMORANTE DATA_DIR
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_session import (Program, Xlib, check, end_session, require_tools,  # noqa: E402
                       start_xvfb)

WAIT_S = 30
SWATCH, BROWSER = (20, 452), (630, 4)  # palette entry 0's swatch; the browser's backdrop
FILES = {"amber.gpl": "GIMP Palette\n#\n255 170 0\tamber\n10 20 30\tdark\n",
         "bluesky.hex": "#3366ff\n#ffffff\n", "notes-sky.txt": "hello\n"}


def wait(condition):
    deadline = time.monotonic() + WAIT_S
    while not condition() and time.monotonic() < deadline:
        time.sleep(0.1)
    return condition()


def read(path):
    return open(path).read() if os.path.isfile(path) else ""


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    binary, data = (os.path.abspath(a) for a in sys.argv[1:])
    require_tools()
    work = tempfile.mkdtemp(prefix="quilmorante-browser-")
    folder, palettes = os.path.join(work, "editor"), os.path.join(work, "editor", "palettes")
    shutil.copytree(os.path.join(data, "savedata"), os.path.join(folder, "savedata"))
    for name in (binary, os.path.join(data, "siro.bmp"), os.path.join(data, "a.bmp")):
        shutil.copy(name, folder)
    os.makedirs(palettes)
    for name, text in FILES.items():
        with open(os.path.join(palettes, name), "w") as f:
            f.write(text)
    os.mkfifo(os.path.join(palettes, "pipe-sky.gpl"))
    look = os.path.join(folder, "savedata", "pal0.look.txt")
    xvfb, display = start_xvfb(1024, 768)
    xlib = Xlib(display)
    env = dict(os.environ, DISPLAY=display, HOME=work, XDG_CONFIG_HOME=os.path.join(work, "cfg"))
    program = Program([os.path.join(folder, os.path.basename(binary))], env=env, cwd=work)

    def xdotool(*args):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=env, capture_output=True,
                              text=True).stdout.split()

    try:
        windows = []
        wait(lambda: windows.extend(int(w) for w in xdotool("search", "--onlyvisible", "--name",
                                                            "^QUILMORANTE$")) or windows)

        def pixel(at):
            return xlib.pixels(windows[0], at[0], at[1], 1, 1)[0]

        def keys(*words):
            for word in words:
                names = word.split("+")
                xdotool("keydown", "--window", windows[0], *names)
                time.sleep(0.1)
                xdotool("keyup", "--window", windows[0], *reversed(names))
                time.sleep(0.1)

        if not check(windows and wait(lambda: pixel(SWATCH) != 0), "the editor shows"):
            return 1
        ramp = pixel(SWATCH)
        keys("i", "b", "s", "k", "y")
        check(wait(lambda: pixel(BROWSER) != 0 and pixel(SWATCH) == 0x3366FF),
              "I, B open the browser, and typing 'sky' previews bluesky.hex")
        keys("Return", "Control_L+s")
        check(wait(lambda: "colours-name bluesky.hex" in read(look)),
              "Ctrl+S saves the look with bluesky.hex's colours (%r)" % read(look))
        check(wait(lambda: "palette-folder=" + palettes in
                   read(os.path.join(folder, "settings.txt"))),
              "settings.txt remembers the palettes' folder")
        keys("b", "a", "m", "b", "e", "r")
        check(wait(lambda: pixel(SWATCH) == 0xFFAA00), "B, 'amber' previews amber.gpl")
        keys("Escape")
        check(wait(lambda: pixel(BROWSER) == 0 and pixel(SWATCH) == 0x3366FF),
              "Escape closes the browser and puts bluesky's colours back")
        keys("Control_L+z", "Control_L+s")
        check(wait(lambda: pixel(SWATCH) == ramp and "colours" not in read(look)),
              "one Ctrl+Z takes the kept import back, and Ctrl+S saves the ramp again")
    finally:
        status = end_session(program, xvfb, xlib, work)
    return status


if __name__ == "__main__":
    sys.exit(main())
