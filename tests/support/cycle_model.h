#pragma once
// The cycle model written again from its description, apart from the generator's code, for
// the tests to hold the generator and every format to.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "generator/cycle.h"

// Range lists, their loops (worked out by hand), and how a one-palette format stores them (4:
// remapped 4-bit indices, 8: a shared 8-bit palette, 24: truecolour).
struct RangeSet {
  const char* name;
  std::vector<CycleRange> ranges;
  int loop, depth;
};

using M = CycleMode;
inline const RangeSet kRangeSets[] = {
    {"TwoWays", {{0, 7, 8, M::kForward, false}, {8, 15, 16, M::kReverse, false}}, 16, 4},
    {"PingPongBlend", {{2, 9, 24, M::kPingPong, true}, {12, 15, 5, M::kForward, false}}, 64, 8},
    {"WholeBlendOnSteps", {{0, 15, 16, M::kReverse, true}}, 16, 4},
    {"StillAndShort", {{0, 1, 0, M::kForward, true}, {3, 7, 16, M::kForward, false}}, 5, 4},
    {"SlowBlends", {{0, 7, 1, M::kForward, true}, {8, 15, 3, M::kPingPong, true}}, 256, 24},
};

inline CycleRanges ToRanges(const std::vector<CycleRange>& list) {
  CycleRanges cycles{static_cast<int>(list.size()), {}};
  std::copy(list.begin(), list.end(), cycles.ranges);
  return cycles;
}

// Frame j: t = floor(100 k j / 16) hundredths of a step, a = t mod 100n (ping-pong mod 200n,
// folded back past 100n); entry i shows entry i - s (reverse i + s) for s = a / 100, faded, when
// it blends, toward the entry of step s + 1 by floor((d - c) p / 100) with p = a mod 100.
inline void ModelColours(const CycleRanges& cycles, const uint8_t (&base)[16][3], int64_t j,
                         uint8_t (&out)[16][3]) {
  std::memcpy(out, base, sizeof out);
  for (int r = 0; r < cycles.count; ++r) {
    const CycleRange& g = cycles.ranges[r];
    const int64_t n = g.high - g.low + 1, t = 100 * g.speed * j / 16;
    int64_t a = t % ((g.mode == M::kPingPong ? 200 : 100) * n);
    if (a > 100 * n) a = 200 * n - a;
    const int64_t s = a / 100, p = g.blend ? a % 100 : 0;
    const int64_t toward = g.mode == M::kReverse ? 1 : -1;
    auto entry = [&](int i, int64_t shift) {
      return g.low + ((i - g.low + toward * shift) % n + n) % n;
    };
    for (int i = g.low; i <= g.high; ++i)
      for (int c = 0; c < 3; ++c) {
        const int from = base[entry(i, s)][c], to = base[entry(i, s + 1)][c];
        out[i][c] = static_cast<uint8_t>(from + std::floor((to - from) * p / 100.0));
      }
  }
}

// The picture at frame j as a viewer shows it, 0xRRGGBB row-major.
inline std::vector<uint32_t> ModelFrame(const Cycle& cycle, int64_t j) {
  uint8_t rgb[16][3];
  ModelColours(cycle.ranges, cycle.palette, j, rgb);
  std::vector<uint32_t> picture;
  for (const uint8_t i : cycle.pixels)
    picture.push_back(rgb[i][0] << 16 | rgb[i][1] << 8 | rgb[i][2]);
  return picture;
}
