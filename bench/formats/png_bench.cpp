// The export formats' writers, each against a floor: zlib alone compressing the BMP frames'
// 32,768-byte pixel array at the PNG writers' level (and, for the sprite sheet, the sheet's
// sixteen times as many pixel bytes). Arg: the tile edge (64 the default export, 256 the
// least repetitive picture).

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <array>
#include <memory>
#include <vector>

#include "bench/bench_support.h"
#include "formats/png_encoder.h"
#include "formats/png_frames.h"
#include "formats/png_sheet.h"
#include "formats/shader_pair.h"
#include "generator/cycle.h"
#include "generator/frame_template.h"
#include "generator/pattern_generator.h"

namespace {

// The busy pattern's BMP frame pixels at the tile edge the arg gives.
std::vector<uint8_t> FramePixels(const benchmark::State& state) {
  auto g = BusyPattern(static_cast<int>(state.range(0)));
  g->Synthesize();
  g->RebuildPalette();
  std::vector<uint8_t> pixels(kPixelBytes);
  BuildFramePixels(g->map, g->width, g->height, pixels.data());
  return pixels;
}

std::unique_ptr<Cycle> BusyCycle(const benchmark::State& state) {
  return CycleOf(*BusyPattern(static_cast<int>(state.range(0))));
}

// The arg: the tile edge of the default export and of the least repetitive picture.
void TileEdges(benchmark::internal::Benchmark* b) {
  b->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);
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
  Compress(state, FramePixels(state));
}
BENCHMARK(BM_ExportFloor)->Apply(TileEdges);

// The sprite sheet's pixel bytes, unfiltered: each row the sixteen frames' rows side by side.
void BM_SheetFloor(benchmark::State& state) {
  const std::vector<uint8_t> pixels = FramePixels(state);
  std::vector<uint8_t> sheet;
  for (int row = 0; row < 256; ++row)
    for (int a = 0; a < kFrameCount; ++a)
      for (int m = 0; m < 128; ++m) {
        const int byte = pixels[row * 128 + m];
        sheet.push_back(static_cast<uint8_t>(((byte >> 4) + a) % 16 << 4 | ((byte & 15) + a) % 16));
      }
  Compress(state, sheet);
}
BENCHMARK(BM_SheetFloor)->Apply(TileEdges);

// A writer of one PNG file: a frame (frame 5), the sprite sheet (16 columns).
template <typename Encode>
void BM_EncodePngFile(benchmark::State& state, Encode encode) {
  TimeEncoding(state, *BusyCycle(state), encode);
}
Result Frame(const Cycle& cycle, std::vector<uint8_t>& bytes) {
  return EncodePngFrame(cycle, 5, 1, bytes);
}
Result SpriteSheet(const Cycle& cycle, std::vector<uint8_t>& bytes) {
  return EncodeSpriteSheet(cycle, 16, 1, bytes);
}
BENCHMARK_CAPTURE(BM_EncodePngFile, Frame, Frame)->Apply(TileEdges);
BENCHMARK_CAPTURE(BM_EncodePngFile, SpriteSheet, SpriteSheet)->Apply(TileEdges);

// What the export writes: all sixteen frames, the image data compressed once.
void BM_EncodePngFrames(benchmark::State& state) {
  auto cycle = BusyCycle(state);
  std::vector<std::vector<uint8_t>> frames;
  for (auto _ : state)
    if (!EncodePngFrames(*cycle, 1, frames)) state.SkipWithError("encode failed");
}
BENCHMARK(BM_EncodePngFrames)->Apply(TileEdges);

void BM_EncodeShaderPair(benchmark::State& state) {
  auto cycle = BusyCycle(state);
  std::vector<uint8_t> index, palette;
  for (auto _ : state) {
    if (!EncodeIndexPng(*cycle, index) || !EncodePalettePng(*cycle, palette))
      state.SkipWithError("encode failed");
    benchmark::DoNotOptimize(ShaderText(ShaderKind::kGlsl, *cycle));
    benchmark::DoNotOptimize(ShaderText(ShaderKind::kGodot, *cycle));
  }
  state.counters["bytes"] = static_cast<double>(index.size() + palette.size());
}
BENCHMARK(BM_EncodeShaderPair)->Apply(TileEdges);

}  // namespace

BENCHMARK_MAIN();
