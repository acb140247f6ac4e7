// A fixed 16-colour picture and its PNG, GIF and lossless WebP files, encoded with the same
// libraries the export formats use, so that the Windows build's bytes can be compared with the
// Linux build's.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace probe {

inline constexpr int kWidth = 160;
inline constexpr int kHeight = 96;

struct Rgb {
  uint8_t r, g, b;
};

// The palette index at (x, y); aborts outside the picture.
int IndexAt(int x, int y);
const std::array<Rgb, 16>& Palette();
// Red, green, blue, alpha for each pixel, row by row.
std::vector<uint8_t> Rgba();

// Each returns false, with `bytes` empty, if its library reports an error.
bool EncodePng(int width, int height, std::vector<uint8_t>& bytes);  // 4-bit palette
bool EncodeGif(std::vector<uint8_t>& bytes);
bool EncodeWebp(std::vector<uint8_t>& bytes);  // lossless, through the animation encoder

}  // namespace probe
