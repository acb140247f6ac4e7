// Synthesis, palette and export timings, with a floor kernel: only the single-precision
// square roots and divisions a 256 x 256 synthesis needs, so Synthesize / Floor reads off
// one run.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "generator/pattern_generator.h"
#include "store/data_folder.h"
#include "tests/support/temp_folder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A data folder with a template, so the export has its files.
struct BenchFolder {
  // QUILMORANTE_BENCH_DIR picks the disk the export is timed on (default the temporary folder).
  static std::filesystem::path Base() {
    const char* base = std::getenv("QUILMORANTE_BENCH_DIR");
    return base != nullptr ? base : "";
  }
  TempFolder folder{{.label = "bench", .base = Base()}};
  DataFolder data{folder.path().string()};
  BenchFolder() { WriteText(data.frameTemplate, FrameTemplate()); }
};

std::unique_ptr<PatternGenerator> Busy(int edge, bool shaped) {
  auto g = BusyPattern(edge);
  if (shaped) {
    g->distortX = 1;
    g->distortY = -1;
    g->reverseX = 1;
    g->mosaicLevel = 2;
  }
  return g;
}

void TimeSynthesis(benchmark::State& state, bool shaped) {
  auto g = Busy(static_cast<int>(state.range(0)), shaped);
  for (auto _ : state) {
    g->Synthesize();
    benchmark::DoNotOptimize(g->map[0]);
  }
}

void BM_Synthesize(benchmark::State& state) {
  TimeSynthesis(state, false);
}
BENCHMARK(BM_Synthesize)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);

void BM_SynthesizeShaped(benchmark::State& state) {
  TimeSynthesis(state, true);
}
BENCHMARK(BM_SynthesizeShaped)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);

// 4 square roots and 2 divisions per cell of a 256 x 256 tile, four lanes at a time.
void BM_SynthesizeFloor(benchmark::State& state) {
  const int cells = static_cast<int>(state.range(0)) * static_cast<int>(state.range(0));
  std::vector<float> input(cells);
  for (int i = 0; i < cells; ++i) input[i] = static_cast<float>(i % 9973) + 1.5f;
  for (auto _ : state) {
#if defined(__SSE2__)
    __m128 sum = _mm_setzero_ps();
    for (int i = 0; i < cells; i += 4) {
      const __m128 s = _mm_loadu_ps(input.data() + i);
      sum = _mm_add_ps(sum, _mm_sqrt_ps(s));
      sum = _mm_add_ps(sum, _mm_sqrt_ps(_mm_add_ps(s, s)));
      sum = _mm_add_ps(sum, _mm_sqrt_ps(_mm_mul_ps(s, s)));
      sum = _mm_add_ps(sum, _mm_sqrt_ps(_mm_sub_ps(s, sum)));
      sum = _mm_add_ps(sum, _mm_div_ps(s, _mm_set1_ps(-5.5f)));
      sum = _mm_add_ps(sum, _mm_div_ps(sum, s));
    }
    benchmark::DoNotOptimize(sum);
#else
    float sum = 0;
    for (int i = 0; i < cells; ++i) {
      const float s = input[i];
      sum += std::sqrt(s) + std::sqrt(s + s) + std::sqrt(s * s) + std::sqrt(s - sum);
      sum += s / -5.5f + sum / s;
    }
    benchmark::DoNotOptimize(sum);
#endif
  }
}
BENCHMARK(BM_SynthesizeFloor)->Arg(256)->Unit(benchmark::kMicrosecond);

void BM_RebuildPalette(benchmark::State& state) {
  auto g = Busy(64, false);
  for (int e = 0; e < kPaletteEntries; ++e)
    for (int ch = 0; ch < kChannels; ++ch)
      g->keys[e][ch] = (e * 7 + ch * 3) % 3 == 0 ? 1 + (e + ch) % 9 : 0;
  for (auto _ : state) {
    g->RebuildPalette();
    benchmark::DoNotOptimize(g->palette[0][0]);
  }
}
BENCHMARK(BM_RebuildPalette)->Unit(benchmark::kNanosecond);

void BM_ExportFrames(benchmark::State& state) {
  BenchFolder folder;
  auto g = Busy(static_cast<int>(state.range(0)), false);
  for (auto _ : state) {
    if (!ExportFramesOf(*g, folder.data)) state.SkipWithError("export failed");
  }
}
BENCHMARK(BM_ExportFrames)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
