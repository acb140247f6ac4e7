#pragma once
// The one state object of the tool: pattern map, palette and its key digits, control points,
// shape parameters, the editor's small screen state, and the owned frame clock.

#include <cstdint>
#include <iterator>
#include <memory>
#include <string>

#include "generator/cycle_ranges.h"
#include "generator/editor_session.h"
#include "generator/frame_clock.h"
#include "generator/palette_look.h"
#include "generator/pattern_label.h"
#include "generator/program_limits.h"
#include "generator/result.h"
#include "generator/slot_files.h"

struct Canvas;      // the shell's drawing context; a frame input only
struct BackBuffer;  // the shell's back buffer, its display device; a frame input only

// The editing panels SPACE steps through, the values of `panel`.
enum Panel : int32_t { kKeyPanel = 0, kPointPanel = 1, kSettingsPanel = 2, kPanelCount = 3 };

// What the preview shows, the values of `previewMode`.
enum PreviewMode : int8_t {
  kPreviewOff = 0,
  kPreviewTiled = 1,       // the 256 x 256 plane of mirrored tiles
  kPreviewSingleTile = 2,  // one width x height tile
  kPreviewModeCount = 3
};

// base raised to an integer exponent by repeated squaring.
double IntPow(double base, int32_t exponent);

struct PatternGenerator {
  PatternMap map;
  Palette palette;
  PaletteKeys keys;
  int32_t cyclePhase;
  int8_t previewMode;
  int32_t cursorColumn;
  int32_t cursorRow;
  int32_t panel;
  int32_t sizeExpX;
  int32_t sizeExpY;
  int32_t width;
  int32_t height;
  int32_t distortX;
  int32_t distortY;
  int32_t reverseX;
  int32_t reverseY;
  int32_t mosaicLevel;
  ControlPoint points[kPointCount];
  char idLetter;
  uint8_t patternNumber;
  uint8_t paletteNumber;
  std::unique_ptr<FrameClock, void (*)(FrameClock*)> clock;
  BackBuffer* const* deviceRef;
  Canvas* canvas;
  // Where the slots are kept (the data folder's store); without one, slots load as missing
  // files and cannot be saved.
  const SlotStore* store;
  // How the palette cycles; kept with the palette slot, in savedata/pal<n>.cycles.txt.
  CycleRanges cycles;
  // Where the palette's colours come from and what they are limited to; kept with the
  // palette slot, in savedata/pal<n>.look.txt.
  PaletteLook look;
  // The pattern's name and the seed it was drawn from; kept with the pattern slot, in
  // savedata/pat<n>.name.txt.
  PatternLabel label;
  // The editor's panels, gesture, undo, status line and export.
  EditorSession session;
  // The slot files as last loaded or saved, and what could not be read of them.
  SlotBaseline baseline;

  // Zeroes every field, then initialises: 64 x 64 tile, the given slots (0 and 0) loaded
  // from the store, palette rebuilt, map synthesised, preview running.
  explicit PatternGenerator(const SlotStore* slots = nullptr, int patternSlot = 0,
                            int paletteSlot = 0);
  PatternGenerator(const PatternGenerator&) = delete;
  PatternGenerator& operator=(const PatternGenerator&) = delete;

  // Pattern slot n: savedata/pat<n>.txt. Missing file: points and shape flags become 0, and
  // so they do for a file that cannot be read (its problem in the baseline says why).
  // Malformed numbers leave their fields as they were.
  void LoadPattern(int n);
  Result SavePattern(int n);
  // Palette slot n: savedata/pal<n>.txt, 48 digit characters, channel-major (missing or
  // unreadable: all keys 0), and the files beside it: its ranges (no file: the default cycle)
  // and its look (no file: the ramp, no limits).
  void LoadPalette(int n);
  // The palette slot's files in one crash-safe set (see SaveSlot: what is written when).
  Result SavePalette(int n);
  // The current pattern slot and palette slot, every file of both in one crash-safe set.
  Result SaveCurrentSlots();
  // The pattern's fields as they are now, and set all at once.
  PatternFields Pattern() const;
  void SetPattern(const PatternFields& pattern);
  // What is drawn and exported, as a plain value; and a slot's parts taken from one.
  Document AsDocument() const;
  void TakeSlot(SlotKind kind, const Document& document);
  // Whether the part a slot file holds changed since the slot was last loaded or saved.
  bool Edited(const SlotFile& file) const;
  bool PatternEdited() const { return Edited(kSlotFiles[0]); }
  bool PaletteEdited() const { return Edited(kSlotFiles[1]); }
  bool CyclesEdited() const { return Edited(kSlotFiles[2]); }
  bool LookEdited() const { return Edited(kSlotFiles[3]); }
  bool LabelEdited() const { return Edited(kSlotFiles[4]); }

  // The map read as a 256 x 256 plane of tiles, every other tile mirrored; u, v in 0..255.
  int32_t TiledCell(int u, int v) const {
    return map[MirroredTileIndex(u, width) * kMapEdge + MirroredTileIndex(v, height)];
  }

  // Holds sizeExpX and sizeExpY in 4..8 and sets width and height to 2^exponent: the one
  // place the tile edges follow from the exponents, so no map read can leave the map.
  void UpdateTileSize();

  void Synthesize();
  void RebuildPalette();
};
