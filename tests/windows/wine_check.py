#!/usr/bin/env python3
"""The Windows programs under Wine on an Xvfb of their own, against the Linux build: the
Windows unit tests (ctest); the zip unpacked into a folder with a Japanese name, where
quilmorante-export.exe --all on each shipped slot writes the Linux tool's files byte for byte,
and the editor opens a 640 x 480 window titled QUILMORANTE, writes the Linux build's sixteen
frames on M and exits 0 when its window is closed as a window manager closes it. Prints the
start-up to the first frame, the frame time seen and the processor time a frame: figures,
not checks.

Usage: wine_check.py ZIP LINUX_BUILD WINDOWS_BUILD     (exits 77 without Wine or mingw-w64)
"""

import ctypes
import filecmp
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from x_session import (SKIP, Program, Xlib, check, failures, passes, require_tools,  # noqa: E402
                       start_xvfb, stop_xvfb, wait_files)

WINE_SH = os.path.join(HERE, "..", "..", "windows", "wine.sh")
FRAMES = ["A%c.bmp" % chr(ord("A") + n) for n in range(16)]


def same_files(a, b, names=None):
    """Whether folder a holds the files of b (all of them by default), byte for byte."""
    if names is None:
        names = [os.path.relpath(os.path.join(r, n), b) for r, _, ns in os.walk(b) for n in ns]
        if len(names) != sum(len(ns) for _, _, ns in os.walk(a)):
            return False
    return all(filecmp.cmp(os.path.join(a, n), os.path.join(b, n), shallow=False)
               for n in names)


def presented_frames(xlib, seconds):
    """Screen updates over the given time, counted with the X DAMAGE extension."""
    damage, display = ctypes.cdll.LoadLibrary("libXdamage.so.1"), ctypes.c_void_p(xlib.display)
    damage.XDamageCreate.restype = ctypes.c_ulong
    damage.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
    damage.XDamageSubtract.argtypes = [ctypes.c_void_p] + [ctypes.c_ulong] * 3
    base, error = ctypes.c_int(), ctypes.c_int()
    damage.XDamageQueryExtension(display, ctypes.byref(base), ctypes.byref(error))
    handle = damage.XDamageCreate(display, xlib.root(), 3)  # XDamageReportNonEmpty
    event, count, end = (ctypes.c_int * 48)(), 0, time.monotonic() + seconds
    while time.monotonic() < end:
        if not xlib.x.XPending(display):
            time.sleep(0.001)
            continue
        xlib.x.XNextEvent(display, ctypes.byref(event))
        if event[0] == base.value:  # DamageNotify
            count += 1
            damage.XDamageSubtract(display, handle, 0, 0)
    return count


