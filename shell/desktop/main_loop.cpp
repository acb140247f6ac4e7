#include "shell/desktop/main_loop.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "shell/desktop/frame_driver.h"
#include "shell/desktop/frame_pacer.h"
#include "shell/desktop/program_exit.h"
#include "shell/desktop/program_window.h"

namespace {

// How long a hidden or minimised window waits for the next event before looking again.
// Events wake it at once; the timeout only bounds how long a missed wake-up could last.
constexpr int kAwayWaitMs = 250;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The frame interval for the display the window is on and the way it presents.
int64_t CurrentFrameInterval(SDL_Window* window, const DisplayDevice& display) {
  SDL_DisplayMode mode{};
  const int index = SDL_GetWindowDisplayIndex(window);
  const int refresh =
      index >= 0 && SDL_GetCurrentDisplayMode(index, &mode) == 0 ? mode.refresh_rate : 0;
  return FrameIntervalNs(refresh, display.presentParams.vsync);
}

// Handles one event; true when it asks to close the program. `displayChanged` is set when the
// frame interval may have to follow a new display or renderer. A key pressed in between is
// kept for the next frame, which sees it down even when it is up again by then.
bool HandleEvent(const SDL_Event& event, DisplayDevice& display, DesktopKeys& keys,
                 DesktopMouse& mouse, std::vector<std::string>& dropped, std::string& typed,
                 bool& displayChanged) {
  NoteMouseEvent(mouse, event);
  switch (event.type) {
    case SDL_QUIT:
      return true;
    case SDL_KEYDOWN:
      if (event.key.repeat == 0) NoteKeyPress(keys, event.key.keysym.scancode);
      return false;
    case SDL_KEYUP:
      NoteKeyRelease(keys, event.key.keysym.scancode);
      return false;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_DISPLAY_CHANGED) displayChanged = true;
      return event.window.event == SDL_WINDOWEVENT_CLOSE;
    case SDL_DROPFILE:
      // A file dropped on the window: the editor imports it as a palette.
      if (event.drop.file != nullptr) {
        dropped.emplace_back(event.drop.file);
        SDL_free(event.drop.file);
      }
      return false;
    case SDL_TEXTINPUT:
      // What the keys and the input method type, for the editor's text field.
      typed += event.text.text;
      return false;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      static_cast<void>(ResetDisplay(display));  // tried again on the next failed present
      displayChanged = true;
      return false;
    default:
      return false;
  }
}

}  // namespace

LoopEnd RunMainLoop(App& app, DisplayDevice& display, SDL_Window* window,
                    const std::function<bool()>& mayClose) {
  DesktopKeys keys;
  DesktopMouse mouse;
  FramePacer pacer(CurrentFrameInterval(window, display));
  for (;;) {
    SDL_Event event;
    bool displayChanged = false;
    bool closeAsked = false;
    while (SDL_PollEvent(&event) != 0)
      closeAsked =
          HandleEvent(event, display, keys, mouse, app.dropped, app.typed, displayChanged) ||
          closeAsked;
    if (QuitSignalled()) return LoopEnd::kSignal;
    // One request however many events it came as.
    if (closeAsked && mayClose()) return LoopEnd::kClosed;
    if (WindowIsAway(window)) {
      // Nothing to draw: sleep until something happens instead of spinning.
      SDL_WaitEventTimeout(nullptr, kAwayWaitMs);
      continue;
    }
    if (displayChanged) pacer = FramePacer(CurrentFrameInterval(window, display));
    pacer.FrameStarted(NowNs());
    RunFrame(app, keys, mouse, display, window);
    SDL_Delay(1);
    // The rest of this frame's time: frames never come faster than the display's refresh or
    // 60 per second, whether or not presentation waited for the retrace. The next frame
    // still drains its events first, so keys are read as late as possible.
    if (const int64_t rest = pacer.SleepBeforeNextFrame(NowNs()); rest > 0)
      std::this_thread::sleep_for(std::chrono::nanoseconds(rest));
  }
}
