#pragma once
// Whole-pixel enlargement of the cycle's picture for the formats that offer a bigger copy:
// nearest neighbour, so the indices (and with them the 16 colours) stay exactly as they are.

#include <cstdint>
#include <vector>

// pixels: edge x edge indices, row-major. out becomes (edge * scale)^2 indices, row-major,
// each source pixel a scale x scale block. scale >= 1.
void ScalePixels(const uint8_t* pixels, int edge, int scale, std::vector<uint8_t>& out);
