#include "formats/scale.h"

#include <cstddef>
#include <cstring>
#include <string>

bool ValidScale(int scale) {
  return scale == 1 || scale == 2 || scale == 3 || scale == 4 || scale == 8;
}

Result CheckScale(const char* format, int scale) {
  if (ValidScale(scale)) return Result::Ok();
  return Result::Fail(std::string(format) + ": the scale must be 1, 2, 3, 4 or 8, not " +
                      std::to_string(scale));
}

void ScalePixels(const uint8_t* pixels, int edge, int scale, std::vector<uint8_t>& out) {
  const size_t wide = static_cast<size_t>(edge) * static_cast<size_t>(scale);
  out.resize(wide * wide);
  if (scale == 1) {
    std::memcpy(out.data(), pixels, wide * wide);
    return;
  }
  for (int y = 0; y < edge; ++y) {
    const uint8_t* in = pixels + static_cast<size_t>(y) * static_cast<size_t>(edge);
    uint8_t* row = out.data() + static_cast<size_t>(y) * static_cast<size_t>(scale) * wide;
    for (int x = 0; x < edge; ++x)
      std::memset(row + static_cast<size_t>(x) * static_cast<size_t>(scale), in[x],
                  static_cast<size_t>(scale));
    // The other rows of the block repeat the first.
    for (int k = 1; k < scale; ++k) std::memcpy(row + static_cast<size_t>(k) * wide, row, wide);
  }
}
