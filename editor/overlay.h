#pragma once
// The editor's overlays: panels that a key of their own opens over part of the screen and
// closes again, and that take the keys while they are open. Each is one file that fills in an
// Overlay and one row of kOverlays; the frame and the mouse walk the table. Which are open is
// one value of the session, openOverlays, a bit for each row.

#include <cstdint>
#include <iterator>
#include <string>

#include "editor/screen_draw.h"
#include "editor/screen_layout.h"
#include "generator/pattern_generator.h"

// Where an overlay opens. One of a place is open at a time: opening one closes the other.
enum class OverlayPlace {
  // Over the key grid, in kGridOverlayBox: while one is open the editing panels wait and the
  // key grid is not drawn; the mouse acts on it inside its box.
  kKeyGrid,
  // Over the whole window: it takes the frame (its keys, the mouse and the drawing) and only
  // L acts beside it; what it covers stays open beneath it.
  kWindow,
};

// The backdrop of an overlay over the key grid, over all of kGridOverlayBox.
constexpr uint32_t kGridOverlayColour = 0xFF181818;

// What the pointer is over inside an overlay: its item (a row, a row's field, a slot) and
// the box the hover outline goes round.
struct OverlayItem {
  int32_t index = 0;
  int32_t field = 0;
  ScreenBox box = {0, 0, 0, 0};
};

struct Overlay {
  int key;  // opens it and closes it again; 0: another overlay opens it, and it closes itself
  OverlayPlace place;
  // What opening and closing it do besides; null when nothing.
  void (*opened)(PatternGenerator& g);
  void (*closed)(PatternGenerator& g);
  // Its keys while it is open, before its rectangles; they may close it.
  void (*keys)(PatternGenerator& g, const uint8_t* keys, uint64_t nowMs);
  // Its rectangles, before the batch ends, and its texts, after.
  void (*rects)(PatternGenerator& g, const ScreenDraw& screen);
  void (*texts)(const PatternGenerator& g, const ScreenDraw& screen);
  // The item under (x, y); false when none.
  bool (*itemAt)(const PatternGenerator& g, int32_t x, int32_t y, OverlayItem& item);
  // A click on an item, and a notch of the wheel over one (a = +1 up, -1 down); a null wheel
  // does nothing.
  void (*click)(PatternGenerator& g, const OverlayItem& item, uint64_t nowMs);
  void (*wheel)(PatternGenerator& g, const OverlayItem& item, int32_t a, uint64_t nowMs);
  // The text typed since the last frame (UTF-8), before its keys; null for an overlay that
  // takes no text. One that does takes every key while it is open: no other binding acts
  // beside it, L included.
  void (*text)(PatternGenerator& g, const std::string& typed);
  // Where the status line stands while it is open; null where the editor's own line stays
  // uncovered (under the preview).
  const StatusPlace* status;
};

// The rows, each filled in by its panel's file.
extern const Overlay kCyclesOverlay;   // C, cycles_panel.cpp
extern const Overlay kLookOverlay;     // I, look_panel.cpp
extern const Overlay kGalleryOverlay;  // G, gallery.cpp
extern const Overlay kBrowserOverlay;  // B in the palette panel, palette_browser.cpp

// The table: the frame reads a place's keys in its order (C before I).
inline constexpr const Overlay* kOverlays[] = {&kCyclesOverlay, &kLookOverlay, &kGalleryOverlay,
                                               &kBrowserOverlay};
static_assert(std::size(kOverlays) <= 8 * sizeof EditorSession::openOverlays);

bool IsOpen(const EditorSession& session, const Overlay& overlay);
// The overlay open at the place, or null.
const Overlay* OpenAt(const EditorSession& session, OverlayPlace place);

// Where the status line stands: the open overlay's place for it, or under the preview.
const StatusPlace& StatusPlaceOf(const EditorSession& session);

// Opens the overlay (closing the one open at its place first), and closes it; each with what
// its row does besides.
void OpenOverlay(PatternGenerator& g, const Overlay& overlay);
void CloseOverlay(PatternGenerator& g, const Overlay& overlay);

// The keys that open and close the place's overlays, in the table's order; while one over the
// whole window is open, only its own.
void OverlayKeys(PatternGenerator& g, OverlayPlace place, const uint8_t* keys);
