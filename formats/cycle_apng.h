#pragma once
// The colour cycle as one looping animated PNG: 16 full frames of the picture, 4-bit
// indexed over frame A's palette, each shown for the cycle's delay. Viewers without APNG
// support show frame A as a still picture.

#include <cstdint>
#include <vector>

#include "generator/cycle.h"
#include "generator/result.h"

// scale: 1, 2, 3, 4 or 8, each pixel a scale x scale block. bytes becomes the whole file.
// Fails for any other scale, a delay outside 1..100, or a zlib failure.
Result EncodeApng(const Cycle& cycle, int scale, std::vector<uint8_t>& bytes);
