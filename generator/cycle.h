#pragma once
// The colour cycle as every export format sees it: one 256 x 256 picture of colour indices,
// the 16-entry palette and the speed. Frame a shows index k in the colour of palette entry
// (k + a) mod 16, exactly as BMP frame a does, and the picture is what an image viewer shows
// for the BMP frames made with the template in use (a bottom-up template puts plane row 255
// at the top, a top-down one plane row 0).

#include <cstdint>

#include "generator/frame_export.h"
#include "generator/pattern_generator.h"

struct Cycle {
  static constexpr int kEdge = kMapEdge;
  // Colour index 0..15 of every pixel, row-major, the picture's top row first.
  uint8_t pixels[kEdge * kEdge];
  // Red, green, blue of each entry: the low 8 bits of the palette's values.
  uint8_t palette[kPaletteEntries][kChannels];
  // Hundredths of a second per palette step, 1..100.
  int delayCentiseconds;
  // The frame template's bytes, which head every BMP frame as they are; the sign of its
  // height gives the picture's row order.
  uint8_t bmpHeader[kHeaderBytes];
  bool bottomUp;

  // The colour of palette entry (entry + frame) mod 16: frame a's colour table.
  const uint8_t* FrameColour(int frame, int entry) const {
    return palette[(entry + frame) % kPaletteEntries];
  }
  double StepsPerSecond() const { return 100.0 / delayCentiseconds; }
};

// Fails, naming the format and the value, for a delay outside 1..100.
Result CheckDelay(const char* format, const Cycle& cycle);

// The default speed, 50 steps per second.
constexpr int kDefaultDelayCentiseconds = 2;

// From the generator's current map and palette (neither is recomputed) and a frame template.
void MakeCycle(const PatternGenerator& g, const uint8_t header[kHeaderBytes], int delayCentiseconds,
               Cycle& cycle);

// The generator's current cycle with its folder's frame template, read and checked as
// ReadFrameTemplate does.
Result CycleOf(const PatternGenerator& g, int delayCentiseconds, Cycle& cycle);
