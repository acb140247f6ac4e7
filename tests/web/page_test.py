#!/usr/bin/python3
"""The page in headless Chromium, against the desktop's frame core.

- The editor's module is small: the encoders live in the format module alone.
- The first frame equals the desktop's golden first frame outside the text boxes, pixel for
  pixel. Inside each box, 90 % of each frame's near-white glyph pixels lie within the other's
  glyph pixels widened by 2 pixels up and down and 5 left and right: the two renderers
  antialias differently, and the browser's advances of a few glyphs (the space) differ from
  FreeType's hinted ones by a pixel, which adds up along a line.
- The desktop end-to-end key sequence (key digit, weight, pattern and palette stepped away
  and back, M, E) gives ZIP downloads whose files are byte-identical to what the frame core
  writes for the same keys (replay_keys), and the same slot files.
- A reload keeps the saved slots; a slot holding garbage loads as the desktop loads it; an
  edit not saved to a slot comes back after a reload as a recovery file the notice names.
- A mouse drag moves a control point and Ctrl+Z takes it back; the language toggle beside the
  canvas switches the screen to English, and a reload keeps it.
- A palette file chosen with the import button or dropped on the canvas is imported, one too
  big is refused, the copies stay in palettes/, where the palette browser (I, B) finds one by
  typed filter and Enter keeps it; the palette's look, saved, outlives a reload.
- The gallery (G) shows the slots with the cursor on the current one, Tab switches to the
  palette slots without moving the focus off the canvas, the arrows wrap, Enter or a click
  loads a slot, G or Escape closes it as it is; with it closed, Tab is the browser's again.

Usage: page_test.py SITE_FOLDER REPLAY_KEYS DATA_DIR GOLDEN_BMP
"""

import base64
import io
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "web"))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from x_session import check, failures, passes  # noqa: E402

SKIP = 77
# The editor frame's size: the golden first frame's (main reads it).
W = H = 0
WAIT_S = 30
# The desktop end-to-end sequence, as KeyboardEvent codes.
SEQUENCE = (["Space", "ArrowRight", "KeyZ", "Space"] + ["ArrowRight"] * 3 +
            ["KeyX", "Space", "ArrowRight", "ArrowLeft", "ArrowDown", "ArrowRight",
             "ArrowLeft", "KeyM", "KeyE"])
SLOTS = ["pat0.txt", "pat1.txt", "pal0.txt", "pal1.txt"]
GARBAGE = bytes(range(256)) + b"\n-99999999999,,\xff\xfe\r\n" * 3
# Sixteen colours nothing else on the screen shows, and palette files given to the page: how,
# the name, the bytes, and the start of the status line then. The last one's colours stay.
COLOURS = [(16 * k + 3) << 16 | (200 - 9 * k) << 8 | (60 + 11 * k) for k in range(16)]


