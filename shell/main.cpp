// QUILMORANTE: synthesises tileable 16-colour patterns for palette-cycling textures.

#include <SDL2/SDL.h>

#include <cstdio>
#include <string>

#include "canvas.h"
#include "display_device.h"
#include "display_mode.h"
#include "main_loop.h"
#include "program_data.h"
#include "program_window.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "quilmorante: %s\n", message.c_str());
  SDL_Quit();
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const DataLayout layout = ProcessDataLayout();
  if (Result entered = EnterProgramData(layout); !entered) return Fail(entered.message);
  const bool fullScreen = FullScreenRequested(argc, argv);

  // SIGINT and SIGTERM arrive as SDL_QUIT and take the same path as closing the window.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0)
    return Fail(std::string("cannot open a window, no display available: ") + SDL_GetError());
  if (!VideoDriverShowsWindows())
    return Fail(
        "cannot open a window, no display available (DISPLAY and WAYLAND_DISPLAY "
        "name no display that could be reached)");
  SDL_Window* window = OpenProgramWindow(fullScreen);
  if (window == nullptr) return Fail(std::string("cannot open a window: ") + SDL_GetError());

  DisplayDevice display;
  if (Result created = CreateDisplay(display, window, fullScreen); !created)
    return Fail("cannot create the display device: " + created.message);
  Canvas canvas;
  if (Result ready = SetupCanvas(canvas, display.device, ResourcePath(layout, kWhiteTextureFile));
      !ready) {
    ReleaseCanvas(canvas);
    ReleaseDisplay(display);
    return Fail(ready.message);
  }

  RunMainLoop(canvas, display, window);

  ReleaseCanvas(canvas);
  ReleaseDisplay(display);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
