#include "formats/png_encoder.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "formats/scale.h"

namespace {

// Everything the libpng callbacks touch. Trivially destructible: libpng's errors longjmp
// across the frames that hold it.
struct Session {
  std::vector<uint8_t>* bytes;
  char error[160];
};

void AppendBytes(png_structp png, png_bytep data, size_t length) {
  auto* session = static_cast<Session*>(png_get_io_ptr(png));
  bool full = false;
  try {
    session->bytes->insert(session->bytes->end(), data, data + length);
  } catch (...) {
    full = true;  // no exception may unwind through libpng's C frames
  }
  // Outside the handler, so no exception is alive when png_error jumps away.
  if (full) png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  auto* session = static_cast<Session*>(png_get_error_ptr(png));
  std::snprintf(session->error, sizeof session->error, "%s", message);
  png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Holds nothing with a destructor between setjmp and the last libpng call, so a longjmp
// from libpng skips no destructor. Returns false with session->error set on failure.
bool WriteImage(const PngImage& image, Session* session, uint8_t* scratch) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, session, OnError, IgnoreWarning);
  if (png == nullptr) {
    std::snprintf(session->error, sizeof session->error, "cannot start libpng");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    std::snprintf(session->error, sizeof session->error, "cannot start libpng");
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, session, AppendBytes, FlushNothing);
  int colourType = PNG_COLOR_TYPE_GRAY;
  int bitDepth = 8;
  if (image.layout == PngLayout::kPalette4) {
    colourType = PNG_COLOR_TYPE_PALETTE;
    bitDepth = 4;
  } else if (image.layout == PngLayout::kRgb8) {
    colourType = PNG_COLOR_TYPE_RGB;
  }
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), bitDepth, colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (image.layout == PngLayout::kPalette4) {
    png_color colours[16];
    const int entries = image.paletteEntries < 16 ? image.paletteEntries : 16;
    for (int n = 0; n < entries; ++n)
      colours[n] = png_color{image.palette[n][0], image.palette[n][1], image.palette[n][2]};
    png_set_PLTE(png, info, colours, entries);
  }
  png_set_compression_level(png, kPngCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE,
                 image.filter == PngFilter::kSub  ? PNG_FILTER_SUB
                 : image.filter == PngFilter::kUp ? PNG_FILTER_UP
                                                  : PNG_FILTER_NONE);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) png_write_row(png, image.row(image.context, y, scratch));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

size_t PngRowBytes(const PngImage& image) {
  const size_t width = static_cast<size_t>(image.width);
  switch (image.layout) {
    case PngLayout::kPalette4:
      return (width + 1) / 2;
    case PngLayout::kGrey8:
      return width;
    case PngLayout::kRgb8:
      return 3 * width;
  }
  return 0;
}

Result EncodePng(const PngImage& image, const char* what, std::vector<uint8_t>& bytes) {
  bytes.clear();
  std::vector<uint8_t> scratch(PngRowBytes(image));
  Session session{&bytes, {}};
  if (!WriteImage(image, &session, scratch.data())) {
    bytes.clear();
    return Result::Fail(std::string(what) + ": cannot encode PNG: " + session.error);
  }
  return Result::Ok();
}

void PackNibbles(const uint8_t* indices, size_t count, uint8_t* packed) {
  // In blocks through local arrays: the compiler cannot know the caller's buffers apart, and
  // with locals it packs many bytes an instruction.
  constexpr size_t kBlock = 64;
  size_t i = 0;
  for (; i + kBlock <= count; i += kBlock) {
    uint8_t in[kBlock];
    uint8_t out[kBlock / 2];
    std::memcpy(in, indices + i, kBlock);
    for (size_t j = 0; j < kBlock / 2; ++j)
      out[j] = static_cast<uint8_t>(in[2 * j] << 4 | (in[2 * j + 1] & 15));
    std::memcpy(packed + i / 2, out, kBlock / 2);
  }
  for (; i + 1 < count; i += 2)
    packed[i / 2] = static_cast<uint8_t>(indices[i] << 4 | (indices[i + 1] & 15));
}

std::vector<uint8_t> PackedPicture(const Cycle& cycle, int scale) {
  std::vector<uint8_t> indices;
  const uint8_t* source = cycle.pixels;
  if (scale > 1) {
    ScalePixels(cycle.pixels, Cycle::kEdge, scale, indices);
    source = indices.data();
  }
  const size_t count = static_cast<size_t>(Cycle::kEdge * scale) * (Cycle::kEdge * scale);
  std::vector<uint8_t> packed(count / 2);
  PackNibbles(source, count, packed.data());
  return packed;
}
