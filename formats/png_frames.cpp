#include "formats/png_frames.h"

#include <zlib.h>

#include <cstring>
#include <string>

#include "formats/png_encoder.h"
#include "formats/scale.h"

namespace {

uint32_t BigEndian32(const uint8_t* at) {
  return uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3];
}

// Where the PLTE chunk's data starts in a PNG, or 0 if it has no 16-entry PLTE.
size_t FindPalette(const std::vector<uint8_t>& png) {
  size_t at = 8;  // past the signature
  while (at + 12 <= png.size()) {
    const size_t length = BigEndian32(png.data() + at);
    if (std::memcmp(png.data() + at + 4, "PLTE", 4) == 0)
      return length == 3 * kPaletteEntries && at + 12 + length <= png.size() ? at + 8 : 0;
    at += 12 + length;
  }
  return 0;
}

}  // namespace

Result EncodePngFrame(const Cycle& cycle, int frame, int scale, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (frame < 0 || frame >= cycle.frames)
    return Result::Fail("PNG frame: frame " + std::to_string(frame) + " is not one of 0.." +
                        std::to_string(cycle.frames - 1));
  if (Result scaled = CheckScale("PNG frame", scale); !scaled) return scaled;
  // Every frame stores the same indices; only the PLTE turns with the frame.
  const std::vector<uint8_t> packed = PackedPicture(cycle, scale);

  uint8_t table[kPaletteEntries][kChannels];
  cycle.Colours(frame, table);
  // Neighbouring indices mostly differ by a small step: the smallest files of the filters.
  return EncodePackedPng(packed.data(), Cycle::kEdge * scale, table, kPaletteEntries,
                         PngFilter::kSub, "PNG frame", bytes);
}

Result EncodePngFrameBase(const Cycle& cycle, int scale, PngFrameBase& base) {
  if (Result first = EncodePngFrame(cycle, 0, scale, base.bytes); !first) return first;
  base.palette = FindPalette(base.bytes);
  if (base.palette == 0) {
    base.bytes.clear();
    return Result::Fail("PNG frame: libpng wrote no 16-entry PLTE");
  }
  return Result::Ok();
}

void PngFramePatch(const Cycle& cycle, int frame, uint8_t (&patch)[kPngFramePatchBytes]) {
  uint8_t table[kPaletteEntries][kChannels];
  cycle.Colours(frame, table);
  std::memcpy(patch, table, sizeof table);
  // The chunk's CRC covers its type and data.
  static const uint8_t kType[] = {'P', 'L', 'T', 'E'};
  const uLong crc = crc32(crc32(0, kType, 4), patch, 3 * kPaletteEntries);
  uint8_t* end = patch + 3 * kPaletteEntries;
  for (int i = 0; i < 4; ++i) end[i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
}

Result EncodePngFrames(const Cycle& cycle, int scale, std::vector<std::vector<uint8_t>>& frames) {
  frames.assign(static_cast<size_t>(cycle.frames), {});
  PngFrameBase base;
  if (Result first = EncodePngFrameBase(cycle, scale, base); !first) return first;
  uint8_t patch[kPngFramePatchBytes];
  for (int a = 1; a < cycle.frames; ++a) {
    std::vector<uint8_t>& bytes = frames[a];
    bytes = base.bytes;
    PngFramePatch(cycle, a, patch);
    std::memcpy(bytes.data() + base.palette, patch, sizeof patch);
  }
  frames[0] = std::move(base.bytes);
  return Result::Ok();
}
