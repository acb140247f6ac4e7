#!/usr/bin/env python3
"""The real editor under its own Xvfb, driven with real key presses.

In a temporary copy of its folder: the first frame shows the settings cursor box at
(400, 200); SPACE opens the key panel, Z changes a key digit, SPACE opens the point panel,
X changes a weight, stepping the pattern and palette numbers away and back saves both, M
exports, and the sixteen exported files are byte-identical to what quilmorante-export
writes from the saved files; E writes every other format too, byte-identical to
quilmorante-export --all. Closing the window as a window manager does exits with 0.

Usage: editor_end_to_end.py QUILMORANTE QUILMORANTE_EXPORT DATA_DIR [SCREENSHOT.png]
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_session import (Program, Xlib, check, failures, passes, require_tools,  # noqa: E402
                       start_xvfb, stop_xvfb, wait_files)

SCREEN_W, SCREEN_H = 1024, 768
WAIT_S = 30  # upper bound for waits; never asserted on
HOLD_S = 0.1  # a key must be down across at least one frame to be seen


class Session:
    def __init__(self, display, xlib, process):
        self.env = dict(os.environ, DISPLAY=display)
        self.xlib = xlib
        self.process = process
        self.window = None
        self.origin = (0, 0)

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=self.env, capture_output=True,
                              text=True).stdout

    def find_window(self):
        deadline = time.monotonic() + WAIT_S
        while time.monotonic() < deadline and self.process.poll() is None:
            ids = self.xdotool("search", "--onlyvisible", "--name", "^QUILMORANTE$").split()
            if ids:
                window = int(ids[0])
                info = subprocess.run(["xwininfo", "-id", str(window)], env=self.env,
                                      capture_output=True, text=True).stdout
                fields = dict(line.strip().split(":", 1) for line in info.splitlines()
                              if ":" in line)
                x = int(fields.get("Absolute upper-left X", "-1").strip())
                y = int(fields.get("Absolute upper-left Y", "-1").strip())
                if x >= 0 and y >= 0 and len(set(self.xlib.pixels(self.xlib.root(), x, y, 256, 256))) >= 8:
                    self.window, self.origin = window, (x, y)
                    return True
            time.sleep(0.2)
        return False

    def pixel(self, x, y):
        return self.xlib.pixels(self.xlib.root(), self.origin[0] + x, self.origin[1] + y, 1, 1)[0]

    def wait_pixel(self, x, y, colour):
        """Polls until the screen shows the colour at (x, y); returns what it last showed."""
        deadline = time.monotonic() + 5
        shown = self.pixel(x, y)
        while shown != colour and time.monotonic() < deadline:
            time.sleep(0.05)
            shown = self.pixel(x, y)
        return shown

    def press(self, key):
        self.xdotool("keydown", key)
        time.sleep(HOLD_S)
        self.xdotool("keyup", key)
        time.sleep(HOLD_S)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def frame_names(letter):
    return ["%s%s.bmp" % (letter, chr(ord("A") + k)) for k in range(16)]


def wait_any(path):
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline and not os.path.isfile(path):
        time.sleep(0.1)
    return os.path.isfile(path)


def tree(folder):
    """Every file below folder: relative name -> bytes."""
    files = {}
    for root, _, names in os.walk(folder):
        for n in names:
            path = os.path.join(root, n)
            files[os.path.relpath(path, folder)] = read(path)
    return files


def drive(session, folder, exporter, screenshot):
    s = session
    if not check(s.find_window(), "the editor window shows frames"):
        return
    s.xdotool("windowfocus", "--sync", str(s.window))
    got = s.wait_pixel(400, 200, 0x403020)
    check(got == 0x403020, "first frame: settings cursor box at (400, 200) is 0x403020 (got %06X)"
          % got)
    check(s.pixel(429, 217) == 0x403020 and s.pixel(430, 217) == 0x202020,
          "the settings cursor box is 30 x 18 over the settings background")
    if screenshot:
        subprocess.run(["import", "-window", "root", "-crop", "640x480+%d+%d" % s.origin,
                        "+repage", screenshot], env=s.env)

    s.press("space")  # settings -> key panel
    got = s.wait_pixel(10, 370, 0x181818)
    check(got == 0x181818, "SPACE opens the key panel (background at (10, 370), got %06X)" % got)
    # Entry 1, red: no key in the shipped palette 0. Z gives digit 1, a black 16 x 16 cell.
    s.press("Right")
    s.press("z")
    got = s.wait_pixel(40, 376, 0x000000)
    check(got == 0x000000, "Z puts key digit 1 on entry 1 red (cell corner (40, 376), got %06X)"
          % got)

    s.press("space")  # key panel -> point panel, cursor on y of point 0
    got = s.wait_pixel(314, 2, 0x202020)
    check(got == 0x202020, "SPACE opens the control-point panel (got %06X)" % got)
    for _ in range(3):
        s.press("Right")  # to weight
    got = s.wait_pixel(326 + 30 * 4, 30, 0x403020)
    check(got == 0x403020, "the point cursor stands on the weight (got %06X)" % got)
    s.press("x")  # weight 3 -> 4

    s.press("space")  # point panel -> settings, row 0
    check(s.wait_pixel(400, 200, 0x403020) == 0x403020, "SPACE opens the settings panel")
    s.press("Right")  # saves pattern 0, loads 1
    s.press("Left")  # saves pattern 1, loads 0 again
    s.press("Down")
    got = s.wait_pixel(400, 224, 0x403020)
    check(got == 0x403020, "DOWN moves the settings cursor to the palette line (got %06X)" % got)
    s.press("Right")  # saves palette 0, loads 1
    s.press("Left")  # saves palette 1, loads 0 again

    pattern = os.path.join(folder, "savedata", "pat0.txt")
    palette = os.path.join(folder, "savedata", "pal0.txt")
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline and not (
            os.path.isfile(palette) and read(palette)[1:2] == b"1"):
        time.sleep(0.05)
    check(read(pattern).split(b"\n")[0] == b"16,16,1,1,4",
          "pattern 0 was saved with the raised weight (%r)" % read(pattern).split(b"\n")[0])
    check(read(palette)[1:2] == b"1", "palette 0 was saved with the new key digit")

    s.press("m")
    names = frame_names("A")
    result = os.path.join(folder, "result")
    check(wait_files(result, names, 32886, WAIT_S), "M exports sixteen 32886-byte frames")

    reference = tempfile.mkdtemp(prefix="quilmorante-e2e-ref-")
    try:
        shutil.copy2(os.path.join(folder, "a.bmp"), reference)
        shutil.copytree(os.path.join(folder, "savedata"), os.path.join(reference, "savedata"))
        run = subprocess.run([exporter, "--data", reference, "--pattern", "0", "--palette", "0",
                              "--id", "A", "--size", "64x64", "--mosaic", "0"],
                             capture_output=True, text=True)
        check(run.returncode == 0, "quilmorante-export runs (%s)" % run.stderr.strip())
        same = [n for n in names if os.path.isfile(os.path.join(reference, "result", n)) and
                read(os.path.join(reference, "result", n)) == read(os.path.join(result, n))]
        check(len(same) == 16, "the editor's export equals quilmorante-export's byte for byte "
              "(%d of 16 equal)" % len(same))

        # E: every format beside the frames, the same bytes as the tool's --all.
        s.press("e")
        check(wait_any(os.path.join(result, "A.webp")), "E writes every format into result/")
        run = subprocess.run([exporter, "--data", reference, "--all",
                              os.path.join(reference, "result")], capture_output=True, text=True)
        check(run.returncode == 0, "quilmorante-export --all runs (%s)" % run.stderr.strip())
        expected = tree(os.path.join(reference, "result"))
        got = tree(result)
        check(len(expected) > 40 and got == expected,
              "E's files equal quilmorante-export --all's byte for byte (%d files; differing: %s)"
              % (len(expected), sorted(set(expected) ^ set(got)) or
                 [n for n in expected if expected[n] != got.get(n)]))
    finally:
        shutil.rmtree(reference, ignore_errors=True)

    s.xlib.close_window(s.window)
    try:
        code = s.process.wait(timeout=WAIT_S)
    except subprocess.TimeoutExpired:
        code = None
    check(code == 0, "closing the window exits with 0 (got %s)" % code)


def main():
    if len(sys.argv) not in (4, 5):
        print(__doc__)
        return 2
    program, exporter, data = (os.path.abspath(a) for a in sys.argv[1:4])
    screenshot = os.path.abspath(sys.argv[4]) if len(sys.argv) == 5 else None
    require_tools()

    folder = tempfile.mkdtemp(prefix="quilmorante-e2e-")
    xvfb, display = start_xvfb(SCREEN_W, SCREEN_H)
    xlib = None
    running = None
    try:
        shutil.copy2(program, os.path.join(folder, "quilmorante"))
        for name in ("siro.bmp", "a.bmp"):
            shutil.copy2(os.path.join(data, name), folder)
        shutil.copytree(os.path.join(data, "savedata"), os.path.join(folder, "savedata"))
        os.mkdir(os.path.join(folder, "result"))
        xlib = Xlib(display)
        env = dict(os.environ, DISPLAY=display)
        env.pop("SDL_VIDEODRIVER", None)
        env["ASAN_OPTIONS"] = (env.get("ASAN_OPTIONS", "") + ":detect_leaks=0").lstrip(":")
        running = Program([os.path.join(folder, "quilmorante")], cwd=tempfile.gettempdir(),
                          env=env)
        drive(Session(display, xlib, running.process), folder, exporter, screenshot)
    finally:
        if running is not None:
            running.report()
        stop_xvfb(xvfb, xlib)
        shutil.rmtree(folder, ignore_errors=True)

    print("editor_end_to_end: %d passed, %d failed" % (len(passes), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
