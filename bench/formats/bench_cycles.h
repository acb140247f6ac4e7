#pragma once
// The range lists the format benchmarks play: 0 the default cycle (16 frames); 1 a loop of
// 240 frames (periods 80 and 48) that changes every frame, without blending; 2 the same loop
// with its first range blending, whose frames need more than 256 colours; 3 that loop snapped
// to a 256-colour target.

#include <cstdint>
#include <vector>

#include "generator/cycle.h"

// A target of 256 colours spread over the cube, for the snap's cost.
inline std::vector<Rgb> BenchSnapTarget() {
  std::vector<Rgb> target;
  for (int i = 0; i < kMaxLookColours; ++i)
    target.push_back({static_cast<uint8_t>(i * 37), static_cast<uint8_t>(i * 91 + 17),
                      static_cast<uint8_t>(i * 53 + 101)});
  return target;
}

// List 3 is list 2 with every colour snapped to BenchSnapTarget.
inline void PlayBenchRanges(int64_t list, Cycle& cycle) {
  if (list == 0) return;
  if (list == 3) {
    PaletteLook look;
    look.snap = BenchSnapTarget();
    cycle.limit = LimitOf(look);
    list = 2;
  }
  cycle.ranges.count = 2;
  cycle.ranges.ranges[0] = {0, 4, 17, CycleMode::kForward, list == 2};
  cycle.ranges.ranges[1] = {5, 7, 17, CycleMode::kReverse, false};
  static_cast<void>(LoopFrames(cycle.ranges, cycle.frames));
}
