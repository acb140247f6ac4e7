#pragma once
// One frame of the program on the desktop: the keyboard read from SDL, the frame itself
// (Tick) and the presentation.

#include <SDL2/SDL_events.h>
#include <SDL2/SDL_scancode.h>
#include <SDL2/SDL_video.h>

#include <cstdint>

#include "generator/key_codes.h"
#include "shell/core/app.h"
#include "shell/desktop/display_device.h"

// The keys the desktop hands each frame: SDL's state while the window has the keyboard
// focus, otherwise what the last read left. Every key reads as up until the first read.
struct DesktopKeys {
  uint8_t state[kKeyCodeCount] = {};
  // Keys pressed, and chord modifiers released, since the last frame (key codes, bit 7): the
  // next frame sees them down even when they are up by then, so a quick tap or chord is
  // never lost.
  uint8_t pressed[kKeyCodeCount] = {};
  // Cleared when the keyboard could not be set up: nothing is read from then on.
  bool readable = true;
};

// Notes a key-down event for the next frame.
void NoteKeyPress(DesktopKeys& keys, SDL_Scancode scancode);
// Notes a key-up event: a chord's modifier (IsChordModifier) is seen down in the next frame.
void NoteKeyRelease(DesktopKeys& keys, SDL_Scancode scancode);

// The mouse as the window's events leave it, in window coordinates.
struct DesktopMouse {
  // The pointer has moved since the start: the position a window reports when it appears
  // under a resting pointer does not count.
  bool moved = false;
  bool placed = false;  // some position is known
  int32_t x = -1;
  int32_t y = -1;
  bool down = false;
  bool pressed = false;  // went down since the last frame
  int32_t pressX = -1;   // where
  int32_t pressY = -1;
  int32_t wheel = 0;  // notches since the last frame
};

// Takes a mouse event (motion, left button, wheel); others are ignored.
void NoteMouseEvent(DesktopMouse& mouse, const SDL_Event& event);

// Where the pointer is on the 640 x 480 picture as the display presents it: scaled by whole
// pixels with black bars around it.
MouseState MouseOnPicture(const DesktopMouse& mouse, const DisplayDevice& display);

// Reads the keyboard into keys, runs Tick and presents; a failed presentation rebuilds the
// renderer. The first frame sets the keyboard up on window through the generator's clock.
void RunFrame(App& app, DesktopKeys& keys, DesktopMouse& mouse, DisplayDevice& display,
              SDL_Window* window);
