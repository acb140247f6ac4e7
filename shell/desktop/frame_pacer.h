#pragma once
// Keeps the frame rate at or under a ceiling, so the preview cycles at the same speed on any
// display: with or without vertical sync, on a 60 Hz or a 144 Hz screen. Plain arithmetic on
// nanosecond time stamps; the caller reads the clock and does the sleeping.

#include <cstdint>

// The highest frame rate the program runs at.
constexpr int kFrameRateCeiling = 60;

// The shortest time between two frame starts for a display refreshing refreshHz times per
// second (0 when unknown) that does (or does not) wait for the vertical retrace. At most 60
// frames per second, fewer where the display refreshes more slowly. Where presentation
// already waits for a retrace of 60 Hz or slower, the interval keeps a little slack so the
// retrace sets the pace and the pacer only stands in for a retrace wait that does not
// happen.
int64_t FrameIntervalNs(int refreshHz, bool vsync);

class FramePacer {
 public:
  explicit FramePacer(int64_t intervalNs) : interval_(intervalNs) {}

  // A frame starts now.
  void FrameStarted(int64_t nowNs);
  // How long to sleep before the next frame may start; 0 when it may start at once.
  int64_t SleepBeforeNextFrame(int64_t nowNs) const;

  int64_t interval() const { return interval_; }

 private:
  int64_t interval_;
  bool started_ = false;
  // When the next frame is due. It advances by whole intervals, so the long-run rate never
  // exceeds the ceiling, while a frame up to kEarlyNs early runs at once rather than
  // sleeping through a retrace it could have caught.
  int64_t next_ = 0;
};
