#include "frame_driver.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "editor_frame.h"
#include "keyboard.h"

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

struct FontSlot {
  int index;
  int height;
};
constexpr FontSlot kFontSlotsToMake[] = {{0, 30}, {1, 54}, {2, 18}, {3, 14}};

void MakeFonts(Canvas& canvas) {
  int made = 0;
  for (const FontSlot& slot : kFontSlotsToMake) {
    MakeFont(canvas, slot.index, slot.height);
    if (canvas.fonts[slot.index] != nullptr) ++made;
  }
  if (made == 0)
    std::fprintf(stderr, "quilmorante: no font could be made; the screen is drawn without text\n");
  else if (made < kFontSlots)
    std::fprintf(stderr, "quilmorante: %d of %d fonts could not be made; some texts are missing\n",
                 kFontSlots - made, kFontSlots);
}

}  // namespace

void UseFrameTemplate(std::string path) {
  frameTemplate = std::move(path);
  if (theGenerator != nullptr) theGenerator->templatePath = frameTemplate;
}

void RunFrame(Canvas& canvas, DisplayDevice& display, SDL_Window* window) {
  // Without a back buffer there is nothing to clear: no scene and no presentation.
  if (display.device == nullptr) return;
  ClearRasterizer(*display.device, 0xFF000000u, 1.0f);
  PatternGenerator& generator = TheGenerator();
  generator.deviceRef = &display.device;
  generator.canvas = &canvas;
  FrameBody(generator, window);
  if (!PresentDisplay(display)) static_cast<void>(ResetDisplay(display));
}

void FrameBody(PatternGenerator& generator, SDL_Window* window) {
  Canvas& canvas = *generator.canvas;
  BeginSprites(canvas, *generator.deviceRef);
  if (!firstFrameBodyDone) {
    if (Result keyboard = SetupKeyboard(*generator.clock, window); !keyboard)
      std::fprintf(stderr, "quilmorante: %s\n", keyboard.message.c_str());
    MakeFonts(canvas);
    firstFrameBodyDone = true;
  }
  UpdateClock(*generator.clock);
  EditorFrame(generator, BindEditorCanvas(canvas), *generator.clock);
  EndSprites(canvas);
}
