#include "formats/cycle_aseprite.h"

#include <zlib.h>

#include <cstring>
#include <string>
#include <utility>

#include "formats/scale.h"

namespace {

// Little-endian throughout. Only chunks that every reader of the palette chunk (0x2019) knows
// or skips by their size.
constexpr uint16_t kFileMagic = 0xA5E0;
constexpr uint16_t kFrameMagic = 0xF1FA;
constexpr uint16_t kLayerChunk = 0x2004;
constexpr uint16_t kCelChunk = 0x2005;
constexpr uint16_t kColourProfileChunk = 0x2007;
constexpr uint16_t kTagsChunk = 0x2018;
constexpr uint16_t kPaletteChunk = 0x2019;

constexpr uint64_t kFileHeaderBytes = 128;
constexpr uint64_t kFrameHeaderBytes = 16;
constexpr uint64_t kChunkHeadBytes = 6;  // size (counting these bytes) and type
constexpr uint64_t kColourProfileBytes = kChunkHeadBytes + 16;
constexpr uint64_t kPaletteHeadBytes = kChunkHeadBytes + 20;
constexpr uint64_t kEntryBytes = 6;                         // flags, red, green, blue, alpha
constexpr uint64_t kLayerHeadBytes = kChunkHeadBytes + 16;  // and the name
constexpr uint64_t kCelHeadBytes = kChunkHeadBytes + 16;    // and what the cel type holds
constexpr uint64_t kLinkedCelBytes = kCelHeadBytes + 2;
constexpr uint64_t kTagsHeadBytes = kChunkHeadBytes + 10 + 17;  // one tag, and its name

// Header fields and flags.
constexpr uint16_t kIndexedDepth = 8;
constexpr uint32_t kLayerOpacityValid = 1;
constexpr uint16_t kVisible = 1, kEditable = 2, kBackground = 8;
constexpr uint16_t kSrgb = 1;
constexpr uint16_t kLinkedCel = 1, kCompressedImage = 2;
constexpr uint8_t kOpaque = 255;

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void PutZeros(std::vector<uint8_t>& out, size_t count) {
  out.insert(out.end(), count, 0);
}

void Set32(std::vector<uint8_t>& out, size_t at, uint64_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutName(std::vector<uint8_t>& out, const std::string& name) {
  Put16(out, static_cast<uint32_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
}

// Starts a chunk; returns where its size goes, which EndChunk fills in.
size_t BeginChunk(std::vector<uint8_t>& out, uint16_t type) {
  const size_t at = out.size();
  Put32(out, 0);
  Put16(out, type);
  return at;
}

void EndChunk(std::vector<uint8_t>& out, size_t at) {
  Set32(out, at, out.size() - at);
}

// A frame's header; EndFrame fills in its size and its chunks.
size_t BeginFrame(std::vector<uint8_t>& out, uint32_t milliseconds) {
  const size_t at = out.size();
  Put32(out, 0);
  Put16(out, kFrameMagic);
  Put16(out, 0);  // chunks, the old field
  Put16(out, milliseconds);
  PutZeros(out, 2);
  Put32(out, 0);  // chunks, the new field
  return at;
}

void EndFrame(std::vector<uint8_t>& out, size_t at, uint32_t chunks) {
  Set32(out, at, out.size() - at);
  out[at + 6] = static_cast<uint8_t>(chunks);
  out[at + 7] = static_cast<uint8_t>(chunks >> 8);
  Set32(out, at + 12, chunks);
}

// All sixteen entries, opaque, in every palette chunk: readers of the format that take a
// palette chunk as the sprite's whole palette lose the entries a chunk of only the run that
// changed leaves out.
void PutPalette(std::vector<uint8_t>& out, const uint8_t (&colours)[kPaletteEntries][kChannels]) {
  const size_t at = BeginChunk(out, kPaletteChunk);
  Put32(out, kPaletteEntries);
  Put32(out, 0);
  Put32(out, kPaletteEntries - 1);
  PutZeros(out, 8);
  for (int k = 0; k < kPaletteEntries; ++k) {
    Put16(out, 0);  // no name
    out.insert(out.end(), colours[k], colours[k] + kChannels);
    out.push_back(kOpaque);
  }
  EndChunk(out, at);
}

// A cel of layer 0 at 0, 0; what its type holds follows.
size_t BeginCel(std::vector<uint8_t>& out, uint16_t type) {
  const size_t at = BeginChunk(out, kCelChunk);
  Put16(out, 0);  // layer
  Put32(out, 0);  // x, y
  out.push_back(kOpaque);
  Put16(out, type);
  PutZeros(out, 7);  // z-index 0 and reserved
  return at;
}

constexpr uint32_t kFirstFrameChunks = 5;

// Frame 0's chunks: the colour profile, the whole palette, the layer, the index image and
// the tag over the loop.
Result PutFirstChunks(const Cycle& cycle, const std::string& name, int scale,
                      const uint8_t (&colours)[kPaletteEntries][kChannels],
                      std::vector<uint8_t>& out) {
  const uint32_t edge = static_cast<uint32_t>(Cycle::kEdge * scale);
  size_t at = BeginChunk(out, kColourProfileChunk);
  Put16(out, kSrgb);
  Put16(out, 0);      // no fixed gamma
  PutZeros(out, 12);  // the gamma, reserved
  EndChunk(out, at);

  PutPalette(out, colours);

  // A background layer: index 0 is a colour like any other, not transparency.
  at = BeginChunk(out, kLayerChunk);
  Put16(out, kVisible | kEditable | kBackground);
  Put16(out, 0);  // a normal layer
  Put16(out, 0);  // child level
  Put16(out, edge);
  Put16(out, edge);
  Put16(out, 0);  // blend mode normal
  out.push_back(kOpaque);
  PutZeros(out, 3);
  PutName(out, name);
  EndChunk(out, at);

  std::vector<uint8_t> indices;
  ScalePixels(cycle.pixels, Cycle::kEdge, scale, indices);
  at = BeginCel(out, kCompressedImage);
  Put16(out, edge);
  Put16(out, edge);
  uLongf packed = compressBound(static_cast<uLong>(indices.size()));
  const size_t data = out.size();
  out.resize(data + packed);
  if (compress2(out.data() + data, &packed, indices.data(), static_cast<uLong>(indices.size()),
                Z_DEFAULT_COMPRESSION) != Z_OK)
    return Result::Fail("Aseprite: zlib failed");
  out.resize(data + packed);
  EndChunk(out, at);

  at = BeginChunk(out, kTagsChunk);
  Put16(out, 1);
  PutZeros(out, 8);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(cycle.frames - 1));
  out.push_back(0);  // forward
  PutZeros(out, 8);  // repeat: unsaid (loops in the editor), reserved
  PutZeros(out, 4);  // the old tag colour, black
  PutName(out, name);
  EndChunk(out, at);
  return Result::Ok();
}

// The frame count is a 16-bit field.
Result Check(const Cycle& cycle, int scale) {
  if (Result checked = CheckAnimation("Aseprite", cycle, scale); !checked) return checked;
  if (cycle.frames > 0xFFFF)
    return Result::Fail("Aseprite: a file holds at most 65535 frames, not " +
                        std::to_string(cycle.frames));
  return Result::Ok();
}

// The file's size from above: every later frame changing its palette, and the index image at
// zlib's bound for data that does not compress.
uint64_t MostBytes(const Cycle& cycle, const std::string& name, int scale) {
  const uint64_t edge = uint64_t{Cycle::kEdge} * static_cast<uint64_t>(scale);
  const uint64_t palette = kPaletteHeadBytes + kPaletteEntries * kEntryBytes;
  const uint64_t first = kColourProfileBytes + (kLayerHeadBytes + 2 + name.size()) +
                         (kCelHeadBytes + 4 + compressBound(static_cast<uLong>(edge * edge))) +
                         (kTagsHeadBytes + 2 + name.size());
  const uint64_t frames = static_cast<uint64_t>(cycle.frames);
  return kFileHeaderBytes + frames * (kFrameHeaderBytes + palette + kLinkedCelBytes) + first -
         kLinkedCelBytes;
}

}  // namespace

Result StartAseprite(const Cycle& cycle, char id, int scale, const std::string& path,
                     Encoding& encoding) {
  if (Result checked = Check(cycle, scale); !checked) return checked;
  OneStep(encoding, [&cycle, id, scale, path](std::vector<ExportFile>& files) {
    ExportFile file{path, {}};
    if (Result encoded = EncodeAseprite(cycle, id, scale, file.bytes); !encoded) return encoded;
    files.push_back(std::move(file));
    return Result::Ok();
  });
  encoding.bytes = MostBytes(cycle, std::string(1, id), scale);
  return Result::Ok();
}

Result EncodeAseprite(const Cycle& cycle, char id, int scale, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (Result checked = Check(cycle, scale); !checked) return checked;
  const std::string name(1, id);
  const uint32_t edge = static_cast<uint32_t>(Cycle::kEdge * scale);
  const uint32_t milliseconds = 10 * static_cast<uint32_t>(cycle.delayCentiseconds);
  std::vector<uint8_t> out;
  out.reserve(MostBytes(cycle, name, scale));
  Put32(out, 0);  // the file's size, filled in at the end
  Put16(out, kFileMagic);
  Put16(out, static_cast<uint32_t>(cycle.frames));
  Put16(out, edge);
  Put16(out, edge);
  Put16(out, kIndexedDepth);
  Put32(out, kLayerOpacityValid);
  Put16(out, milliseconds);  // the old speed, for readers without frame durations
  PutZeros(out, 8);
  out.push_back(0);  // transparent index, for layers other than the background
  PutZeros(out, 3);
  Put16(out, kPaletteEntries);
  out.push_back(1);  // square pixels
  out.push_back(1);
  PutZeros(out, 8);  // no grid
  PutZeros(out, kFileHeaderBytes - out.size());

  uint8_t colours[kPaletteEntries][kChannels], before[kPaletteEntries][kChannels] = {};
  for (int j = 0; j < cycle.frames; ++j) {
    const size_t frame = BeginFrame(out, milliseconds);
    cycle.Colours(j, colours);
    uint32_t chunks = 0;
    if (j == 0) {
      if (Result put = PutFirstChunks(cycle, name, scale, colours, out); !put) return put;
      chunks = kFirstFrameChunks;
    } else {
      if (std::memcmp(colours, before, sizeof colours) != 0) {
        PutPalette(out, colours);
        ++chunks;
      }
      const size_t cel = BeginCel(out, kLinkedCel);
      Put16(out, 0);  // frame 0's cel
      EndChunk(out, cel);
      ++chunks;
    }
    EndFrame(out, frame, chunks);
    std::memcpy(before, colours, sizeof before);
  }
  Set32(out, 0, out.size());
  bytes = std::move(out);
  return Result::Ok();
}
