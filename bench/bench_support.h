#pragma once
// What the benchmarks share: the busy pattern they time, its cycle, and the loop that times
// one encoder.

#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

#include "generator/cycle.h"
#include "generator/pattern_generator.h"
#include "tests/support/generator_exports.h"
#include "tests/support/temp_folder.h"

// Four points spread over an edge x edge tile, so that every index is in use, and every third
// palette entry with one key set; a benchmark that wants other keys sets them. Not yet
// synthesised.
inline std::unique_ptr<PatternGenerator> BusyPattern(int edge) {
  auto g = std::make_unique<PatternGenerator>();
  g->sizeExpX = g->sizeExpY = std::countr_zero(static_cast<unsigned>(edge));
  g->UpdateTileSize();
  g->points[0] = {16, 16, 1, 1, 3};
  g->points[1] = {48, 40, 2, 1, -2};
  g->points[2] = {32, 56, 1, 3, 2};
  g->points[3] = {8, 48, 1, 1, 1};
  for (int e = 0; e < kPaletteEntries; e += 3) g->keys[e][e % 3] = 1 + e % 9;
  return g;
}

// The cycle of g, synthesised and its palette built, at the default delay.
inline std::unique_ptr<Cycle> CycleOf(PatternGenerator& g) {
  g.Synthesize();
  g.RebuildPalette();
  auto cycle = std::make_unique<Cycle>();
  static_cast<void>(CycleOfGenerator(g, reinterpret_cast<const uint8_t*>(FrameTemplate().data()),
                                     kDefaultDelayCentiseconds, *cycle));
  return cycle;
}

// Times encode(cycle, bytes), a writer of one file, and reports the file's size.
template <typename Encode>
void TimeEncoding(benchmark::State& state, const Cycle& cycle, Encode encode) {
  std::vector<uint8_t> bytes;
  for (auto _ : state) {
    if (!encode(cycle, bytes)) state.SkipWithError("encoding failed");
    benchmark::DoNotOptimize(bytes.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes.size());
}
