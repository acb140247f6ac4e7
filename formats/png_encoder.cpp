#include "formats/png_encoder.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "formats/scale.h"
#include "formats/spill.h"

namespace {

// Everything the libpng callbacks touch. Trivially destructible: libpng's errors longjmp
// across the frames that hold it.
struct Session {
  FileSink* out;
  char error[160];
};

void AppendBytes(png_structp png, png_bytep data, size_t length) {
  auto* session = static_cast<Session*>(png_get_io_ptr(png));
  bool full = false;
  bool failed = false;
  try {
    const Result put = session->out->Append(data, length);
    if (!put) {
      std::snprintf(session->error, sizeof session->error, "%s", put.message.c_str());
      failed = true;
    }
  } catch (...) {
    full = true;  // no exception may unwind through libpng's C frames
  }
  // Outside the handler, so no exception is alive when png_error jumps away.
  if (full) png_error(png, "out of memory");
  if (failed) png_longjmp(png, 1);
}

void FlushNothing(png_structp) {}

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  auto* session = static_cast<Session*>(png_get_error_ptr(png));
  std::snprintf(session->error, sizeof session->error, "%s", message);
  png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

}  // namespace

// The writer between calls. Lives on the heap, so no libpng call's frame holds it.
struct PngStream {
  PngImage image;
  std::string what;
  FileSink out;
  std::vector<uint8_t> scratch;
  Session session{&out, {}};
  png_structp png = nullptr;
  png_infop info = nullptr;
  bool failed = false;

  ~PngStream() {
    if (png != nullptr) png_destroy_write_struct(&png, &info);
  }
};

namespace {

// Each of these holds nothing with a destructor between its setjmp and its last libpng call,
// so a longjmp from libpng skips no destructor. They return false with session.error set on
// failure.
bool BeginImage(PngStream* stream) {
  const PngImage& image = stream->image;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &stream->session, OnError, IgnoreWarning);
  if (png == nullptr) {
    std::snprintf(stream->session.error, sizeof stream->session.error, "cannot start libpng");
    return false;
  }
  stream->png = png;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    std::snprintf(stream->session.error, sizeof stream->session.error, "cannot start libpng");
    return false;
  }
  stream->info = info;
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &stream->session, AppendBytes, FlushNothing);
  int colourType = PNG_COLOR_TYPE_GRAY;
  int bitDepth = 8;
  const bool indexed = image.layout == PngLayout::kPalette4 || image.layout == PngLayout::kPalette8;
  if (indexed) {
    colourType = PNG_COLOR_TYPE_PALETTE;
    bitDepth = image.layout == PngLayout::kPalette4 ? 4 : 8;
  } else if (image.layout == PngLayout::kRgb8) {
    colourType = PNG_COLOR_TYPE_RGB;
  }
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), bitDepth, colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (indexed) {
    png_color colours[256];
    const int most = 1 << bitDepth;
    const int entries = image.paletteEntries < most ? image.paletteEntries : most;
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
  return true;
}

bool WriteRows(PngStream* stream, int from, int to) {
  png_structp png = stream->png;
  if (setjmp(png_jmpbuf(png))) return false;
  for (int y = from; y < to; ++y)
    png_write_row(png, stream->image.row(stream->image.context, y, stream->scratch.data()));
  return true;
}

bool EndImage(PngStream* stream) {
  png_structp png = stream->png;
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_end(png, nullptr);
  return true;
}

Result StreamFailure(PngStream& stream) {
  stream.failed = true;
  return Result::Fail(stream.what + ": cannot encode PNG: " + stream.session.error);
}

}  // namespace

size_t PngRowBytes(const PngImage& image) {
  const size_t width = static_cast<size_t>(image.width);
  switch (image.layout) {
    case PngLayout::kPalette4:
      return (width + 1) / 2;
    case PngLayout::kPalette8:
    case PngLayout::kGrey8:
      return width;
    case PngLayout::kRgb8:
      return 3 * width;
  }
  return 0;
}

void PngStreamFree::operator()(PngStream* stream) const {
  delete stream;
}

Result StartPng(const PngImage& image, const char* what, PngStreamPtr& stream, bool maySpill) {
  stream.reset(new PngStream);
  if (!maySpill) stream->out = FileSink::InMemory();
  stream->image = image;
  stream->what = what;
  stream->scratch.resize(PngRowBytes(image));
  if (!BeginImage(stream.get())) return StreamFailure(*stream);
  return Result::Ok();
}

Result WritePngRows(PngStream& stream, int from, int to) {
  if (stream.failed)
    return Result::Fail(stream.what + ": cannot encode PNG: an earlier call failed");
  if (!WriteRows(&stream, from, to)) return StreamFailure(stream);
  return Result::Ok();
}

Result FinishPng(PngStream& stream, std::vector<uint8_t>& bytes) {
  if (stream.failed)
    return Result::Fail(stream.what + ": cannot encode PNG: an earlier call failed");
  if (!EndImage(&stream)) return StreamFailure(stream);
  return stream.out.Take(bytes);
}

Result FinishPngFile(PngStream& stream, const std::string& path, ExportFile& file) {
  if (stream.failed)
    return Result::Fail(stream.what + ": cannot encode PNG: an earlier call failed");
  if (!EndImage(&stream)) return StreamFailure(stream);
  return stream.out.Finish(path, file);
}

Result EncodePng(const PngImage& image, const char* what, std::vector<uint8_t>& bytes) {
  bytes.clear();
  PngStreamPtr stream;
  Result result = StartPng(image, what, stream);
  if (result) result = WritePngRows(*stream, 0, image.height);
  if (result) result = FinishPng(*stream, bytes);
  if (!result) bytes.clear();
  return result;
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

namespace {

struct PackedPlane {
  const uint8_t* rows;
  size_t rowBytes;
};

const uint8_t* PlaneRow(const void* context, int y, uint8_t*) {
  const auto* plane = static_cast<const PackedPlane*>(context);
  return plane->rows + static_cast<size_t>(y) * plane->rowBytes;
}

}  // namespace

Result EncodePackedPng(const uint8_t* packed, int edge, const uint8_t (*palette)[3],
                       int paletteEntries, PngFilter filter, const char* what,
                       std::vector<uint8_t>& bytes) {
  const PackedPlane plane{packed, static_cast<size_t>(edge) / 2};
  PngImage image;
  image.width = edge;
  image.height = edge;
  image.layout = PngLayout::kPalette4;
  image.filter = filter;
  image.palette = palette;
  image.paletteEntries = paletteEntries;
  image.row = PlaneRow;
  image.context = &plane;
  return EncodePng(image, what, bytes);
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

uint64_t MostPngBytes(uint64_t rowBytes, uint64_t rows, int paletteEntries) {
  constexpr uint64_t kChunk = 12;  // length, type, CRC
  constexpr uint64_t kIdatBytes = 8192;
  const uint64_t raw = rowBytes * rows;
  // zlib's bound for any window and memory level, with the stream's header and check value.
  const uint64_t data = raw + (raw + 7) / 8 + (raw + 63) / 64 + 5 + 6;
  const uint64_t palette = paletteEntries > 0 ? kChunk + 3 * uint64_t(paletteEntries) : 0;
  return 8 + (kChunk + 13) + palette + data + (data + kIdatBytes - 1) / kIdatBytes * kChunk +
         kChunk;
}
