#pragma once
// What the editor's benchmarks share: a scratch copy of the shipped data folder, and the
// screen their frames draw on (the software canvas with the real fonts).

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "editor/editor_frame.h"
#include "shell/core/canvas.h"
#include "shell/core/rasterizer.h"
#include "shell/desktop/freetype_faces.h"
#include "store/data_folder.h"
#include "tests/support/temp_data_folder.h"

// A scratch data folder with the shipped data, for the generator and the canvas.
struct Workspace : TempDataFolder {
  Workspace() {
    std::filesystem::copy(QUILMORANTE_DATA_DIR, folder.path(),
                          std::filesystem::copy_options::recursive);
    std::filesystem::create_directories(File(DataFolder::kResults));
  }
};

struct Screen {
  std::unique_ptr<BackBuffer> device = std::make_unique<BackBuffer>();
  Canvas canvas;
  EditorCanvas view;
  explicit Screen(const DataFolder& data) {
    // The benchmark needs its canvas.
    if (!SetupCanvas(canvas, device.get(), data.whiteTexture)) std::abort();
    BeginSprites(canvas, device.get());
    canvas.text = FreeTypeFaces();
    MakeFonts(canvas);
    EndSprites(canvas);
    view = BindEditorCanvas(canvas);
  }
  ~Screen() { ReleaseCanvas(canvas); }
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;
  void Clear() { ClearBackBuffer(*device, 0xFF000000, 1.0f); }
  void Frame(PatternGenerator& g, FrameClock& clock) {
    BeginSprites(canvas, device.get());
    EditorFrame(g, view, clock);
    EndSprites(canvas);
  }
};
