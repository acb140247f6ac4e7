#!/usr/bin/env python3
"""The mouse and undo on the real editor under its own Xvfb, with xdotool.

On the single-tile preview (P) point 0 is dragged to another place; stepping the pattern
number away and back saves it, and M's frames equal what quilmorante-export writes from that
slot. Ctrl+Z three times (the two steps and the drag) brings the point back: M's frames then
equal the export of the original slot again, and the slot file keeps the moved point (undo
never unsaves a file). The gallery (G) loads slot 5 with the arrows and Return, and again
with a click on its thumbnail: M's frames then equal quilmorante-export's of pattern 5, and
Ctrl+Z takes the load back in one step. L switches the language, which the next start
remembers.

Usage: editor_mouse_test.py QUILMORANTE QUILMORANTE_EXPORT DATA_DIR
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_session import (EditorWindow, Program, Xlib, check, end_session,  # noqa: E402
                       require_tools, start_xvfb, wait_files)

WAIT_S = 30
FRAMES = ["A%s.bmp" % chr(65 + k) for k in range(16)]


def xdotool(display, *args):
    subprocess.run(["xdotool"] + [str(a) for a in args], env=dict(os.environ, DISPLAY=display),
                   capture_output=True)


def copy_data(data, folder, binary=None):
    os.makedirs(folder)
    if binary:
        shutil.copy(binary, folder)
    for name in ("siro.bmp", "a.bmp"):
        shutil.copy(os.path.join(data, name), folder)
    shutil.copytree(os.path.join(data, "savedata"), os.path.join(folder, "savedata"))


def frames(folder):
    out = {}
    for name in FRAMES:
        with open(os.path.join(folder, "result", name), "rb") as f:
            out[name] = f.read()
    return out


def exported(tool, data, savedata, work, name, pattern=0):
    """quilmorante-export's frames of a pattern slot from a copy of savedata."""
    folder = os.path.join(work, name)
    copy_data(data, folder)
    shutil.rmtree(os.path.join(folder, "savedata"))
    shutil.copytree(savedata, os.path.join(folder, "savedata"))
    subprocess.run([tool, "--data", folder, "--pattern", str(pattern)], capture_output=True,
                   check=True)
    return frames(folder)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    binary, tool, data = (os.path.abspath(a) for a in sys.argv[1:])
    require_tools()
    work = tempfile.mkdtemp(prefix="quilmorante-mouse-")
    folder = os.path.join(work, "editor")
    copy_data(data, folder, binary)
    shutil.copy(os.path.join(folder, "savedata", "pat2.txt"),
                os.path.join(folder, "savedata", "pat5.txt"))
    original = exported(tool, data, os.path.join(data, "savedata"), work, "original")
    xvfb, display = start_xvfb(1024, 768)
    xlib = Xlib(display)
    program = Program([os.path.join(folder, os.path.basename(binary))],
                      env=dict(os.environ, DISPLAY=display), cwd=work)
    try:
        editor = EditorWindow(display, WAIT_S)
        window = editor.id
        if not check(window is not None, "the editor's window shows"):
            return 1
        result = os.path.join(folder, "result")

        key = editor.key

        def export():
            shutil.rmtree(result, ignore_errors=True)
            key("m")
            return wait_files(result, FRAMES, 32886, WAIT_S) and frames(folder)

        key("p")  # the single tile: 64 x 64 cells at the window's origin
        for x, y in ((40, 40), (16, 16)):  # point 0 of the example slot stands at (16, 16)
            xdotool(display, "mousemove", "--window", window, x, y)
            time.sleep(0.2)
        xdotool(display, "mousedown", 1)
        for x in range(18, 30, 2):
            xdotool(display, "mousemove", "--window", window, x, 20)
            time.sleep(0.05)
        # The last move and the release in one command: both between the same two frames,
        # where the point must still end under the release.
        xdotool(display, "mousemove", "--window", window, 30, 20, "mouseup", 1)
        time.sleep(0.3)
        key("Right")
        key("Left")  # pattern 0 saved with the moved point, and loaded again
        with open(os.path.join(folder, "savedata", "pat0.txt")) as f:
            saved = f.read()
        check(saved.startswith("30,20,"), "the dragged point is saved at (30, 20) (%r)"
              % saved.split("\n")[0])
        moved = export()
        check(moved and moved == exported(tool, data, os.path.join(folder, "savedata"), work,
                                          "moved"),
              "after the drag, M's frames equal quilmorante-export's of the saved slot")
        key("Control_L", "z")
        key("Control_L", "z")
        # The third with Ctrl down a frame early and every key up before the next frame: the
        # chord keeps its Ctrl.
        xdotool(display, "keydown", "--window", window, "Control_L")
        time.sleep(0.15)
        xdotool(display, "keydown", "--window", window, "--delay", "0", "z", "keyup", "--window",
                window, "--delay", "0", "z", "Control_L")
        time.sleep(0.15)
        back = export()
        check(back and back == original,
              "after three Ctrl+Z, M's frames equal the export of the original slot")
        with open(os.path.join(folder, "savedata", "pat0.txt")) as f:
            check(f.read() == saved, "undo leaves the saved slot as it was saved")

        five = exported(tool, data, os.path.join(folder, "savedata"), work, "five", 5)
        key("g")
        for _ in range(5):
            key("Right")
        key("Return")
        check(export() == five, "G, five Rights and Return load pattern 5")
        key("Control_L", "z")
        check(export() == original, "one Ctrl+Z takes the gallery's load back to pattern 0")
        key("g")
        xdotool(display, "mousemove", "--window", window, 64 * 5 + 32, 22 + 22)
        time.sleep(0.2)
        xdotool(display, "click", 1)
        time.sleep(0.3)
        check(export() == five, "G and a click on slot 5's thumbnail load pattern 5")

        key("l")
        time.sleep(0.3)
        with open(os.path.join(folder, "settings.txt")) as f:
            check(f.read().splitlines()[:3] == ["language=en", "pattern=5", "palette=0"],
                  "L switches to English and settings.txt says so, with the slots on screen")
    finally:
        status = end_session(program, xvfb, xlib, work)
    return status


if __name__ == "__main__":
    sys.exit(main())
