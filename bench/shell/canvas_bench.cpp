// The editor frame's drawing load on the Canvas: the tiled preview's 65,536 rectangles and
// the seventeen text lines.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "editor/editor_texts.h"
#include "shell/core/canvas.h"
#include "shell/core/texture.h"
#include "shell/desktop/freetype_faces.h"
#include "tests/support/cp932_text.h"
#include "tests/support/temp_folder.h"

namespace {

// A Canvas with an 8 x 8 white texture and the editor's four fonts, independent of the
// working directory.
struct Bench {
  Bench() {
    const std::string white = folder.File(kWhiteTextureFile);
    WriteWhiteBmp(white.c_str());
    if (!SetupCanvas(canvas, device.get(), white)) std::abort();  // the benchmark needs its canvas
    BeginSprites(canvas, device.get());
    canvas.text = FreeTypeFaces();
    MakeFonts(canvas);
    EndSprites(canvas);
    ClearBackBuffer(*device, 0xFF000000, 1.0f);
  }
  ~Bench() { ReleaseCanvas(canvas); }
  static void WriteWhiteBmp(const char* path) {
    // 8 x 8, 24 bits, bottom-up rows of 24 bytes.
    unsigned char header[54] = {'B', 'M'};
    const auto put = [&header](int at, unsigned value) {
      for (int i = 0; i < 4; ++i) header[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    put(2, 54 + 8 * 24);
    put(10, 54);
    put(14, 40);
    put(18, 8);
    put(22, 8);
    header[26] = 1;
    header[28] = 24;
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return;
    std::fwrite(header, 1, sizeof header, file);
    unsigned char row[8 * 24];
    for (unsigned char& b : row) b = 0xFF;
    for (int y = 0; y < 8; ++y) std::fwrite(row, 1, sizeof row, file);
    std::fclose(file);
  }
  std::unique_ptr<BackBuffer> device = std::make_unique<BackBuffer>();
  Canvas canvas;
  TempFolder folder{{.label = "bench"}};
};

void BM_FillRect_TiledPreview(benchmark::State& state) {
  Bench bench;
  if (bench.canvas.sprite == nullptr) {
    state.SkipWithError("no canvas");
    return;
  }
  BeginSprites(bench.canvas, bench.device.get());
  for (auto _ : state) {
    state.PauseTiming();
    ClearBackBuffer(*bench.device, 0xFF000000, 1.0f);
    state.ResumeTiming();
    for (int i = 0; i < 256; ++i) {
      for (int j = 0; j < 256; ++j) {
        const uint32_t colour = 0xFF000000u | static_cast<uint32_t>(i * 65536 + j * 257);
        FillRect(bench.canvas, i, j, 2, 2, colour, 0.0f);
      }
    }
    benchmark::DoNotOptimize(bench.device->color[257 * kScreenWidth + 257]);
  }
  state.SetItemsProcessed(state.iterations() * 65536);
}
BENCHMARK(BM_FillRect_TiledPreview)->Unit(benchmark::kMillisecond)->Repetitions(5);

void BM_DrawText_EditorLines(benchmark::State& state) {
  Bench bench;
  if (!FontAvailable(bench.canvas, 2) || !FontAvailable(bench.canvas, 3)) {
    state.SkipWithError("no Japanese gothic font");
    return;
  }
  struct Line {
    int x, y;
    std::string text;
    int font;
  };
  const Line lines[] = {
      {320, 6, kJapaneseTexts.heading, 2},           {400, 360, kJapaneseTexts.help[0], 3},
      {400, 378, kJapaneseTexts.help[1], 3},         {400, 396, kJapaneseTexts.help[2], 3},
      {400, 414, kJapaneseTexts.help[3], 3},         {320, 132, Cp932("X逆:  0[Q] Y逆:  1[W]"), 2},
      {320, 156, Cp932("X歪:  3[A] Y歪:  0[S]"), 2}, {320, 200, Cp932("パターン:   0"), 2},
      {320, 224, Cp932("パレット:    0"), 2},        {320, 248, Cp932("識別番号: A"), 2},
      {320, 272, Cp932("モザイクレベル:    1"), 2},  {320, 296, Cp932("Ｘ倍率: 1.000000"), 2},
      {320, 320, Cp932("Ｙ倍率: 2.000000"), 2},      {320, 30, "( 16, 16) (x 32,x 32)x 10", 2},
      {320, 54, "( 48, 16) (x 16,x 48)x -5", 2},     {320, 78, "( 16, 48) (x 64,x  8)x100", 2},
      {320, 102, "( 48, 48) (x  1,x  1)x  0", 2},
  };
  for (const Line& line : lines)
    DrawText(bench.canvas, line.x, line.y, line.text.c_str(), line.font);
  for (auto _ : state) {
    for (const Line& line : lines)
      DrawText(bench.canvas, line.x, line.y, line.text.c_str(), line.font);
    benchmark::DoNotOptimize(bench.device->color[10 * kScreenWidth + 330]);
  }
}
BENCHMARK(BM_DrawText_EditorLines)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace

BENCHMARK_MAIN();
