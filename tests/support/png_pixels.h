#pragma once
// A PNG's pixels as libpng's simplified reader gives them: an independent reading of what the
// encoders write, for the tests to compare with the frames.

#include <png.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// The pixels of the PNG in bytes, PNG_IMAGE_PIXEL_CHANNELS(format) bytes each, row by row;
// empty when libpng cannot read it. header, when given, receives the image as the file
// describes it (its own format, size and colour-map entries) before any conversion.
inline std::vector<uint8_t> ReadPngPixels(const std::vector<uint8_t>& bytes,
                                          png_uint_32 format = PNG_FORMAT_RGB,
                                          png_image* header = nullptr) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  std::vector<uint8_t> pixels;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return pixels;
  if (header != nullptr) {
    *header = image;
    header->opaque = nullptr;  // the reader's state stays with image, which frees it
  }
  image.format = format;
  pixels.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) pixels.clear();
  return pixels;
}
