#pragma once
// The colour cycle as one sprite sheet for engines' sprite-sheet importers: the sixteen frames
// in reading order (left to right, then top to bottom) with the one 4-bit PLTE of frame A, so
// frame a's cell stores index (k + a) mod 16 where the picture has index k.

#include <cstdint>
#include <vector>

#include "generator/cycle.h"
#include "generator/result.h"

// columns: 1, 2, 4, 8 or 16 frames a row (16: one row, 4096 x 256 at scale 1).
// scale: 1, 2, 3, 4 or 8. bytes becomes the PNG file; on failure it is empty and the message
// names the refused value.
Result EncodeSpriteSheet(const Cycle& cycle, int columns, int scale, std::vector<uint8_t>& bytes);
