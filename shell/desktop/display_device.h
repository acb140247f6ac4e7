#pragma once
// The display device: the 640 x 480 software back buffer the Canvas draws into, and the SDL
// renderer and streaming texture through which each finished frame reaches the window,
// scaled by whole pixels to whatever size the window or screen has.

#include <SDL2/SDL_rect.h>
#include <SDL2/SDL_render.h>
#include <SDL2/SDL_video.h>

#include "generator/result.h"
#include "shell/core/rasterizer.h"

// What is needed to build the renderer again after a lost device.
struct PresentParams {
  bool vsync = false;       // presentation waits for the vertical retrace
  bool fullScreen = false;  // the window covers the desktop
  bool software = false;    // the accelerated renderer was not available
};

struct DisplayDevice {
  SDL_Window* window = nullptr;      // not owned; the program's window
  BackBuffer* device = nullptr;      // owned; the back buffer and depth buffer
  SDL_Renderer* renderer = nullptr;  // owned
  SDL_Texture* texture = nullptr;    // owned; ARGB8888, streaming, 640 x 480
  PresentParams presentParams;
};

// Accelerated renderer with vertical sync first; SDL's software renderer where that fails or where
// the "accelerated" one is OpenGL emulated on the processor.
Result CreateDisplay(DisplayDevice& display, SDL_Window* window, bool fullScreen);
// Destroys the texture, the renderer and the back buffer, and empties the fields.
void ReleaseDisplay(DisplayDevice& display);

// Copies the back buffer to the window; fails, saying why, when it could not be shown.
Result PresentDisplay(DisplayDevice& display);
// Rebuilds the renderer and texture from presentParams after a failed present or a lost
// device; the back buffer is kept.
Result ResetDisplay(DisplayDevice& display);

// Where the 640 x 480 back buffer goes on an output of the given size: the largest whole
// multiple that fits, centred; an output smaller than the back buffer gets it scaled down
// with its aspect kept. Empty for an empty output.
SDL_Rect PresentRect(int outputWidth, int outputHeight);
