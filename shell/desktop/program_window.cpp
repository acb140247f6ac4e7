#include "shell/desktop/program_window.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>

#include "shell/core/rasterizer.h"
#include "shell/desktop/window_icon.h"

bool DisplayNamed() {
#ifdef _WIN32
  return true;
#else
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
#endif
}

bool VideoDriverShowsWindows() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) return false;
  if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return true;
  const char* requested = std::getenv("SDL_VIDEODRIVER");
  return requested != nullptr && std::strstr(requested, driver) != nullptr;
}

SDL_Window* OpenProgramWindow(bool fullScreen) {
  int x = SDL_WINDOWPOS_UNDEFINED;
  int y = SDL_WINDOWPOS_UNDEFINED;
  int width = kScreenWidth;
  int height = kScreenHeight;
  Uint32 flags = SDL_WINDOW_SHOWN;
  if (fullScreen) {
    SDL_ShowCursor(SDL_DISABLE);
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
    // Also sized to the desktop, so the window covers the screen even where no window
    // manager carries out the full-screen request.
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) == 0 && bounds.w > 0 && bounds.h > 0) {
      x = bounds.x;
      y = bounds.y;
      width = bounds.w;
      height = bounds.h;
    }
  } else {
    flags |= SDL_WINDOW_RESIZABLE;
  }
  SDL_Window* window = SDL_CreateWindow("QUILMORANTE", x, y, width, height, flags);
  if (window == nullptr) return nullptr;
  if (SDL_Surface* icon = MakeWindowIcon()) {
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
  }
  return window;
}

bool WindowIsAway(SDL_Window* window) {
  return (SDL_GetWindowFlags(window) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) != 0;
}
