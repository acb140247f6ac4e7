// The palette browser opened on a folder of 1,000 palette files: the listing, the visible rows'
// files read and the first frame that draws them, from B to the picture.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "bench/editor/bench_screen.h"
#include "editor/editor_frame.h"
#include "editor/look_panel.h"
#include "editor/overlay.h"
#include "editor/palette_browser.h"
#include "shell/core/canvas.h"
#include "shell/core/rasterizer.h"
#include "shell/desktop/freetype_faces.h"
#include "tests/support/temp_data_folder.h"

namespace {

constexpr int kFiles = 1000;

// The shipped data and palettes/ with kFiles GIMP palettes of 16 colours each.
struct PaletteFolder : Workspace {
  PaletteFolder() {
    for (int n = 0; n < kFiles; ++n) {
      std::string text = "GIMP Palette\nName: p" + std::to_string(n) + "\n#\n";
      for (int k = 0; k < 16; ++k) {
        char line[32];
        std::snprintf(line, sizeof line, "%3d %3d %3d\tc%d\n", (n + k) % 256, k * 16, 255 - k * 8,
                      k);
        text += line;
      }
      WriteText(File("palettes/palette" + std::to_string(n) + ".gpl"), text);
    }
  }
};

void BM_PaletteBrowserOpening(benchmark::State& state) {
  PaletteFolder workspace;
  Screen screen(workspace.data);
  auto g = std::make_unique<PatternGenerator>(&workspace.data);
  g->session.folder = &workspace.data;
  // Only the data folder's palettes: no home folder to look in.
  g->session.paletteShelf = DiskPaletteShelf(workspace.data.root, PaletteFolderEnvironment{});
  OpenOverlay(*g, kLookOverlay);
  FrameClock clock;
  for (auto _ : state) {
    state.PauseTiming();
    screen.Clear();
    state.ResumeTiming();
    OpenPaletteBrowser(*g);
    screen.Frame(*g, clock);
    benchmark::DoNotOptimize(screen.device->color[0]);
    state.PauseTiming();
    if (g->look.colours.size() != 16) state.SkipWithError("the first file is not previewed");
    CloseOverlay(*g, kBrowserOverlay);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PaletteBrowserOpening)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
