// QUILMORANTE: synthesises tileable 16-colour patterns for palette-cycling textures.

#include <SDL2/SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "canvas.h"
#include "display_device.h"
#include "display_mode.h"
#include "main_loop.h"
#include "program_window.h"
#include "working_directory.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "quilmorante: %s\n", message.c_str());
  SDL_Quit();
  return 1;
}

// Why SetupCanvas failed: most often the white texture is not beside the program.
std::string CanvasFailure() {
  if (std::FILE* file = std::fopen("siro.bmp", "rb")) {
    std::fclose(file);
    return "cannot set up the canvas: \"siro.bmp\" is not a readable BMP image";
  }
  return std::string("cannot load \"siro.bmp\" beside the program: ") + std::strerror(errno);
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  if (!EnterExecutableDirectory(error))
    std::fprintf(stderr, "quilmorante: %s; data files are looked for here\n", error.c_str());
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
  if (CreateDisplay(display, window, fullScreen) != Status::kOk)
    return Fail(std::string("cannot create the display device: ") + SDL_GetError());
  Canvas canvas;
  if (SetupCanvas(canvas, display.device) != Status::kOk) {
    const std::string message = CanvasFailure();
    ReleaseCanvas(canvas);
    ReleaseDisplay(display);
    return Fail(message);
  }

  RunMainLoop(canvas, display, window);

  ReleaseCanvas(canvas);
  ReleaseDisplay(display);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
