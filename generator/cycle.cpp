#include "generator/cycle.h"

#include <cstring>
#include <string>

Result CheckDelay(const char* format, const Cycle& cycle) {
  if (cycle.delayCentiseconds >= 1 && cycle.delayCentiseconds <= 100) return Result::Ok();
  return Result::Fail(std::string(format) +
                      ": the delay must be 1..100 hundredths of a second, not " +
                      std::to_string(cycle.delayCentiseconds));
}

Result MakeCycle(const PatternGenerator& g, const uint8_t header[kHeaderBytes],
                 int delayCentiseconds, Cycle& cycle) {
  if (Result checked = CheckCycleRanges(g.cycles); !checked) return checked;
  if (Result loop = LoopFrames(g.cycles, cycle.frames); !loop) return loop;
  cycle.ranges = g.cycles;
  std::memcpy(cycle.bmpHeader, header, kHeaderBytes);
  const bool bottomUp = TemplateIsBottomUp(header);
  cycle.bottomUp = bottomUp;
  // The BMP pixel array is the one source of the indices, so every format agrees with it.
  uint8_t packed[kPixelBytes];
  BuildFramePixels(g, packed);
  for (int row = 0; row < Cycle::kEdge; ++row) {
    const uint8_t* source = packed + (bottomUp ? Cycle::kEdge - 1 - row : row) * (kMapEdge / 2);
    uint8_t* out = cycle.pixels + row * Cycle::kEdge;
    for (int m = 0; m < kMapEdge / 2; ++m) {
      out[2 * m] = source[m] >> 4;
      out[2 * m + 1] = source[m] & 15;
    }
  }
  for (int k = 0; k < kPaletteEntries; ++k)
    for (int c = 0; c < kChannels; ++c) cycle.palette[k][c] = static_cast<uint8_t>(g.palette[k][c]);
  cycle.limit = LimitOf(g.look);
  cycle.delayCentiseconds = delayCentiseconds;
  return Result::Ok();
}

Result CycleOf(const PatternGenerator& g, int delayCentiseconds, Cycle& cycle) {
  uint8_t header[kHeaderBytes];
  if (Result read = ReadFrameTemplate(header, g.folder.frameTemplate); !read) return read;
  return MakeCycle(g, header, delayCentiseconds, cycle);
}
