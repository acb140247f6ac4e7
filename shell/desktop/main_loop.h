#pragma once
// The event-then-frame loop: every pending event first, then one frame and a 1 ms pause,
// until the window is closed.

#include <SDL2/SDL_video.h>

#include <functional>

#include "shell/core/app.h"
#include "shell/desktop/display_device.h"

enum class LoopEnd {
  kClosed,  // the window was closed and mayClose agreed
  kSignal,  // a signal asked the program to end (program_exit.h)
};

// Runs until the program is to end. A request to close the window (its close button, the
// window manager) asks mayClose, once per request; false keeps the program running.
LoopEnd RunMainLoop(App& app, DisplayDevice& display, SDL_Window* window,
                    const std::function<bool()>& mayClose);
