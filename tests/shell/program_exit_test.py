#!/usr/bin/env python3
"""The editor's ways out under its own Xvfb, none of which loses an edit.

Each case starts the editor in a fresh copy of its folder, edits the pattern (A), and ends it
one way: SIGHUP or SIGQUIT (kept, exit 0), the display going away (kept, exit 1), a close
that cannot keep the edits (refused once, then a second close within 3 s ends with exit 1).
A second editor on the same folder says so and exits 1 while the first runs on. Quick taps,
pressed and released between two frames, each count. A folder holding links and a FIFO where
its files go neither leads a write outside it nor keeps the editor from ending.

Usage: program_exit_test.py QUILMORANTE DATA_DIR
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_session import (Program, Xlib, check, failures, require_tools, start_xvfb,  # noqa: E402
                       stop_xvfb, wait_files)

WAIT_S = 20  # upper bound for waits; never asserted on
RECOVERY = os.path.join("savedata", "pat0.unsaved.txt")


def xdotool(display, *args):
    return subprocess.run(["xdotool"] + list(args), env=dict(os.environ, DISPLAY=display),
                          capture_output=True, text=True).stdout


def windows_of(display, pid):
    return [int(w) for w in xdotool(display, "search", "--pid", str(pid)).split()]


def wait_until(condition, seconds=WAIT_S):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.1)
    return False


def exit_code(program, seconds=WAIT_S):
    try:
        return program.process.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        return None


class Editor:
    """The editor in a folder of its own, on a display."""

    def __init__(self, binary, data, display, folder=None):
        self.display = display
        self.folder = folder or tempfile.mkdtemp(prefix="quilmorante-exit-")
        if folder is None:
            shutil.copy(binary, self.folder)
            for name in ("siro.bmp", "a.bmp"):
                shutil.copy(os.path.join(data, name), self.folder)
            shutil.copytree(os.path.join(data, "savedata"), os.path.join(self.folder, "savedata"))
        env = dict(os.environ, DISPLAY=display)
        if "ASAN_OPTIONS" in env:
            # System libraries SDL loads and unloads again have no frame pointers: the slow
            # unwinder finds the SDL frames that the leak suppressions name.
            env["ASAN_OPTIONS"] += ":fast_unwind_on_malloc=0"
        self.program = Program([os.path.join(self.folder, os.path.basename(binary))],
                               env=env, cwd=tempfile.gettempdir())
        self.window = None

    def wait_window(self):
        """Until the window shows its preview: frames run and keys are read."""
        def shown():
            ids = windows_of(self.display, self.program.process.pid)
            self.window = ids[0] if ids else None
            if self.window is None:
                return False
            info = subprocess.run(["xwininfo", "-id", str(self.window)], capture_output=True,
                                  text=True, env=dict(os.environ, DISPLAY=self.display)).stdout
            fields = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
            x = int(fields.get("Absolute upper-left X", "-1").strip())
            y = int(fields.get("Absolute upper-left Y", "-1").strip())
            xlib = Xlib(self.display)
            try:
                return x >= 0 and y >= 0 and len(set(xlib.pixels(xlib.root(), x, y, 64, 64))) >= 4
            finally:
                xlib.close()
        return wait_until(shown)

    def key(self, name, hold=0.1):
        xdotool(self.display, "keydown", "--window", str(self.window), name)
        time.sleep(hold)
        xdotool(self.display, "keyup", "--window", str(self.window), name)
        time.sleep(0.1)

    def edit(self):
        """A (the X distortion), then M, whose frames tell that the edit's frame has run."""
        self.key("a")
        result = os.path.join(self.folder, "result")
        shutil.rmtree(result, ignore_errors=True)
        self.key("m")
        return wait_files(result, ["AP.bmp"], 32886, WAIT_S)

    def kept(self):
        return os.path.isfile(os.path.join(self.folder, RECOVERY))

    def stderr(self):
        return self.program.finish()[1]


def signalled(binary, data, display, xlib, sig):
    editor = Editor(binary, data, display)
    check(editor.wait_window(), "%s: the window shows" % sig.name)
    editor.edit()
    editor.program.process.send_signal(sig)
    check(exit_code(editor.program) == 0, "%s: ends the editor with exit 0" % sig.name)
    check(editor.kept(), "%s: the edit is kept in %s" % (sig.name, RECOVERY))
    editor.program.finish()


def display_lost(binary, data):
    xvfb, display = start_xvfb(800, 600)
    editor = Editor(binary, data, display)
    shown = check(editor.wait_window(), "display lost: the window shows")
    editor.edit()
    stop_xvfb(xvfb)
    check(exit_code(editor.program) == 1, "display lost: ends the editor with exit 1")
    kept = check(editor.kept(), "display lost: the edit is kept in %s" % RECOVERY)
    if shown and kept:
        editor.program.finish()
    else:
        editor.program.report()


