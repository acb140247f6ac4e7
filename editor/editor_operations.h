#pragma once
// The editor's changes to the generator, one home for each: the keys, the mouse and undo make
// the same change through the same operation, so saves, syntheses and the status line follow
// alike.

#include <cstdint>

#include "generator/pattern_generator.h"
#include "generator/result.h"

// The settings panel's rows, top to bottom: the cursor row and StepSetting's row.
enum SettingsRow : int32_t {
  kPatternRow,
  kPaletteRow,
  kIdLetterRow,
  kMosaicRow,
  kTileWidthRow,
  kTileHeightRow,
  kSettingsRows
};
constexpr int32_t kPointFields = kPointFieldCount;

// Opaque ARGB of a palette entry; only the low 8 bits of each channel count.
uint32_t EntryColour(const int32_t (&entry)[kChannels]);

// The colours a palette shows at frame `phase` of its cycle, its look's limit applied, as
// opaque ARGB: colour k is what index k shows (with the default cycle, palette entry
// (k + phase) mod 16). What the preview and the gallery draw.
void ShownColours(const Palette& palette, const CycleRanges& cycles, const PaletteLook& look,
                  ShownLimit& limit, uint32_t phase, uint32_t (&colours)[kPaletteEntries]);

// Field steps saturate at the int32 limits rather than overflow: a coordinate held at its
// limit stays there instead of jumping to the other end of the range.
int32_t SaturatingAdd(int32_t value, int32_t delta);

// (value + n) mod n for the cursor wraps. Normal values are never below -1, where this is
// the plain remainder; any other value still lands in 0..n-1. 0 when n is not positive.
int32_t Wrap(int32_t value, int32_t n);

int32_t ClampStep(int32_t value, int32_t a, int32_t lo, int32_t hi);

void ReportFailure(const Result& result, const char* consequence);

// Field 0..4 of a point: x, y, scaleX, scaleY, weight.
int32_t& PointField(ControlPoint& p, int32_t field);

// Z (a = -1) or X (a = +1) on a point's field: the step, the scales of every point clamped at
// 0, the map synthesised.
void StepPointField(PatternGenerator& g, int32_t point, int32_t field, int32_t a);

// A dragged point's new place in the design space, then the same clamp and synthesis.
void MovePoint(PatternGenerator& g, int32_t point, int32_t x, int32_t y);

// Z on a key digit: + 1, 9 wrapping to 0 (no key); X: 0; the wheel's step down: - 1, 1 going
// to 0 and 0 staying. Each rebuilds the palette.
// R (Shift+R): the pattern (the palette keys) the session's next seed gives, the seed on the
// status line.
void DrawRandom(PatternGenerator& g, bool paletteKeys, uint64_t nowMs);
// The pattern seed gives, as R draws it: kept with the seed, the seed on the status line, R
// going on from it.
void DrawSeededPattern(PatternGenerator& g, uint32_t seed, uint64_t nowMs);

void RaiseKeyDigit(PatternGenerator& g, int32_t entry, int32_t channel);
void ClearKeyDigit(PatternGenerator& g, int32_t entry, int32_t channel);
void LowerKeyDigit(PatternGenerator& g, int32_t entry, int32_t channel);

// One LEFT/RIGHT step (a = -1 or +1, or the distance to a slot for undo) on settings row
// 0..5. A switch of pattern or palette number saves the current one first; when that save
// fails the switch is not made, so the unsaved work stays in memory under its own number
// instead of being replaced by the next file.
void StepSetting(PatternGenerator& g, int32_t row, int32_t a, uint64_t nowMs);
