#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include "generator/pattern_generator.h"

namespace {

struct Key {
  int entry, digit;
};

struct RampCase {
  const char* name;
  std::vector<Key> keys;
  std::vector<int32_t> expected;  // 16 values, or one value for all entries
};

class PaletteRamp : public ::testing::TestWithParam<RampCase> {};

TEST_P(PaletteRamp, ChannelValues) {
  const RampCase& c = GetParam();
  auto g = std::make_unique<PatternGenerator>();
  // Every channel is ramped alike and on its own: put the keys in green only.
  for (const Key& k : c.keys) g->keys[k.entry][1] = k.digit;
  g->RebuildPalette();
  for (int e = 0; e < kPaletteEntries; ++e) {
    const int32_t want = c.expected.size() == 1 ? c.expected[0] : c.expected[e];
    EXPECT_EQ(g->palette[e][1], want) << "entry " << e;
    EXPECT_EQ(g->palette[e][0], 0);
    EXPECT_EQ(g->palette[e][2], 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Palette, PaletteRamp,
    ::testing::Values(
        RampCase{"NoKeys", {}, {0}},
        RampCase{"TwoKeysAcrossTheWrap",
                 {{3, 2}, {10, 9}},
                 {106, 80, 56, 32, 63, 94, 127, 158, 191, 222, 255, 229, 205, 180, 155, 130}},
        RampCase{"SingleNine",
                 {{5, 9}},
                 {254, 254, 254, 254, 254, 255, 254, 254, 254, 254, 254, 254, 254, 254, 254, 254}},
        RampCase{"SingleEight", {{11, 8}}, {224}}, RampCase{"SingleOne", {{0, 1}}, {0}},
        RampCase{"OneToNine",
                 {{5, 1}, {12, 9}},
                 {141, 113, 85, 56, 28, 0, 36, 72, 109, 145, 182, 218, 255, 226, 198, 170}}),
    [](const auto& info) { return std::string(info.param.name); });

// Neighbouring keys, keys on the first and last entry, and keys everywhere.
TEST(PaletteRampRules, KeysKeepTheirIntensity) {
  auto g = std::make_unique<PatternGenerator>();
  g->keys[4][0] = 3;
  g->keys[5][0] = 7;
  g->keys[0][2] = 2;
  g->keys[15][2] = 8;
  g->RebuildPalette();
  EXPECT_EQ(g->palette[4][0], 64);
  EXPECT_EQ(g->palette[5][0], 192);
  // From entry 0 (32) to entry 15 (224) with n = 15; entry 15 keeps its own intensity.
  for (int t = 0; t < 15; ++t) EXPECT_EQ(g->palette[t][2], 32 * (15 - t) / 15 + 224 * t / 15);
  EXPECT_EQ(g->palette[15][2], 224);

  for (int e = 0; e < kPaletteEntries; ++e) g->keys[e][1] = 1 + e % 9;
  g->RebuildPalette();
  for (int e = 0; e < kPaletteEntries; ++e) EXPECT_EQ(g->palette[e][1], KeyIntensity(1 + e % 9));
}

TEST(PaletteRampRules, OutOfRangeDigitsAreUsedUnclamped) {
  EXPECT_EQ(KeyIntensity(10), 288);
  EXPECT_EQ(KeyIntensity(-1), -64);
  EXPECT_EQ(KeyIntensity(9), 255);
  EXPECT_EQ(KeyIntensity(-49), -1600);
  auto g = std::make_unique<PatternGenerator>();
  g->keys[0][0] = 10;
  g->keys[8][0] = -1;
  g->RebuildPalette();
  EXPECT_EQ(g->palette[0][0], 288);
  EXPECT_EQ(g->palette[8][0], -64);
  EXPECT_EQ(g->palette[4][0], 288 * 4 / 8 + -64 * 4 / 8);
  // Extreme digits do not overflow.
  g->keys[3][1] = std::numeric_limits<int32_t>::max();
  g->keys[9][1] = std::numeric_limits<int32_t>::min();
  g->RebuildPalette();
}

}  // namespace
