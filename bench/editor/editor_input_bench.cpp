// Editor frames with the mouse: a control point dragged on the single-tile preview, which
// synthesises the tile in every frame, and the memory a thousand undo steps take.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "bench/editor/bench_screen.h"
#include "editor/editor_frame.h"
#include "generator/key_codes.h"
#include "shell/core/canvas.h"
#include "shell/core/rasterizer.h"
#include "shell/desktop/freetype_faces.h"
#include "tests/support/temp_data_folder.h"

namespace {

// Frames of a drag: the pointer sweeps point 0 across the single 64 x 64 tile, one cell a
// frame, the button held.
void BM_EditorFrameDragging(benchmark::State& state) {
  Workspace workspace;
  Screen screen(workspace.data);
  auto g = std::make_unique<PatternGenerator>(&workspace.data);
  g->session.folder = &workspace.data;
  g->previewMode = kPreviewSingleTile;
  FrameClock clock;
  MouseState& mouse = clock.mouse;
  mouse.seen = true;
  mouse.x = mouse.pressX = 16;
  mouse.y = mouse.pressY = 16;
  mouse.down = mouse.pressed = true;
  int32_t step = 0;
  for (auto _ : state) {
    state.PauseTiming();
    screen.Clear();
    mouse.x = 8 + step % 48;
    ++step;
    state.ResumeTiming();
    screen.Frame(*g, clock);
    mouse.pressed = false;
    benchmark::DoNotOptimize(screen.device->color[0]);
  }
  state.counters["undo steps"] = static_cast<double>(g->session.history.steps.size());
}
BENCHMARK(BM_EditorFrameDragging)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// A thousand separate edits (X on a weight, pressed and released), and the history's bytes.
void BM_UndoHistoryOfAThousandSteps(benchmark::State& state) {
  Workspace workspace;
  for (auto _ : state) {
    auto g = std::make_unique<PatternGenerator>(&workspace.data);
    g->session.folder = &workspace.data;
    g->panel = kPointPanel;
    g->cursorColumn = 4;
    FrameClock clock;
    const EditorCanvas none;
    for (int step = 0; step < 1000; ++step) {
      clock.keyState[DIK_X] = 0x80;
      EditorFrame(*g, none, clock);
      clock.keyState[DIK_X] = 0;
      EditorFrame(*g, none, clock);
    }
    state.counters["bytes"] = static_cast<double>(g->session.history.Bytes());
    state.counters["steps"] = static_cast<double>(g->session.history.steps.size());
  }
}
BENCHMARK(BM_UndoHistoryOfAThousandSteps)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
