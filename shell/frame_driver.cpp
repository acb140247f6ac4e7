#include "frame_driver.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "editor_frame.h"
#include "keyboard.h"
#include "status_line.h"
#include "unsaved_work.h"

namespace {

// The one generator: made on the first frame (it is far too big for the stack) and
// destroyed at process exit, which also releases the keyboard through its clock.
PatternGenerator* theGenerator = nullptr;
std::string frameTemplate = kFrameTemplateFile;

void DestroyGenerator() {
  delete theGenerator;
  theGenerator = nullptr;
}

PatternGenerator& TheGenerator() {
  if (theGenerator == nullptr) {
    theGenerator = new PatternGenerator();
    theGenerator->templatePath = frameTemplate;
    std::atexit(DestroyGenerator);
  }
  return *theGenerator;
}

// Set by the first frame body, whatever its set-up calls returned.
bool firstFrameBodyDone = false;

void MakeFontsOrWarn(Canvas& canvas) {
  const int made = MakeFonts(canvas);
  if (made == 0)
    std::fprintf(stderr, "quilmorante: no font could be made; the screen is drawn without text\n");
  else if (made < kFontSlots)
    std::fprintf(stderr, "quilmorante: %d of %d fonts could not be made; some texts are missing\n",
                 kFontSlots - made, kFontSlots);
}

}  // namespace

PatternGenerator* ExistingGenerator() {
  return theGenerator;
}

void UseFrameTemplate(std::string path) {
  frameTemplate = std::move(path);
  if (theGenerator != nullptr) theGenerator->templatePath = frameTemplate;
}

void RunFrame(Canvas& canvas, DisplayDevice& display, SDL_Window* window) {
  // Without a back buffer there is nothing to clear: no scene and no presentation.
  if (display.device == nullptr) return;
  ClearRasterizer(*display.device, 0xFF000000u, 1.0f);
  const bool firstFrame = theGenerator == nullptr;
  PatternGenerator& generator = TheGenerator();
  generator.deviceRef = &display.device;
  generator.canvas = &canvas;
  FrameBody(generator, window);
  // From the second frame on, so the first frame is always the bare editor.
  if (firstFrame) ShowRecoveryFiles(generator.status, FindRecoveryFiles());
  if (!PresentDisplay(display)) static_cast<void>(ResetDisplay(display));
}

void FrameBody(PatternGenerator& generator, SDL_Window* window) {
  Canvas& canvas = *generator.canvas;
  BeginSprites(canvas, *generator.deviceRef);
  if (!firstFrameBodyDone) {
    if (Result keyboard = SetupKeyboard(*generator.clock, window); !keyboard)
      std::fprintf(stderr, "quilmorante: %s\n", keyboard.message.c_str());
    MakeFontsOrWarn(canvas);
    firstFrameBodyDone = true;
  }
  UpdateClock(*generator.clock);
  const EditorCanvas editorCanvas = BindEditorCanvas(canvas);
  EditorFrame(generator, editorCanvas, *generator.clock);
  // After every text of the editor frame, and outside it: the frame itself draws what it
  // always drew.
  DrawStatus(generator.status, editorCanvas);
  EndSprites(canvas);
}
