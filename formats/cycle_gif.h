#pragma once
// The colour cycle as one looping animated GIF: the loop's frames (sixteen for the default
// cycle) with the same pixels, each with its own 16-entry colour table, so frame j looks
// exactly like BMP frame j.

#include <cstdint>
#include <vector>

#include "generator/cycle.h"

// scale: 1, 2, 3, 4 or 8, each pixel enlarged to scale x scale. Each frame shows for the
// cycle's delay. bytes becomes the GIF file.
Result EncodeCycleGif(const Cycle& cycle, int scale, std::vector<uint8_t>& bytes);
