#include "program_window.h"

#include <SDL2/SDL.h>

#include "rasterizer.h"
#include "window_icon.h"

SDL_Window* OpenProgramWindow(bool fullScreen) {
  Uint32 flags = SDL_WINDOW_SHOWN;
  if (fullScreen) {
    SDL_ShowCursor(SDL_DISABLE);
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  } else {
    flags |= SDL_WINDOW_RESIZABLE;
  }
  SDL_Window* window =
      SDL_CreateWindow("QUILMORANTE", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                       kScreenWidth, kScreenHeight, flags);
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
