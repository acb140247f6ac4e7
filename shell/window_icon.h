#pragma once
// The window's icon: a 32 x 32 picture in 16 colours, made in code so nothing has to ship.

#include <SDL2/SDL_surface.h>

// A mirrored quilt of the 16 colours of a cycling ramp; the caller frees it. Null on failure.
SDL_Surface* MakeWindowIcon();
