#include "main_loop.h"

#include <SDL2/SDL.h>

#include "frame_driver.h"
#include "program_window.h"

namespace {

// SDL numbers open audio devices from 1; this bound is well above what it hands out.
constexpr SDL_AudioDeviceID kAudioDeviceIdLimit = 64;

// How long a hidden or minimised window waits for the next event before looking again.
constexpr int kAwayWaitMs = 10;

// Handles one event; true when it closes the program.
bool HandleEvent(const SDL_Event& event, DisplayDevice& display) {
  switch (event.type) {
    case SDL_QUIT:  // last window closed, or SIGINT / SIGTERM
      return true;
    case SDL_WINDOWEVENT:
      return event.window.event == SDL_WINDOWEVENT_CLOSE;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      static_cast<void>(ResetDisplay(display));  // tried again on the next failed present
      return false;
    default:
      return false;
  }
}

}  // namespace

void CloseAllAudio() {
  if (SDL_WasInit(SDL_INIT_AUDIO) == 0) return;
  // Closing an id that is not open is a no-op, so every possible id is simply closed.
  for (SDL_AudioDeviceID id = 1; id <= kAudioDeviceIdLimit; ++id) SDL_CloseAudioDevice(id);
}

void RunMainLoop(Canvas& canvas, DisplayDevice& display, SDL_Window* window) {
  bool closing = false;
  for (;;) {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
      if (HandleEvent(event, display) && !closing) {
        CloseAllAudio();
        closing = true;
      }
    }
    if (closing) return;
    if (WindowIsAway(window)) {
      // Nothing to draw: sleep until something happens instead of spinning.
      SDL_WaitEventTimeout(nullptr, kAwayWaitMs);
      continue;
    }
    RunFrame(canvas, display, window);
    SDL_Delay(1);
  }
}
