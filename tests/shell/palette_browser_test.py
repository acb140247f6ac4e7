#!/usr/bin/env python3
"""The palette browser on the real editor under its own Xvfb, by keys alone.

I opens the palette panel and B the browser over the data folder's palettes/ (which also holds
a FIFO, never waited on, and a file that is no palette); typing "sky" filters it down to
bluesky.hex, whose first colour the swatches then show; Return keeps it and Ctrl+S saves the
slot's look naming it, settings.txt remembering the folder. Opened again, "amber" shows
amber.gpl's colour and Escape puts bluesky's back; one Ctrl+Z then takes the kept import back
to the key ramp. Every step waits for what it changes to show (a pixel, a file).

Usage: palette_browser_test.py QUILMORANTE DATA_DIR
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_session import (Program, Xlib, check, failures, require_tools, start_xvfb,  # noqa: E402
                       stop_xvfb)

WAIT_S = 30
SWATCH = (20, 452)  # inside palette entry 0's swatch
BROWSER = (630, 4)  # inside the browser's backdrop, black without it
BLUE, AMBER = 0x3366FF, 0xFFAA00


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    binary, data = (os.path.abspath(a) for a in sys.argv[1:])
    require_tools()
    work = tempfile.mkdtemp(prefix="quilmorante-browser-")
    folder = os.path.join(work, "editor")
    os.makedirs(folder)
    shutil.copy(binary, folder)
    for name in ("siro.bmp", "a.bmp"):
        shutil.copy(os.path.join(data, name), folder)
    shutil.copytree(os.path.join(data, "savedata"), os.path.join(folder, "savedata"))
    palettes = os.path.join(folder, "palettes")
    os.makedirs(palettes)
    with open(os.path.join(palettes, "amber.gpl"), "w") as f:
        f.write("GIMP Palette\nName: amber\n#\n255 170   0\tamber\n 10  20  30\tdark\n")
    with open(os.path.join(palettes, "bluesky.hex"), "w") as f:
        f.write("#3366ff\n#ffffff\n")
    with open(os.path.join(palettes, "notes-sky.txt"), "w") as f:
        f.write("hello\n")
    os.mkfifo(os.path.join(palettes, "pipe-sky.gpl"))
    look = os.path.join(folder, "savedata", "pal0.look.txt")

    xvfb, display = start_xvfb(1024, 768)
    xlib = Xlib(display)
    env = dict(os.environ, DISPLAY=display, HOME=work, XDG_CONFIG_HOME=os.path.join(work, "cfg"))
    program = Program([os.path.join(folder, os.path.basename(binary))], env=env, cwd=work)

    def xdotool(*args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=env, capture_output=True)

    def wait(condition):
        deadline = time.monotonic() + WAIT_S
        while time.monotonic() < deadline:
            if condition():
                return True
            time.sleep(0.1)
        return False

    def read(path):
        try:
            with open(path) as f:
                return f.read()
        except OSError:
            return ""

    try:
        window = None
        deadline = time.monotonic() + WAIT_S
        while window is None and time.monotonic() < deadline:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^QUILMORANTE$"],
                                   env=env, capture_output=True, text=True).stdout.split()
            window = int(found[0]) if found else None
            time.sleep(0.2)
        if not check(window is not None, "the editor's window shows"):
            return 1

        def pixel(at):
            return xlib.pixels(window, at[0], at[1], 1, 1)[0]

        def key(*names):
            xdotool("keydown", "--window", window, *names)
            time.sleep(0.1)
            xdotool("keyup", "--window", window, *reversed(names))
            time.sleep(0.1)

        def type_text(text):
            for c in text:
                key(c)

        if not check(wait(lambda: pixel(SWATCH) != 0), "the swatches show"):
            return 1
        ramp = pixel(SWATCH)
        key("i")
        key("b")
        check(wait(lambda: pixel(BROWSER) != 0), "B in the palette panel opens the browser")
        type_text("sky")
        check(wait(lambda: pixel(SWATCH) == BLUE),
              "typing 'sky' previews bluesky.hex (swatch %06x)" % pixel(SWATCH))
        key("Return")
        check(wait(lambda: pixel(BROWSER) == 0), "Return closes the browser")
        key("Control_L", "s")
        check(wait(lambda: "colours-name bluesky.hex" in read(look)),
              "Ctrl+S saves the look with bluesky.hex's colours (%r)" % read(look))
        check(wait(lambda: "palette-folder=" + palettes in read(os.path.join(folder,
                                                                             "settings.txt"))),
              "settings.txt remembers the palettes' folder")

        key("b")
        check(wait(lambda: pixel(BROWSER) != 0), "B opens the browser again")
        type_text("amber")
        check(wait(lambda: pixel(SWATCH) == AMBER), "typing 'amber' previews amber.gpl")
        key("Escape")
        check(wait(lambda: pixel(BROWSER) == 0 and pixel(SWATCH) == BLUE),
              "Escape closes the browser and puts bluesky's colours back")
        key("Control_L", "z")
        check(wait(lambda: pixel(SWATCH) == ramp), "one Ctrl+Z takes the kept import back")
        key("Control_L", "s")
        check(wait(lambda: "colours" not in read(look)), "and Ctrl+S saves the ramp again")
        check(program.process.poll() is None, "the editor still runs")
    finally:
        program.report()
        stop_xvfb(xvfb, xlib)
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
