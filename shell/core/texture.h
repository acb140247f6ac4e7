#pragma once
// A texture as the rectangles use it: ARGB texels reduced to 3-3-2 colour, with opaque black
// keyed out to transparent.

#include <cstdint>
#include <vector>

#include "generator/result.h"

struct Texture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> texels;  // 0xAARRGGBB, row-major, width * height
  // Every texel is 0xFFFFFFFF: modulation leaves a colour as it is, so the rasteriser may
  // skip the texel fetch.
  bool opaqueWhite = false;
};

// The texel a 24-bit source colour becomes: each channel cut to its top 3, 3 and 2 bits and
// widened again by bit replication (so 0xFF stays 0xFF); black after the cut becomes the
// transparent 0x00000000, everything else is opaque.
uint32_t ReduceTexel(uint32_t rgb);

// Whether every texel of the texture is opaque white.
bool AllOpaqueWhite(const Texture& texture);

// Reads a BMP file of any size into `texture` (replacing what it held); fails, naming the
// file and the reason, when it is missing or not a readable BMP image.
Result LoadTexture(const char* path, Texture*& texture);
void ReleaseTexture(Texture*& texture);