def close_refused(binary, data, display, xlib):
    editor = Editor(binary, data, display)
    check(editor.wait_window(), "close refused: the window shows")
    # Nowhere to keep the edits: savedata turns into a file.
    shutil.rmtree(os.path.join(editor.folder, "savedata"))
    editor.edit()
    with open(os.path.join(editor.folder, "savedata"), "w") as f:
        f.write("not a folder")
    xlib.close_window(editor.window)
    time.sleep(1)
    check(editor.program.process.poll() is None, "close refused: the first close keeps it open")
    xlib.close_window(editor.window)
    check(exit_code(editor.program) == 1, "close refused: a second close within 3 s exits 1")
    check("close it again" in editor.stderr(), "close refused: stderr says how to quit anyway")


def second_editor(binary, data, display, xlib):
    first = Editor(binary, data, display)
    check(first.wait_window(), "second editor: the first one's window shows")
    second = Editor(binary, data, display, folder=first.folder)

    def boxes():
        # xdotool's search misses the box SDL draws; xwininfo lists every top-level window.
        tree = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True,
                              env=dict(os.environ, DISPLAY=display)).stdout
        named = [int(line.split()[0], 16) for line in tree.splitlines()
                 if '"QUILMORANTE"' in line and line.strip().startswith("0x")]
        return [w for w in named if w != first.window]
    box = wait_until(boxes, 10)
    for window in boxes():
        xdotool(display, "windowfocus", "--sync", str(window))
        xdotool(display, "key", "Return")
    code = exit_code(second.program, 5)
    check(box and code == 1, "second editor: a message box, then exit 1 (got %s)" % code)
    check("another QUILMORANTE editor" in second.stderr(), "second editor: stderr says why")
    check(first.program.process.poll() is None, "second editor: the first one runs on")
    # A signal ends a refused editor while its box waits, as timeout(1) or a closed terminal
    # would send it.
    for name in ("SIGTERM", "SIGINT", "SIGHUP"):
        waiting = Editor(binary, data, display, folder=first.folder)
        shown = wait_until(boxes, 10)
        waiting.program.process.send_signal(getattr(signal, name))
        code = exit_code(waiting.program, 1)
        check(shown and code == 1, "second editor: %s ends it at its box with exit 1 (got %s)"
              % (name, code))
        for window in boxes():
            xdotool(display, "windowkill", str(window))
    first.program.finish()


def quick_taps(binary, data, display):
    editor = Editor(binary, data, display)
    check(editor.wait_window(), "quick taps: the window shows")
    result = os.path.join(editor.folder, "result")
    seen = 0
    for _ in range(5):
        shutil.rmtree(result, ignore_errors=True)
        xdotool(display, "key", "--delay", "0", "--window", str(editor.window), "m")
        seen += wait_files(result, ["AA.bmp"], 32886, 10)
    check(seen == 5, "quick taps: each of 5 taps of M exports (%d did)" % seen)
    editor.program.finish()


def hostile_folder(binary, data, display):
    folder = tempfile.mkdtemp(prefix="quilmorante-exit-")
    outside = tempfile.mkdtemp(prefix="quilmorante-outside-")
    victim, absent = os.path.join(outside, "victim"), os.path.join(outside, "absent")
    with open(victim, "w") as f:
        f.write("the user's")
    shutil.copy(binary, folder)
    for name in ("siro.bmp", "a.bmp"):
        shutil.copy(os.path.join(data, name), folder)
    shutil.copytree(os.path.join(data, "savedata"), os.path.join(folder, "savedata"))
    os.symlink(victim, os.path.join(folder, "settings.txt"))
    os.symlink(absent, os.path.join(folder, "savedata", ".quilmorante-editor.lock"))
    editor = Editor(binary, data, display, folder=folder)
    check(editor.wait_window(), "hostile folder: the window shows")
    editor.edit()
    result = os.path.join(folder, "result")
    shutil.rmtree(result, ignore_errors=True)
    os.mkdir(result)
    os.mkfifo(os.path.join(result, "AA.bmp"))
    editor.key("m")
    time.sleep(0.5)
    editor.program.process.send_signal(signal.SIGTERM)
    code = exit_code(editor.program, 5)
    if code is None:
        editor.program.process.kill()
    check(code == 0, "hostile folder: SIGTERM ends the editor after M met a FIFO (got %s)" % code)
    check(editor.kept(), "hostile folder: the edit is kept in %s" % RECOVERY)
    with open(victim) as f:
        check(f.read() == "the user's", "hostile folder: settings.txt's link target is untouched")
    check(not os.path.lexists(absent), "hostile folder: the lock's link target is not created")
    err = editor.stderr()
    check("not a regular file" in err, "hostile folder: stderr names the FIFO it refused")
    shutil.rmtree(outside)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    binary, data = (os.path.abspath(a) for a in sys.argv[1:])
    require_tools()
    xvfb, display = start_xvfb(800, 600)
    xlib = Xlib(display)
    try:
        for sig in (signal.SIGHUP, signal.SIGQUIT):
            signalled(binary, data, display, xlib, sig)
        close_refused(binary, data, display, xlib)
        second_editor(binary, data, display, xlib)
        quick_taps(binary, data, display)
        hostile_folder(binary, data, display)
    finally:
        stop_xvfb(xvfb, xlib)
    display_lost(binary, data)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
