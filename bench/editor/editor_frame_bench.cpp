// Whole editor frames into the display-free canvas: the tiled preview frame, the same with
// eight moving blended cycle ranges (to compare with the default cycle's), a frame with X
// held on a control point's x, which synthesises a 256 x 256 tile in the frame, and the
// gallery's frame with all 100 slots' thumbnails cycling, and its opening.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/editor/bench_screen.h"
#include "bench/formats/bench_cycles.h"
#include "editor/editor_frame.h"
#include "editor/gallery.h"
#include "generator/key_codes.h"
#include "generator/pattern_generator.h"
#include "shell/core/canvas.h"
#include "shell/core/rasterizer.h"
#include "shell/desktop/freetype_faces.h"
#include "store/data_folder.h"
#include "tests/support/temp_data_folder.h"

namespace {

void RunFrames(benchmark::State& state, const DataFolder& data, PatternGenerator& g,
               FrameClock& clock) {
  Screen screen(data);
  screen.Frame(g, clock);  // glyphs are rendered on first use
  for (auto _ : state) {
    state.PauseTiming();
    ClearBackBuffer(*screen.device, 0xFF000000, 1.0f);
    state.ResumeTiming();
    screen.Frame(g, clock);
    benchmark::DoNotOptimize(screen.device->color[0]);
  }
}

void BM_EditorFrame(benchmark::State& state) {
  Workspace workspace;
  auto g = std::make_unique<PatternGenerator>(&workspace.data);
  FrameClock clock;
  RunFrames(state, workspace.data, *g, clock);
}

// Every entry in a range that fades, each range at its own speed and mode.
void BM_EditorFrameEightBlendedRanges(benchmark::State& state) {
  Workspace workspace;
  auto g = std::make_unique<PatternGenerator>(&workspace.data);
  const char* text =
      "0,1,1,forward,1\n2,3,3,reverse,1\n4,5,5,pingpong,1\n6,7,7,forward,1\n"
      "8,9,9,reverse,1\n10,11,11,pingpong,1\n12,13,13,forward,1\n14,15,15,reverse,1\n";
  if (!ParseCycleRanges(text, g->cycles)) std::abort();
  // Arg 1: every shown colour snapped to a 256-colour target.
  if (state.range(0) == 1) g->look.snap = BenchSnapTarget();
  FrameClock clock;
  RunFrames(state, workspace.data, *g, clock);
}

void BM_EditorFrameHeld(benchmark::State& state) {
  Workspace workspace;
  auto g = std::make_unique<PatternGenerator>(&workspace.data);
  g->panel = 1;
  g->cursorColumn = 0;
  g->cursorRow = 0;
  g->sizeExpX = 8;
  g->sizeExpY = 8;
  FrameClock clock;
  clock.keyState[DIK_X] = 0x80;
  RunFrames(state, workspace.data, *g, clock);
  state.counters["x"] = g->points[0].x;
}

// Every slot of both kinds holds one of the shipped slots' files, so each thumbnail draws.
void FillSlots(const Workspace& workspace) {
  for (int n = 3; n < kSlotCount; ++n) {
    std::filesystem::copy_file(workspace.File(DataFolder::PatternFile(n % 3)),
                               workspace.File(DataFolder::PatternFile(n)));
    std::filesystem::copy_file(workspace.File(DataFolder::PaletteFile(n % 3)),
                               workspace.File(DataFolder::PaletteFile(n)));
  }
}

// Arg 0: the pattern slots; 1: the palette slots, the current one with eight blended ranges.
void BM_EditorFrameGallery(benchmark::State& state) {
  Workspace workspace;
  FillSlots(workspace);
  auto g = std::make_unique<PatternGenerator>(&workspace.data);
  if (!ParseCycleRanges("0,3,1,forward,1\n4,7,3,pingpong,1\n8,15,5,reverse,1\n", g->cycles))
    std::abort();
  g->session.galleryPalettes = state.range(0) == 1;
  OpenGallery(*g);
  FrameClock clock;
  RunFrames(state, workspace.data, *g, clock);
}

// What opening the gallery reads and synthesises, at the largest tile.
void BM_GalleryOpen(benchmark::State& state) {
  Workspace workspace;
  FillSlots(workspace);
  auto g = std::make_unique<PatternGenerator>(&workspace.data);
  g->sizeExpX = g->sizeExpY = 8;
  g->UpdateTileSize();
  g->session.galleryPalettes = state.range(0) == 1;
  for (auto _ : state) OpenGallery(*g);
}

BENCHMARK(BM_EditorFrame)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EditorFrameEightBlendedRanges)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EditorFrameHeld)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

BENCHMARK(BM_EditorFrameGallery)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_GalleryOpen)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
