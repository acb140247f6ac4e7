#pragma once
// The cycles panel, opened and closed with C over the key grid: the palette's cycle ranges,
// one a row with its colours, its entries, speed, mode and blend; the arrows choose a range
// and a field, Z and X change it, SPACE adds a range. Under the swatches a mark shows which
// entries each range covers. While it is open it takes SPACE, Z, X and the arrows.

#include <cstdint>

#include "editor/editor_canvas.h"
#include "editor/screen_layout.h"
#include "generator/pattern_generator.h"

// The panel's area, kCyclesPanelBox: the key grid's, above the swatches.
constexpr int32_t kCyclesX = kCyclesPanelBox.x;
constexpr int32_t kCyclesY = kCyclesPanelBox.y;
constexpr int32_t kCyclesWidth = kCyclesPanelBox.w;
constexpr int32_t kCyclesHeight = kCyclesPanelBox.h;
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

// Reads the panel's keys, changes the ranges and draws the panel's rectangles and the marks
// under the swatches; before the batch ends.
void CyclesPanel(PatternGenerator& g, const EditorCanvas& canvas, const uint8_t* keys);

// Draws the panel's texts; after the batch ends.
void CyclesPanelTexts(const PatternGenerator& g, const EditorCanvas& canvas);

// Z (a = -1) or X (a = +1) on the selected field of the selected range.
void StepCycleField(PatternGenerator& g, int32_t a);

// The range row and field under (x, y), and the field's box; false when none.
bool CycleFieldAt(const PatternGenerator& g, int32_t x, int32_t y, int32_t& row, int32_t& column,
                  ScreenBox& box);

// Adds a range over the first free run of at least two entries after the selected range (or
// from entry 0); false, changing nothing, when there is none or the list is full.
bool AddCycleRange(PatternGenerator& g);
