#pragma once
// What the editor keeps between frames beside the document: its panels' cursors, the
// language, the gesture in progress, undo, the status line and the running export; and the
// slot files as last loaded or saved, against which an edit is judged. Synthesis, the ramp
// and the exports read none of it.

#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "generator/cycle_ranges.h"
#include "generator/edit_history.h"
#include "generator/key_codes.h"
#include "generator/palette_look.h"
#include "generator/program_limits.h"
#include "generator/result.h"
#include "generator/status_message.h"

class ExportRunner;        // where the editor's exports are encoded; given by the front-end
class DataFolder;          // where the exports go and the frame template is; the front-end's
struct GalleryThumbnails;  // what the gallery shows of each slot; the editor's own
class PaletteShelf;        // where the palette browser finds files; given by the front-end
struct PaletteBrowsing;    // the palette browser's list, cursor and preview; the editor's own

struct EditorSession {
  // Which of the editor's overlays are open (the cycles panel C and the palette panel I over
  // the key grid, the gallery G and the palette browser over the whole window): a bit for each
  // row of its table of overlays (editor/overlay.h).
  uint8_t openOverlays = 0;
  // The cycles panel's cursor: the range (row) and its field (column: low, high, speed, mode,
  // blend, remove).
  int32_t cycleRow = 0;
  int32_t cycleColumn = 0;
  // The palette panel's row (colours, snap, depth).
  int32_t lookRow = 0;
  // The screen's language; L switches it.
  Language language = Language::kJapanese;
  // The key and mouse help (F1) is shown over the preview.
  bool helpOpen = false;
  // The gallery (G): whether it shows the palette slots (Tab) or the pattern slots, its cursor
  // (a slot), and what it shows of each slot, read when it opens.
  bool galleryPalettes = false;
  int32_t galleryCursor = 0;
  std::shared_ptr<GalleryThumbnails> gallery;
  // The control point being dragged on the single-tile preview, or -1; and whether a drag
  // ended in this frame (its last move is still part of its undo step).
  int32_t dragPoint = -1;
  bool dragEnded = false;
  // Undo and redo, and what the editor keeps between frames for them: Z and X as they were
  // last frame (a held key's repeats make one step), and the keys of a Ctrl chord, which act
  // as nothing else until they are released.
  EditHistory history;
  uint8_t heldValueKeys = 0;
  std::bitset<kKeyCodeCount> chordKeys;
  // What the editor's status line shows; empty at start.
  StatusLine status;
  // What encodes E's and a long loop's M's exports, a slice a frame (null: the front-end
  // exports nothing); while it runs, whose export it is, E's or M's, and its id letter.
  std::shared_ptr<ExportRunner> exporter;
  // The data folder M's frames go into and whose frame template the exports start from;
  // without one the editor exports nothing.
  const DataFolder* folder = nullptr;
  bool exportEveryFormat = false;
  char exportId = 'A';
  std::string exportName;  // the pattern's name, which E's formats are named after
  // The seed R (Shift+R) draws from next; none until the first press, which takes one from
  // the clock.
  std::optional<uint32_t> nextSeed;
  // F2's text field: what is typed so far, while it is open.
  std::optional<std::string> nameField;
  // The look's limit as the preview and the swatches apply it.
  ShownLimit shownLimit;
  // The folders palette files were imported from, most recent first (settings.txt keeps
  // them); the palette browser offers them, with the folders of what the shelf holds.
  std::vector<std::string> paletteFolders;
  std::shared_ptr<PaletteShelf> paletteShelf;
  std::shared_ptr<PaletteBrowsing> browsing;
};
