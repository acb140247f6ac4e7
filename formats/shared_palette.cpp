#include "formats/shared_palette.h"

#include <cstring>
#include <unordered_map>

void MakeSharedPalette(const Cycle& cycle, SharedPalette& palette) {
  const int frames = cycle.frames;
  palette.stored.assign(static_cast<size_t>(frames), {});
  bool blended = false;
  FrameMix mix;
  for (int j = 0; j < frames; ++j) {
    MixAtFrame(cycle.ranges, j, mix);
    blended = blended || mix.blended;
    std::memcpy(palette.stored[j].data(), mix.from, kPaletteEntries);
  }
  if (!blended) {
    palette.layout = SharedLayout::kRemap4;
    palette.entries = kPaletteEntries;
    uint8_t base[kPaletteEntries][kChannels];
    cycle.BaseColours(base);
    std::memcpy(palette.colours, base, sizeof base);
    return;
  }
  std::unordered_map<uint32_t, uint8_t> slots;
  uint8_t table[kPaletteEntries][kChannels];
  for (int j = 0; j < frames; ++j) {
    cycle.Colours(j, table);
    for (int i = 0; i < kPaletteEntries; ++i) {
      const uint8_t* rgb = table[i];
      const uint32_t key = uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
      auto [at, fresh] = slots.try_emplace(key, static_cast<uint8_t>(slots.size() & 255));
      if (fresh && slots.size() > 256) {
        palette.layout = SharedLayout::kRgb;
        palette.entries = 0;
        palette.stored.clear();
        return;
      }
      if (fresh) std::memcpy(palette.colours[at->second], rgb, kChannels);
      palette.stored[j][i] = at->second;
    }
  }
  palette.layout = SharedLayout::kIndexed8;
  palette.entries = static_cast<int>(slots.size());
}
