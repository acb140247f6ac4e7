#pragma once
// What a pattern slot and a palette slot mean, as plain values: the pattern's four points and
// shape flags; the palette's key digits, its cycle ranges and its look. A Document is what is
// drawn and exported: a pattern at a tile size and mosaic level, in a palette's colours,
// under an id letter. The exports, the export tool and the slot files all work from these;
// none of them needs the editor's state.

#include <algorithm>
#include <cstdint>

#include "generator/cycle_ranges.h"
#include "generator/palette_look.h"
#include "generator/pattern_label.h"
#include "generator/program_limits.h"

// Cell (x, y) is element x * 256 + y; only the width x height tile carries data.
using PatternMap = int32_t[kMapCells];
// 16 entries x {red, green, blue}.
using Palette = int32_t[kPaletteEntries][kChannels];
// 16 entries x {red, green, blue} key digits 0..9; 0 means no key.
using PaletteKeys = int32_t[kPaletteEntries][kChannels];

// A point's fields and the pattern's shape flags: how many (the table of them, with their
// names, is pattern_fields.h).
constexpr int kPointFieldCount = 5;
constexpr int kShapeFieldCount = 4;

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

// What a pattern slot holds: its pattern file's fields, and beside them its name and seed.
struct PatternSlot {
  PatternFields fields;
  PatternLabel label;

  bool operator==(const PatternSlot&) const = default;
};

// What a palette slot holds: its key digits, and beside them its cycle ranges and its look.
struct PaletteSlot {
  PaletteKeys keys = {};
  CycleRanges cycles;
  PaletteLook look;

  bool operator==(const PaletteSlot&) const = default;
};

// A pattern in a palette at a tile size and mosaic level, named by its id letter: what is
// drawn and exported.
struct Document {
  PatternSlot pattern;
  PaletteSlot palette;
  int32_t sizeExpX = 6;
  int32_t sizeExpY = 6;
  int32_t mosaicLevel = 0;
  char idLetter = 'A';

  // 2^sizeExp, the exponents held in kMinTileExp..kMaxTileExp.
  int32_t Width() const { return int32_t{1} << std::clamp(sizeExpX, kMinTileExp, kMaxTileExp); }
  int32_t Height() const { return int32_t{1} << std::clamp(sizeExpY, kMinTileExp, kMaxTileExp); }
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

// What synthesis makes of a pattern at a tile size and mosaic level, for a map of its own.
void SynthesizeMap(const PatternFields& pattern, int32_t width, int32_t height, int32_t mosaicLevel,
                   PatternMap& map);
// What the palette ramp makes of key digits and a look.
void BuildPalette(const PaletteKeys& keys, const PaletteLook& look, Palette& palette);
