#include "shell/desktop/frame_driver.h"

#include <SDL2/SDL_timer.h>

#include <cstring>

#include "shell/desktop/key_code_table.h"
#include "shell/desktop/keyboard.h"

void NoteKeyPress(DesktopKeys& keys, SDL_Scancode scancode) {
  if (const int code = KeyCodeOfScancode(scancode); code != 0) keys.pressed[code] = 0x80;
}

void RunFrame(App& app, DesktopKeys& keys, DisplayDevice& display, SDL_Window* window) {
  // Without a back buffer there is nothing to clear: no scene and no presentation.
  if (display.device == nullptr) return;
  app.backBuffer = display.device;
  if (!app.firstFrameBodyDone && !app.setUpKeyboard) {
    app.setUpKeyboard = [&keys, window](FrameClock& clock) {
      Result set = SetupKeyboard(clock, window);
      if (!set) {
        // A keyboard that could not be set up is never read: this frame's read is undone
        // before the frame body hands the keys to the clock.
        keys.readable = false;
        std::memset(keys.state, 0, sizeof keys.state);
      }
      return set;
    };
  }
  if (keys.readable && ReadFocusedKeyboard(window, keys.state))
    for (int code = 0; code < 256; ++code) keys.state[code] |= keys.pressed[code];
  std::memset(keys.pressed, 0, sizeof keys.pressed);
  Tick(app, keys.state, SDL_GetTicks64());
  if (!PresentDisplay(display)) static_cast<void>(ResetDisplay(display));
}
