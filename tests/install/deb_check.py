#!/usr/bin/env python3
"""Builds the .deb, installs it on this machine with apt-get and checks the installed programs.

Checks: `cpack -G DEB` in the build folder makes one quilmorante_*.deb that declares its
library dependencies and fonts-ipafont-gothic; `apt-get install ./quilmorante_*.deb` puts the
programs in /usr/bin, the data in /usr/share/quilmorante, the desktop entry and the icon in
/usr/share; the installed quilmorante-export, with XDG_DATA_HOME set to a fresh folder, creates
the user's data folder there, copies the example slots in and writes the sixteen frames to
its result/, a second run keeps a slot the user changed, and --data DIR without an a.bmp
uses the installed one; the installed editor under its own
Xvfb does the same on M, says on stderr where the folder is, and closing its window exits 0.

The package is removed again at the end unless it was installed before the check.
Must run as root (or with sudo available), as CI does.

Usage: deb_check.py BUILD_DIR
"""

import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
sys.path.insert(0, os.path.join(HERE, "..", "editor"))
from x_session import (Xlib, check, failures, passes, start_xvfb, stop_xvfb,  # noqa: E402
                       wait_files)
from editor_end_to_end import Session, frame_names, read  # noqa: E402

PREFIX = "/usr"
SHARE = PREFIX + "/share/quilmorante"
FRAME_BYTES = 32886
WAIT_S = 30


def as_root(command):
    return command if os.geteuid() == 0 else ["sudo"] + command


def installed_before():
    status = subprocess.run(["dpkg-query", "-W", "-f=${Status}", "quilmorante"],
                            capture_output=True, text=True).stdout
    return "install ok installed" in status


def build_deb(build):
    for old in glob.glob(os.path.join(build, "quilmorante_*.deb")):
        os.remove(old)
    run = subprocess.run(["cpack", "-G", "DEB"], cwd=build, capture_output=True, text=True)
    debs = glob.glob(os.path.join(build, "quilmorante_*.deb"))
    if not check(run.returncode == 0 and len(debs) == 1,
                 "cpack -G DEB makes one quilmorante_*.deb (%s)" % (debs or run.stdout + run.stderr)):
        return None
    deb = debs[0]
    depends = subprocess.run(["dpkg-deb", "-f", deb, "Depends"], capture_output=True,
                             text=True).stdout.strip()
    check("fonts-ipafont-gothic" in depends and "libsdl2" in depends and "libc6" in depends,
          "the package declares its dependencies (%s)" % depends)
    return deb


def check_files():
    for path in ["/usr/bin/quilmorante", "/usr/bin/quilmorante-export"]:
        check(os.access(path, os.X_OK), path + " is installed and executable")
    for name in ["siro.bmp", "a.bmp"]:
        check(os.path.isfile(os.path.join(SHARE, name)), "%s/%s is installed" % (SHARE, name))
    slots = sorted(os.listdir(os.path.join(SHARE, "examples")))
    check(slots == sorted(os.listdir(os.path.join(HERE, "..", "..", "data", "savedata"))),
          "the example slots are installed in %s/examples (%s)" % (SHARE, " ".join(slots)))
    desktop = "/usr/share/applications/quilmorante.desktop"
    entry = open(desktop).read() if os.path.isfile(desktop) else ""
    check("Categories=Graphics;2DGraphics;" in entry and "Exec=quilmorante" in entry and
          "Icon=quilmorante" in entry, desktop + " starts the editor with its icon")
    icon = "/usr/share/icons/hicolor/32x32/apps/quilmorante.png"
    head = read(icon)[:26] if os.path.isfile(icon) else b""
    check(head[:8] == b"\x89PNG\r\n\x1a\n" and head[16:24] == bytes([0, 0, 0, 32, 0, 0, 0, 32]),
          icon + " is a 32 x 32 PNG")


def frames_written(folder, letter):
    names = frame_names(letter)
    return all(os.path.isfile(os.path.join(folder, n)) and
               os.path.getsize(os.path.join(folder, n)) == FRAME_BYTES for n in names)


