#pragma once
// The pixels of a Windows or OS/2 BMP file held in memory: core, info and V4/V5 headers; 1-,
// 2-, 4- and 8-bit palettes, also run-length coded; 16- and 32-bit with or without bit fields;
// 24-bit; bottom-up or top-down rows. JPEG or PNG inside a BMP is refused.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "generator/result.h"

struct BmpImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0xRRGGBB, top row first, width * height
};

// 4096 x 4096, far beyond any texture: bounds what a hostile header can make us allocate.
constexpr int64_t kMaxBmpPixels = int64_t{1} << 24;

// Decodes `size` bytes into `image` (replacing what it held). Fails, saying why, on anything
// that is not a whole BMP image of a supported kind or that claims more than maxPixels
// pixels. A file declaring no pixels decodes to an empty image.
Result DecodeBmp(const uint8_t* data, size_t size, BmpImage& image,
                 int64_t maxPixels = kMaxBmpPixels);
