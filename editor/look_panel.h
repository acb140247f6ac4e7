#pragma once
// The palette panel (I), over the key grid (kLookOverlay, a row of editor/overlay.h): where
// the palette's colours come from (the key ramp or a palette file's run of colours), the
// target palette every shown colour snaps to, and the colour depth. The up and down arrows
// pick a row, Z and X change it. A palette file dropped on the window goes into the row under
// the cursor (colours when the panel is closed).

#include <cstdint>
#include <string>
#include <vector>

#include "generator/pattern_generator.h"

enum LookRow : int32_t { kLookColours, kLookSnap, kLookDepth, kLookRows };

// Z (a = -1) or X (a = +1) on a row: the colours' first entry (below the first, the ramp
// again), the snap (Z turns it off), the depth's bits.
void StepLookRow(PatternGenerator& g, int32_t row, int32_t a);

// The row a dropped palette file goes into: the cursor's while the panel is open, colours
// otherwise.
int32_t DropRow(const PatternGenerator& g);

// What an import does with a file's colours: they go into the row (colours or snap; the depth
// row takes colours) under the file's shown name.
void ApplyPalette(PatternGenerator& g, std::vector<Rgb> colours, const std::string& path,
                  int32_t row);
// An import kept: applied, said on the status line, and its folder remembered.
void KeepPalette(PatternGenerator& g, std::vector<Rgb> colours, const std::string& path,
                 int32_t row, uint64_t nowMs);

// Reads a palette file into the row (colours or snap; the depth row takes colours), and says
// on the status line what was imported or why not. Nothing changes on failure.
void ImportPalette(PatternGenerator& g, const std::string& path, int32_t row, uint64_t nowMs);
