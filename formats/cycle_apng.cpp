#include "formats/cycle_apng.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "formats/scale.h"
#include "formats/shared_palette.h"
#include "formats/spill.h"

namespace {

// Default zlib effort: these pictures are runs of few values, where more effort gains little.
constexpr int kLevel = Z_DEFAULT_COMPRESSION;

// Frames deflated to judge the file's size, spread over the loop: frames of one loop store
// the same picture through different colours, so they compress alike.
constexpr int kSampleFrames = 4;

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void Put16(std::vector<uint8_t>& out, unsigned value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

// Starts a chunk; returns where its length goes. EndChunk fills in the length and the CRC.
size_t BeginChunk(std::vector<uint8_t>& out, const char (&type)[5]) {
  const size_t at = out.size();
  Put32(out, 0);
  out.insert(out.end(), type, type + 4);
  return at;
}

void EndChunk(std::vector<uint8_t>& out, size_t at) {
  const size_t length = out.size() - at - 8;
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
  // The CRC covers the type and the data.
  const uLong crc = crc32(crc32(0, Z_NULL, 0), out.data() + at + 4, static_cast<uInt>(length + 4));
  Put32(out, static_cast<uint32_t>(crc));
}

// Releases the stream however the encoder leaves.
struct Deflater {
  z_stream stream{};
  bool ready = false;
  ~Deflater() {
    if (ready) deflateEnd(&stream);
  }
};

// Appends the zlib stream of raw to out.
bool Deflate(Deflater& deflater, const std::vector<uint8_t>& raw, std::vector<uint8_t>& out) {
  z_stream& z = deflater.stream;
  if (deflateReset(&z) != Z_OK) return false;
  const size_t start = out.size();
  const uLong bound = deflateBound(&z, static_cast<uLong>(raw.size()));
  out.resize(start + bound);
  z.next_in = const_cast<Bytef*>(raw.data());  // zlib's input pointer is not const
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = out.data() + start;
  z.avail_out = static_cast<uInt>(bound);
  const int status = deflate(&z, Z_FINISH);
  out.resize(start + (bound - z.avail_out));
  return status == Z_STREAM_END;
}

// The file as it grows, frame by frame: each frame's chunks are made in memory, then go to
// the file's sink.
struct Apng {
  const Cycle* cycle = nullptr;
  int scale = 1;
  uint32_t edge = 0;
  SharedPalette palette;
  std::vector<uint8_t> indices;  // the enlarged picture, one index a byte
  std::vector<uint8_t> packed;   // kRemap4: frame 0's rows, filter byte and two indices a byte
  size_t rowBytes = 0;
  std::vector<uint8_t> raw;  // one frame's rows as deflated
  Deflater deflater;
  std::vector<uint8_t> bytes;  // the chunks not yet in out
  FileSink out;
  uint32_t sequence = 0;
};

// Bytes of a stored row: a filter byte and the pixels.
size_t RowBytes(SharedLayout layout, uint32_t edge) {
  return 1 + (layout == SharedLayout::kRemap4 ? edge / 2
              : layout == SharedLayout::kRgb  ? 3 * size_t{edge}
                                              : edge);
}

// The file's bytes but the frames' deflated data: the chunks and what they hold besides.
uint64_t ChunkBytes(const Apng& apng) {
  constexpr uint64_t kChunk = 12;  // length, type, CRC
  const uint64_t head = 8 + (kChunk + 13) + (kChunk + 8);
  const uint64_t palette =
      apng.palette.layout == SharedLayout::kRgb ? 0 : kChunk + 3 * uint64_t(apng.palette.entries);
  const uint64_t frame = (kChunk + 26) + (kChunk + 4);
  return head + palette + uint64_t(apng.cycle->frames) * frame + kChunk;
}

// The file's size from above: every frame's data at zlib's bound for data that does not
// compress.
uint64_t MostBytes(const Apng& apng) {
  const uLong raw = static_cast<uLong>(RowBytes(apng.palette.layout, apng.edge) * apng.edge);
  return ChunkBytes(apng) + uint64_t(apng.cycle->frames) * compressBound(raw);
}

// The enlarged picture, the buffers for a frame's rows and the deflater.
Result Prepare(Apng& apng) {
  const Cycle& cycle = *apng.cycle;
  const uint32_t edge = apng.edge;
  ScalePixels(cycle.pixels, Cycle::kEdge, apng.scale, apng.indices);
  const SharedLayout layout = apng.palette.layout;
  apng.rowBytes = RowBytes(layout, edge);
  // Rows go unfiltered (filters rarely pay on indexed pictures).
  if (layout == SharedLayout::kRemap4) {
    apng.packed.resize(apng.rowBytes * edge);
    for (size_t y = 0; y < edge; ++y) {
      uint8_t* row = apng.packed.data() + y * apng.rowBytes;
      const uint8_t* source = apng.indices.data() + y * edge;
      row[0] = 0;
      for (size_t m = 0; m < edge / 2; ++m)
        row[1 + m] = static_cast<uint8_t>(source[2 * m] << 4 | source[2 * m + 1]);
    }
  }
  apng.raw.resize(apng.rowBytes * edge);
  if (deflateInit(&apng.deflater.stream, kLevel) != Z_OK) return Result::Fail("APNG: zlib failed");
  apng.deflater.ready = true;
  return Result::Ok();
}

Result Begin(Apng& apng) {
  if (Result prepared = Prepare(apng); !prepared) return prepared;
  const Cycle& cycle = *apng.cycle;
  const uint32_t edge = apng.edge;
  const SharedLayout layout = apng.palette.layout;
  std::vector<uint8_t>& bytes = apng.bytes;
  static constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  bytes.assign(kSignature, kSignature + sizeof kSignature);
  size_t at = BeginChunk(bytes, "IHDR");
  Put32(bytes, edge);
  Put32(bytes, edge);
  // Bit depth, colour type (3 indexed, 2 truecolour), deflate, the standard filter set, not
  // interlaced.
  const uint8_t depth = layout == SharedLayout::kRemap4 ? 4 : 8;
  const uint8_t colourType = layout == SharedLayout::kRgb ? 2 : 3;
  bytes.insert(bytes.end(), {depth, colourType, 0, 0, 0});
  EndChunk(bytes, at);

  if (layout != SharedLayout::kRgb) {
    at = BeginChunk(bytes, "PLTE");
    for (int n = 0; n < apng.palette.entries; ++n)
      bytes.insert(bytes.end(), apng.palette.colours[n], apng.palette.colours[n] + kChannels);
    EndChunk(bytes, at);
  }

  at = BeginChunk(bytes, "acTL");
  Put32(bytes, static_cast<uint32_t>(cycle.frames));
  Put32(bytes, 0);  // loop forever
  EndChunk(bytes, at);
  return Result::Ok();
}

// The chunks made so far go to the file.
Result PutChunks(Apng& apng) {
  const Result put = apng.out.Append(apng.bytes.data(), apng.bytes.size());
  apng.bytes.clear();
  return put;
}

// Frame j's rows into raw, filter bytes 0.
void FrameRows(Apng& apng, int j) {
  const size_t edge = apng.edge;
  const auto& stored = apng.palette.stored;
  switch (apng.palette.layout) {
    case SharedLayout::kRemap4: {
      // Both nibbles of a byte mapped at once.
      uint8_t turn[256];
      for (unsigned b = 0; b < 256; ++b)
        turn[b] = static_cast<uint8_t>(stored[j][b >> 4] << 4 | stored[j][b & 15]);
      for (size_t i = 0; i < apng.raw.size(); ++i) apng.raw[i] = turn[apng.packed[i]];
      for (size_t y = 0; y < edge; ++y) apng.raw[y * apng.rowBytes] = 0;
      break;
    }
    case SharedLayout::kIndexed8:
      for (size_t y = 0; y < edge; ++y) {
        uint8_t* row = apng.raw.data() + y * apng.rowBytes;
        const uint8_t* source = apng.indices.data() + y * edge;
        row[0] = 0;
        for (size_t x = 0; x < edge; ++x) row[1 + x] = stored[j][source[x]];
      }
      break;
    case SharedLayout::kRgb: {
      uint8_t table[kPaletteEntries][kChannels];
      apng.cycle->Colours(j, table);
      for (size_t y = 0; y < edge; ++y) {
        uint8_t* row = apng.raw.data() + y * apng.rowBytes;
        const uint8_t* source = apng.indices.data() + y * edge;
        row[0] = 0;
        for (size_t x = 0; x < edge; ++x) std::memcpy(row + 1 + 3 * x, table[source[x]], 3);
      }
      break;
    }
  }
}

Result AddFrame(Apng& apng, int j) {
  std::vector<uint8_t>& bytes = apng.bytes;
  size_t at = BeginChunk(bytes, "fcTL");
  Put32(bytes, apng.sequence++);
  Put32(bytes, apng.edge);
  Put32(bytes, apng.edge);
  Put32(bytes, 0);  // x offset
  Put32(bytes, 0);  // y offset
  Put16(bytes, static_cast<unsigned>(apng.cycle->delayCentiseconds));
  Put16(bytes, 100);
  bytes.push_back(0);  // dispose: none
  bytes.push_back(0);  // blend: source
  EndChunk(bytes, at);

  FrameRows(apng, j);
  // Frame 0 is also the default image, so it goes in IDAT; the others in fdAT.
  if (j == 0) {
    at = BeginChunk(bytes, "IDAT");
  } else {
    at = BeginChunk(bytes, "fdAT");
    Put32(bytes, apng.sequence++);
  }
  if (!Deflate(apng.deflater, apng.raw, bytes)) return Result::Fail("APNG: zlib failed");
  EndChunk(bytes, at);
  return PutChunks(apng);
}

// The file's size from the frames of kSampleFrames deflated now, each standing for its share
// of the loop. The file's own state stays untouched.
Result EstimateBytes(const Apng& apng, uint64_t& bytes) {
  Apng probe;
  probe.cycle = apng.cycle;
  probe.scale = apng.scale;
  probe.edge = apng.edge;
  probe.palette = apng.palette;
  if (Result prepared = Prepare(probe); !prepared) return prepared;
  const uint64_t frames = uint64_t(probe.cycle->frames);
  const uint64_t samples = std::min<uint64_t>(frames, kSampleFrames);
  uint64_t sampled = 0;
  std::vector<uint8_t> data;
  for (uint64_t i = 0; i < samples; ++i) {
    FrameRows(probe, static_cast<int>(i * frames / samples));
    data.clear();
    if (!Deflate(probe.deflater, probe.raw, data)) return Result::Fail("APNG: zlib failed");
    sampled += data.size();
  }
  bytes = ChunkBytes(probe) + (sampled * frames + samples - 1) / samples;
  return Result::Ok();
}

}  // namespace

Result StartApng(const Cycle& cycle, int scale, const std::string& path, Encoding& encoding) {
  if (Result checked = CheckAnimation("APNG", cycle, scale); !checked) return checked;
  auto apng = std::make_shared<Apng>();
  apng->cycle = &cycle;
  apng->scale = scale;
  apng->edge = static_cast<uint32_t>(Cycle::kEdge * scale);
  MakeSharedPalette(cycle, apng->palette);
  encoding.bytes = MostBytes(*apng);
  encoding.estimate = [apng](uint64_t& bytes) { return EstimateBytes(*apng, bytes); };
  encoding.made = [apng] { return apng->out.Size(); };
  FrameSteps(
      encoding, cycle.frames, [apng] { return Begin(*apng); },
      [apng](int j) { return AddFrame(*apng, j); },
      [apng, path](ExportFile& file) {
        EndChunk(apng->bytes, BeginChunk(apng->bytes, "IEND"));
        if (Result put = PutChunks(*apng); !put) return put;
        return apng->out.Finish(path, file);
      });
  return Result::Ok();
}

Result EncodeApng(const Cycle& cycle, int scale, std::vector<uint8_t>& bytes) {
  return EncodeToBytes([&](Encoding& e) { return StartApng(cycle, scale, "", e); }, bytes);
}
