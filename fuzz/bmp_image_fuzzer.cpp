// Arbitrary bytes as a BMP file: whatever the header claims, decoding stays inside the bytes
// and either fails or yields exactly width * height pixels.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "shell/core/bmp_image.h"

// Run-length coded files claim whole pictures in a few bytes: a cap of 512 x 512 (twice the
// edge of anything the program reads) keeps inputs fast, so a minute tries thousands.
constexpr int64_t kFuzzPixels = 512 * 512;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BmpImage image;
  const Result decoded = DecodeBmp(data, size, image, kFuzzPixels);
  const size_t expected = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  if (image.pixels.size() != expected || (!decoded && !image.pixels.empty())) std::abort();
  return 0;
}
