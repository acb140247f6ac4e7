#include "generator/cycle.h"

#include <cstring>
#include <memory>
#include <string>

Result CheckDelay(const char* format, const Cycle& cycle) {
  if (cycle.delayCentiseconds >= 1 && cycle.delayCentiseconds <= 100) return Result::Ok();
  return Result::Fail(std::string(format) +
                      ": the delay must be 1..100 hundredths of a second, not " +
                      std::to_string(cycle.delayCentiseconds));
}

Result MakeCycle(const Document& document, const PatternMap& map, const Palette& palette,
                 const uint8_t header[kHeaderBytes], int delayCentiseconds, Cycle& cycle) {
  const CycleRanges& ranges = document.palette.cycles;
  if (Result checked = CheckCycleRanges(ranges); !checked) return checked;
  if (Result loop = LoopFrames(ranges, cycle.frames); !loop) return loop;
  cycle.ranges = ranges;
  std::memcpy(cycle.bmpHeader, header, kHeaderBytes);
  const bool bottomUp = TemplateIsBottomUp(header);
  cycle.bottomUp = bottomUp;
  // The BMP pixel array is the one source of the indices, so every format agrees with it.
  uint8_t packed[kPixelBytes];
  BuildFramePixels(map, document.Width(), document.Height(), packed);
  for (int row = 0; row < Cycle::kEdge; ++row) {
    const uint8_t* source = packed + (bottomUp ? Cycle::kEdge - 1 - row : row) * (kMapEdge / 2);
    uint8_t* out = cycle.pixels + row * Cycle::kEdge;
    for (int m = 0; m < kMapEdge / 2; ++m) {
      out[2 * m] = source[m] >> 4;
      out[2 * m + 1] = source[m] & 15;
    }
  }
  for (int k = 0; k < kPaletteEntries; ++k)
    for (int c = 0; c < kChannels; ++c) cycle.palette[k][c] = static_cast<uint8_t>(palette[k][c]);
  cycle.limit = LimitOf(document.palette.look);
  cycle.delayCentiseconds = delayCentiseconds;
  return Result::Ok();
}

Result MakeCycle(const Document& document, const uint8_t header[kHeaderBytes],
                 int delayCentiseconds, Cycle& cycle) {
  // Far too big for the stack together.
  struct Made {
    PatternMap map;
    Palette palette;
  };
  const auto made = std::make_unique<Made>();
  SynthesizeMap(document.pattern.fields, document.Width(), document.Height(), document.mosaicLevel,
                made->map);
  BuildPalette(document.palette.keys, document.palette.look, made->palette);
  return MakeCycle(document, made->map, made->palette, header, delayCentiseconds, cycle);
}
