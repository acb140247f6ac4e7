#include "shell/core/app.h"

#include <cstdio>
#include <cstring>

#include "editor/editor_frame.h"
#include "editor/status_line.h"
#include "generator/unsaved_work.h"

namespace {

void MakeFontsOrWarn(Canvas& canvas) {
  const int made = MakeFonts(canvas);
  if (made == 0)
    std::fprintf(stderr, "quilmorante: no font could be made; the screen is drawn without text\n");
  else if (made < kFontSlots)
    std::fprintf(stderr, "quilmorante: %d of %d fonts could not be made; some texts are missing\n",
                 kFontSlots - made, kFontSlots);
}

}  // namespace

void Tick(App& app, const uint8_t keyState[256], uint64_t nowMs) {
  // Without a back buffer there is nothing to clear: no scene.
  if (app.backBuffer == nullptr) return;
  ClearBackBuffer(*app.backBuffer, 0xFF000000u, 1.0f);
  const bool firstFrame = app.generator == nullptr;
  if (firstFrame) {
    app.generator = std::make_unique<PatternGenerator>();
    app.generator->folder = app.folder;
  }
  PatternGenerator& generator = *app.generator;
  generator.deviceRef = &app.backBuffer;
  generator.canvas = &app.canvas;
  FrameBody(app, keyState, nowMs);
  // From the second frame on, so the first frame is always the bare editor.
  if (firstFrame) {
    const std::vector<std::string> recovery = FindRecoveryFiles();
    if (!recovery.empty()) {
      ShowRecoveryFiles(generator.status, recovery);
    } else if (!generator.cyclesProblem.empty()) {
      ShowCyclesUnreadable(generator.status, generator.cyclesProblem);
    }
  }
}

void FrameBody(App& app, const uint8_t keyState[256], uint64_t nowMs) {
  PatternGenerator& generator = *app.generator;
  Canvas& canvas = *generator.canvas;
  BeginSprites(canvas, *generator.deviceRef);
  if (!app.firstFrameBodyDone) {
    if (app.setUpKeyboard) {
      if (Result keyboard = app.setUpKeyboard(*generator.clock); !keyboard)
        std::fprintf(stderr, "quilmorante: %s\n", keyboard.message.c_str());
    }
    MakeFontsOrWarn(canvas);
    app.firstFrameBodyDone = true;
  }
  FrameClock& clock = *generator.clock;
  std::memcpy(clock.keyState, keyState, sizeof clock.keyState);
  clock.nowMs = nowMs;
  const EditorCanvas editorCanvas = BindEditorCanvas(canvas);
  EditorFrame(generator, editorCanvas, clock);
  // After every text of the editor frame, and outside it: the frame itself draws what it
  // always drew.
  DrawStatus(generator.status, editorCanvas);
  EndSprites(canvas);
}
