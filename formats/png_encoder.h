#pragma once
// The one place the PNG writers meet libpng: an image described by its layout and a row
// source, encoded into memory. Only the chunks a reader needs (IHDR, PLTE, IDAT, IEND), so
// the bytes depend on nothing but the image: no time, gamma, colour space or text.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "generator/cycle.h"
#include "generator/result.h"
#include "store/safe_file.h"

// zlib level of every PNG written; the export benchmark's floor compresses at the same one.
// Level 1: on these pictures a tenth larger than level 6 and several times faster.
constexpr int kPngCompressionLevel = 1;

enum class PngLayout {
  kPalette4,  // two indices a byte, high nibble first, with a PLTE of up to 16 entries
  kPalette8,  // one index a byte, with a PLTE of up to 256 entries
  kGrey8,     // one grey byte a pixel
  kRgb8,      // red, green, blue bytes a pixel
};

// The one prediction filter every row uses (a fixed one keeps the encoder at zlib's speed).
enum class PngFilter {
  kNone,
  kSub,  // each byte less its left neighbour
  kUp,   // each byte less the one above
};

struct PngImage {
  int width = 0;
  int height = 0;
  PngLayout layout = PngLayout::kGrey8;
  PngFilter filter = PngFilter::kNone;
  // The palette layouts only: red, green, blue of each entry.
  const uint8_t (*palette)[3] = nullptr;
  int paletteEntries = 0;
  // Row y (top row 0) as the file stores it: either a pointer into the caller's data or
  // scratch, filled; scratch holds one row. Must not throw.
  const uint8_t* (*row)(const void* context, int y, uint8_t* scratch) = nullptr;
  const void* context = nullptr;
};

// Bytes per stored row of the image.
size_t PngRowBytes(const PngImage& image);

// bytes becomes the whole file. what names the image in a failure message.
Result EncodePng(const PngImage& image, const char* what, std::vector<uint8_t>& bytes);

// The same file a few rows at a time, for a caller that spreads a large image over many
// calls: StartPng writes the header chunks, WritePngRows rows [from, to) in order, FinishPng
// the end and hands over the bytes, or FinishPngFile the file at path. The image's row
// source and context must outlive the stream. After a failure the stream takes no more
// rows. With maySpill the file goes to a spill file once it grows large (spill.h).
struct PngStream;
struct PngStreamFree {
  void operator()(PngStream* stream) const;
};
using PngStreamPtr = std::unique_ptr<PngStream, PngStreamFree>;
Result StartPng(const PngImage& image, const char* what, PngStreamPtr& stream,
                bool maySpill = false);
Result WritePngRows(PngStream& stream, int from, int to);
Result FinishPng(PngStream& stream, std::vector<uint8_t>& bytes);
Result FinishPngFile(PngStream& stream, const std::string& path, ExportFile& file);

// The size from above of a PNG of rows stored rows of rowBytes bytes (filter byte included)
// with a PLTE of paletteEntries entries: its data at zlib's bound for data that does not
// compress, whatever window libpng picks, in IDAT chunks of 8 KiB.
uint64_t MostPngBytes(uint64_t rowBytes, uint64_t rows, int paletteEntries);

// Packs count indices (count even) two a byte, high nibble first, as 4-bit rows store them.
void PackNibbles(const uint8_t* indices, size_t count, uint8_t* packed);

// bytes becomes a 4-bit palette PNG of edge x edge indices packed as PackNibbles packs them,
// row after row; what names it in a failure message.
Result EncodePackedPng(const uint8_t* packed, int edge, const uint8_t (*palette)[3],
                       int paletteEntries, PngFilter filter, const char* what,
                       std::vector<uint8_t>& bytes);

// The cycle's picture enlarged scale times and packed two pixels a byte, row by row.
std::vector<uint8_t> PackedPicture(const Cycle& cycle, int scale);
