#pragma once
// The range lists the format benchmarks play: 0 the default cycle (16 frames); 1 a loop of
// 240 frames (periods 80 and 48) that changes every frame, without blending; 2 the same loop
// with its first range blending, whose frames need more than 256 colours.

#include <cstdint>

#include "generator/cycle.h"

inline void PlayBenchRanges(int64_t list, Cycle& cycle) {
  if (list == 0) return;
  cycle.ranges.count = 2;
  cycle.ranges.ranges[0] = {0, 4, 17, CycleMode::kForward, list == 2};
  cycle.ranges.ranges[1] = {5, 7, 17, CycleMode::kReverse, false};
  static_cast<void>(LoopFrames(cycle.ranges, cycle.frames));
}
