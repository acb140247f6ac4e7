#pragma once
// Patterns and palette keys drawn from a seed. The generator is written out here (SplitMix64)
// rather than taken from the C library, so a seed gives the same pattern on every platform
// and in the page. The draws favour patterns that look like something: every point weighs in,
// scales stay small, positions cover the design space.

#include <cstdint>

#include "generator/document.h"

// Seeds the status line shows and the tool takes: 0 .. kMaxRandomSeed.
constexpr uint32_t kMaxRandomSeed = 9999999;

class SeededDraw {
 public:
  explicit SeededDraw(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // A whole number in low..high, both included.
  int32_t Between(int32_t low, int32_t high);

 private:
  uint64_t state_;
};

// The pattern a seed gives: each point at x, y in 0..64, scales 0..3, a weight of -9..9 that
// is not 0; each mirror flag 0 or 1, each distortion -1, 0 or 1.
PatternFields RandomPattern(uint32_t seed);

// The palette keys a seed gives: each channel keyed at two to five entries with digits 1..9.
void RandomPaletteKeys(uint32_t seed, PaletteKeys& keys);

// The next seed R uses after seed: drawn, so successive presses wander.
uint32_t NextRandomSeed(uint32_t seed);
