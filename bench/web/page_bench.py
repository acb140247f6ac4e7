#!/usr/bin/python3
"""The page's figures in headless Chromium, beside the native editor frame measured in the
same run.

- frame: Tick + putImageData + texts with the tiled preview (the first frame's state), median
  of 600 frames, twice: as the page runs them, one per animation frame (caches cold from the
  browser's own work in between), and back to back, as BM_EditorFrame runs its frames;
  target at most 2 ms and at most 2 x native BM_EditorFrame;
- dragging: the same frame while the mouse drags control point 0 across the single tile, one
  cell a frame, back to back (the pattern synthesised each frame), median of 600; target at
  most 2 ms;
- gallery: the same frame back to back with the gallery (G) open and all 100 slots filled
  from the example slots, so that every thumbnail cycles, median of 600: on the pattern
  slots, then (Tab) on the palette slots; target at most 2 ms, beside native
  BM_EditorFrameGallery/0 and /1 when the benchmark binary has them;
- transfer: the bytes the page loads (HTML, CSS, JS, wasm, font, data), uncompressed;
  target at most 400 KB;
- load: navigation start to the first frame on the canvas; target at most 1 s (median of
  five loads with a warm HTTP cache off: each load is a fresh profile).

Usage: page_bench.py SITE_FOLDER EDITOR_FRAME_BENCH
"""

import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "web"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "web"))
from page_test import start_browser, wait_for  # noqa: E402
from serve import make_server  # noqa: E402


def native_editor_frame_ms(bench, name="BM_EditorFrame"):
    """The benchmark's median over its own repetitions, in milliseconds; None when the binary
    has no such benchmark."""
    run = subprocess.run([bench, "--benchmark_filter=^%s/" % name, "--benchmark_format=json"],
                         capture_output=True, text=True, check=True)
    runs = json.loads(run.stdout)["benchmarks"]
    median = [r for r in runs if r.get("aggregate_name") == "median"] or runs
    if not median:
        return None
    unit = {"ns": 1e-6, "us": 1e-3, "ms": 1.0}[median[0]["time_unit"]]
    return median[0]["real_time"] * unit


# Fills slots 3 to 99 of both kinds from the example slots 0 to 2, opens the gallery (G) and
# ticks 600 frames back to back on the pattern slots, then (Tab) on the palette slots.
GALLERY = """const page = window.quilmorante, m = page.module, FS = m.FS;
    const canvas = document.getElementById('screen'), slots = '/work/savedata/';
    for (let n = 3; n < 100; n++)
      for (const kind of ['pat', 'pal'])
        FS.writeFile(`${slots}${kind}${n}.txt`, FS.readFile(`${slots}${kind}${n % 3}.txt`));
    const times = [];
    for (const code of ['KeyG', 'Tab']) {
      for (const type of ['keydown', 'keyup']) {
        canvas.dispatchEvent(new KeyboardEvent(type, {code}));
        page.tick(performance.now());
      }
      for (let i = 0; i < 600; i++) page.tick(performance.now());
      // The gallery draws the 100 slot numbers.
      if (m._quilmorante_text_count() < 100) throw new Error(`${code} left no gallery open`);
      times.push(page.frameTimes.slice(-600));
    }
    return times;"""


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    site, bench = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    server = make_server(site)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/index.html" % server.server_port
    loads, marks, transfer, frame, back_to_back, dragging = [], [], None, None, None, None
    gallery = None
    for attempt in range(5):
        work = tempfile.mkdtemp(prefix="quilmorante-bench-")
        driver = start_browser(work, os.path.join(work, "profile"))
        try:
            driver.get(url)
            wait_for(driver, "return window.quilmorante && window.quilmorante.frames > 0",
                     "the first frame")
            loads.append(driver.execute_script("return window.quilmorante.firstFrameMs"))
            marks.append(driver.execute_script(
                "return performance.getEntriesByType('mark').map((m) => [m.name, m.startTime])"))
            if attempt == 0:
                transfer = driver.execute_script("""
                    const entries = performance.getEntriesByType('navigation')
                        .concat(performance.getEntriesByType('resource'));
                    return entries.map((e) => [e.name.split('/').pop(), e.decodedBodySize]);""")
                wait_for(driver, "return window.quilmorante.frames >= 660", "660 frames", 60)
                times = driver.execute_script("return window.quilmorante.frameTimes.slice(-600)")
                frame = statistics.median(times)
                times = driver.execute_script("""
                    const page = window.quilmorante;
                    for (let i = 0; i < 600; i++) page.tick(performance.now());
                    return page.frameTimes.slice(-600);""")
                back_to_back = statistics.median(times)
                times = driver.execute_script("""
                    const page = window.quilmorante, m = page.module;
                    const canvas = document.getElementById('screen');
                    for (const type of ['keydown', 'keyup']) {
                      canvas.dispatchEvent(new KeyboardEvent(type, {code: 'KeyP', key: 'p'}));
                      page.tick(performance.now());
                    }
                    m._quilmorante_mouse(1, 16, 16, 1, 1, 0);
                    for (let i = 0; i < 600; i++) {
                      page.tick(performance.now());
                      m._quilmorante_mouse(1, 8 + i % 48, 16, 1, 0, 0);
                    }
                    m._quilmorante_mouse(1, 8, 16, 0, 0, 0);
                    page.tick(performance.now());
                    return page.frameTimes.slice(-601, -1);""")
                dragging = statistics.median(times)
                gallery = [statistics.median(t) for t in driver.execute_script(GALLERY)]
        finally:
            driver.quit()
            shutil.rmtree(work, ignore_errors=True)
    server.shutdown()
    native = native_editor_frame_ms(bench)
    total = sum(size for _, size in transfer)
    print("page frame (Tick + putImageData + texts), median of 600: %.3f ms one per animation "
          "frame, %.3f ms back to back (target <= 2 ms and <= 2 x native = %.3f ms)"
          % (frame, back_to_back, 2 * native))
    print("native BM_EditorFrame, median: %.3f ms; ratios %.2f and %.2f"
          % (native, frame / native, back_to_back / native))
    print("page frame while dragging a point, back to back, median of 600: %.3f ms "
          "(target <= 2 ms)" % dragging)
    for kind, page_ms, arg in zip(("pattern", "palette"), gallery, (0, 1)):
        native_ms = native_editor_frame_ms(bench, "BM_EditorFrameGallery/%d" % arg)
        print("page frame with the gallery on the %s slots, back to back, median of 600: %.3f ms "
              "(target <= 2 ms); native BM_EditorFrameGallery/%d: %s" % (
                  kind, page_ms, arg,
                  "not in the benchmark binary" if native_ms is None else "%.3f ms" % native_ms))
    print("transfer, uncompressed: %.1f KB (target <= 400 KB)" % (total / 1000))
    for name, size in sorted(transfer, key=lambda e: -e[1]):
        print("  %-24s %8d bytes" % (name or "index.html", size))
    print("load to first frame, median of 5 fresh profiles: %.0f ms (target <= 1000 ms); "
          "all: %s" % (statistics.median(loads), ", ".join("%.0f" % t for t in loads)))
    for name in [name for name, _ in marks[0]]:
        print("  %-12s at %4.0f ms (median)" % (name, statistics.median(
            dict(load)[name] for load in marks)))


if __name__ == "__main__":
    main()
