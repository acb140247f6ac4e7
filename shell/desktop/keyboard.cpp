#include "shell/desktop/keyboard.h"

#include <SDL2/SDL.h>

#include <cstring>
#include <string>

#include "shell/desktop/key_code_table.h"

namespace {

// What the clock owns as its `input`: one reference on SDL's event subsystem, which is what
// keeps the keyboard state current.
struct KeyboardSource {
  bool holdsEvents = false;
};

void ReleaseKeyboardSource(void* input) {
  auto* source = static_cast<KeyboardSource*>(input);
  // Harmless after SDL_Quit: SDL ignores a release of a subsystem that is already down.
  if (source->holdsEvents) SDL_QuitSubSystem(SDL_INIT_EVENTS);
  delete source;
}

}  // namespace

Result SetupKeyboard(FrameClock& clock, SDL_Window* window) {
  ReleaseClockInput(clock);
  auto* source = new KeyboardSource;
  clock.input = source;
  clock.releaseInput = ReleaseKeyboardSource;
  if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0)
    return Result::Fail(std::string("cannot read the keyboard: ") + SDL_GetError());
  source->holdsEvents = true;
  if (window == nullptr) return Result::Fail("cannot read the keyboard: no window");
  clock.keyboard = window;
  return Result::Ok();
}

bool ReadFocusedKeyboard(SDL_Window* window, uint8_t keyState[kKeyCodeCount]) {
  if (window == nullptr || SDL_GetKeyboardFocus() != window) return false;
  int count = 0;
  const Uint8* pressed = SDL_GetKeyboardState(&count);
  if (pressed == nullptr) return false;
  TranslateKeyboardState(pressed, count, keyState);
  return true;
}

void TranslateKeyboardState(const uint8_t* pressed, int count, uint8_t keyState[kKeyCodeCount]) {
  uint8_t fresh[kKeyCodeCount] = {};
  const int limit = count < SDL_NUM_SCANCODES ? count : SDL_NUM_SCANCODES;
  for (int scancode = 0; scancode < limit; ++scancode) {
    if (pressed[scancode] == 0) continue;
    const int code = KeyCodeOfScancode(static_cast<SDL_Scancode>(scancode));
    if (code != 0) fresh[code] = 0x80;
  }
  std::memcpy(keyState, fresh, sizeof fresh);
}
