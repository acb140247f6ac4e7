#pragma once
// The colour cycle as one looping animated GIF: the loop's frames (sixteen for the default
// cycle) with the same pixels, each with its own 16-entry colour table, so frame j looks
// exactly like BMP frame j.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/encoding.h"
#include "generator/cycle.h"

// scale: 1, 2, 3, 4 or 8, each pixel enlarged to scale x scale. Each frame shows for the
// cycle's delay. Fails for any other scale. The start encodes frame 0, which gives the file's
// exact size; the encoding's one step writes the file, which it adds at path. The cycle must
// outlive it.
Result StartCycleGif(const Cycle& cycle, int scale, const std::string& path, Encoding& encoding);

// The whole file at once: bytes becomes the GIF file.
Result EncodeCycleGif(const Cycle& cycle, int scale, std::vector<uint8_t>& bytes);
