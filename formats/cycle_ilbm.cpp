#include "formats/cycle_ilbm.h"

#include <cmath>
#include <cstddef>
#include <string>

namespace {

constexpr int kPlanes = 4;
// CRNG flags.
constexpr int kActive = 1;
constexpr int kReverse = 2;
// CRNG's rate is a signed 16-bit word: 16384 is 60 steps a second, 32767 the fastest.
constexpr int kMaxRate = 32767;

long ExactRate(const Cycle& cycle, const CycleRange& range) {
  return std::lround(16384.0 * cycle.StepsPerSecond(range) / 60.0);
}

int CrngRate(const Cycle& cycle, const CycleRange& range) {
  const long rate = ExactRate(cycle, range);
  return rate > kMaxRate ? kMaxRate : static_cast<int>(rate);
}

std::string Name(const CycleRange& range) {
  return "range " + std::to_string(range.low) + ".." + std::to_string(range.high);
}
constexpr int kPlaneRowBytes = Cycle::kEdge / 8;

void Put16(std::vector<uint8_t>& out, int value) {
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
  out.push_back(static_cast<uint8_t>(value & 0xFF));
}

void Put32At(std::vector<uint8_t>& out, size_t at, size_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>((value >> (24 - 8 * i)) & 0xFF);
}

// Starts a chunk and returns where its length goes; EndChunk fills it in.
size_t BeginChunk(std::vector<uint8_t>& out, const char (&id)[5]) {
  out.insert(out.end(), id, id + 4);
  out.insert(out.end(), 4, 0);
  return out.size() - 4;
}

// IFF chunks start on even offsets: an odd body gets one pad byte outside its length.
void EndChunk(std::vector<uint8_t>& out, size_t lengthAt) {
  Put32At(out, lengthAt, out.size() - lengthAt - 4);
  if (out.size() % 2 != 0) out.push_back(0);
}

// ByteRun1: a control byte n >= 0 copies the next n + 1 bytes, -1..-127 repeats the next
// byte 1 - n times. -128 is never written (some readers treat it as data). Runs of three or
// more are worth a repeat; shorter ones stay in the literal.
void PackByteRun1(const uint8_t* row, int size, std::vector<uint8_t>& out) {
  int i = 0;
  while (i < size) {
    int run = 1;
    while (i + run < size && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 3) {
      out.push_back(static_cast<uint8_t>(257 - run));  // -(run - 1) as a byte
      out.push_back(row[i]);
      i += run;
      continue;
    }
    int literal = 0;
    while (i + literal < size && literal < 128) {
      const int at = i + literal;
      if (at + 2 < size && row[at] == row[at + 1] && row[at] == row[at + 2]) break;
      ++literal;
    }
    out.push_back(static_cast<uint8_t>(literal - 1));
    out.insert(out.end(), row + i, row + i + literal);
    i += literal;
  }
}

}  // namespace

std::string IlbmLosses(const Cycle& cycle) {
  std::string losses;
  auto add = [&](const std::string& loss) { losses += (losses.empty() ? "" : "; ") + loss; };
  for (int r = 0; r < cycle.ranges.count; ++r) {
    const CycleRange& range = cycle.ranges.ranges[r];
    if (range.speed == 0) continue;
    if (range.mode == CycleMode::kPingPong)
      add(Name(range) + " goes there and back, CRNG only one way: it cycles forward");
    // At whole steps a frame (k a multiple of 16) a blending range never shows a fade.
    if (range.blend && range.speed % kSpeedUnit != 0)
      add(Name(range) + " blends, CRNG steps whole colours: it steps");
    if (ExactRate(cycle, range) > kMaxRate)
      add(Name(range) + " at " + std::to_string(std::lround(cycle.StepsPerSecond(range))) +
          " steps a second is faster than CRNG's fastest: it runs at 120");
  }
  return losses.empty() ? losses : "ILBM: " + losses;
}

Result EncodeIlbm(const Cycle& cycle, std::vector<uint8_t>& bytes) {
  if (Result timed = CheckDelay("ILBM", cycle); !timed) return timed;
  bytes.clear();
  // The packed BODY of this kind of picture is a few kilobytes.
  bytes.reserve(16384);
  const size_t form = BeginChunk(bytes, "FORM");
  bytes.insert(bytes.end(), {'I', 'L', 'B', 'M'});

  const size_t bmhd = BeginChunk(bytes, "BMHD");
  Put16(bytes, Cycle::kEdge);  // width
  Put16(bytes, Cycle::kEdge);  // height
  Put16(bytes, 0);             // x origin
  Put16(bytes, 0);             // y origin
  bytes.push_back(kPlanes);
  bytes.push_back(0);          // no mask
  bytes.push_back(1);          // ByteRun1
  bytes.push_back(0);          // pad
  Put16(bytes, 0);             // transparent colour (unused without a mask)
  bytes.push_back(10);         // x aspect
  bytes.push_back(10);         // y aspect: square pixels
  Put16(bytes, Cycle::kEdge);  // page width
  Put16(bytes, Cycle::kEdge);  // page height
  EndChunk(bytes, bmhd);

  const size_t cmap = BeginChunk(bytes, "CMAP");
  uint8_t base[kPaletteEntries][kChannels];
  cycle.BaseColours(base);
  for (const auto& rgb : base) bytes.insert(bytes.end(), rgb, rgb + kChannels);
  EndChunk(bytes, cmap);

  // One CRNG a range. Forward CRNG cycling moves register i's colour to i + 1, as our forward
  // mode does; the reverse flag runs entry k + 1 into register k, as our reverse does.
  for (int r = 0; r < cycle.ranges.count; ++r) {
    const CycleRange& range = cycle.ranges.ranges[r];
    const size_t crng = BeginChunk(bytes, "CRNG");
    Put16(bytes, 0);  // pad
    Put16(bytes, CrngRate(cycle, range));
    const int active = range.speed > 0 ? kActive : 0;
    Put16(bytes, active | (range.mode == CycleMode::kReverse ? kReverse : 0));
    bytes.push_back(static_cast<uint8_t>(range.low));
    bytes.push_back(static_cast<uint8_t>(range.high));
    EndChunk(bytes, crng);
  }

  // Rows top to bottom; each row is plane 0 (the indices' lowest bit) to plane 3, leftmost
  // pixel in the most significant bit, every plane row packed on its own.
  const size_t body = BeginChunk(bytes, "BODY");
  uint8_t planes[kPlanes][kPlaneRowBytes];
  for (int y = 0; y < Cycle::kEdge; ++y) {
    const uint8_t* row = cycle.pixels + static_cast<size_t>(y) * Cycle::kEdge;
    for (int m = 0; m < kPlaneRowBytes; ++m) {
      unsigned bits[kPlanes] = {};
      for (int b = 0; b < 8; ++b) {
        const unsigned index = row[8 * m + b];
        for (int p = 0; p < kPlanes; ++p) bits[p] = bits[p] << 1 | ((index >> p) & 1);
      }
      for (int p = 0; p < kPlanes; ++p) planes[p][m] = static_cast<uint8_t>(bits[p]);
    }
    for (const auto& plane : planes) PackByteRun1(plane, kPlaneRowBytes, bytes);
  }
  EndChunk(bytes, body);

  Put32At(bytes, form, bytes.size() - 8);
  return Result::Ok();
}
