#include "shell/desktop/frame_pacer.h"

#include <algorithm>

namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;
// A frame this close to its due time starts without sleeping; below the shortest retrace
// period of any display, so skipping such a sleep never costs a retrace.
constexpr int64_t kEarlyNs = 2'000'000;

}  // namespace

int64_t FrameIntervalNs(int refreshHz, bool vsync) {
  const int rate = refreshHz > 0 ? std::min(refreshHz, kFrameRateCeiling) : kFrameRateCeiling;
  const int64_t interval = kNsPerSecond / rate;
  if (vsync && refreshHz > 0 && refreshHz <= kFrameRateCeiling) return interval * 97 / 100;
  return interval;
}

void FramePacer::FrameStarted(int64_t nowNs) {
  // A late frame (a slow frame, or a pause) restarts the schedule from now instead of
  // running a burst of frames to catch up.
  next_ = started_ ? std::max(next_ + interval_, nowNs + interval_ - kEarlyNs) : nowNs + interval_;
  started_ = true;
}

int64_t FramePacer::SleepBeforeNextFrame(int64_t nowNs) const {
  if (!started_ || nowNs + kEarlyNs >= next_) return 0;
  return next_ - nowNs;
}
