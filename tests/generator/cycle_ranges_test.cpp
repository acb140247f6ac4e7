// The cycle model against the one written again from its description (cycle_model.h): every
// frame of a loop and far past it, each mode, fades up and down, still ranges, the loop's
// length, and a loop too long refused by its length and the range that makes it.

#include "generator/cycle_ranges.h"

#include <gtest/gtest.h>

#include "tests/support/cycle_model.h"

namespace {

TEST(CycleRangesTest, EveryFrameIsTheModels) {
  uint8_t base[16][3];
  for (int i = 0; i < 16; ++i)  // channels rising, falling and jumping: fades both ways
    base[i][0] = uint8_t(16 * i), base[i][1] = uint8_t(250 - 13 * i), base[i][2] = uint8_t(97 * i);
  std::vector<RangeSet> sets = {
      {"Default", {CycleRange{}}, 16, 4},
      {"ReverseBlend", {{0, 15, 7, M::kReverse, true}}, 256, 24},
      {"FastAndSlow", {{0, 1, 64, M::kPingPong, true}, {2, 3, 1, M::kForward, true}}, 32, 24}};
  sets.insert(sets.end(), std::begin(kRangeSets), std::end(kRangeSets));
  for (const RangeSet& set : sets) {
    const CycleRanges cycles = ToRanges(set.ranges);
    int loop = 0;
    EXPECT_TRUE(LoopFrames(cycles, loop) && loop == set.loop) << set.name << " " << loop;
    for (int64_t j = 0; j < 3 * loop; ++j) {
      uint8_t got[16][3], expected[16][3];
      const int64_t frame = j < 2 * loop ? j : 1000000007 * int64_t{loop} + j;
      ColoursAtFrame(cycles, base, frame, got);
      ModelColours(cycles, base, frame, expected);
      ASSERT_EQ(0, std::memcmp(got, expected, sizeof got)) << set.name << " frame " << frame;
    }
  }
  // Periods 160, 224 and 128 make 4480 frames; the last range takes the loop past 4096.
  int loop = 0;
  const CycleRange p = {0, 4, 1, M::kPingPong, false};
  const Result refused =
      LoopFrames(ToRanges({p, {5, 11, 1, p.mode, 0}, {12, 15, 1, p.mode, 0}}), loop);
  EXPECT_TRUE(!refused && refused.message.find("4480 frames, more than 4096: range 12..15") !=
                              std::string::npos)
      << refused.message;
}

// A ranges file may hold any bytes: a message shows only the start of a bad line, printably.
TEST(CycleRangesTest, MessagesQuoteOnlyTheStartOfALine) {
  CycleRanges cycles;
  const Result parsed =
      ParseCycleRanges("0,7," + std::string(60000, '\xff') + ",forward\n", cycles);
  EXPECT_FALSE(parsed);
  EXPECT_LT(parsed.message.size(), 400u);
  EXPECT_EQ(parsed.message.find('\xff'), std::string::npos);
}

}  // namespace
