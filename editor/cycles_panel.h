#pragma once
// The cycles panel, opened and closed with C over the key grid (kCyclesOverlay, a row of
// editor/overlay.h): the palette's cycle ranges, one a row with its colours, its entries,
// speed, mode and blend; the arrows choose a range and a field, Z and X change it, SPACE adds a
// range. Under the swatches a mark shows which entries each range covers. While it is open it
// takes SPACE, Z, X and the arrows.

#include <cstdint>

#include "generator/pattern_generator.h"

// The range rows shown at once; the selected one stays in view.
constexpr int kCyclesVisibleRows = 4;

// The fields of a range row, the values of cycleColumn.
enum CycleField : int32_t {
  kCycleLow,
  kCycleHigh,
  kCycleSpeed,
  kCycleMode,
  kCycleBlend,
  kCycleRemove,
  kCycleFieldCount
};
// Where each field of a range row is written, and its cursor box: from 3 pixels left of the
// text, this wide.
constexpr int32_t kCycleFieldX[kCycleFieldCount] = {118, 142, 166, 214, 252, 330};
constexpr int32_t kCycleFieldWidth[kCycleFieldCount] = {22, 22, 44, 36, 74, 40};

// Z (a = -1) or X (a = +1) on the selected field of the selected range.
void StepCycleField(PatternGenerator& g, int32_t a);

// Adds a range over the first free run of at least two entries after the selected range (or
// from entry 0); false, changing nothing, when there is none or the list is full.
bool AddCycleRange(PatternGenerator& g);
