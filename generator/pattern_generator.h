#pragma once
// The one state object of the tool: pattern map, palette and its key digits, control points,
// shape parameters, the editor's small screen state, and the owned frame clock.

#include <cstdint>
#include <iterator>
#include <memory>
#include <string>

#include "generator/cycle_ranges.h"
#include "generator/data_folder.h"
#include "generator/editor_session.h"
#include "generator/frame_clock.h"
#include "generator/palette_look.h"
#include "generator/program_limits.h"
#include "generator/result.h"

struct Canvas;      // the shell's drawing context; a frame input only
struct BackBuffer;  // the shell's back buffer, its display device; a frame input only

// Cell (x, y) is element x * 256 + y; only the width x height tile carries data.
using PatternMap = int32_t[kMapCells];
// 16 entries x {red, green, blue}.
using Palette = int32_t[kPaletteEntries][kChannels];
// 16 entries x {red, green, blue} key digits 0..9; 0 means no key.
using PaletteKeys = int32_t[kPaletteEntries][kChannels];

struct ControlPoint {
  int32_t x;
  int32_t y;
  int32_t scaleX;
  int32_t scaleY;
  int32_t weight;

  bool operator==(const ControlPoint&) const = default;
};

// The pattern as its slot file holds it: the four points and the shape flags.
struct PatternFields {
  ControlPoint points[kPointCount] = {};
  int32_t reverseX = 0;
  int32_t reverseY = 0;
  int32_t distortX = 0;
  int32_t distortY = 0;

  bool operator==(const PatternFields&) const = default;
};

// A field of a struct of numbers and the name messages give it.
template <typename Owner>
struct NamedField {
  const char* name;
  int32_t Owner::*member;
};

// A point's fields and the pattern's shape flags, in the order the slot file, the screen and
// undo give them.
inline constexpr NamedField<ControlPoint> kControlPointFields[] = {
    {"x", &ControlPoint::x},
    {"y", &ControlPoint::y},
    {"scaleX", &ControlPoint::scaleX},
    {"scaleY", &ControlPoint::scaleY},
    {"weight", &ControlPoint::weight}};
inline constexpr NamedField<PatternFields> kShapeFields[] = {
    {"reverseX", &PatternFields::reverseX},
    {"reverseY", &PatternFields::reverseY},
    {"distortX", &PatternFields::distortX},
    {"distortY", &PatternFields::distortY}};

// The slot files as last loaded or saved (an edit is a difference from these), and what
// could not be read of them, for the status line.
struct SlotBaseline {
  PatternFields pattern;
  PaletteKeys keys = {};
  CycleRanges cycles;
  PaletteLook look;
  // Set by LoadPattern (LoadPalette) when the slot file is there but cannot be read (a
  // folder, a FIFO, no permission, too large for a slot file): the slot loads as zeros, as a
  // missing one does, and this names the file and why. Ok otherwise.
  Result patternProblem;
  Result paletteProblem;
  // Set by LoadPalette when the slot's ranges file could not be read (the default list is
  // then used): why. Empty otherwise.
  std::string cyclesProblem;
  // Likewise for the slot's look file (the default look is then used).
  std::string lookProblem;
};

// Palette index of a cell value, negative values included: the value modulo 16 in the
// mathematical sense, so every reader (preview, export) agrees on one rule.
constexpr int ColourIndex(int32_t value) {
  return static_cast<int>(value & 15);
}

// Display intensity of a key digit: 32 * d - 32, and 255 (not 256) for 9. Any other
// non-zero value follows the same formula unclamped.
constexpr int32_t KeyIntensity(int32_t digit) {
  return static_cast<int32_t>(32 * static_cast<int64_t>(digit) - 32 - (digit == 9 ? 1 : 0));
}

// Where plane coordinate t (0..255) falls inside a tile `edge` cells long when every other
// tile along the axis is mirrored: the one rule by which every reader tiles the map.
constexpr int MirroredTileIndex(int t, int edge) {
  const int tile = t / edge, inside = t % edge;
  return tile % 2 == 0 ? inside : edge - 1 - inside;
}

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
  // Where the slots, the exports and the frame template are.
  DataFolder folder;
  // How the palette cycles; kept with the palette slot, in savedata/pal<n>.cycles.txt.
  CycleRanges cycles;
  // Where the palette's colours come from and what they are limited to; kept with the
  // palette slot, in savedata/pal<n>.look.txt.
  PaletteLook look;
  // The editor's panels, gesture, undo, status line and export.
  EditorSession session;
  // The slot files as last loaded or saved, and what could not be read of them.
  SlotBaseline baseline;

  // Zeroes every field, then initialises: 64 x 64 tile, pattern 0 and palette 0 loaded from
  // the working directory, palette rebuilt, map synthesised, preview running.
  PatternGenerator() : PatternGenerator(0, 0) {}
  // The same with the given slots loaded instead of slot 0, so nothing of slot 0 shows
  // through fields the given slot files do not hold.
  PatternGenerator(int patternSlot, int paletteSlot);
  PatternGenerator(const PatternGenerator&) = delete;
  PatternGenerator& operator=(const PatternGenerator&) = delete;

  // Pattern file n: savedata/pat<n>.txt. Missing file: points and shape flags become 0, and
  // so they do for a file that cannot be read (patternProblem says why). Malformed numbers
  // leave their fields as they were.
  void LoadPattern(int n);
  Result SavePattern(int n);
  // Palette file n: savedata/pal<n>.txt, 48 digit characters, channel-major (missing or
  // unreadable: all keys 0, paletteProblem says why); its cycle ranges beside it in
  // savedata/pal<n>.cycles.txt (no file: the default cycle).
  void LoadPalette(int n);
  // Writes the palette file and, when the ranges are not the default or their file exists,
  // the ranges file, both in one crash-safe set.
  Result SavePalette(int n);
  // The pattern's fields as they are now, and set all at once.
  PatternFields Pattern() const;
  void SetPattern(const PatternFields& pattern);
  // Whether the pattern (the palette keys) changed since the slot was last loaded or saved.
  bool PatternEdited() const;
  bool PaletteEdited() const;
  bool CyclesEdited() const;
  bool LookEdited() const;

  // The map read as a 256 x 256 plane of tiles, every other tile mirrored; u, v in 0..255.
  int32_t TiledCell(int u, int v) const {
    return map[MirroredTileIndex(u, width) * kMapEdge + MirroredTileIndex(v, height)];
  }

  // Holds sizeExpX and sizeExpY in 4..8 and sets width and height to 2^exponent: the one
  // place the tile edges follow from the exponents, so no map read can leave the map.
  void UpdateTileSize();

  void Synthesize();
  void RebuildPalette();
  // Writes result/<id>A.bmp .. result/<id>P.bmp from the folder's frame template.
  Result ExportFrames();
};

// What Synthesize makes of a pattern at a tile size and mosaic level, for a map of its own.
void SynthesizeMap(const PatternFields& pattern, int32_t width, int32_t height, int32_t mosaicLevel,
                   PatternMap& map);
// What RebuildPalette makes of key digits and a look.
void BuildPalette(const PaletteKeys& keys, const PaletteLook& look, Palette& palette);
