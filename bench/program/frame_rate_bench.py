#!/usr/bin/env python3
"""The editor's pace under Xvfb: start-up to the first presented frame, frames per second
and processor use while visible, and processor use while its window is hidden.

Frames are counted by tracing the one 1 ms pause the main loop takes after every frame
(a separate run from the processor measurement, since tracing costs time itself).

Usage: frame_rate_bench.py QUILMORANTE [SECONDS]
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "support"))
from x_session import Xlib, start_xvfb, stop_xvfb  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


def cpu_share(pid, seconds):
    start_cpu, start = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    return (cpu_seconds(pid) - start_cpu) / (time.monotonic() - start)


def first_frame_seconds(program, env, xlib):
    """From the start of the process to the cursor box of the first frame on the screen."""
    start = time.monotonic()
    process = subprocess.Popen([program], env=env, stderr=subprocess.DEVNULL)
    shown = None
    while time.monotonic() - start < 30 and process.poll() is None:
        if xlib.pixels(xlib.root(), 192 + 405, 144 + 205, 1, 1)[0] == 0x403020:  # centred
            shown = time.monotonic() - start
            break
    return process, shown


def frames_per_second(pid, seconds):
    log = tempfile.mktemp(suffix=".strace")
    tracer = subprocess.Popen(["strace", "-f", "-qq", "-e", "trace=clock_nanosleep,nanosleep",
                               "-o", log, "-p", str(pid)], stderr=subprocess.DEVNULL)
    time.sleep(0.5)  # attached
    with open(log) as f:
        before = len(re.findall(r"tv_sec=0, tv_nsec=1000000\}", f.read()))
    start = time.monotonic()
    time.sleep(seconds)
    with open(log) as f:
        after = len(re.findall(r"tv_sec=0, tv_nsec=1000000\}", f.read()))
    elapsed = time.monotonic() - start
    tracer.terminate()
    tracer.wait()
    os.unlink(log)
    return (after - before) / elapsed


def main():
    program = os.path.abspath(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 5.0
    xvfb, display = start_xvfb(1024, 768)
    xlib = Xlib(display)
    env = dict(os.environ, DISPLAY=display)
    try:
        # A cold font cache: fontconfig's caches moved out of the way for one start.
        cold_home = tempfile.mkdtemp()
        cold_env = dict(env, XDG_CACHE_HOME=cold_home, HOME=cold_home)
        process, cold = first_frame_seconds(program, cold_env, xlib)
        process.terminate()
        process.wait()
        shutil.rmtree(cold_home, ignore_errors=True)
        warm_runs = []
        for _ in range(3):
            process, warm = first_frame_seconds(program, env, xlib)
            warm_runs.append(warm)
            if _ < 2:
                process.terminate()
                process.wait()
        time.sleep(1)
        fps = frames_per_second(process.pid, seconds)
        visible = cpu_share(process.pid, seconds)
        window = subprocess.run(["xdotool", "search", "--name", "^QUILMORANTE$"], env=env,
                                capture_output=True, text=True).stdout.split()[0]
        subprocess.run(["xdotool", "windowunmap", window], env=env)
        time.sleep(1)
        hidden = cpu_share(process.pid, seconds)
        process.terminate()
        process.wait()
        print("first frame, cold font cache: %s s" % ("%.3f" % cold if cold else "never"))
        print("first frame, warm: %s s" % ", ".join("%.3f" % w if w else "never"
                                                    for w in warm_runs))
        print("frames per second while visible: %.1f" % fps)
        print("processor while visible: %.1f %% of one core" % (100 * visible))
        print("processor while hidden: %.2f %% of one core" % (100 * hidden))
    finally:
        stop_xvfb(xvfb, xlib)


if __name__ == "__main__":
    main()
