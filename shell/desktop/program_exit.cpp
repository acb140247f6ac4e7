#include "shell/desktop/program_exit.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/overlay.h"
#include "store/unsaved_work.h"

namespace {

// Set by signal handlers and, on Windows, by the console's handler thread.
std::atomic<int> quitSignal{0};
// When set, the exit code a quit signal ends the process with at once (-1: none).
std::atomic<int> endAtOnce{-1};
static_assert(std::atomic<int>::is_always_lock_free, "set from signal handlers");
const App* armedApp = nullptr;

extern "C" void OnQuitSignal(int signal) {
  quitSignal = signal;
  if (const int code = endAtOnce; code >= 0) std::_Exit(code);
}

void KeepAtExit() {
  if (armedApp == nullptr) return;
  const App& app = *armedApp;
  armedApp = nullptr;
  static_cast<void>(KeepUnsavedWorkAtExit(app));
}

#ifdef _WIN32
// Windows ends the process when this returns from a console's close, a log-off or a shutdown
// (at the latest some seconds after the event): the main loop keeps the edits meanwhile, and
// its exit ends this thread too.
constexpr DWORD kConsoleEndWaitMs = 4500;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
  quitSignal = interrupt ? SIGINT : SIGTERM;
  if (const int code = endAtOnce; code >= 0) ExitProcess(static_cast<UINT>(code));
  if (!interrupt) Sleep(kConsoleEndWaitMs);
  return TRUE;
}
#endif

}  // namespace

void CatchQuitSignals() {
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#endif
  for (int signal : {SIGINT, SIGTERM,
#ifdef SIGHUP
                     SIGHUP, SIGQUIT
#endif
       })
    std::signal(signal, OnQuitSignal);
}

bool QuitSignalled() {
  return quitSignal != 0;
}

void EndAtOnceOnQuitSignals(int exitCode) {
  endAtOnce = exitCode;
  if (QuitSignalled()) std::_Exit(exitCode);
}

Result KeepUnsavedWorkAtExit(const App& app) {
  PatternGenerator* generator = app.generator.get();
  if (generator == nullptr) return Result::Ok();
  // The palette browser's preview is no edit: closing it puts back the look it covers.
  CloseOverlay(*generator, kBrowserOverlay);
  std::vector<std::string> written;
  const Result kept = KeepUnsavedWork(*generator, app.folder, written);
  for (const std::string& file : written)
    std::fprintf(stderr, "quilmorante: edits not saved to a slot are kept in %s\n", file.c_str());
  if (!kept)
    std::fprintf(stderr, "quilmorante: cannot keep the unsaved edits: %s\n", kept.message.c_str());
  return kept;
}

void ArmExitKeeping(const App& app) {
  static const bool registered = std::atexit(KeepAtExit) == 0;
  static_cast<void>(registered);
  armedApp = &app;
}

void DisarmExitKeeping() {
  armedApp = nullptr;
}