def png(width, colour_type, depth, rows, chunks):
    """A PNG of unfiltered rows, with chunks [(type, data)] before its image data."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data)))
    header = struct.pack(">IIBBBBB", width, len(rows), depth, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            b"".join(chunk(kind, data) for kind, data in chunks) +
            chunk(b"IDAT", zlib.compress(b"".join(b"\0" + row for row in rows))) +
            chunk(b"IEND", b""))


# Ancillary chunks the page's libpng skips unread, as a desktop import ignores them.
ANCILLARY = [(b"gAMA", struct.pack(">I", 45455)), (b"sRGB", b"\0"), (b"tEXt", b"Title\0x"),
             (b"iCCP", b"p\0\0" + zlib.compress(b"profile")), (b"pHYs", bytes(9))]
IMPORTS = [
    ("chooser", "big.hex", b"#000000\n" * (1 << 17) + b"#",
     "Cannot import: big.hex: larger than 1 MiB"),
    ("drop", "colours.hex", "".join("#%06X\n" % c for c in COLOURS).encode(),
     "Imported: colours.hex, 16 colours"),
    # An indexed PNG's PLTE, in its order; then a 16-bit RGBA image's distinct colours, in
    # reading order, each twice, the alpha and low bytes dropped.
    ("drop", "indexed.png",
     png(4, 3, 4, [bytes([0x01, 0x23]), bytes([0x45, 0x67])],
         ANCILLARY + [(b"PLTE", b"".join(c.to_bytes(3, "big") for c in COLOURS[::-1])),
                      (b"tRNS", b"\x80")]),
     "Imported: indexed.png, 16 colours"),
    ("drop", "colours.png",
     png(8, 6, 16, [b"".join(b"%c\x11%c\x22%c\x33\x7f\x00" % tuple(c.to_bytes(3, "big"))
                             for c in COLOURS[half:half + 8]) for half in (0, 0, 8, 8)],
         ANCILLARY),
     "Imported: colours.png, 16 colours"),
]
DROP = """const files = new DataTransfer();
    files.items.add(new File([new Uint8Array(arguments[0])], arguments[1]));
    document.getElementById('screen').dispatchEvent(
        new DragEvent('drop', {dataTransfer: files, bubbles: true, cancelable: true}));"""
# The last frame's text that holds `name`, if any.
STATUS = """const m = window.quilmorante.module, heap = m.HEAPU8;
    for (let i = 0; i < m._quilmorante_text_count(); i++) {
      const at = m._quilmorante_text_bytes(i);
      const text = new TextDecoder('shift_jis').decode(heap.subarray(at, heap.indexOf(0, at)));
      if (text.includes(name)) return text;
    }"""
# Whether a row of the last frame shows the colours once each, left to right, among others:
# the swatches, wherever the layout puts them.
IN_A_ROW = """const [colours, width, height] = arguments, wanted = new Set(colours);
    const m = window.quilmorante.module, heap = m.HEAPU8, at = m._quilmorante_pixels();
    for (let y = 0, seen = [], last = -1; y < height; y++, seen = [], last = -1) {
      for (let x = 0, i = at + 4 * width * y; x < width; x++, i += 4) {
        const c = heap[i] << 16 | heap[i + 1] << 8 | heap[i + 2];
        if (c !== last && wanted.has(c)) seen.push(c);
        last = c;
      }
      if (seen.join() === colours.join()) return true;
    }
    return false;"""

# The gallery's steps, with the page in English: keys pressed (or the slot whose cell is
# clicked), then what the frame shows (the gallery's title word, or the editor's pattern
# number once it is closed) and the slots whose cell has the cursor's backdrop, 0x403020.
GALLERY = [
    (["KeyG"], "Pattern", [0]),
    (["Tab"], "Palette", [0]),
    (["Tab", "ArrowLeft", "ArrowDown"] + ["ArrowLeft"] * 4, "Pattern", [5]),
    (["Enter"], 5, []),
    (["KeyG", "ArrowRight", "Escape", "KeyG", "ArrowRight", "KeyG"], 5, []),
    (["KeyG"], "Pattern", [5]),
    (2, 2, []),
]
GALLERY_SHOWN = """const m = window.quilmorante.module, heap = m.HEAPU8;
    const at = m._quilmorante_pixels(), texts = Array.from({length: m._quilmorante_text_count()},
        (_, i) => m.UTF8ToString(m._quilmorante_text_bytes(i))).join('\\n');
    const found = /^(Pattern|Palette) slots|^Pattern: +(\\d+)/m.exec(texts);
    const cursor = [...Array(100).keys()].filter((s) => {
      const i = at + 4 * (arguments[0] * (60 + 42 * Math.floor(s / 10)) + 64 * (s % 10) + 60);
      return (heap[i] << 16 | heap[i + 1] << 8 | heap[i + 2]) === 0x403020; });
    return [found && (found[1] ?? Number(found[2])), cursor, document.activeElement.id];"""


def start_browser(download_dir, profile):
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        print("skipped: python3-selenium is not installed", flush=True)
        sys.exit(SKIP)
    for tool in ("/usr/bin/chromium", "/usr/bin/chromedriver"):
        if not os.path.exists(tool):
            print("skipped: %s not found (Debian packages chromium, chromium-driver)" % tool)
            sys.exit(SKIP)
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--window-size=1000,1000",
                 "--user-data-dir=" + profile):
        options.add_argument(flag)
    options.add_experimental_option("prefs", {"download.default_directory": download_dir,
                                              "download.prompt_for_download": False})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                           {"behavior": "allow", "downloadPath": download_dir})
    return driver


def wait_for(driver, script, what, seconds=WAIT_S):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = driver.execute_script(script)
        if value:
            return value
        time.sleep(0.05)
    error = driver.execute_script("return window.quilmorante && window.quilmorante.error")
    raise AssertionError("timed out waiting for %s%s" % (what, " (%s)" % error if error else ""))


def open_page(driver, url):
    driver.get(url)
    wait_for(driver, "return window.quilmorante && window.quilmorante.frames > 0", "a frame")


def frames_pass(driver, count=2):
    """Waits until `count` more frames have been ticked."""
    start = driver.execute_script("return window.quilmorante.frames")
    wait_for(driver, "return window.quilmorante.frames >= %d" % (start + count), "frames")


def press(driver, code):
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.keys import Keys
    key = {"Space": Keys.SPACE, "ArrowRight": Keys.ARROW_RIGHT, "ArrowLeft": Keys.ARROW_LEFT,
           "ArrowDown": Keys.ARROW_DOWN, "ArrowUp": Keys.ARROW_UP, "Tab": Keys.TAB,
           "Enter": Keys.RETURN, "Escape": Keys.ESCAPE}.get(code)
    key = key or code[len("Key"):].lower()
    ActionChains(driver).key_down(key).key_up(key).perform()
    frames_pass(driver)


def canvas_offset(driver, x, y):
    """Selenium's offset from the canvas's centre of the picture pixel (x, y)."""
    box = driver.execute_script(
        "const r = document.getElementById('screen').getBoundingClientRect();"
        "return [r.width, r.height];")
    return (int((x + 0.5) * box[0] / W - box[0] / 2), int((y + 0.5) * box[1] / H - box[1] / 2))


def drag(driver, hover, path):
    """Moves over the hover points, presses at the last, moves along the path, releases."""
    from selenium.webdriver.common.action_chains import ActionChains
    canvas = driver.find_element("id", "screen")
    for x, y in hover:
        ActionChains(driver).move_to_element_with_offset(canvas, *canvas_offset(driver, x, y)) \
            .perform()
        frames_pass(driver)
    ActionChains(driver).click_and_hold().perform()
    frames_pass(driver)
    for x, y in path:
        ActionChains(driver).move_to_element_with_offset(canvas, *canvas_offset(driver, x, y)) \
            .perform()
        frames_pass(driver, 1)
    ActionChains(driver).release().perform()
    frames_pass(driver)


def chord(driver, key):
    """Ctrl and the key together, Ctrl down a frame early and every key up before the next
    frame: the modifier must still count."""
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.keys import Keys
    ActionChains(driver).key_down(Keys.CONTROL).perform()
    frames_pass(driver, 1)
    ActionChains(driver).key_down(key).key_up(key).key_up(Keys.CONTROL).perform()
    frames_pass(driver, 3)


def read_slots(driver):
    found = driver.execute_script("""
        const FS = window.quilmorante.module.FS;
        return arguments[0].map((n) => {
          const path = '/work/savedata/' + n;
          return FS.analyzePath(path).exists ? Array.from(FS.readFile(path)) : null;
        });""", SLOTS)
    return {n: bytes(b) if b is not None else None for n, b in zip(SLOTS, found)}


def saved(driver):
    driver.execute_async_script("window.quilmorante.saved().then(arguments[0])")


def read_bmp24(path):
    """The width, the height and the 0xRRGGBB pixels, row by row from the top."""
    with open(path, "rb") as f:
        data = f.read()
    offset, width, height, bits = (struct.unpack_from("<I", data, 10)[0],
                                   *struct.unpack_from("<iiHH", data, 18)[:2],
                                   struct.unpack_from("<H", data, 28)[0])
    assert bits == 24, "the golden frame must have 24 bits a pixel"
    rows = abs(height)
    pitch = (width * 3 + 3) & ~3
    pixels = []
    for y in range(rows):
        row = offset + (rows - 1 - y if height > 0 else y) * pitch
        pixels.extend(data[row + 3 * x + 2] << 16 | data[row + 3 * x + 1] << 8 | data[row + 3 * x]
                      for x in range(width))
    return width, rows, pixels


def module_exports(driver, url):
    """What one of the page's modules exports, through JSON."""
    return driver.execute_async_script(
        "import(arguments[0]).then((m) => arguments[1](JSON.parse(JSON.stringify(m))))", url)


