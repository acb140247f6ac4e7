#include "formats/cycle_apng.h"

#include <zlib.h>

#include <cstddef>
#include <string>

#include "formats/scale.h"
#include "generator/frame_export.h"

namespace {

// Default zlib effort: these pictures are runs of few values, where more effort gains little.
constexpr int kLevel = Z_DEFAULT_COMPRESSION;

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

}  // namespace

Result EncodeApng(const Cycle& cycle, int scale, std::vector<uint8_t>& bytes) {
  if (Result scaled = CheckScale("APNG", scale); !scaled) return scaled;
  if (Result timed = CheckDelay("APNG", cycle); !timed) return timed;
  const uint32_t edge = static_cast<uint32_t>(Cycle::kEdge * scale);
  const size_t rowBytes = 1 + edge / 2;  // filter byte, two pixels a byte

  // Frame A's rows, unfiltered (filters rarely pay on indexed pictures).
  std::vector<uint8_t> scaled;
  ScalePixels(cycle.pixels, Cycle::kEdge, scale, scaled);
  std::vector<uint8_t> frameA(rowBytes * edge);
  for (size_t y = 0; y < edge; ++y) {
    uint8_t* row = frameA.data() + y * rowBytes;
    const uint8_t* source = scaled.data() + y * edge;
    row[0] = 0;
    for (size_t m = 0; m < edge / 2; ++m)
      row[1 + m] = static_cast<uint8_t>(source[2 * m] << 4 | source[2 * m + 1]);
  }

  Deflater deflater;
  if (deflateInit(&deflater.stream, kLevel) != Z_OK) return Result::Fail("APNG: zlib failed");
  deflater.ready = true;

  static constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  bytes.assign(kSignature, kSignature + sizeof kSignature);
  size_t at = BeginChunk(bytes, "IHDR");
  Put32(bytes, edge);
  Put32(bytes, edge);
  // 4 bits, indexed, deflate, the standard filter set, not interlaced.
  bytes.insert(bytes.end(), {4, 3, 0, 0, 0});
  EndChunk(bytes, at);

  // One palette for all frames: frame a stores index (k + a) mod 16 where the picture has k.
  at = BeginChunk(bytes, "PLTE");
  for (const auto& rgb : cycle.palette) bytes.insert(bytes.end(), rgb, rgb + kChannels);
  EndChunk(bytes, at);

  at = BeginChunk(bytes, "acTL");
  Put32(bytes, kFrameCount);
  Put32(bytes, 0);  // loop forever
  EndChunk(bytes, at);

  uint32_t sequence = 0;
  std::vector<uint8_t> raw(frameA.size());
  for (int a = 0; a < kFrameCount; ++a) {
    at = BeginChunk(bytes, "fcTL");
    Put32(bytes, sequence++);
    Put32(bytes, edge);
    Put32(bytes, edge);
    Put32(bytes, 0);  // x offset
    Put32(bytes, 0);  // y offset
    Put16(bytes, static_cast<unsigned>(cycle.delayCentiseconds));
    Put16(bytes, 100);
    bytes.push_back(0);  // dispose: none
    bytes.push_back(0);  // blend: source
    EndChunk(bytes, at);

    // Both nibbles of a byte turn on by a; filter bytes stay 0.
    uint8_t turn[256];
    for (unsigned b = 0; b < 256; ++b)
      turn[b] = static_cast<uint8_t>(((b >> 4) + a) % 16 << 4 | ((b & 15) + a) % 16);
    for (size_t y = 0; y < edge; ++y) {
      const uint8_t* from = frameA.data() + y * rowBytes;
      uint8_t* to = raw.data() + y * rowBytes;
      to[0] = 0;
      for (size_t m = 1; m < rowBytes; ++m) to[m] = turn[from[m]];
    }

    // Frame A is also the default image, so it goes in IDAT; the others in fdAT.
    if (a == 0) {
      at = BeginChunk(bytes, "IDAT");
    } else {
      at = BeginChunk(bytes, "fdAT");
      Put32(bytes, sequence++);
    }
    if (!Deflate(deflater, raw, bytes)) return Result::Fail("APNG: zlib failed");
    EndChunk(bytes, at);
  }
  at = BeginChunk(bytes, "IEND");
  EndChunk(bytes, at);
  return Result::Ok();
}
