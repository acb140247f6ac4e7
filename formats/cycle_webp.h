#pragma once
// The colour cycle as one looping lossless animated WebP: 16 full frames of the picture in
// the colours of BMP frames A..P, each shown for the cycle's delay. libwebp merges
// consecutive frames that look the same (a palette with repeated colours) into one longer
// frame, and a cycle that never changes into a still picture: players show the same.

#include <cstdint>
#include <vector>

#include "generator/cycle.h"
#include "generator/result.h"

// scale: 1, 2, 3, 4 or 8, each pixel a scale x scale block. bytes becomes the whole file.
// Fails for any other scale, a delay outside 1..100, or an encoder failure (with libwebp's
// reason).
Result EncodeWebp(const Cycle& cycle, int scale, std::vector<uint8_t>& bytes);
