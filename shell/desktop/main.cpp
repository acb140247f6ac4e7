// QUILMORANTE: synthesises tileable 16-colour patterns for palette-cycling textures.

#include <SDL2/SDL.h>

#include <cstdio>
#include <string>
#include <vector>

#include "generator/safe_file.h"
#include "generator/unsaved_work.h"
#include "shell/core/app.h"
#include "shell/desktop/display_device.h"
#include "shell/desktop/display_mode.h"
#include "shell/desktop/font.h"
#include "shell/desktop/freetype_faces.h"
#include "shell/desktop/main_loop.h"
#include "shell/desktop/program_data.h"
#include "shell/desktop/program_window.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "quilmorante: %s\n", message.c_str());
  SDL_Quit();
  return 1;
}

// Killed exports and saves leave temporaries that no later write would ever clear.
void RemoveStaleTemporariesAtStart() {
  for (const char* folder : {DataFolder::kResults, DataFolder::kSlots})
    RemoveStaleTemporaries(folder);
  const std::vector<std::string> recovery = FindRecoveryFiles();
  for (const std::string& file : recovery)
    std::fprintf(stderr, "quilmorante: %s holds edits an earlier run did not save to a slot\n",
                 file.c_str());
}

// Slots are written only when the editor switches numbers: edits made since then go to
// recovery files beside the slots, never over them.
void KeepUnsavedWorkAtExit(const App& app) {
  PatternGenerator* generator = app.generator.get();
  if (generator == nullptr) return;
  std::vector<std::string> written;
  const Result kept = KeepUnsavedWork(*generator, written);
  for (const std::string& file : written)
    std::fprintf(stderr, "quilmorante: edits not saved to a slot are kept in %s\n", file.c_str());
  if (!kept)
    std::fprintf(stderr, "quilmorante: cannot keep the unsaved edits: %s\n", kept.message.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  // Lives until main returns, after SDL_Quit: the generator, and with its clock the keyboard
  // source, go last, at process exit.
  const EditorOptions options = ParseEditorOptions(argc, argv);
  if (options.action == EditorOptions::Action::kHelp) {
    std::fputs(kEditorUsage, stdout);
    return 0;
  }
  if (options.action == EditorOptions::Action::kVersion) {
    std::printf("quilmorante %s\n", QUILMORANTE_VERSION);
    return 0;
  }
  App app;
  const DataLayout layout = ProcessDataLayout();
  if (Result entered = EnterProgramData(layout, app); !entered) return Fail(entered.message);
  RemoveStaleTemporariesAtStart();

  // SIGINT and SIGTERM arrive as SDL_QUIT and take the same path as closing the window.
  if (!DisplayNamed())
    return Fail(
        "cannot open a window, no display available: neither DISPLAY nor WAYLAND_DISPLAY is "
        "set; start it on a desktop (or under Xvfb)");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0)
    return Fail(std::string("cannot open a window, no display available: ") + SDL_GetError());
  if (!VideoDriverShowsWindows())
    return Fail(
        "cannot open a window, no display available (DISPLAY and WAYLAND_DISPLAY "
        "name no display that could be reached)");
  FindFontFace();  // before the window opens; the first frame's fonts then come at once
  SDL_Window* window = OpenProgramWindow(options.fullScreen);
  if (window == nullptr) return Fail(std::string("cannot open a window: ") + SDL_GetError());

  DisplayDevice display;
  if (Result created = CreateDisplay(display, window, options.fullScreen); !created)
    return Fail("cannot create the display device: " + created.message);
  if (Result ready = SetupCanvas(app.canvas, display.device, app.folder.whiteTexture); !ready) {
    ReleaseCanvas(app.canvas);
    ReleaseDisplay(display);
    return Fail(ready.message);
  }

  app.canvas.text = FreeTypeFaces();  // the first frame makes the fonts from these
  RunMainLoop(app, display, window);
  KeepUnsavedWorkAtExit(app);

  ReleaseCanvas(app.canvas);
  ReleaseDisplay(display);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
