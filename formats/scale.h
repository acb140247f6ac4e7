#pragma once
// Whole-pixel enlargement of an index picture: nearest neighbour, so the colours stay the
// sixteen palette indices and a 4-bit format stays 4-bit.

#include <cstdint>
#include <vector>

#include "generator/result.h"

// The scales the exports offer: 1, 2, 3, 4 and 8.
bool ValidScale(int scale);
// Fails, naming the format and the value, for any other scale.
Result CheckScale(const char* format, int scale);

// pixels: edge x edge indices, row-major. out becomes (edge * scale)^2 indices, row-major,
// each source pixel a scale x scale block. scale must be at least 1.
void ScalePixels(const uint8_t* pixels, int edge, int scale, std::vector<uint8_t>& out);
