// The whole --all set: every format encoded and written as one crash-safe batch, on the disk
// QUILMORANTE_BENCH_DIR names (a memory disk such as /dev/shm separates the program's own
// work from the disk's sync). Arg: the range list (bench_cycles.h): the default cycle's 16
// frames, or a loop of 240 frames without or with blending.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "bench/bench_support.h"
#include "bench/formats/bench_cycles.h"
#include "formats/export_set.h"
#include "generator/pattern_generator.h"
#include "tests/support/temp_folder.h"

namespace {

void BM_ExportAll(benchmark::State& state) {
  const char* base = std::getenv("QUILMORANTE_BENCH_DIR");
  TempFolder folder{{.label = "bench", .base = base != nullptr ? base : ""}};
  auto g = std::make_unique<PatternGenerator>();
  for (int e = 0; e < kPaletteEntries; ++e)
    for (int c = 0; c < kChannels; ++c) g->keys[e][c] = 1 + (e * 3 + c * 5) % 9;
  g->points[0] = ControlPoint{20, 30, 1, 2, 5};
  g->points[1] = ControlPoint{50, 10, 2, 1, -3};
  auto cycle = CycleOf(*g);
  PlayBenchRanges(state.range(0), *cycle);
  for (auto _ : state) {
    std::vector<ExportRequest> requests;
    RequestAllFormats(folder.File("out"), 'A', requests);
    ExportPlan plan;
    if (!PlanExport(*cycle, 'A', FormatSettings{}, requests, plan) || !WriteExport(plan))
      state.SkipWithError("export failed");
  }
}
BENCHMARK(BM_ExportAll)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace
