#include "shell/desktop/frame_driver.h"

#include <SDL2/SDL.h>

#include <cstring>

#include "generator/key_codes.h"
#include "shell/desktop/key_code_table.h"
#include "shell/desktop/keyboard.h"

namespace {

// The system's pointer shapes, made on first use and kept for the run.
void ShowPointer(PointerShape shape) {
  static SDL_Cursor* cursors[3] = {};
  static int shown = -1;
  const int index = static_cast<int>(shape);
  if (index == shown) return;
  static const SDL_SystemCursor kinds[3] = {SDL_SYSTEM_CURSOR_ARROW, SDL_SYSTEM_CURSOR_HAND,
                                            SDL_SYSTEM_CURSOR_SIZEALL};
  if (cursors[index] == nullptr) cursors[index] = SDL_CreateSystemCursor(kinds[index]);
  if (cursors[index] != nullptr) SDL_SetCursor(cursors[index]);
  shown = index;
}

}  // namespace

void NoteKeyPress(DesktopKeys& keys, SDL_Scancode scancode) {
  if (const int code = KeyCodeOfScancode(scancode); code != 0) keys.pressed[code] = 0x80;
}

void NoteKeyRelease(DesktopKeys& keys, SDL_Scancode scancode) {
  if (const int code = KeyCodeOfScancode(scancode); IsChordModifier(code))
    keys.pressed[code] = 0x80;
}

void NoteMouseEvent(DesktopMouse& mouse, const SDL_Event& event) {
  switch (event.type) {
    case SDL_MOUSEMOTION:
      if (mouse.placed && (event.motion.x != mouse.x || event.motion.y != mouse.y))
        mouse.moved = true;
      mouse.placed = true;
      mouse.x = event.motion.x;
      mouse.y = event.motion.y;
      return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (event.button.button != SDL_BUTTON_LEFT) return;
      mouse.down = event.type == SDL_MOUSEBUTTONDOWN;
      mouse.pressed = mouse.pressed || mouse.down;
      mouse.moved = mouse.moved || mouse.down;
      mouse.placed = true;
      mouse.x = event.button.x;
      mouse.y = event.button.y;
      if (mouse.down) {
        mouse.pressX = mouse.x;
        mouse.pressY = mouse.y;
      }
      return;
    case SDL_MOUSEWHEEL:
      mouse.wheel +=
          event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
      return;
    default:
      return;
  }
}

MouseState MouseOnPicture(const DesktopMouse& mouse, const DisplayDevice& display) {
  MouseState state;
  state.seen = mouse.moved;
  state.down = mouse.down;
  state.pressed = mouse.pressed;
  state.wheel = mouse.wheel;
  int outputW = 0, outputH = 0, windowW = 0, windowH = 0;
  if (display.renderer == nullptr || display.window == nullptr ||
      SDL_GetRendererOutputSize(display.renderer, &outputW, &outputH) != 0)
    return state;
  SDL_GetWindowSize(display.window, &windowW, &windowH);
  const SDL_Rect picture = PresentRect(outputW, outputH);
  if (windowW <= 0 || windowH <= 0 || picture.w <= 0 || picture.h <= 0) return state;
  // Window points to output pixels (a high-density screen has more), then to the picture.
  const auto map = [](int64_t p, int64_t window, int64_t output, int64_t at, int64_t size,
                      int64_t edge) {
    const int64_t scaled = (p * output / window - at) * edge;
    return static_cast<int32_t>(scaled >= 0 ? scaled / size : -((-scaled + size - 1) / size));
  };
  state.x = map(mouse.x, windowW, outputW, picture.x, picture.w, kScreenWidth);
  state.y = map(mouse.y, windowH, outputH, picture.y, picture.h, kScreenHeight);
  state.pressX = map(mouse.pressX, windowW, outputW, picture.x, picture.w, kScreenWidth);
  state.pressY = map(mouse.pressY, windowH, outputH, picture.y, picture.h, kScreenHeight);
  return state;
}

void RunFrame(App& app, DesktopKeys& keys, DesktopMouse& mouse, DisplayDevice& display,
              SDL_Window* window) {
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
  Tick(app, keys.state, SDL_GetTicks64(), MouseOnPicture(mouse, display));
  mouse.pressed = false;
  mouse.wheel = 0;
  if (app.generator != nullptr) ShowPointer(app.generator->clock->pointer);
  if (!PresentDisplay(display)) static_cast<void>(ResetDisplay(display));
}
