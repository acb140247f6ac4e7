#!/usr/bin/env python3
"""The Windows programs under Wine, on an Xvfb of their own, against the Linux build:
- the unit tests of the Windows build (ctest, each test under Wine);
- the zip unpacked into a folder with a Japanese name: quilmorante-export.exe --all on each
  shipped slot writes what the Linux export tool writes, byte for byte;
- the editor there: a 640 x 480 window titled QUILMORANTE; M writes the sixteen frames the
  Linux build writes for the slot it shows; closing the window as a window manager does ends
  it with exit code 0.
Prints the start-up to the first frame and the frame time seen (figures, not checks).

Usage: wine_check.py ZIP LINUX_BUILD WINDOWS_BUILD     exits 77 without Wine or mingw-w64
"""

import ctypes
import filecmp
import os
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
prefix = ""  # the Wine prefix of the Windows build's tests, build-windows/wine
SLOTS = (0, 1, 2)
FRAMES = ["A%c.bmp" % chr(ord("A") + n) for n in range(16)]


def tree(folder):
    """Every file below folder, relative to it."""
    return sorted(os.path.relpath(os.path.join(root, name), folder)
                  for root, _, names in os.walk(folder) for name in names)


def same_files(a, b, names):
    return all(filecmp.cmp(os.path.join(a, n), os.path.join(b, n), shallow=False)
               for n in names)


def presented_frames(xlib, seconds):
    """Screen updates over the given time, counted with the X DAMAGE extension."""
    damage = ctypes.cdll.LoadLibrary("libXdamage.so.1")
    damage.XDamageCreate.restype = ctypes.c_ulong
    damage.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
    damage.XDamageSubtract.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                       ctypes.c_ulong]
    event_base, error_base = ctypes.c_int(), ctypes.c_int()
    damage.XDamageQueryExtension(ctypes.c_void_p(xlib.display), ctypes.byref(event_base),
                                 ctypes.byref(error_base))
    handle = damage.XDamageCreate(xlib.display, xlib.root(), 3)  # XDamageReportNonEmpty
    event, count, end = (ctypes.c_long * 24)(), 0, time.monotonic() + seconds
    while time.monotonic() < end:
        if not xlib.x.XPending(ctypes.c_void_p(xlib.display)):
            time.sleep(0.001)
            continue
        xlib.x.XNextEvent(ctypes.c_void_p(xlib.display), ctypes.byref(event))
        if ctypes.cast(event, ctypes.POINTER(ctypes.c_int))[0] == event_base.value:
            count += 1
            damage.XDamageSubtract(xlib.display, handle, 0, 0)
    return count


def check_exports(folder, linux_folder, linux_build, env):
    """quilmorante-export.exe beside its data, as unpacked, against the Linux tool."""
    for slot in SLOTS:
        out = "out%d" % slot
        args = ["--pattern", str(slot), "--palette", str(slot), "--all", out]
        windows = subprocess.run([WINE_SH, prefix, "quilmorante-export.exe"] + args,
                                 cwd=folder, env=env, capture_output=True, timeout=120)
        linux = subprocess.run([os.path.join(linux_build, "quilmorante-export"), "--data", "."]
                               + args, cwd=linux_folder, capture_output=True, timeout=120)
        files = tree(os.path.join(linux_folder, out))
        check(windows.returncode == 0 and linux.returncode == 0 and len(files) > 16 and
              tree(os.path.join(folder, out)) == files and
              same_files(os.path.join(folder, out), os.path.join(linux_folder, out), files),
              "slot %d: --all writes the Linux build's %d files byte for byte%s"
              % (slot, len(files), "" if windows.returncode == 0 else
                 ": " + windows.stderr.decode(errors="replace")[-300:]))


def check_editor(folder, linux_folder, env, xlib):
    start = time.monotonic()
    editor = Program([WINE_SH, prefix, os.path.join(folder, "quilmorante.exe")],
                     cwd=tempfile.gettempdir(), env=env)
    window, first_frame = None, None
    while time.monotonic() - start < 60 and editor.process.poll() is None:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^QUILMORANTE$"],
                               env=env, capture_output=True, text=True).stdout.split()
        if found:
            window = int(found[0])
            break
        time.sleep(0.05)
    if not check(window is not None, "the editor opens a window titled QUILMORANTE"):
        editor.report()
        return
    info = subprocess.run(["xwininfo", "-id", str(window)], env=env, capture_output=True,
                          text=True).stdout
    geometry = {k.strip(): int(v) for k, v in (line.split(":", 1) for line in info.splitlines()
                if ":" in line and line.split(":", 1)[1].strip().lstrip("-").isdigit())}
    check((geometry.get("Width"), geometry.get("Height")) == (640, 480),
          "the window is 640 x 480 (%s x %s)" % (geometry.get("Width"), geometry.get("Height")))
    x, y = geometry.get("Absolute upper-left X", 0), geometry.get("Absolute upper-left Y", 0)
    while time.monotonic() - start < 60:  # the point cursor's box, as frame_rate_bench.py
        if xlib.pixels(xlib.root(), x + 405, y + 205, 1, 1)[0] == 0x403020:
            first_frame = time.monotonic() - start
            break
        time.sleep(0.01)
    frames = presented_frames(xlib, 5.0)
    print("figure: start-up to the first frame %s; %d frames in 5 s (%.1f ms a frame)"
          % ("%.2f s" % first_frame if first_frame else "not seen", frames,
             5000.0 / frames if frames else 0), flush=True)
    subprocess.run(["xdotool", "windowfocus", "--sync", str(window)], env=env, timeout=10)
    subprocess.run(["xdotool", "keydown", "m", "sleep", "0.1", "keyup", "m"], env=env, timeout=10)
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


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    archive, linux_build, windows_build = (os.path.abspath(a) for a in sys.argv[1:])
    if shutil.which("wine") is None or shutil.which("x86_64-w64-mingw32-gcc-posix") is None:
        print("skipped: wine or mingw-w64 not found (windows/dependencies.sh --packages)")
        sys.exit(SKIP)
    require_tools()
    xvfb, display = start_xvfb(1024, 768)
    global prefix
    prefix = os.path.join(windows_build, "wine")
    env = dict(os.environ, DISPLAY=display)
    env.pop("WAYLAND_DISPLAY", None)
    xlib = Xlib(display)
    work = tempfile.mkdtemp(prefix="quilmorante-wine-")
    try:
        tests = subprocess.run(["ctest", "--test-dir", windows_build, "-j2",
                                "--output-on-failure"], env=env, capture_output=True, text=True)
        # The whole output when a test failed, its end otherwise.
        print("\n".join(tests.stdout.splitlines()[-25 if tests.returncode == 0 else 0:]),
              flush=True)
        check(tests.returncode == 0, "the unit tests pass under Wine")
        with zipfile.ZipFile(archive) as z:
            z.extractall(work)
        unpacked = os.path.join(work, "QUILMORANTE テスト")
        os.rename(os.path.join(work, "QUILMORANTE"), unpacked)
        linux_folder = os.path.join(work, "linux")
        shutil.copytree(unpacked, linux_folder)
        subprocess.run([os.path.join(linux_build, "quilmorante-export"), "--data", "."],
                       cwd=linux_folder, capture_output=True, timeout=120)
        check_editor(unpacked, linux_folder, env, xlib)
        check_exports(unpacked, linux_folder, linux_build, env)
    finally:
        subprocess.run(["wineserver", "-k"], env=dict(env, WINEPREFIX=prefix))
        stop_xvfb(xvfb, xlib)
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (len(passes), len(failures)), flush=True)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
