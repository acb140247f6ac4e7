// The page: one Tick per animation frame (at most 60 a second), the picture put on the
// canvas, the editor's texts drawn over it, keys in, slots kept, exports downloaded, palette
// files handed to the editor.
import createQuilmorante from "./quilmorante.js";
import { Keys } from "./keys.js";
import {
  WORK, KEPT_COPIES, droppedPath, fetchData, prepareFiles, savedataStamp, persistSavedata, takeResults,
} from "./files.js";
import { zipStored } from "./zip.js";
import { UnsavedEdits } from "./unsaved.js";
import { Pointer } from "./pointer.js";
import { Exporter } from "./exporter.js";
import {
  Language, TextFaces, kFontHeights, kFrameRateCeiling, kKeyCodeCount, kScreenHeight,
  kScreenWidth, kSettingsFile,
} from "./page_constants.js";

const FRAME_MS = 1000 / kFrameRateCeiling;
// IPA P Gothic: ascender 1802 of 2048 units, line height one cell.
const ASCENDER = 1802 / 2048;

const canvas = document.getElementById("screen");
const context = canvas.getContext("2d", { alpha: false });
const statusLine = document.getElementById("downloaded");
const shiftJis = new TextDecoder("shift_jis");
const keys = new Keys();
const fontName = "QuilmoranteGothic";
const keepFirstFrame = new URLSearchParams(location.search).has("keepFirstFrame");
const languageButton = document.getElementById("language");
const importButton = document.getElementById("import");
const importChooser = document.getElementById("import-file");
const SETTINGS_FILE = `${WORK}/${kSettingsFile}`;
const SETTINGS_STORE = "quilmorante-settings";

// The page follows the editor's language: its help, its own messages, and the toggle, which
// offers the other one.
function showLanguage(language) {
  const english = language === Language.kEnglish;
  document.documentElement.lang = english ? "en" : "ja";
  for (const help of document.querySelectorAll("[data-help]"))
    help.hidden = help.dataset.help !== (english ? "en" : "ja");
  languageButton.textContent = english ? "日本語" : "English";
  importButton.textContent = english ? "Import palette" : "パレット読込";
  importButton.title = english ? "Import a palette file (or drop one on the picture)"
    : "パレットファイルを読み込む(絵にドロップしても可)";
  page.language = english ? "en" : "ja";
}

function fontOf(slot) {
  return `${kFontHeights[slot] ?? kFontHeights[2]}px ${fontName}`;
}

function cString(module, pointer) {
  const heap = module.HEAPU8;
  let end = pointer;
  while (heap[end] !== 0) end++;
  return shiftJis.decode(heap.subarray(pointer, end));
}

// Whole-pixel advances per glyph, as the desktop's renderer steps its pen; measured once.
const advances = new Map();
function advance(slot, character) {
  const key = `${slot}:${character}`;
  let width = advances.get(key);
  if (width === undefined) {
    context.font = fontOf(slot);
    width = Math.round(context.measureText(character).width);
    advances.set(key, width);
  }
  return width;
}

function lineWidth(slot, line) {
  let width = 0;
  for (const character of line) width += advance(slot, character);
  return width;
}

function measureText(module, slot, pointer) {
  return lineWidth(slot, cString(module, pointer));
}

// Each distinct text drawn once into a bitmap of its own, clipped to its text box; a frame
// then only copies bitmaps. The editor's texts change only when a value does.
const textBitmaps = new Map();
function textBitmap(slot, text) {
  const key = `${slot}\n${text}`;
  let bitmap = textBitmaps.get(key);
  if (bitmap !== undefined) return bitmap;
  if (textBitmaps.size > 1024) textBitmaps.clear();
  const height = kFontHeights[slot];
  const lines = text.split(/\r\n|\r|\n/);
  const width = Math.min(TextFaces.kBoxWidth,
    Math.max(1, ...lines.map((line) => lineWidth(slot, line) + height)));
  bitmap = new OffscreenCanvas(width,
    Math.min(TextFaces.kBoxHeight, lines.length * height + height));
  const pen = bitmap.getContext("2d");
  pen.font = fontOf(slot);
  pen.fillStyle = "#ffffff";
  const baseline = Math.round(height * ASCENDER);
  lines.forEach((line, n) => {
    let x = 0;
    for (const character of line) {
      if (character !== " ") pen.fillText(character, x, n * height + baseline);
      x += advance(slot, character);
    }
  });
  textBitmaps.set(key, bitmap);
  return bitmap;
}

