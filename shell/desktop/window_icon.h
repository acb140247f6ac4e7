#pragma once
// The window's icon: the 32 x 32 picture in 16 colours of window_icon_pixels.h.

#include <SDL2/SDL_surface.h>

// A mirrored quilt of the 16 colours of a cycling ramp; the caller frees it. Null on failure.
SDL_Surface* MakeWindowIcon();
