// Expands the key digits into the 16-entry palette: per channel, a linear ramp around the
// ring of entries from each key to the next, the last key ramping back to the first.

#include "generator/pattern_generator.h"

void PatternGenerator::RebuildPalette() {
  BuildPalette(keys, look, palette);
}

void BuildPalette(const PaletteKeys& keys, const PaletteLook& look, Palette& palette) {
  for (auto& entry : palette)
    for (auto& value : entry) value = 0;
  for (int channel = 0; channel < kChannels; ++channel) {
    int first = -1;
    for (int e = 0; e < kPaletteEntries; ++e) {
      if (keys[e][channel] != 0) {
        first = e;
        break;
      }
    }
    if (first < 0) continue;
    int a = first;
    for (int b = first + 1; b <= first + kPaletteEntries; ++b) {
      if (keys[b % kPaletteEntries][channel] == 0) continue;
      const int n = b - a;
      // 64-bit products: a digit loaded out of range must not overflow.
      const int64_t from = KeyIntensity(keys[a % kPaletteEntries][channel]);
      const int64_t to = KeyIntensity(keys[b % kPaletteEntries][channel]);
      for (int t = 0; t < n; ++t) {
        // Two separately truncated quotients, as the ramp has always been computed.
        palette[(a + t) % kPaletteEntries][channel] =
            static_cast<int32_t>(from * (n - t) / n + to * t / n);
      }
      a = b;
    }
  }
  OverlayColours(look, palette);
}
