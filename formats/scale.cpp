#include "scale.h"

#include <algorithm>
#include <cstddef>

void ScalePixels(const uint8_t* pixels, int edge, int scale, std::vector<uint8_t>& out) {
  const size_t wide = static_cast<size_t>(edge) * static_cast<size_t>(scale);
  out.resize(wide * wide);
  for (int y = 0; y < edge; ++y) {
    const uint8_t* source = pixels + static_cast<size_t>(y) * static_cast<size_t>(edge);
    uint8_t* first = out.data() + static_cast<size_t>(y) * static_cast<size_t>(scale) * wide;
    for (int x = 0; x < edge; ++x)
      std::fill_n(first + static_cast<size_t>(x) * scale, scale, source[x]);
    // The other rows of the block repeat the first.
    for (int r = 1; r < scale; ++r) std::copy_n(first, wide, first + static_cast<size_t>(r) * wide);
  }
}
