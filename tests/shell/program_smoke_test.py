#!/usr/bin/env python3
"""Runs the real program under its own Xvfb.

Checks: started from another folder it finds its data and shows a 640 x 480 window titled
"QUILMORANTE" with frames presented; a start with an argument covers the screen; closing
the window as a window manager does (WM_DELETE_WINDOW) or SIGTERM ends it with exit code 0;
the M key, typed into the focused window, exports the sixteen frames beside the program;
without a display, or without "siro.bmp" beside it, it exits 1 with a message on stderr.

Usage: program_smoke_test.py PATH_TO_QUILMORANTE
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_session import (Program, Xlib, check, failures, passes, require_tools,  # noqa: E402
                       start_xvfb, stop_xvfb)

SCREEN_W, SCREEN_H = 1920, 1080
# Full screen shows the 640 x 480 picture at the largest whole multiple that fits.
SCALE = min(SCREEN_W // 640, SCREEN_H // 480)
PIC_W, PIC_H = 640 * SCALE, 480 * SCALE
WAIT_S = 30  # upper bound for start-up steps; never asserted on


# --- helpers ---------------------------------------------------------------------------

def program_env(display):
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"):
        env.pop(name, None)
    if display is not None:
        env["DISPLAY"] = display
    # Graphics and font libraries keep allocations until exit; the unit tests cover leaks
    # of the program's own code.
    env["ASAN_OPTIONS"] = (env.get("ASAN_OPTIONS", "") + ":detect_leaks=0").lstrip(":")
    return env


def find_window(display, process):
    """The id of the window titled exactly QUILMORANTE, once it is mapped."""
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline and process.poll() is None:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^QUILMORANTE$"],
                               env=dict(os.environ, DISPLAY=display),
                               capture_output=True, text=True)
        ids = found.stdout.split()
        if ids:
            return int(ids[0])
        time.sleep(0.1)
    return None


def geometry(display, window):
    info = subprocess.run(["xwininfo", "-id", str(window)], env=dict(os.environ, DISPLAY=display),
                          capture_output=True, text=True).stdout
    fields = {}
    for line in info.splitlines():
        if ":" in line:
            key, _, value = line.strip().partition(":")
            fields[key.strip()] = value.strip()
    return (int(fields.get("Absolute upper-left X", -1)), int(fields.get("Absolute upper-left Y", -1)),
            int(fields.get("Width", -1)), int(fields.get("Height", -1)))


def picture_shown(xlib, x, y, w, h):
    """True when the screen area shows a drawn frame: the bare root (a two-colour stipple)
    or a window never painted can not show this many colours."""
    if x < 0 or y < 0 or w <= 0 or h <= 0 or x + w > SCREEN_W or y + h > SCREEN_H:
        return False
    return len(set(xlib.pixels(xlib.root(), x, y, w, h))) >= 8


def whole_pixel_blocks(pixels, width, scale):
    """True when every scale x scale block holds one colour (nearest-neighbour scaling)."""
    height = len(pixels) // width
    for y in range(height):
        row = pixels[y * width:(y + 1) * width]
        source = pixels[(y - y % scale) * width:(y - y % scale + 1) * width]
        if any(row[x] != source[x - x % scale] for x in range(width)):
            return False
    return True


def check_resized(display, xlib, window, label):
    """Resized to 1300 x 1000 the window shows the picture doubled, centred, sharp."""
    subprocess.run(["xdotool", "windowsize", str(window), "1300", "1000"],
                   env=dict(os.environ, DISPLAY=display))
    x, y, _, _ = geometry(display, window)
    if x < 0 or x + 1300 > SCREEN_W or y + 1000 > SCREEN_H:
        subprocess.run(["xdotool", "windowmove", str(window), "0", "0"],
                       env=dict(os.environ, DISPLAY=display))
    deadline = time.monotonic() + WAIT_S
    doubled = False
    while time.monotonic() < deadline and not doubled:
        x, y, w, h = geometry(display, window)
        if (w, h) == (1300, 1000) and picture_shown(xlib, x + 10, y + 20, 1280, 960):
            picture = xlib.pixels(xlib.root(), x + 10, y + 20, 1280, 960)
            bars = xlib.pixels(xlib.root(), x, y, 1300, 20)
            doubled = whole_pixel_blocks(picture, 1280, 2) and set(bars) == {0}
        if not doubled:
            time.sleep(0.3)
    check(doubled, label + ": resized to 1300x1000 it shows the picture doubled and centred")


def wait_for_frames(display, xlib, process, full_screen):
    """The window and its geometry once frames are presented in it, or None. SDL may
    replace its first X window when the renderer needs another visual, so the window is
    looked up afresh each time, and the screen is read through the root window."""
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline and process.poll() is None:
        window = find_window(display, process)
        if window is not None:
            x, y, w, h = geometry(display, window)
            pw, ph = (PIC_W, PIC_H) if full_screen else (640, 480)
            if full_screen:
                x, y = x + (w - pw) // 2, y + (h - ph) // 2
            if picture_shown(xlib, x, y, pw, ph):
                return window, geometry(display, window)
        time.sleep(0.2)
    return None


def wait_exit(process):
    try:
        return process.wait(timeout=WAIT_S)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return None


def run_and_close(program, display, xlib, args, full_screen, close_with, extra_env=None):
    label = "full screen %r" % args if full_screen else "windowed"
    if extra_env:
        label += " " + " ".join("%s=%s" % item for item in extra_env.items())
    with tempfile.TemporaryDirectory() as elsewhere:
        env = program_env(display)
        env.update(extra_env or {})
        running = Program([program] + args, cwd=elsewhere, env=env)
        process = running.process
        try:
            found = wait_for_frames(display, xlib, process, full_screen)
            if not check(found is not None, label + ": window titled QUILMORANTE presents frames"
                         + (" (data found from another folder)" if not full_screen else "")):
                return
            window, (x, y, w, h) = found
            if full_screen:
                check((x, y, w, h) == (0, 0, SCREEN_W, SCREEN_H),
                      label + ": window covers the %dx%d screen (got %dx%d at %d,%d)"
                      % (SCREEN_W, SCREEN_H, w, h, x, y))
                bar = (w - PIC_W) // 2
                check(bar > 0 and set(xlib.pixels(xlib.root(), 0, 0, bar, h)) == {0},
                      label + ": the bars beside the picture are black")
                picture = xlib.pixels(xlib.root(), bar, (h - PIC_H) // 2, PIC_W, PIC_H)
                check(whole_pixel_blocks(picture, PIC_W, SCALE),
                      label + ": every back-buffer pixel is a sharp %dx%d block" % (SCALE, SCALE))
            else:
                check((w, h) == (640, 480), label + ": client area is 640x480 (got %dx%d)" % (w, h))
                if close_with == "wm":
                    check_resized(display, xlib, window, label)
            if close_with == "wm":
                xlib.close_window(window)
            else:
                process.send_signal(signal.SIGTERM)
            code = wait_exit(process)
            check(code == 0, label + ": closing by %s exits with 0 (got %s)" % (close_with, code))
            check(os.listdir(elsewhere) == [], label + ": nothing written to the start folder")
        finally:
            running.report()


def run_export_by_key(program, display, xlib):
    """A copy of the program with its data in a fresh folder: M exports result/AA..AP.bmp."""
    label = "keyboard"
    with tempfile.TemporaryDirectory() as home, tempfile.TemporaryDirectory() as elsewhere:
        source = os.path.dirname(program)
        copy = os.path.join(home, "quilmorante")
        shutil.copy2(program, copy)
        for name in ("siro.bmp", "a.bmp"):
            shutil.copy2(os.path.join(source, name), home)
        shutil.copytree(os.path.join(source, "savedata"), os.path.join(home, "savedata"))
        os.mkdir(os.path.join(home, "result"))
        process = subprocess.Popen([copy], cwd=elsewhere, env=program_env(display),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            found = wait_for_frames(display, xlib, process, False)
            if not check(found is not None, label + ": window presents frames"):
                return
            tools_env = dict(os.environ, DISPLAY=display)
            subprocess.run(["xdotool", "windowfocus", "--sync", str(found[0])], env=tools_env)
            expected = ["A%s.bmp" % chr(ord("A") + i) for i in range(16)]
            deadline = time.monotonic() + WAIT_S
            exported = []
            while time.monotonic() < deadline and process.poll() is None:
                # Held long enough to span several frames; a key acts once per press.
                subprocess.run(["xdotool", "keydown", "m", "sleep", "0.2", "keyup", "m"],
                               env=tools_env)
                exported = sorted(os.listdir(os.path.join(home, "result")))
                if exported == expected:
                    break
                time.sleep(0.5)
            check(exported == expected, label + ": M exports the sixteen frames (got %s)" % exported)
            xlib.close_window(found[0])
            check(wait_exit(process) == 0, label + ": closing exits with 0")
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()


def run_expecting_failure(program, display, needle, label):
    result = subprocess.run([program], env=program_env(display), capture_output=True, text=True,
                            timeout=WAIT_S, cwd=tempfile.gettempdir())
    check(result.returncode == 1, label + ": exits with 1 (got %d)" % result.returncode)
    check(needle in result.stderr, label + ": stderr names %r (got %r)" % (needle, result.stderr.strip()))
    # Every line is the program's own: no library's message reaches the user.
    lines = result.stderr.strip().splitlines()
    check(all(line.startswith("quilmorante: ") for line in lines),
          label + ": only the program's own lines on stderr (got %r)" % lines)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    program = os.path.abspath(sys.argv[1])
    require_tools()

    run_expecting_failure(program, None, "display", "without a display")

    xvfb, display = start_xvfb(SCREEN_W, SCREEN_H, ["-retro"])
    xlib = None
    try:
        xlib = Xlib(display)
        run_and_close(program, display, xlib, [], False, "wm")
        run_and_close(program, display, xlib, ["x"], True, "wm")
        run_and_close(program, display, xlib, [], False, "SIGTERM")
        # The software renderer, the one used where no accelerated renderer can be had.
        run_and_close(program, display, xlib, [], False, "wm", {"SDL_RENDER_DRIVER": "software"})
        run_and_close(program, display, xlib, ["x"], True, "wm", {"SDL_RENDER_DRIVER": "software"})
        run_export_by_key(program, display, xlib)
        with tempfile.TemporaryDirectory() as bare:
            copy = os.path.join(bare, "quilmorante")
            shutil.copy2(program, copy)
            run_expecting_failure(copy, display, "siro.bmp", "without siro.bmp beside it")
    finally:
        stop_xvfb(xvfb, xlib)

    print("smoke: %d passed, %d failed" % (len(passes), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
