#pragma once
// Which key code (key_codes.h) each SDL scancode stands for, so the keyboard state the editor
// reads is numbered the way a standard PC keyboard numbers its keys.

#include <SDL2/SDL_scancode.h>

#include <cstddef>
#include <span>

struct KeyMapping {
  SDL_Scancode scancode;
  int keyCode;
};

// Every mapped key of a standard keyboard, one entry per scancode.
std::span<const KeyMapping> KeyCodeTable();

// The key code of a scancode, or 0 for a key the keyboard state has no place for.
int KeyCodeOfScancode(SDL_Scancode scancode);
