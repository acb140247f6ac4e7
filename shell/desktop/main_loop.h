#pragma once
// The event-then-frame loop: every pending event first, then one frame and a 1 ms pause,
// until the window is closed.

#include <SDL2/SDL_video.h>

#include "shell/core/app.h"
#include "shell/desktop/display_device.h"

// Returns when the window was closed (close button, the window manager, SIGINT or SIGTERM).
void RunMainLoop(App& app, DisplayDevice& display, SDL_Window* window);