def check_export_tool(scratch):
    xdg = os.path.join(scratch, "xdg-export")
    data = os.path.join(xdg, "quilmorante")
    elsewhere = os.path.join(scratch, "start-export")
    os.mkdir(elsewhere)
    env = dict(os.environ, XDG_DATA_HOME=xdg)
    run = subprocess.run(["/usr/bin/quilmorante-export"], cwd=elsewhere, env=env,
                         capture_output=True, text=True)
    check(run.returncode == 0, "installed quilmorante-export exits 0 (%s)" % run.stderr.strip())
    check(frames_written(os.path.join(data, "result"), "A"),
          "it writes the sixteen frames to $XDG_DATA_HOME/quilmorante/result")
    copied = [n for n in os.listdir(os.path.join(SHARE, "examples"))
              if os.path.isfile(os.path.join(data, "savedata", n)) and
              read(os.path.join(data, "savedata", n)) == read(os.path.join(SHARE, "examples", n))]
    check(len(copied) == len(os.listdir(os.path.join(SHARE, "examples"))),
          "the first start copies the example slots to $XDG_DATA_HOME/quilmorante/savedata")
    check(data in run.stderr, "it names the data folder on stderr (%r)" % run.stderr.strip())

    mine = os.path.join(data, "savedata", "pat0.txt")
    with open(mine, "w") as f:
        f.write("16,16,1,1,4\n10,50,2,1,-3\n0,0,0,0,0\n0,0,0,0,0\n0,0,1,0")
    before = read(mine)
    run = subprocess.run(["/usr/bin/quilmorante-export", "--id", "B"], cwd=elsewhere, env=env,
                         capture_output=True, text=True)
    check(run.returncode == 0 and read(mine) == before, "a later start keeps the user's slot")
    check(os.listdir(elsewhere) == [], "nothing is written to the start folder")

    # --data DIR without an a.bmp of its own: the installed template is used.
    named = os.path.join(scratch, "named")
    shutil.copytree(os.path.join(SHARE, "examples"), os.path.join(named, "savedata"))
    run = subprocess.run(["/usr/bin/quilmorante-export", "--data", named], cwd=elsewhere,
                         env=env, capture_output=True, text=True)
    check(run.returncode == 0 and frames_written(os.path.join(named, "result"), "A"),
          "--data DIR without a.bmp exports with the installed a.bmp (%s)" % run.stderr.strip())


def check_editor(scratch):
    for tool in ("Xvfb", "xdotool", "xwininfo"):
        if not check(shutil.which(tool) is not None, tool + " is available"):
            return
    xdg = os.path.join(scratch, "xdg-editor")
    result = os.path.join(xdg, "quilmorante", "result")
    elsewhere = os.path.join(scratch, "start")
    os.mkdir(elsewhere)
    xvfb, display = start_xvfb(1024, 768)
    xlib = None
    process = None
    try:
        xlib = Xlib(display)
        env = dict(os.environ, DISPLAY=display, XDG_DATA_HOME=xdg)
        for name in ("WAYLAND_DISPLAY", "SDL_VIDEODRIVER"):
            env.pop(name, None)
        process = subprocess.Popen(["/usr/bin/quilmorante"], cwd=elsewhere, env=env,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        session = Session(display, xlib, process)
        if not check(session.find_window(), "the installed editor shows its window"):
            return
        session.xdotool("windowfocus", "--sync", str(session.window))
        # A press before the keyboard is set up is not seen: press again until it exports.
        deadline = time.monotonic() + WAIT_S
        while time.monotonic() < deadline and process.poll() is None:
            session.press("m")
            if wait_files(result, frame_names("A"), FRAME_BYTES, 2):
                break
        check(frames_written(result, "A"),
              "M exports the sixteen frames to $XDG_DATA_HOME/quilmorante/result")
        check(os.path.isfile(os.path.join(xdg, "quilmorante", "savedata", "pat0.txt")),
              "the editor's first start copies the example slots")
        xlib.close_window(session.window)
        try:
            code = process.wait(timeout=WAIT_S)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, "closing the window exits with 0 (got %s)" % code)
        err = process.stderr.read().decode(errors="replace")
        check(os.path.join(xdg, "quilmorante") in err,
              "the editor names the data folder on stderr (%r)" % err.strip())
        check(os.listdir(elsewhere) == [], "nothing is written to the start folder")
    finally:
        if process is not None and process.poll() is None:
            process.kill()
            process.wait()
        stop_xvfb(xvfb, xlib)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    build = os.path.abspath(sys.argv[1])
    deb = build_deb(build)
    if deb is None:
        return 1
    keep = installed_before()
    install = as_root(["apt-get", "install", "-y", "--reinstall", "./" + os.path.basename(deb)])
    run = subprocess.run(install, cwd=build, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"),
                         capture_output=True, text=True)
    if not check(run.returncode == 0, "apt-get installs %s" % os.path.basename(deb)):
        print(run.stdout + run.stderr)
        return 1
    scratch = tempfile.mkdtemp(prefix="quilmorante-deb-")
    try:
        check_files()
        check_export_tool(scratch)
        check_editor(scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
        if not keep:
            subprocess.run(as_root(["apt-get", "remove", "-y", "quilmorante"]),
                           env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"),
                           stdout=subprocess.DEVNULL)

    print("deb_check: %d passed, %d failed" % (len(passes), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
