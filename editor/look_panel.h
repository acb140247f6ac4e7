#pragma once
// The palette panel (I), over the key grid like the cycles panel: where the palette's colours
// come from (the key ramp or a palette file's run of colours), the target palette every shown
// colour snaps to, and the colour depth. A palette file dropped on the window goes into the
// row under the cursor (colours when the panel is closed).

#include <cstdint>
#include <string>

#include "editor/editor_canvas.h"
#include "editor/screen_layout.h"
#include "generator/pattern_generator.h"

enum LookRow : int32_t { kLookColours, kLookSnap, kLookDepth, kLookRows };

// Reads the panel's keys (the up and down arrows pick a row, Z and X change it) and draws
// its rectangles; before the batch ends.
void LookPanel(PatternGenerator& g, const EditorCanvas& canvas, const uint8_t* keys);
// Draws the panel's texts; after the batch ends.
void LookPanelTexts(const PatternGenerator& g, const EditorCanvas& canvas);

// Z (a = -1) or X (a = +1) on a row: the colours' first entry (below the first, the ramp
// again), the snap (Z turns it off), the depth's bits.
void StepLookRow(PatternGenerator& g, int32_t row, int32_t a);

// The row under (x, y) and its box; false when none.
bool LookRowAt(int32_t x, int32_t y, int32_t& row, ScreenBox& box);

// Reads a palette file into the row (colours or snap; the depth row takes colours), and says
// on the status line what was imported or why not. Nothing changes on failure.
void ImportPalette(PatternGenerator& g, const std::string& path, int32_t row, uint64_t nowMs);
