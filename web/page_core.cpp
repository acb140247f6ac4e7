// What the page calls: one App over a back buffer in the module's memory. Each animation
// frame the page fills the key state, ticks, and reads the picture and the texts back. The
// working folder is the module's file system: siro.bmp, a.bmp, savedata/, result/ and the
// page's copies of files dropped on the canvas.

#include <emscripten/emscripten.h>

#include <string>
#include <utility>
#include <vector>

#include "editor/overlay.h"
#include "editor/palette_browser.h"
#include "editor/screen_encoding.h"
#include "formats/palette_reader.h"
#include "shell/core/app.h"
#include "store/file_system.h"
#include "store/unsaved_work.h"
#include "web/page_exporter.h"
#include "web/page_text.h"

namespace {

BackBuffer* device = nullptr;
App* app = nullptr;
uint8_t keyState[kKeyCodeCount] = {};
MouseState mouse;
std::string failure;
// What quilmorante_unsaved last answered: the slot file's name, then the text.
std::string unsaved;

}  // namespace

extern "C" {

// Sets the canvas up; null when ready, otherwise why not.
EMSCRIPTEN_KEEPALIVE const char* quilmorante_start() {
  if (app != nullptr) return nullptr;
  device = new BackBuffer;
  app = new App;
  app->backBuffer = device;
  app->exporter = MakePageExportRunner();
  app->canvas.text = PageTextFaces();
  if (Result ready = SetupCanvas(app->canvas, device); !ready) {
    failure = ready.message;
    return failure.c_str();
  }
  return nullptr;
}

// The state of every key code the next tick reads, bit 7 while down.
EMSCRIPTEN_KEEPALIVE uint8_t* quilmorante_keys() {
  return keyState;
}

EMSCRIPTEN_KEEPALIVE void quilmorante_tick(double nowMs) {
  if (app == nullptr) return;
  PageTexts().clear();
  // The tick's frame imports the dropped files; their copies stay for the palette browser.
  Tick(*app, keyState, static_cast<uint64_t>(nowMs), mouse);
  mouse.pressed = false;
  mouse.wheel = 0;
  // The picture as the page's ImageData wants it, R, G, B, A bytes, in place: every tick
  // starts by clearing the back buffer, so nothing reads its ARGB words after the frame, and
  // one buffer less stays in the caches.
  uint32_t* color = device->color;
  for (int i = 0; i < kScreenWidth * kScreenHeight; ++i) {
    const uint32_t argb = color[i];
    color[i] = 0xFF000000u | ((argb & 0xFFu) << 16) | (argb & 0xFF00u) | ((argb >> 16) & 0xFFu);
  }
}

// A file dropped on the canvas or chosen with the page's button, copied by the page into the
// data folder's palettes/: the next tick imports it as the desktop imports a dropped file,
// and the copy stays there for the palette browser.
EMSCRIPTEN_KEEPALIVE void quilmorante_drop_file(const char* path) {
  if (app != nullptr) app->dropped.emplace_back(path);
}
// The most bytes of a dropped file the page copies: one more than the palette reader takes,
// so that it refuses a larger file as it would the whole.
EMSCRIPTEN_KEEPALIVE int quilmorante_drop_bytes() {
  return static_cast<int>(kMaxPaletteFileBytes + 1);
}

// How many slot files the editor keeps (the pattern's, the palette's and those beside it):
// quilmorante_unsaved's file is 0 .. this - 1.
EMSCRIPTEN_KEEPALIVE int quilmorante_slot_files() {
  return kSlotFileCount;
}

// Edits not saved to a slot, for the page to keep in the browser's synchronous storage: file
// a row of the slot files' table. The slot file's name, a line end, then the bytes a recovery
// file would hold; the size is quilmorante_unsaved_size(). Empty when there is nothing to keep.
EMSCRIPTEN_KEEPALIVE const char* quilmorante_unsaved(int file) {
  unsaved.clear();
  if (app == nullptr || app->generator == nullptr || file < 0 || file >= kSlotFileCount)
    return unsaved.c_str();
  // The palette browser's preview is no edit: the look it covers is what is kept.
  PatternGenerator& g = *app->generator;
  PaletteLook* covered = CoveredLook(g);
  if (covered != nullptr) std::swap(g.look, *covered);
  std::string slotFile;
  const std::string text = UnsavedText(g, kSlotFiles[file], slotFile);
  if (covered != nullptr) std::swap(g.look, *covered);
  if (!text.empty()) unsaved = slotFile + "\n" + text;
  return unsaved.c_str();
}
EMSCRIPTEN_KEEPALIVE int quilmorante_unsaved_size() {
  return static_cast<int>(unsaved.size());
}

// Keeps what a closed tab left (quilmorante_unsaved's answer, size bytes) as a recovery file
// in savedata/, where the start-up notice finds it. Null when kept, otherwise why not.
EMSCRIPTEN_KEEPALIVE const char* quilmorante_keep(const char* kept, int size) {
  const std::string whole(kept, static_cast<size_t>(size));
  const std::string slotFile = whole.substr(0, whole.find('\n'));
  std::vector<std::string> written;
  const Result result =
      app == nullptr || !IsSlotFileName(slotFile) || slotFile.size() == whole.size()
          ? Result::Fail("not a kept edit of a slot")
          : KeepRecoveryFile(app->folder, slotFile, whole.substr(slotFile.size() + 1), written);
  if (result) return nullptr;
  failure = result.message;
  return failure.c_str();
}

// The pointer for the next tick, in picture pixels; pressed and wheel gather until the tick.
EMSCRIPTEN_KEEPALIVE void quilmorante_mouse(int seen, int32_t x, int32_t y, int down, int pressed,
                                            int32_t wheel) {
  mouse.seen = seen != 0;
  mouse.x = x;
  mouse.y = y;
  mouse.down = down != 0;
  if (pressed != 0) {
    mouse.pressed = true;
    mouse.pressX = x;
    mouse.pressY = y;
  }
  mouse.wheel += wheel;
}

// The PointerShape the last tick asked for.
EMSCRIPTEN_KEEPALIVE int quilmorante_pointer() {
  return static_cast<int>(app != nullptr && app->generator != nullptr
                              ? app->generator->clock->pointer
                              : PointerShape::kArrow);
}

// The screen's Language; the page's toggle sets it as L does.
EMSCRIPTEN_KEEPALIVE int quilmorante_language() {
  return static_cast<int>(app != nullptr && app->generator != nullptr
                              ? app->generator->session.language
                              : Language::kJapanese);
}
EMSCRIPTEN_KEEPALIVE void quilmorante_set_language(int language) {
  if (app != nullptr && app->generator != nullptr)
    app->generator->session.language =
        language == static_cast<int>(Language::kEnglish) ? Language::kEnglish : Language::kJapanese;
}

// Whether an overlay over the whole window (the gallery, the palette browser) is open: the
// page lets the browser have Tab and Escape otherwise.
EMSCRIPTEN_KEEPALIVE int quilmorante_gallery_open() {
  return app != nullptr && app->generator != nullptr &&
         OpenAt(app->generator->session, OverlayPlace::kWindow) != nullptr;
}

// Text typed on the page since the last tick (UTF-8): the next tick's frame takes it.
EMSCRIPTEN_KEEPALIVE void quilmorante_type(const char* text) {
  if (app != nullptr && app->typed.size() < 4096) app->typed += text;
}

// The screen encoding's table, which the page fills from its own code page 932 decoder
// before the first tick (editor/screen_encoding.h), and its lead bytes; count receives the
// size of each.
EMSCRIPTEN_KEEPALIVE uint16_t* quilmorante_screen_table(int* count) {
  return ScreenTable(*count);
}
EMSCRIPTEN_KEEPALIVE const uint8_t* quilmorante_screen_table_leads(int* count) {
  return ScreenTableLeads(*count);
}

// Whether the editor takes typed text (its name field, F2, or an overlay that takes text, the
// palette browser): it then takes every key and what is typed.
EMSCRIPTEN_KEEPALIVE int quilmorante_text_field_open() {
  if (app == nullptr || app->generator == nullptr) return 0;
  const EditorSession& session = app->generator->session;
  const Overlay* window = OpenAt(session, OverlayPlace::kWindow);
  return session.nameField.has_value() || (window != nullptr && window->text != nullptr);
}

// Whether a long loop's export is still encoding: its files appear in result/ when it ends.
EMSCRIPTEN_KEEPALIVE int quilmorante_exporting() {
  return app != nullptr && app->exporter != nullptr && app->exporter->Running();
}

// Whether result/ holds M's frames alone, in either naming: the page names the ZIP of its
// files after it.
EMSCRIPTEN_KEEPALIVE int quilmorante_results_are_frames() {
  std::vector<std::string> names;
  os::ListFolder(DataFolder::kResults, names);
  for (const std::string& name : names)
    if (!DataFolder::IsFrameName(name, name[0], DataFolder::kFrameExtension)) return 0;
  return 1;
}

EMSCRIPTEN_KEEPALIVE const uint8_t* quilmorante_pixels() {
  return reinterpret_cast<const uint8_t*>(device->color);
}

EMSCRIPTEN_KEEPALIVE int quilmorante_text_count() {
  return static_cast<int>(PageTexts().size());
}
EMSCRIPTEN_KEEPALIVE int32_t quilmorante_text_x(int i) {
  return PageTexts().at(i).x;
}
EMSCRIPTEN_KEEPALIVE int32_t quilmorante_text_y(int i) {
  return PageTexts().at(i).y;
}
EMSCRIPTEN_KEEPALIVE int quilmorante_text_slot(int i) {
  return PageTexts().at(i).slot;
}
EMSCRIPTEN_KEEPALIVE const char* quilmorante_text_bytes(int i) {
  return PageTexts().at(i).bytes.c_str();
}

}  // extern "C"
