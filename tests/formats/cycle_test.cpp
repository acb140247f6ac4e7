// The cycle the writers take shows exactly the BMP frames: frame a's colour of every pixel.

#include "generator/cycle.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/formats/reference_frames.h"

namespace {

class CycleTest : public ::testing::TestWithParam<CycleCase> {};

TEST_P(CycleTest, EveryFrameMatchesItsBmp) {
  const ReferenceFrames r = MakeReferenceFrames(GetParam());
  for (int a = 0; a < kFrameCount; ++a) {
    ASSERT_EQ(r.frames[a].size(), 256u * 256u) << "frame " << a;
    uint8_t colours[kPaletteEntries][kChannels];
    r.cycle->Colours(a, colours);
    for (int i = 0; i < 256 * 256; ++i) {
      const uint8_t* rgb = colours[r.cycle->pixels[i]];
      const uint32_t colour = uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
      ASSERT_EQ(colour, r.frames[a][i]) << "frame " << a << " pixel " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CycleTest, ::testing::ValuesIn(kCycleCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
