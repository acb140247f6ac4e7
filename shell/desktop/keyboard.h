#pragma once
// The clock's keyboard source on SDL: set up once on the first frame, then read into the
// clock's keyState once per frame while the program's window has the keyboard focus.

#include <SDL2/SDL_video.h>

#include <cstdint>

#include "generator/frame_clock.h"
#include "generator/key_codes.h"
#include "generator/result.h"

// Takes a reference on SDL's event subsystem as the clock's `input` (released with the
// clock) and binds `keyboard` to the window whose focus gates the reads.
Result SetupKeyboard(FrameClock& clock, SDL_Window* window);

// Refreshes keyState from SDL when window has the keyboard focus; otherwise leaves it as it
// is and returns false.
bool ReadFocusedKeyboard(SDL_Window* window, uint8_t keyState[kKeyCodeCount]);

// SDL's scancode-indexed pressed flags (count entries) as key codes with bit 7 set.
void TranslateKeyboardState(const uint8_t* pressed, int count, uint8_t keyState[kKeyCodeCount]);
