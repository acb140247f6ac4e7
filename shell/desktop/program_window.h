#pragma once
// The program's one window: "QUILMORANTE", a 640 x 480 client area that may be resized or
// maximised, or the whole desktop in full screen with the mouse cursor hidden.

#include <SDL2/SDL_video.h>

// False when nothing in the environment names a display SDL could open (no DISPLAY, no
// WAYLAND_DISPLAY, no SDL_VIDEODRIVER), so the program can say so before SDL's own attempts
// print messages of their own.
bool DisplayNamed();

// False when SDL fell back to a video driver that draws nowhere (offscreen, dummy) without
// being asked to through SDL_VIDEODRIVER: such a window could never be seen.
bool VideoDriverShowsWindows();

// Null when no window could be opened; SDL_GetError() then tells why.
SDL_Window* OpenProgramWindow(bool fullScreen);

// True while the window is hidden or minimised: then no frame runs.
bool WindowIsAway(SDL_Window* window);
