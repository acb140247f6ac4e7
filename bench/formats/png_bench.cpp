// The export formats' writers, each against a floor: zlib alone compressing the BMP frames'
// 32,768-byte pixel array at the PNG writers' level (and, for the sprite sheet, the sheet's
// sixteen times as many pixel bytes). Arg: the tile edge (64 the default export, 256 the
// least repetitive picture).

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <array>
#include <memory>
#include <vector>

#include "formats/png_encoder.h"
#include "formats/png_frames.h"
#include "formats/png_sheet.h"
#include "formats/shader_pair.h"
#include "generator/cycle.h"
#include "generator/frame_template.h"
#include "generator/pattern_generator.h"
#include "tests/support/generator_exports.h"
#include "tests/support/temp_folder.h"

namespace {

std::unique_ptr<PatternGenerator> Busy(int edge) {
  auto g = std::make_unique<PatternGenerator>(&WorkingFolder());
  g->width = g->height = edge;
  g->points[0] = {16, 16, 1, 1, 3};
  g->points[1] = {48, 40, 2, 1, -2};
  g->points[2] = {32, 56, 1, 3, 2};
  g->points[3] = {8, 48, 1, 1, 1};
  for (int e = 0; e < kPaletteEntries; e += 3) g->keys[e][e % 3] = 1 + e % 9;
  g->Synthesize();
  g->RebuildPalette();
  return g;
}

std::unique_ptr<Cycle> BusyCycle(int edge) {
  auto cycle = std::make_unique<Cycle>();
  static_cast<void>(CycleOfGenerator(*Busy(edge),
                                     reinterpret_cast<const uint8_t*>(FrameTemplate().data()),
                                     kDefaultDelayCentiseconds, *cycle));
  return cycle;
}

void Compress(benchmark::State& state, const std::vector<uint8_t>& pixels) {
  std::vector<uint8_t> out(compressBound(pixels.size()));
  for (auto _ : state) {
    uLongf length = static_cast<uLongf>(out.size());
    if (compress2(out.data(), &length, pixels.data(), pixels.size(), kPngCompressionLevel) != Z_OK)
      state.SkipWithError("compress2 failed");
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_ExportFloor(benchmark::State& state) {
  auto g = Busy(static_cast<int>(state.range(0)));
  std::vector<uint8_t> pixels(kPixelBytes);
  BuildFramePixels(g->map, g->width, g->height, pixels.data());
  Compress(state, pixels);
}
BENCHMARK(BM_ExportFloor)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);

// The sprite sheet's pixel bytes, unfiltered: each row the sixteen frames' rows side by side.
void BM_SheetFloor(benchmark::State& state) {
  auto g = Busy(static_cast<int>(state.range(0)));
  std::vector<uint8_t> pixels(kPixelBytes);
  BuildFramePixels(g->map, g->width, g->height, pixels.data());
  std::vector<uint8_t> sheet;
  for (int row = 0; row < 256; ++row)
    for (int a = 0; a < kFrameCount; ++a)
      for (int m = 0; m < 128; ++m) {
        const int byte = pixels[row * 128 + m];
        sheet.push_back(static_cast<uint8_t>(((byte >> 4) + a) % 16 << 4 | ((byte & 15) + a) % 16));
      }
  Compress(state, sheet);
}
BENCHMARK(BM_SheetFloor)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);

void BM_EncodePngFrame(benchmark::State& state) {
  auto cycle = BusyCycle(static_cast<int>(state.range(0)));
  std::vector<uint8_t> bytes;
  for (auto _ : state)
    if (!EncodePngFrame(*cycle, 5, 1, bytes)) state.SkipWithError("encode failed");
  state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_EncodePngFrame)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);

// What the export writes: all sixteen frames, the image data compressed once.
void BM_EncodePngFrames(benchmark::State& state) {
  auto cycle = BusyCycle(static_cast<int>(state.range(0)));
  std::vector<std::vector<uint8_t>> frames;
  for (auto _ : state)
    if (!EncodePngFrames(*cycle, 1, frames)) state.SkipWithError("encode failed");
}
BENCHMARK(BM_EncodePngFrames)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);

void BM_EncodeSpriteSheet(benchmark::State& state) {
  auto cycle = BusyCycle(static_cast<int>(state.range(0)));
  std::vector<uint8_t> bytes;
  for (auto _ : state)
    if (!EncodeSpriteSheet(*cycle, 16, 1, bytes)) state.SkipWithError("encode failed");
  state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_EncodeSpriteSheet)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);

void BM_EncodeShaderPair(benchmark::State& state) {
  auto cycle = BusyCycle(static_cast<int>(state.range(0)));
  std::vector<uint8_t> index, palette;
  for (auto _ : state) {
    if (!EncodeIndexPng(*cycle, index) || !EncodePalettePng(*cycle, palette))
      state.SkipWithError("encode failed");
    benchmark::DoNotOptimize(ShaderText(ShaderKind::kGlsl, *cycle));
    benchmark::DoNotOptimize(ShaderText(ShaderKind::kGodot, *cycle));
  }
  state.counters["bytes"] = static_cast<double>(index.size() + palette.size());
}
BENCHMARK(BM_EncodeShaderPair)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