def ink(pixels, box):
    """The near-white pixels of a box, and the same widened by 5 pixels across, 2 down."""
    x0, y0, x1, y1 = box
    found = set()
    for y in range(y0, y1):
        for x in range(x0, x1):
            p = pixels[y * W + x]
            if (p >> 16) >= 0xC0 and (p >> 8 & 0xFF) >= 0xC0 and (p & 0xFF) >= 0xC0:
                found.add((x, y))
    return {(x + dx, y + dy) for x, y in found for dx in range(-5, 6) for dy in range(-2, 3)}, found


def check_first_frame(driver, golden, font_heights):
    rgba = base64.b64decode(driver.execute_script("""
        const d = window.quilmorante.firstFrame; let s = '';
        for (let i = 0; i < d.length; i += 0x8000) s += String.fromCharCode(...d.subarray(i, i + 0x8000));
        return btoa(s);"""))
    texts = driver.execute_script("return window.quilmorante.firstTexts")
    page = [rgba[4 * i] << 16 | rgba[4 * i + 1] << 8 | rgba[4 * i + 2] for i in range(W * H)]
    # A text in a slot the page has no height for is one of the 17 missing.
    boxes = [(t["x"], t["y"], W, min(H, t["y"] + font_heights[t["slot"]] + 6)) for t in texts
             if 0 <= t["slot"] < len(font_heights)]
    check(len(boxes) == 17, "the first frame draws the editor's 17 texts (%d)" % len(boxes))
    inside = [[False] * W for _ in range(H)]
    for x0, y0, x1, y1 in boxes:
        for y in range(y0, y1):
            inside[y][x0:x1] = [True] * (x1 - x0)
    differing = sum(1 for y in range(H) for x in range(W)
                    if not inside[y][x] and page[y * W + x] != golden[y * W + x])
    check(differing == 0, "outside the text boxes the first frame equals the golden frame "
          "(%d pixels differ)" % differing)
    for n, box in enumerate(boxes):
        page_wide, page_ink = ink(page, box)
        golden_wide, golden_ink = ink(golden, box)
        covered = len(golden_ink & page_wide) / max(1, len(golden_ink))
        covering = len(page_ink & golden_wide) / max(1, len(page_ink))
        check(page_ink and covered >= 0.9 and covering >= 0.9,
              "text %d at (%d, %d): glyph pixels where the desktop's are (%.0f%% / %.0f%%)"
              % (n, box[0], box[1], 100 * covered, 100 * covering))


