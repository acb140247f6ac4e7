#pragma once
// The colour cycle as every export format sees it: one 256 x 256 picture of colour indices,
// the 16-entry palette, how it cycles and the speed. Frame j shows index k in colour k of
// Colours(j), exactly as BMP frame j does (with the default cycle, palette entry (k + j) mod
// 16), and the picture is what an image viewer shows for the BMP frames made with the
// template in use (a bottom-up template puts plane row 255 at the top, a top-down one plane
// row 0).

#include <algorithm>
#include <cstdint>

#include "generator/cycle_ranges.h"
#include "generator/document.h"
#include "generator/frame_template.h"
#include "generator/palette_look.h"

struct Cycle {
  static constexpr int kEdge = kMapEdge;
  // Colour index 0..15 of every pixel, row-major, the picture's top row first.
  uint8_t pixels[kEdge * kEdge];
  // Red, green, blue of each entry: the low 8 bits of the palette's values, before the
  // limit; the frames and the base colours a format writes come through the limit.
  uint8_t palette[kPaletteEntries][kChannels];
  // The snap target and the colour depth every colour of every frame is limited to.
  ColourLimit limit;
  // Hundredths of a second per palette step, 1..100.
  int delayCentiseconds;
  // The frame template's bytes, which head every BMP frame as they are; the sign of its
  // height gives the picture's row order.
  uint8_t bmpHeader[kHeaderBytes];
  bool bottomUp;
  // How the palette cycles, and the frames of one loop: 16 with the default cycle.
  CycleRanges ranges;
  int frames = kFrameCount;

  // Frame j's colour table: colours[k] is what index k shows.
  void Colours(int64_t frame, uint8_t (&colours)[kPaletteEntries][kChannels]) const {
    ColoursAtFrame(ranges, palette, frame, colours);
    limit.Apply(colours);
  }
  // The unshifted palette as it shows: what a format that writes the base colours and the
  // ranges as a rule (not as frames) writes.
  void BaseColours(uint8_t (&colours)[kPaletteEntries][kChannels]) const {
    std::copy_n(&palette[0][0], kPaletteEntries * kChannels, &colours[0][0]);
    limit.Apply(colours);
  }
  // Whether frame files are numbered (<id>-0000) rather than lettered (<id>A .. <id>P): for
  // every cycle but the default one.
  bool NumberedFrames() const { return !ranges.IsDefault(); }
  // Frames a second at the delay.
  double FramesPerSecond() const { return 100.0 / delayCentiseconds; }
  // Palette steps a second of one range.
  double StepsPerSecond(const CycleRange& range) const {
    return FramesPerSecond() * range.speed / kSpeedUnit;
  }
};

// Fails, naming the format and the value, for a delay outside 1..100.
Result CheckDelay(const char* format, const Cycle& cycle);

// The default speed, 50 steps per second.
constexpr int kDefaultDelayCentiseconds = 2;

// The document's cycle with a frame template: its pattern synthesised into the map and its
// palette built, as the editor shows them. Fails for ranges that are not valid or whose loop
// is too long.
Result MakeCycle(const Document& document, const uint8_t header[kHeaderBytes],
                 int delayCentiseconds, Cycle& cycle);
// The same from the document's map and palette already made (the editor keeps its own
// current): nothing is recomputed.
Result MakeCycle(const Document& document, const PatternMap& map, const Palette& palette,
                 const uint8_t header[kHeaderBytes], int delayCentiseconds, Cycle& cycle);
