// The frame pacer against simulated displays: ten seconds of frames, each taking its work,
// the wait for the retrace when there is one, the loop's 1 ms pause and the pacer's sleep.

#include "shell/desktop/frame_pacer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Display {
  const char* name;
  int refreshHz;  // 0: unknown
  bool vsync;     // presentation waits for the next retrace
  double workMs;  // the frame's own time
  int framesIn10s;
};

class FramePacerTest : public ::testing::TestWithParam<Display> {};

TEST_P(FramePacerTest, FramesInTenSeconds) {
  const Display& d = GetParam();
  constexpr int64_t kMs = 1'000'000;
  const int64_t retrace = d.refreshHz > 0 ? 1'000'000'000LL / d.refreshHz : 0;
  FramePacer pacer(FrameIntervalNs(d.refreshHz, d.vsync));
  int64_t now = 3 * kMs;
  int frames = 0;
  while (now < 10'000 * kMs) {
    pacer.FrameStarted(now);
    ++frames;
    now += static_cast<int64_t>(d.workMs * kMs);
    if (d.vsync) now = (now / retrace + 1) * retrace;
    now += kMs;
    now += pacer.SleepBeforeNextFrame(now);
  }
  EXPECT_NEAR(frames, d.framesIn10s, d.framesIn10s / 100 + 1);
}

INSTANTIATE_TEST_SUITE_P(Displays, FramePacerTest,
                         ::testing::Values(Display{"NoVsync", 0, false, 0.6, 600},
                                           Display{"NoVsyncSlowFrames", 0, false, 30.0, 323},
                                           Display{"Vsync60", 60, true, 0.6, 600},
                                           Display{"Vsync59_94", 0, false, 0.6, 600},
                                           Display{"Vsync144", 144, true, 0.6, 600},
                                           Display{"Vsync240", 240, true, 4.0, 600},
                                           Display{"Vsync30", 30, true, 0.6, 300},
                                           Display{"NoVsync50Hz", 50, false, 0.6, 500}),
                         [](const auto& info) { return std::string(info.param.name); });

// On a display whose retrace already paces frames at 60 Hz the pacer never sleeps through a
// retrace: every frame is shown at the next one, as without it.
TEST(FramePacer, NeverCostsARetraceAtSixtyHertz) {
  constexpr int64_t kRetrace = 1'000'000'000LL / 60;
  FramePacer pacer(FrameIntervalNs(60, true));
  int64_t now = 0;
  for (int frame = 0; frame < 600; ++frame) {
    pacer.FrameStarted(now);
    const int64_t presented = (now + 600'000) / kRetrace + 1;
    now = presented * kRetrace + 1'000'000;
    now += pacer.SleepBeforeNextFrame(now);
    ASSERT_LT(now, (presented + 1) * kRetrace) << "frame " << frame;
  }
}

}  // namespace