def cpu_seconds(pid):
    """The processor time a process has used (Wine runs the program in the process it starts
    as), from /proc; 0 once it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return 0.0
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")  # utime + stime


def check_editor(prefix, folder, linux_folder, env, xlib):
    start = time.monotonic()
    editor = Program([WINE_SH, prefix, os.path.join(folder, "quilmorante.exe")], env=env)
    try:
        found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                                "^QUILMORANTE$"], env=env, capture_output=True, text=True,
                               timeout=60).stdout.split()
    except subprocess.TimeoutExpired:
        found = []
    if not check(found, "the editor opens a window titled QUILMORANTE"):
        return editor.report()
    window = int(found[0])
    shape = dict(line.split("=") for line in subprocess.run(
        ["xdotool", "getwindowgeometry", "--shell", str(window)], env=env, capture_output=True,
        text=True).stdout.split())
    check((shape["WIDTH"], shape["HEIGHT"]) == ("640", "480"),
          "the window is 640 x 480 (%s x %s)" % (shape["WIDTH"], shape["HEIGHT"]))
    first_frame = None
    mark = (int(shape["X"]) + 405, int(shape["Y"]) + 205)  # frame_rate_bench.py's: the cursor
    while first_frame is None and time.monotonic() - start < 60:
        if xlib.pixels(xlib.root(), *mark, 1, 1) == [0x403020]:
            first_frame = "%.2f s" % (time.monotonic() - start)
        time.sleep(0.005)
    busy = cpu_seconds(editor.process.pid)
    frames = presented_frames(xlib, 5.0)
    busy = cpu_seconds(editor.process.pid) - busy
    print("figure: start-up to the first frame %s; %d frames in 5 s (%.1f ms a frame; the "
          "process's processor time, Wine's drawing and waits included, %.1f ms a frame)"
          % (first_frame, frames, 5000.0 / max(frames, 1), 1000.0 * busy / max(frames, 1)),
          flush=True)
    subprocess.run(["xdotool", "windowfocus", "--sync", str(window), "keydown", "m", "sleep",
                    "0.1", "keyup", "m"], env=env, timeout=10)
    result = os.path.join(folder, "result")
    check(wait_files(result, FRAMES, 32886, 30) and
          same_files(result, os.path.join(linux_folder, "result"), FRAMES),
          "M writes the sixteen frames the Linux build writes")
    xlib.close_window(window)
    try:
        code = editor.process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        code = None
    if not check(code == 0, "closing the window ends the editor with exit code 0 (%s)" % code):
        editor.report()
    editor.finish()


def silent_failures(windows_build):
    """How many failed tests of the last ctest run printed nothing at all: Wine, not the test,
    failed to start them (a googletest program always prints its first line)."""
    with open(os.path.join(windows_build, "Testing", "Temporary", "LastTest.log"),
              errors="replace") as f:
        records = f.read().split("\n" + "-" * 58 + "\n\n")
    return sum(1 for r in records if "Test Failed." in r and
               r.split("Output:\n", 1)[-1].split("\n", 1)[-1].startswith("<end of output>"))


def unit_tests(windows_build, env):
    """ctest under Wine; when every failure is a test Wine failed to start (it printed
    nothing), those run once more, since Wine now and then loses a start among hundreds. Any
    other failure fails."""
    command = ["ctest", "--test-dir", windows_build, "-j2", "--output-on-failure"]
    tests = subprocess.run(command, env=env, capture_output=True, text=True)
    print("\n".join(tests.stdout.splitlines()[-25 if tests.returncode == 0 else 0:]))
    if tests.returncode == 0:
        return True
    failed = re.search(r"tests passed, (\d+) tests failed out of", tests.stdout)
    silent = silent_failures(windows_build)
    if failed is None or int(failed.group(1)) != silent or silent == 0:
        return False
    print("Wine started %d test(s) without output; they run once more" % silent)
    again = subprocess.run(command + ["--rerun-failed"], env=env, capture_output=True, text=True)
    print("\n".join(again.stdout.splitlines()[-8:]))
    return again.returncode == 0


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    archive, linux_build, windows_build = (os.path.abspath(a) for a in sys.argv[1:])
    if shutil.which("wine") is None or shutil.which("x86_64-w64-mingw32-gcc-posix") is None:
        print("skipped: wine or mingw-w64 not found (windows/dependencies.sh --packages)")
        sys.exit(SKIP)
    require_tools()
    xvfb, display = start_xvfb(1024, 768)
    env = dict(os.environ, DISPLAY=display)
    env.pop("WAYLAND_DISPLAY", None)
    prefix, xlib = os.path.join(windows_build, "wine"), Xlib(display)
    work = tempfile.mkdtemp(prefix="quilmorante-wine-")
    linux_export = os.path.join(linux_build, "quilmorante-export")
    try:
        check(unit_tests(windows_build, env), "the unit tests pass under Wine")
        with zipfile.ZipFile(archive) as z:
            z.extractall(work)
        folder, linux_folder = os.path.join(work, "QUILMORANTE テスト"), os.path.join(work, "linux")
        os.rename(os.path.join(work, "QUILMORANTE"), folder)
        shutil.copytree(folder, linux_folder)
        subprocess.run([linux_export, "--data", "."], cwd=linux_folder, capture_output=True)
        check_editor(prefix, folder, linux_folder, env, xlib)
        for slot in ("0", "1", "2"):  # beside their data, as unpacked
            args, out = ["--pattern", slot, "--palette", slot, "--all", "out" + slot], "out" + slot
            windows = subprocess.run([WINE_SH, prefix, "quilmorante-export.exe"] + args,
                                     cwd=folder, env=env, capture_output=True, timeout=120)
            linux = subprocess.run([linux_export, "--data", "."] + args, cwd=linux_folder,
                                   capture_output=True, timeout=120)
            check(windows.returncode == linux.returncode == 0 and
                  same_files(os.path.join(folder, out), os.path.join(linux_folder, out)),
                  "slot %s: --all writes the Linux build's %d files byte for byte %s"
                  % (slot, len(os.listdir(os.path.join(linux_folder, out))),
                     windows.stderr.decode(errors="replace")[-300:]))
    finally:
        subprocess.run([WINE_SH, prefix, "--stop"], env=env)
        stop_xvfb(xvfb, xlib)
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (len(passes), len(failures)), flush=True)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
