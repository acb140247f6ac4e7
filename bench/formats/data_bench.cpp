// Export format timings on one busy cycle, with the zlib floor the APNG is held to: the
// same sixteen frames of rows compressed at the same level by compress2 alone. The animated
// formats also run a loop of 240 frames, with and without blending ranges (bench_cycles.h),
// and report their time a frame.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <memory>
#include <vector>

#include "bench/bench_support.h"
#include "bench/formats/bench_cycles.h"
#include "formats/cycle_apng.h"
#include "formats/cycle_gif.h"
#include "formats/cycle_ilbm.h"
#include "formats/cycle_json.h"
#include "formats/cycle_webp.h"
#include "formats/palette_file.h"
#include "generator/cycle.h"
#include "generator/pattern_generator.h"

namespace {

// A cycle with every index in use over a 64 x 64 tile, in 16 distinct colours, playing one of
// the bench's range lists.
std::unique_ptr<Cycle> BusyCycle(int64_t ranges = 0) {
  auto g = BusyPattern(64);
  for (int e = 0; e < kPaletteEntries; ++e)
    for (int c = 0; c < kChannels; ++c) g->keys[e][c] = 1 + (e * 3 + c * 5) % 9;
  auto cycle = CycleOf(*g);
  PlayBenchRanges(ranges, *cycle);
  return cycle;
}

template <typename Encode>
void Run(benchmark::State& state, Encode encode, int64_t ranges = 0) {
  const auto cycle = BusyCycle(ranges);
  TimeEncoding(state, *cycle, encode);
  // Seconds a frame.
  state.counters["per_frame"] = benchmark::Counter(
      cycle->frames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Args: scale, range list.
template <Result (*Encode)(const Cycle&, int, std::vector<uint8_t>&)>
void RunAnimation(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  Run(
      state, [scale](const Cycle& c, std::vector<uint8_t>& b) { return Encode(c, scale, b); },
      state.range(1));
}

void BM_EncodeIlbm(benchmark::State& state) {
  Run(state, [](const Cycle& c, std::vector<uint8_t>& b) { return EncodeIlbm(c, b).ok; });
}
BENCHMARK(BM_EncodeIlbm)->Unit(benchmark::kMillisecond);

void BM_EncodeCycleJson(benchmark::State& state) {
  Run(state,
      [](const Cycle& c, std::vector<uint8_t>& b) { return EncodeCycleJson(c, "a.json", b).ok; });
}
BENCHMARK(BM_EncodeCycleJson)->Unit(benchmark::kMillisecond);

// All four formats each time.
void BM_EncodePaletteFile(benchmark::State& state) {
  Run(state, [](const Cycle& c, std::vector<uint8_t>& b) {
    bool ok = true;
    for (const char* extension : {"gpl", "pal", "hex", "act"})
      ok = EncodePaletteFile(c, extension, "bench", b).ok && ok;
    return ok;
  });
}
BENCHMARK(BM_EncodePaletteFile)->Unit(benchmark::kMicrosecond);

void BM_EncodeApng(benchmark::State& state) {
  RunAnimation<EncodeApng>(state);
}
BENCHMARK(BM_EncodeApng)
    ->Args({1, 0})
    ->Args({4, 0})
    ->Args({1, 1})
    ->Args({1, 2})
    ->Unit(benchmark::kMillisecond);

// compress2 of the rows the APNG deflates (filter byte, two indices a byte; frame a's
// indices turned by a) at the APNG's level.
void BM_ApngFloor(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  const auto cycle = BusyCycle();
  const size_t edge = 256 * static_cast<size_t>(scale), rowBytes = 1 + edge / 2;
  std::vector<std::vector<uint8_t>> frames(kFrameCount, std::vector<uint8_t>(rowBytes * edge));
  for (int a = 0; a < kFrameCount; ++a)
    for (size_t y = 0; y < edge; ++y)
      for (size_t m = 1; m < rowBytes; ++m) {
        const uint8_t* p = cycle->pixels + y / scale * 256 + (2 * m - 2) / scale;
        const uint8_t* q = cycle->pixels + y / scale * 256 + (2 * m - 1) / scale;
        frames[a][y * rowBytes + m] = static_cast<uint8_t>((*p + a) % 16 << 4 | (*q + a) % 16);
      }
  std::vector<uint8_t> out(compressBound(static_cast<uLong>(rowBytes * edge)));
  for (auto _ : state) {
    for (const auto& frame : frames) {
      uLongf length = out.size();
      if (compress2(out.data(), &length, frame.data(), frame.size(), Z_DEFAULT_COMPRESSION) != Z_OK)
        state.SkipWithError("compress2 failed");
      benchmark::DoNotOptimize(out.data());
    }
  }
}
BENCHMARK(BM_ApngFloor)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_EncodeWebp(benchmark::State& state) {
  RunAnimation<EncodeWebp>(state);
}
BENCHMARK(BM_EncodeWebp)->Args({1, 0})->Args({1, 1})->Args({1, 2})->Unit(benchmark::kMillisecond);

// Arg: range list.
void BM_EncodeCycleGif(benchmark::State& state) {
  Run(
      state, [](const Cycle& c, std::vector<uint8_t>& b) { return EncodeCycleGif(c, 1, b).ok; },
      state.range(0));
}
BENCHMARK(BM_EncodeCycleGif)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
