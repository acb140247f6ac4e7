#!/usr/bin/env python3
"""Saving and coming back on the real editor under its own Xvfb, by keys alone.

Q flips pattern 0 and Ctrl+S saves it (S held with Ctrl is no Y warp). Two Rights step to
pattern 2, A edits it, and the window is closed: the edit is kept as a recovery file and the
settings remember pattern 2. The next start opens on pattern 2 and offers the edit: Ctrl+R
takes it back, Ctrl+S saves it into pat2.txt, and the recovery file is gone.

Usage: editor_desk_test.py QUILMORANTE DATA_DIR
"""

import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_session import (EditorWindow, Program, Xlib, check, end_session,  # noqa: E402
                       require_tools, start_xvfb, wait_until)

WAIT_S = 30  # upper bound for waits; never asserted on


def read(folder, name):
    try:
        with open(os.path.join(folder, name)) as f:
            return f.read()
    except OSError:
        return None


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    binary, data = (os.path.abspath(a) for a in sys.argv[1:])
    require_tools()
    work = tempfile.mkdtemp(prefix="quilmorante-desk-")
    folder = os.path.join(work, "editor")
    os.makedirs(folder)
    shutil.copy(binary, folder)
    for name in ("siro.bmp", "a.bmp"):
        shutil.copy(os.path.join(data, name), folder)
    shutil.copytree(os.path.join(data, "savedata"), os.path.join(folder, "savedata"))
    saved = os.path.join(folder, "savedata")
    pattern0 = read(saved, "pat0.txt").splitlines()
    assert pattern0[4] == "0,0,1,0"
    pattern2 = read(saved, "pat2.txt")
    xvfb, display = start_xvfb(1024, 768)
    xlib = Xlib(display)
    program = None
    try:
        def start():
            started = Program([os.path.join(folder, os.path.basename(binary))],
                              env=dict(os.environ, DISPLAY=display), cwd=work)
            return started, EditorWindow(display, WAIT_S)

        program, window = start()
        if not check(window.id is not None, "the editor's window shows"):
            return 1
        window.key("q")
        window.key("Control_L", "s")
        # The flips, then the warps: X flipped, Y warp as it was.
        flipped = pattern0[:4] + ["1,0,1,0"]
        check(wait_until(lambda: read(saved, "pat0.txt").splitlines() == flipped, WAIT_S),
              "Q and Ctrl+S save pattern 0 flipped, without a Y warp (%r)"
              % read(saved, "pat0.txt").splitlines()[4:])
        window.key("Right")
        window.key("Right")
        window.key("a")
        xlib.close_window(window.id)
        check(wait_until(lambda: program.process.poll() is not None, WAIT_S),
              "closing the window ends the editor")
        unsaved = read(saved, "pat2.unsaved.txt")
        check(unsaved is not None and unsaved != pattern2,
              "the unsaved edit of pattern 2 is kept as savedata/pat2.unsaved.txt")
        check("pattern=2" in read(folder, "settings.txt").splitlines(),
              "the settings remember pattern 2")
        program.finish()

        program, window = start()
        if not check(window.id is not None, "the editor's window shows again"):
            return 1
        window.key("Control_L", "r")
        window.key("Control_L", "s")
        check(wait_until(lambda: read(saved, "pat2.txt") == unsaved, WAIT_S),
              "the next start opens on pattern 2: Ctrl+R and Ctrl+S save the kept edit into it")
        check(read(saved, "pat2.unsaved.txt") is None, "the recovery file is taken")
    finally:
        status = end_session(program, xvfb, xlib, work)
    return status


if __name__ == "__main__":
    sys.exit(main())