// Each text of the last frame, with its slot, bytes and bitmap: a text with the same slot and
// bytes as the one in its place takes that bitmap, without decoding it or building its key.
const lastTexts = [];
function sameBytes(heap, pointer, bytes) {
  for (let k = 0; k < bytes.length; k++) if (heap[pointer + k] !== bytes[k]) return false;
  return heap[pointer + bytes.length] === 0;
}

function drawTexts(module) {
  const count = module._quilmorante_text_count();
  const heap = module.HEAPU8;
  for (let i = 0; i < count; i++) {
    const slot = module._quilmorante_text_slot(i);
    if (kFontHeights[slot] === undefined) continue;
    const pointer = module._quilmorante_text_bytes(i);
    let last = lastTexts[i];
    if (last === undefined || last.slot !== slot || !sameBytes(heap, pointer, last.bytes)) {
      let end = pointer;
      while (heap[end] !== 0) end++;
      const bytes = heap.slice(pointer, end);
      last = lastTexts[i] = { slot, bytes, bitmap: textBitmap(slot, shiftJis.decode(bytes)) };
    }
    context.drawImage(last.bitmap, module._quilmorante_text_x(i), module._quilmorante_text_y(i));
  }
}

function fitCanvas() {
  const room = document.getElementById("stage").getBoundingClientRect();
  const scale = Math.max(1, Math.floor(Math.min(room.width / kScreenWidth,
    window.innerHeight * 0.8 / kScreenHeight)));
  canvas.style.width = `${kScreenWidth * scale}px`;
  canvas.style.height = `${kScreenHeight * scale}px`;
}

function download(name, blob) {
  const link = document.createElement("a");
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60_000);
}

// An export's files, as one ZIP: "A-frames.zip" after M, "A-all.zip" after E.
function offerResults(module) {
  // M writes its BMP frames alone; asked before they leave result/.
  const frames = module._quilmorante_results_are_frames() !== 0;
  const files = takeResults(module.FS);
  if (files.length === 0) return;
  // The BMP frames keep the id letter; the other formats may take the slot's name.
  const id = (files.find((file) => file.name.endsWith(".bmp")) ?? files[0]).name[0];
  const name = `${id}-${frames ? "frames" : "all"}.zip`;
  const blob = zipStored(files);
  page.downloads.push({ name, files });
  download(name, blob);
  const range = `${files[0].name} … ${files[files.length - 1].name}`;
  statusLine.textContent = page.language === "en"
    ? `Downloaded ${name}: ${files.length} files (${range})`
    : `${name} をダウンロードしました: ${files.length} ファイル (${range})`;
}

// The editor draws names in code page 932 through a table of the two-byte characters that the
// page fills from the decoder it draws with: each pair of the editor's leads and every trail
// byte, its character, or 0 where the pair is none (the half-width katakana and ASCII, which
// a bad lead leaves behind, are single bytes, and no pair).
function fillScreenTable(module) {
  const at = module._malloc(4);
  const read = (pointer) => [pointer, new DataView(module.HEAPU8.buffer).getInt32(at, true)];
  const [table, count] = read(module._quilmorante_screen_table(at));
  const [leads] = read(module._quilmorante_screen_table_leads(at));
  module._free(at);
  const units = new Uint16Array(module.HEAPU8.buffer, table, count);
  for (let i = 0; i < count; i++) {
    const t = i % 188;
    const pair = [module.HEAPU8[leads + Math.floor(i / 188)], t < 63 ? 0x40 + t : 0x41 + t];
    const text = shiftJis.decode(new Uint8Array(pair));
    const unit = text.length === 1 ? text.charCodeAt(0) : 0;
    units[i] = unit === 0xfffd ? 0 : unit;
  }
}

