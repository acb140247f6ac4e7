// KeyTriggered and StepRow over sequences of frames, each frame a keyboard state.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "generator/frame_clock.h"
#include "generator/key_codes.h"

namespace {

struct KeyTest {
  int key;
  bool repeat;
  bool expected;
};

struct Frame {
  std::vector<int> down;       // keys held during this frame
  std::vector<KeyTest> tests;  // tests run in this frame, in order
};

struct KeySequence {
  const char* name;
  std::vector<Frame> frames;
};

void ResetLatch() {
  std::memset(KeyLatch, 0, sizeof KeyLatch);
}

void FillState(uint8_t (&state)[256], const std::vector<int>& down) {
  std::memset(state, 0, sizeof state);
  // Only bit 7 means "down"; set other bits too so a test of the wrong bit shows.
  for (int key : down) state[key] = 0x80 | 0x01;
}

class KeyTriggeredSequence : public ::testing::TestWithParam<KeySequence> {};

TEST_P(KeyTriggeredSequence, ReportsAsExpected) {
  ResetLatch();
  uint8_t state[256];
  const KeySequence& sequence = GetParam();
  for (size_t f = 0; f < sequence.frames.size(); ++f) {
    FillState(state, sequence.frames[f].down);
    const auto& tests = sequence.frames[f].tests;
    for (size_t t = 0; t < tests.size(); ++t) {
      EXPECT_EQ(KeyTriggered(tests[t].key, state, tests[t].repeat), tests[t].expected)
          << "frame " << f << ", test " << t;
    }
  }
}

const int M = DIK_M;
const int Z = DIK_Z;

INSTANTIATE_TEST_SUITE_P(
    Frames, KeyTriggeredSequence,
    ::testing::Values(
        KeySequence{"HeldAtStartNeedsReleaseFirst",
                    {{{M}, {{M, false, false}}},
                     {{M}, {{M, false, false}}},
                     {{}, {{M, false, false}}},
                     {{M}, {{M, false, true}}}}},
        KeySequence{"HeldManyFramesOncePerPress",
                    {{{}, {{M, false, false}}},
                     {{M}, {{M, false, true}}},
                     {{M}, {{M, false, false}}},
                     {{M}, {{M, false, false}}},
                     {{}, {{M, false, false}}},
                     {{M}, {{M, false, true}}}}},
        KeySequence{"RepeatingTrueEveryHeldFrame",
                    {{{}, {{Z, true, false}}},
                     {{Z}, {{Z, true, true}}},
                     {{Z}, {{Z, true, true}}},
                     {{Z}, {{Z, true, true}}},
                     {{}, {{Z, true, false}}}}},
        KeySequence{"RepeatingTrueEvenWhenHeldAtStart", {{{Z}, {{Z, true, true}}}}},
        KeySequence{"TwoTestsInOneFrameOnlyFirstReports",
                    {{{}, {{M, false, false}}}, {{M}, {{M, false, true}, {M, false, false}}}}},
        KeySequence{"RepeatingTestDoesNotDisarm",
                    {{{}, {{M, true, false}}}, {{M}, {{M, true, true}, {M, false, true}}}}},
        KeySequence{
            "RepeatingTestArmsWhenUp",
            {{{M}, {{M, false, false}}}, {{}, {{M, true, false}}}, {{M}, {{M, false, true}}}}},
        KeySequence{"KeysLatchIndependently",
                    {{{}, {{M, false, false}}},
                     {{M, Z}, {{Z, false, false}, {M, false, true}}},
                     {{Z}, {{Z, false, false}, {M, false, false}}},
                     {{M}, {{Z, false, false}, {M, false, true}}},
                     {{Z}, {{Z, false, true}, {M, false, false}}}}},
        KeySequence{"UntestedReleaseIsNotSeen",
                    {{{}, {{M, false, false}}},
                     {{M}, {{M, false, true}}},
                     {{}, {}},
                     {{M}, {{M, false, false}}}}},
        KeySequence{"ExtendedKeyCodes",
                    {{{}, {{DIK_UP, false, false}, {DIK_APPS, false, false}}},
                     {{DIK_UP, DIK_APPS}, {{DIK_UP, false, true}, {DIK_APPS, false, true}}}}}),
    [](const ::testing::TestParamInfo<KeySequence>& info) { return info.param.name; });

struct RowSequence {
  const char* name;
  std::vector<std::vector<int>> frames;  // keys held in each frame
  int32_t start;
  int32_t expected;
};

class StepRowSequence : public ::testing::TestWithParam<RowSequence> {};

TEST_P(StepRowSequence, EndsOnExpectedRow) {
  ResetLatch();
  uint8_t state[256];
  int32_t row = GetParam().start;
  for (const auto& down : GetParam().frames) {
    FillState(state, down);
    StepRow(row, state);
  }
  EXPECT_EQ(row, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, StepRowSequence,
    ::testing::Values(
        RowSequence{"UpPressOnce", {{}, {DIK_UP}}, 3, 2},
        RowSequence{"DownPressOnce", {{}, {DIK_DOWN}}, 3, 4},
        RowSequence{"HeldDownStepsOnce", {{}, {DIK_DOWN}, {DIK_DOWN}, {DIK_DOWN}}, 0, 1},
        RowSequence{"UpAndDownTogetherCancel", {{}, {DIK_UP, DIK_DOWN}}, 5, 5},
        RowSequence{"HeldAtStartDoesNothing", {{DIK_DOWN}, {DIK_DOWN}}, 0, 0},
        RowSequence{"ThreePresses", {{}, {DIK_DOWN}, {}, {DIK_DOWN}, {}, {DIK_DOWN}}, 0, 3},
        RowSequence{"NoClampBelowZero", {{}, {DIK_UP}, {}, {DIK_UP}}, 0, -2},
        RowSequence{"OtherKeysIgnored", {{}, {DIK_LEFT, DIK_RIGHT}}, 7, 7}),
    [](const ::testing::TestParamInfo<RowSequence>& info) { return info.param.name; });

}  // namespace
