// Arbitrary bytes as a BMP file: whatever the header claims, decoding stays inside the bytes
// and either fails or yields exactly width * height pixels.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "shell/core/bmp_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BmpImage image;
  const Result decoded = DecodeBmp(data, size, image);
  const size_t expected = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  if (image.pixels.size() != expected || (!decoded && !image.pixels.empty())) std::abort();
  return 0;
}