const page = { frames: 0, downloads: [], ready: false, frameTimes: [] };
window.quilmorante = page;

// Files go to the canvas only: dropped anywhere else, or before the editor is ready, the
// browser would open the file in place of the page and its unsaved edits.
window.addEventListener("dragover", (event) => {
  if (event.defaultPrevented) return;
  event.preventDefault();
  event.dataTransfer.dropEffect = "none";
});
window.addEventListener("drop", (event) => event.preventDefault());

// Hands the editor palette files, in the order given, as the desktop hands it files dropped
// on its window: a copy of each in the working folder, cut one byte past what the editor
// reads of a file, so that a larger one is refused without being read whole. The oldest copy
// goes when there are more than KEPT_COPIES.
function importer(module) {
  let copying = Promise.resolve();
  const kept = [];
  const copy = async (file) => {
    const path = droppedPath(file.name);
    if (kept.includes(path)) kept.splice(kept.indexOf(path), 1);
    kept.push(path);
    if (kept.length > KEPT_COPIES) {
      try {
        module.FS.unlink(kept.shift());
      } catch {
        // Gone already.
      }
    }
    try {
      const bytes = await file.slice(0, module._quilmorante_drop_bytes()).arrayBuffer();
      module.FS.writeFile(path, new Uint8Array(bytes));
    } catch {
      // Handed on all the same: the editor's status line says it cannot read the file.
    }
    const name = new TextEncoder().encode(`${path}\0`);
    const at = module._malloc(name.length);
    module.HEAPU8.set(name, at);
    module._quilmorante_drop_file(at);
    module._free(at);
  };
  return (files) => {
    for (const file of files) copying = copying.then(() => copy(file));
  };
}

