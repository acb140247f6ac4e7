// QUILMORANTE: synthesises tileable 16-colour patterns for palette-cycling textures.

#include <SDL2/SDL.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "editor/format_export_runner.h"
#include "editor/screen_texts.h"
#include "editor/status_line.h"
#include "shell/core/app.h"
#include "shell/desktop/console.h"
#include "shell/desktop/display_device.h"
#include "shell/desktop/display_mode.h"
#include "shell/desktop/font.h"
#include "shell/desktop/freetype_faces.h"
#include "shell/desktop/main_loop.h"
#include "shell/desktop/program_data.h"
#include "shell/desktop/program_exit.h"
#include "shell/desktop/program_window.h"
#include "store/safe_file.h"
#include "store/unsaved_work.h"

namespace {

// A close that could not keep the edits is refused once; another within this time closes.
constexpr uint64_t kSecondCloseMs = 3000;

int Fail(const std::string& message) {
  std::fprintf(stderr, "quilmorante: %s\n", message.c_str());
  SDL_Quit();
  return 1;
}

// Interrupted exports and saves leave journals and temporaries that no later write would
// finish or clear.
void RecoverAtStart(const DataFolder& data) {
  for (const char* folder : {DataFolder::kResults, DataFolder::kSlots})
    RecoverFolder(data.Path(folder));
  const std::vector<std::string> recovery = FindRecoveryFiles(data);
  for (const std::string& file : recovery)
    std::fprintf(stderr, "quilmorante: %s holds edits an earlier run did not save to a slot\n",
                 file.c_str());
}

// One editor per data folder: a second one would overwrite the first one's saves. Fails,
// having said so on standard error and in a message box, only when another editor holds it.
Result LockDataFolder(const DataFolder& folder, FileLock& lock, const ScreenTexts& texts) {
  static_cast<void>(EnsureDirectory(folder.Path(DataFolder::kSlots)));
  const Result locked = FileLock::OnFile(folder.Path(DataFolder::kEditorLock), 0, lock);
  if (locked) return locked;
  if (locked.error != EWOULDBLOCK) {
    // A folder that cannot hold the lock file (read-only) cannot take saves either: no
    // second editor can overwrite anything there.
    std::fprintf(stderr, "quilmorante: %s; running without the one-editor lock\n",
                 locked.message.c_str());
    return Result::Ok();
  }
  const std::string message =
      "another QUILMORANTE editor has this data folder open; close it first (" +
      std::string(DataFolder::kEditorLock) + ")";
  std::fprintf(stderr, "quilmorante: %s\n", message.c_str());
  // Nothing is open yet: a signal ends the wait for the box.
  EndAtOnceOnQuitSignals(1);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "QUILMORANTE", texts.secondEditorBox, nullptr);
  return Result::Fail(message);
}

}  // namespace

int main(int argc, char** argv) {
  UseParentConsole();
  const EditorOptions options = ParseEditorOptions(argc, argv);
  if (options.action == EditorOptions::Action::kHelp) {
    std::fputs(kEditorUsage, stdout);
    return 0;
  }
  if (options.action == EditorOptions::Action::kVersion) {
    std::printf("quilmorante %s\n", QUILMORANTE_VERSION);
    return 0;
  }
  if (options.action == EditorOptions::Action::kMistake) {
    std::fprintf(stderr, "quilmorante: %s\n%s", options.mistake.c_str(), kEditorUsage);
    return 2;
  }
  CatchQuitSignals();
  // Lives until main returns, after SDL_Quit: the generator, and with its clock the keyboard
  // source, go last, at process exit.
  App app;
  const DataLayout layout = ProcessDataLayout();
  if (Result entered = EnterProgramData(layout, app); !entered) return Fail(entered.message);
  app.languageOverride = options.language;
  app.exporter = MakeFormatExportRunner(app.folder);
  const Language language = options.language.value_or(
      ReadSettings(app.folder).value_or(Settings{}).language.value_or(Language::kJapanese));
  FileLock dataFolderLock;
  if (!LockDataFolder(app.folder, dataFolderLock, TextsFor(language))) return 1;
  RecoverAtStart(app.folder);

  if (!DisplayNamed())
    return Fail(
        "cannot open a window, no display available: neither DISPLAY nor WAYLAND_DISPLAY is "
        "set; start it on a desktop (or under Xvfb)");
  // The signals are the program's own (CatchQuitSignals); a close request asks first.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
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
  // A lost display ends the process from inside the windowing library: the edits are kept
  // on that way out too.
  ArmExitKeeping(app);
  int exitCode = 0;
  uint64_t refusedAt = 0;
  const auto mayClose = [&]() {
    const uint64_t now = SDL_GetTicks64();
    if (refusedAt != 0 && now - refusedAt <= kSecondCloseMs) {
      std::fprintf(stderr, "quilmorante: closed again: the unsaved edits are not kept\n");
      exitCode = 1;
      return true;
    }
    const Result kept = KeepUnsavedWorkAtExit(app);
    if (kept) return true;
    std::fprintf(stderr,
                 "quilmorante: the window stays open; close it again within 3 s to quit "
                 "without keeping the edits\n");
    if (app.generator != nullptr) ShowCloseRefused(app.generator->session.status, kept);
    refusedAt = now;
    return false;
  };
  if (RunMainLoop(app, display, window, mayClose) == LoopEnd::kSignal)
    exitCode = KeepUnsavedWorkAtExit(app) ? 0 : 1;
  DisarmExitKeeping();

  ReleaseCanvas(app.canvas);
  ReleaseDisplay(display);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return exitCode;
}
