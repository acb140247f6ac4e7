#pragma once
// The colour cycle as one sprite sheet for engines' sprite-sheet importers: the loop's frames
// in reading order (left to right, then top to bottom), all over one palette as
// shared_palette.h describes (for the default cycle one 4-bit PLTE of the base palette, frame
// j's cell storing index (k + j) mod 16 where the picture has k). Cells past the last frame
// of a short last row hold index 0 (truecolour: palette entry 0's colour).

#include <cstdint>
#include <string>
#include <vector>

#include "formats/encoding.h"
#include "generator/cycle.h"
#include "generator/result.h"

// The largest sheet side the export makes of its own accord: what common GPUs take as a
// texture.
constexpr int kMaxSheetEdge = 16384;

struct SheetLayout {
  int columns = 0;
  int rows = 0;
};

// The cells of the sheet: the columns asked (no more than the loop's frames), or, when the
// rows would make the sheet taller than kMaxSheetEdge, the fewest more columns that keep it
// within. Fails for columns other than 1, 2, 4, 8, 16, a scale not offered, or a loop that
// does not fit kMaxSheetEdge square at the scale (the message names the frames, the scale
// and the limit) and leaves layout as it was.
Result PlanSheet(const Cycle& cycle, int columns, int scale, SheetLayout& layout);

// scale: 1, 2, 3, 4 or 8. Fails as PlanSheet does. The encoding takes one step a row of
// cells and adds the file at path; the cycle must outlive it.
Result StartSpriteSheet(const Cycle& cycle, int columns, int scale, const std::string& path,
                        Encoding& encoding);

// The whole file at once; on failure bytes is empty and the message names the refused value.
Result EncodeSpriteSheet(const Cycle& cycle, int columns, int scale, std::vector<uint8_t>& bytes);