async function start() {
  const data = fetchData("data");
  const font = new FontFace(fontName, "url(gothic.woff2)");
  // Marks for the start-up figures (bench/web/page_bench.py).
  const [module] = await Promise.all([
    createQuilmorante({
      measureText: (slot, pointer) => measureText(module, slot, pointer),
      exporter: new Exporter(),
    }).then(
      (ready) => (performance.mark("module ready"), ready),
    ),
    font.load().then((face) => (document.fonts.add(face), performance.mark("font ready"))),
  ]);
  page.module = module;
  fillScreenTable(module);
  const { stored } = await prepareFiles(module, data);
  performance.mark("files ready");
  // The language of the last visit: the editor reads it from its settings file.
  const setting = localStorage.getItem(SETTINGS_STORE);
  if (setting !== null) module.FS.writeFile(SETTINGS_FILE, setting);
  const failure = module._quilmorante_start();
  if (failure !== 0) throw new Error(module.UTF8ToString(failure));
  const unsaved = new UnsavedEdits(module);
  // Before the first frame, whose notice then names them.
  const restored = unsaved.restore();
  let stamp = savedataStamp(module.FS);
  let saving = stored.catch((error) => {
    statusLine.textContent = `Cannot keep the slots in this browser: ${error}`;
  });
  window.addEventListener("pagehide", () => unsaved.remember());

  const onKey = (event) => {
    const takesText = module._quilmorante_text_field_open() !== 0;
    if (keys.handle(event, takesText || module._quilmorante_gallery_open() !== 0, takesText))
      event.preventDefault();
  };
  canvas.addEventListener("keydown", onKey);
  canvas.addEventListener("keyup", onKey);
  canvas.addEventListener("blur", () => keys.releaseAll());
  document.addEventListener("visibilitychange", () => keys.releaseAll());
  window.addEventListener("resize", fitCanvas);
  fitCanvas();
  canvas.focus();
  const pointer = new Pointer(canvas, module);
  const importFiles = importer(module);
  canvas.addEventListener("dragover", (event) => {
    event.preventDefault();
    event.dataTransfer.dropEffect = "copy";
  });
  canvas.addEventListener("drop", (event) => {
    event.preventDefault();
    importFiles(event.dataTransfer.files);
    canvas.focus();
  });
  importButton.addEventListener("click", () => importChooser.click());
  importChooser.addEventListener("change", () => {
    importFiles(importChooser.files);
    // Choosing the same file again is a change too.
    importChooser.value = "";
    canvas.focus();
  });
  languageButton.addEventListener("click", () => {
    const english = module._quilmorante_language() === Language.kEnglish;
    module._quilmorante_set_language(english ? Language.kJapanese : Language.kEnglish);
    canvas.focus();
  });
  let language = -1;
  let exporting = false;

  // One tick: keys, the frame, the picture, the texts; then what the frame saved or wrote.
  page.tick = (now) => {
    const at = module._quilmorante_keys();
    const state = module.HEAPU8.subarray(at, at + kKeyCodeCount);
    keys.fill(state);
    // Read now: a tick that grows the module's memory detaches this view.
    const anyKeyDown = state.some((bit) => bit !== 0);
    const typed = keys.takeTyped();
    if (typed !== "") {
      const bytes = new TextEncoder().encode(`${typed}\0`);
      const text = module._malloc(bytes.length);
      module.HEAPU8.set(bytes, text);
      module._quilmorante_type(text);
      module._free(text);
    }
    const begin = performance.now();
    module._quilmorante_tick(now);
    pointer.showShape();
    const pixels = new Uint8ClampedArray(module.HEAPU8.buffer, module._quilmorante_pixels(),
      kScreenWidth * kScreenHeight * 4);
    context.putImageData(new ImageData(pixels, kScreenWidth, kScreenHeight), 0, 0);
    drawTexts(module);
    page.frameTimes.push(performance.now() - begin);
    if (page.frameTimes.length > 600) page.frameTimes.shift();
    page.frames++;
    if (page.frames === 1) {
      page.firstFrameMs = performance.now();
      // For the tests: the first frame as shown, and where its texts went.
      if (keepFirstFrame) {
        page.firstFrame = context.getImageData(0, 0, kScreenWidth, kScreenHeight).data;
        page.firstTexts = Array.from({ length: module._quilmorante_text_count() }, (_, i) => ({
          x: module._quilmorante_text_x(i),
          y: module._quilmorante_text_y(i),
          slot: module._quilmorante_text_slot(i),
        }));
      }
    }
    if (module._quilmorante_language() !== language) {
      language = module._quilmorante_language();
      showLanguage(language);
      // The editor wrote its settings file: kept for the next visit.
      if (module.FS.analyzePath(SETTINGS_FILE).exists)
        localStorage.setItem(SETTINGS_STORE, module.FS.readFile(SETTINGS_FILE, { encoding: "utf8" }));
    }
    // Slots are saved and exports written only in a frame with a key down or the mouse busy,
    // or, for a long loop's export, in the frame that ends it.
    const exportEnded = exporting && module._quilmorante_exporting() === 0;
    exporting = module._quilmorante_exporting() !== 0;
    if (anyKeyDown || pointer.active || exportEnded) {
      pointer.active = false;
      unsaved.remember();
      const fresh = savedataStamp(module.FS);
      if (fresh !== stamp) {
        stamp = fresh;
        page.persist();
      }
      offerResults(module);
    }
  };
  // Copies savedata/ into the browser's storage, after any copy still under way.
  page.persist = () => {
    saving = saving.then(() => persistSavedata(module.FS)).catch((error) => {
      statusLine.textContent = `Cannot keep the slots in this browser: ${error}`;
    });
    return saving;
  };
  page.saved = () => saving;
  if (restored > 0) page.persist();

  let next = performance.now();
  const loop = (now) => {
    // At most 60 ticks a second whatever the display's rate; a stall restarts the schedule.
    if (now >= next - 2) {
      page.tick(now);
      next += FRAME_MS;
      if (now - next > 100) next = now + FRAME_MS;
    }
    requestAnimationFrame(loop);
  };
  requestAnimationFrame(loop);
  page.ready = true;
}

start().catch((error) => {
  statusLine.textContent = `QUILMORANTE cannot start: ${error.message ?? error}`;
  page.error = String(error.message ?? error);
});
