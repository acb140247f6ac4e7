#include "generator/random_pattern.h"

uint64_t SeededDraw::Next() {
  state_ += 0x9E3779B97F4A7C15ull;
  uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int32_t SeededDraw::Between(int32_t low, int32_t high) {
  const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(high) - low + 1);
  return static_cast<int32_t>(low + static_cast<int64_t>(Next() % span));
}

PatternFields RandomPattern(uint32_t seed) {
  SeededDraw draw(seed);
  PatternFields pattern;
  for (ControlPoint& p : pattern.points) {
    p.x = draw.Between(0, 64);
    p.y = draw.Between(0, 64);
    p.scaleX = draw.Between(0, 3);
    p.scaleY = draw.Between(0, 3);
    p.weight = draw.Between(1, 9) * (draw.Between(0, 1) == 0 ? 1 : -1);
  }
  pattern.reverseX = draw.Between(0, 1);
  pattern.reverseY = draw.Between(0, 1);
  pattern.distortX = draw.Between(-1, 1);
  pattern.distortY = draw.Between(-1, 1);
  return pattern;
}

void RandomPaletteKeys(uint32_t seed, PaletteKeys& keys) {
  // Another stream than the pattern's, so one seed gives both a pattern and a palette.
  SeededDraw draw(uint64_t{seed} << 32 | 0x5EED);
  for (auto& entry : keys)
    for (int32_t& digit : entry) digit = 0;
  for (int channel = 0; channel < kChannels; ++channel) {
    const int count = draw.Between(2, 5);
    for (int k = 0; k < count; ++k)
      keys[draw.Between(0, kPaletteEntries - 1)][channel] = draw.Between(1, 9);
  }
}

uint32_t NextRandomSeed(uint32_t seed) {
  SeededDraw draw(uint64_t{seed} * 31 + 7);
  return static_cast<uint32_t>(draw.Between(0, static_cast<int32_t>(kMaxRandomSeed)));
}