def wait_downloads(folder, names):
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline:
        if all(os.path.isfile(os.path.join(folder, n)) for n in names):
            return True
        time.sleep(0.1)
    return False


def unzip(path):
    with zipfile.ZipFile(path) as archive:
        check(archive.testzip() is None, "%s reads back with its CRCs" % os.path.basename(path))
        return {n: archive.read(n) for n in archive.namelist()}


def tree(folder):
    files = {}
    for root, _, names in os.walk(folder):
        for n in names:
            with open(os.path.join(root, n), "rb") as f:
                files[os.path.relpath(os.path.join(root, n), folder)] = f.read()
    return files


def replay(tool, data, codes, slots=None):
    """The frame core's files for the key codes, in a fresh copy of the data folder."""
    folder = tempfile.mkdtemp(prefix="quilmorante-replay-")
    for name in ("siro.bmp", "a.bmp"):
        shutil.copy2(os.path.join(data, name), folder)
    shutil.copytree(os.path.join(data, "savedata"), os.path.join(folder, "savedata"))
    for name, content in (slots or {}).items():
        with open(os.path.join(folder, "savedata", name), "wb") as f:
            f.write(content)
    os.mkdir(os.path.join(folder, "result"))
    run = subprocess.run([tool, folder] + [str(c) for c in codes], capture_output=True, text=True)
    check(run.returncode == 0, "replay_keys runs (%s)" % run.stderr.strip())
    return folder


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    site, tool, data, golden = (os.path.abspath(a) for a in sys.argv[1:])
    if not os.path.isfile(os.path.join(site, "quilmorante.wasm")):
        print("skipped: no page in %s (./quickstart.sh web builds it)" % site, flush=True)
        return SKIP
    # The editor's module carries no encoder (M's frames are written without the format
    # table; everything else is the format module's), nor the reading transforms of libpng
    # the palette reader never asks for: either would add a fifth or more. (The palette
    # browser's listing and preview take about 19 KB of it, names and their screen encoding
    # about 10 KB.)
    wasm = os.path.getsize(os.path.join(site, "quilmorante.wasm"))
    check(wasm < 285_000, "the editor's module holds no encoders and none of libpng's unused "
          "reading (%d bytes)" % wasm)
    global W, H
    W, H, golden_pixels = read_bmp24(golden)
    with open(os.path.join(HERE, "..", "..", "generator", "key_codes.h")) as f:
        desktop = {k: int(v, 16) for k, v in re.findall(r"DIK_(\w+) = 0x([0-9A-F]+)", f.read())}
    names = {"Space": "SPACE", "ArrowUp": "UP", "ArrowDown": "DOWN", "ArrowLeft": "LEFT",
             "ArrowRight": "RIGHT", "F1": "F1", "ShiftLeft": "LSHIFT", "ShiftRight": "RSHIFT",
             "ControlLeft": "LCONTROL", "ControlRight": "RCONTROL", "MetaLeft": "LCONTROL",
             "MetaRight": "RCONTROL", "Tab": "TAB", "Enter": "RETURN", "Escape": "ESCAPE",
             "NumpadEnter": "NUMPADENTER", "F2": "F2", "Backspace": "BACK", "PageUp": "PRIOR",
             "PageDown": "NEXT", "Home": "HOME", "End": "END"}
    from serve import make_server
    server = make_server(site)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/index.html" % server.server_port
    work = tempfile.mkdtemp(prefix="quilmorante-web-")
    downloads = os.path.join(work, "downloads")
    os.mkdir(downloads)
    driver = start_browser(downloads, os.path.join(work, "profile"))
    folders = []
    try:
        open_page(driver, url + "?keepFirstFrame")
        constants = module_exports(driver, "./page_constants.js")
        canvas = driver.execute_script(
            "const c = document.getElementById('screen'); return [c.width, c.height];")
        check(canvas == [W, H] == [constants["kScreenWidth"], constants["kScreenHeight"]],
              "the canvas and the page's screen size are the editor frame's, %dx%d (%s, %s)"
              % (W, H, canvas, [constants["kScreenWidth"], constants["kScreenHeight"]]))
        codes = module_exports(driver, "./keys.js")["KEY_CODES"]
        check(all(desktop.get(names.get(k, k[len("Key"):])) == v for k, v in codes.items()),
              "the page's key codes are the desktop's for all %d keys it maps" % len(codes))
        check_first_frame(driver, golden_pixels, constants["kFontHeights"])

        for code in SEQUENCE:
            press(driver, code)
        got = wait_downloads(downloads, ["A-frames.zip", "A-all.zip"])
        check(got, "M and E download A-frames.zip and A-all.zip")
        saved(driver)
        slots = read_slots(driver)
        folders.append(replay(tool, data, [codes[c] for c in SEQUENCE]))
        expected = tree(os.path.join(folders[-1], "result"))
        if got:
            frames = unzip(os.path.join(downloads, "A-frames.zip"))
            everything = unzip(os.path.join(downloads, "A-all.zip"))
            check(sorted(frames) == ["A%s.bmp" % chr(65 + k) for k in range(16)] and
                  all(frames[n] == expected.get(n) for n in frames),
                  "M's sixteen frames equal the desktop's byte for byte")
            check(len(everything) == len(expected) > 40 and everything == expected,
                  "E's %d files equal the desktop's byte for byte (differing: %s)"
                  % (len(expected), sorted(n for n in set(expected) | set(everything)
                                           if expected.get(n) != everything.get(n))[:5]))
        desktop_slots = {n: tree(os.path.join(folders[-1], "savedata")).get(n) for n in SLOTS}
        check(slots == desktop_slots, "the slot files equal the desktop's (%s)"
              % [n for n in SLOTS if slots[n] != desktop_slots[n]])

        open_page(driver, url)
        check(read_slots(driver) == slots, "a reload keeps the saved slots")

        driver.execute_script("""
            const FS = window.quilmorante.module.FS;
            FS.writeFile('/work/savedata/pat1.txt', new Uint8Array(arguments[0]));""",
                              list(GARBAGE))
        driver.execute_async_script("window.quilmorante.persist().then(arguments[0])")
        open_page(driver, url)
        for code in ("ArrowRight", "ArrowLeft"):
            press(driver, code)
        saved(driver)
        error = driver.execute_script("return window.quilmorante.error || null")
        check(error is None, "a garbage slot loads without a failure (%s)" % error)
        folders.append(replay(tool, data, [codes["ArrowRight"], codes["ArrowLeft"]],
                              {"pat1.txt": GARBAGE, **{n: slots[n] for n in SLOTS if n != "pat1.txt"}}))
        desktop = tree(os.path.join(folders[-1], "savedata")).get("pat1.txt")
        check(read_slots(driver)["pat1.txt"] == desktop,
              "the garbage slot loads as on the desktop: saved again, it holds the same values")

        # An edit not saved to a slot outlives the tab: the next visit names its recovery file.
        press(driver, "KeyA")
        open_page(driver, url)
        frames_pass(driver)
        kept = driver.execute_script("""
            const m = window.quilmorante.module;
            const names = m.FS.readdir('/work/savedata').filter((n) => n.includes('.unsaved'));
            const texts = Array.from({length: m._quilmorante_text_count()},
                                     (_, i) => m.UTF8ToString(m._quilmorante_text_bytes(i)));
            return [names, texts.some((t) => t.includes('pat0 [Ctrl+R]'))];""")
        check(kept == [["pat0.unsaved.txt"], True],
              "a reload keeps the unsaved edit as savedata/pat0.unsaved.txt and offers it back (%s)" % kept)
        unsaved = driver.execute_script("""
            return Array.from(window.quilmorante.module.FS.readFile(
                '/work/savedata/pat0.unsaved.txt'));""")
        chord(driver, "r")
        chord(driver, "s")
        taken = [read_slots(driver)["pat0.txt"] == bytes(unsaved), driver.execute_script(
            "return window.quilmorante.module.FS.analyzePath("
            "'/work/savedata/pat0.unsaved.txt').exists")]
        check(taken == [True, False],
              "Ctrl+R takes the kept edit back and Ctrl+S saves it into pat0.txt (%s)" % taken)

        # The mouse drags point 0 on the single tile; stepping the pattern away and back saves
        # it; three Ctrl+Z bring it back, and the next save holds it as it was.
        original = read_slots(driver)["pat0.txt"]
        press(driver, "KeyP")
        drag(driver, [(40, 40), (16, 16)], [(x, 20) for x in range(18, 32, 2)])
        for code in ("ArrowRight", "ArrowLeft"):
            press(driver, code)
        moved = read_slots(driver)["pat0.txt"]
        check(moved is not None and moved.startswith(b"30,20,"),
              "a mouse drag moves point 0 to (30, 20) (%r)" % (moved or b"")[:12])
        for _ in range(3):
            chord(driver, "z")
        for code in ("ArrowRight", "ArrowLeft"):
            press(driver, code)
        final = read_slots(driver)["pat0.txt"]
        check(final == original,
              "three Ctrl+Z take the drag back: the next save holds the original point (%r, %r)"
              % (original[:14], (final or b"")[:14]))

        # The language toggle beside the canvas, and a reload that keeps it.
        driver.find_element("id", "language").click()
        frames_pass(driver)
        open_page(driver, url)
        frames_pass(driver)
        shown = driver.execute_script(
            "return [window.quilmorante.language, document.getElementById('language')"
            ".textContent, window.quilmorante.module._quilmorante_language()]")
        check(shown == ["en", "\u65e5\u672c\u8a9e", constants["Language"]["kEnglish"]],
              "the toggle switches to English and a reload keeps it (%s)" % shown)

        # Palette files: the editor reads each in the next frame, the last one's colours go on
        # the swatches, and the copies stay; stepping the palette saves its look for a reload.
        for how, name, content, said in IMPORTS:
            path = os.path.join(work, name)
            with open(path, "wb") as f:
                f.write(content)
            if how == "chooser":
                driver.find_element("id", "import-file").send_keys(path)
            else:
                driver.execute_script(DROP, list(content), name)
            text = wait_for(driver, "const name = %s; %s" % (json.dumps(name), STATUS), name)
            check(text.startswith(said), "%s by %s: the status line says %r (%r)"
                  % (name, how, said, text))
        frames_pass(driver)
        left = sorted(driver.execute_script(
            "return window.quilmorante.module.FS.readdir('/work/palettes')"))
        check(driver.execute_script(IN_A_ROW, COLOURS, W, H) and
              left == sorted([".", ".."] + [name for _, name, _, _ in IMPORTS]),
              "the swatches show the imported colours, and palettes/ keeps the copies (%s)" % left)
        # The palette browser over the copies by keys alone: I, B, a filter, Enter keeps
        # indexed.png (its colours backwards); one Ctrl+Z takes it back; I closes the panel.
        for code in ("KeyI", "KeyB", "KeyI", "KeyN", "KeyD", "Enter"):
            press(driver, code)
        check(driver.execute_script(IN_A_ROW, COLOURS[::-1], W, H),
              "the palette browser, filtered to 'ind', keeps indexed.png")
        chord(driver, "z")
        press(driver, "KeyI")
        check(driver.execute_script(IN_A_ROW, COLOURS, W, H),
              "one Ctrl+Z takes the browser's import back")
        for code in ("ArrowDown", "ArrowRight", "ArrowLeft"):
            press(driver, code)
        saved(driver)
        open_page(driver, url)
        frames_pass(driver)
        check(driver.execute_script("return window.quilmorante.module.FS.analyzePath("
                                    "'/work/savedata/pal0.look.txt').exists") and
              driver.execute_script(IN_A_ROW, COLOURS, W, H),
              "stepping the palette saves pal0.look.txt, and a reload keeps its colours")

        # A long loop's E encodes between frames; its files download when it ends.
        driver.execute_script("""
            window.quilmorante.module.FS.writeFile('/work/savedata/pal0.cycles.txt',
                                                   '0,4,1,reverse,1\\n');""")
        driver.execute_async_script("window.quilmorante.persist().then(arguments[0])")
        open_page(driver, url)
        press(driver, "KeyE")
        wait_for(driver, "return window.quilmorante.downloads.length === 1", "the long E's ZIP")
        names = driver.execute_script(
            "return window.quilmorante.downloads[0].files.map((f) => f.name)")
        check({"A-%04d.bmp" % j for j in range(80)} | {"A.gif"} <= set(names),
              "a long loop's E downloads its 80 numbered frames and the rest when the job ends "
              "(%s)" % names[:2])

        # The gallery reads the slots when it opens: slot 5 holds slot 2's pattern.
        driver.execute_script("""
            const FS = window.quilmorante.module.FS;
            FS.writeFile('/work/savedata/pat5.txt', FS.readFile('/work/savedata/pat2.txt'));""")
        for step, shown, cursor in GALLERY:
            if isinstance(step, int):
                drag(driver, [(64 * (step % 10) + 20, 22 + 44 * (step // 10) + 20)], [])
            else:
                for code in step:
                    press(driver, code)
            got = driver.execute_script(GALLERY_SHOWN, W)
            check(got == [shown, cursor, "screen"], "gallery after %s: shows %r, the cursor on %s, "
                  "the canvas keeps the focus (%s)" % (step, shown, cursor, got))
        check(driver.execute_script("const FS = window.quilmorante.module.FS;"
                                    "return String(FS.readFile('/work/savedata/pat5.txt')) === "
                                    "String(FS.readFile('/work/savedata/pat2.txt'));"),
              "the gallery loaded slot 5 from its file: leaving it saves the same bytes")
        press(driver, "Tab")
        check(driver.execute_script("return document.activeElement.id") != "screen",
              "with the gallery closed, Tab moves the browser's focus off the canvas")
    finally:
        driver.quit()
        server.shutdown()
        for folder in folders + [work]:
            shutil.rmtree(folder, ignore_errors=True)

    print("page_test: %d passed, %d failed" % (len(passes), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
