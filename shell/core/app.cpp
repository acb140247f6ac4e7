#include "shell/core/app.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "editor/editor_frame.h"
#include "editor/palette_browser.h"
#include "editor/status_line.h"
#include "store/read_file.h"
#include "store/safe_file.h"
#include "store/unsaved_work.h"

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

void Tick(App& app, const uint8_t keyState[kKeyCodeCount], uint64_t nowMs,
          const MouseState& mouse) {
  // Without a back buffer there is nothing to clear: no scene.
  if (app.backBuffer == nullptr) return;
  ClearBackBuffer(*app.backBuffer, 0xFF000000u, 1.0f);
  const bool firstFrame = app.generator == nullptr;
  bool firstStart = false;
  if (firstFrame) {
    // What the last run left: its language (none at the first start) and the slots it closed
    // on, which open again (slot 0 without them).
    app.settings = ReadSettings(app.folder).value_or(Settings{});
    firstStart = !app.settings.language;
    app.generator = std::make_unique<PatternGenerator>(
        &app.folder, app.settings.patternSlot.value_or(0), app.settings.paletteSlot.value_or(0));
    app.generator->session.folder = &app.folder;
    app.generator->session.exporter = app.exporter;
    app.generator->session.language =
        app.languageOverride.value_or(app.settings.language.value_or(Language::kJapanese));
    app.generator->session.paletteFolders = app.settings.paletteFolders;
    app.generator->session.paletteShelf =
        DiskPaletteShelf(app.folder.root, PaletteFolderEnvironment::FromProcess());
  }
  PatternGenerator& generator = *app.generator;
  generator.deviceRef = &app.backBuffer;
  generator.canvas = &app.canvas;
  FrameBody(app, keyState, nowMs, mouse);
  // Remembered for the next start: the language, the slots on screen and the folders palettes
  // came from. A folder that
  // cannot take them only forgets them.
  Settings now = app.settings;
  now.language = generator.session.language;
  now.patternSlot = generator.patternNumber;
  now.paletteSlot = generator.paletteNumber;
  now.paletteFolders = generator.session.paletteFolders;
  if (!(now == app.settings)) {
    static_cast<void>(WriteSettings(app.folder, now));
    app.settings = std::move(now);
  }
  // From the second frame on, so the first frame is always the bare editor.
  if (firstFrame) {
    const std::vector<std::string> recovery = FindRecoveryFiles(app.folder);
    generator.session.status.language = generator.session.language;
    if (!recovery.empty()) {
      // The slots on screen are the ones a key can take back.
      const std::vector<std::string> onScreen = RecoveryFilesOnScreen(generator, app.folder);
      ShowRecoveryFiles(generator.session.status, onScreen.empty() ? recovery : onScreen,
                        !onScreen.empty());
    } else if (!ShowSlotProblem(generator.session.status, generator, SlotProblemOf::kBoth) &&
               firstStart) {
      ShowFirstHint(generator.session.status, nowMs);
    }
  }
}

void FrameBody(App& app, const uint8_t keyState[kKeyCodeCount], uint64_t nowMs,
               const MouseState& mouse) {
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
  clock.mouse = mouse;
  clock.dropped = std::move(app.dropped);
  app.dropped.clear();
  clock.typed = std::move(app.typed);
  app.typed.clear();
  const EditorCanvas editorCanvas = BindEditorCanvas(canvas);
  EditorFrame(generator, editorCanvas, clock);
  // After every text of the editor frame, and outside it: the frame itself draws what it
  // always drew.
  DrawStatus(generator.session, editorCanvas);
  EndSprites(canvas);
}
