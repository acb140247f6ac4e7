#pragma once
// What an editor frame draws on: rectangles and texts out, nothing else of the screen.
// The shell binds these to its Canvas; tests may bind them to anything.

#include <cstdint>

// The four font slots and their cell heights in pixels; the editor draws with slots 2 and 3.
constexpr int kFontSlots = 4;
inline constexpr int kFontHeights[kFontSlots] = {30, 54, 18, 14};

struct EditorCanvas {
  void* target = nullptr;
  // Solid w x h rectangle with its top-left corner at (x, y), ARGB colour, depth z
  // (0.0 front, 1.0 back).
  void (*fillRect)(void* target, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour,
                   float z) = nullptr;
  // Ends the frame's rectangle batch: every rectangle is on the screen before any text.
  void (*endSprites)(void* target) = nullptr;
  // White code page 932 text at (x, y) in font slot 0..3.
  void (*drawText)(void* target, int32_t x, int32_t y, const char* text, int fontIndex) = nullptr;
  // Optional: how many pixels wide drawText would draw the (single-line) text. Without it
  // the editor assumes the widest glyphs a 14 or 18 pixel gothic font has.
  int32_t (*textWidth)(void* target, const char* text, int fontIndex) = nullptr;
};
