#pragma once
// How the formats that keep one palette for every frame (the APNG, the sprite sheet) store a
// loop of the cycle. Without blending every frame's colours are entries of the base palette:
// one 4-bit PLTE of it, and each frame stores, where the picture has index i, the entry that
// index i shows then (for the default cycle (i + j) mod 16). Blending frames show colours
// between entries: a shared 8-bit PLTE of every distinct colour of the frames' tables when
// there are at most 256 (in the order first seen, frame 0's entries 0..15 first, so the same
// cycle always gives the same palette; entry 0 is palette entry 0), truecolour otherwise.

#include <array>
#include <cstdint>
#include <vector>

#include "generator/cycle.h"

enum class SharedLayout {
  kRemap4,    // 4-bit indices into the base palette
  kIndexed8,  // 8-bit indices into the frames' colours
  kRgb,       // red, green, blue bytes a pixel
};

struct SharedPalette {
  SharedLayout layout = SharedLayout::kRemap4;
  int entries = 0;  // PLTE entries: 16, 1..256, or 0 for truecolour
  uint8_t colours[256][3] = {};
  // The indexed layouts: stored[j][i] is what frame j stores where the picture has index i.
  std::vector<std::array<uint8_t, kPaletteEntries>> stored;
};

void MakeSharedPalette(const Cycle& cycle, SharedPalette& palette);
