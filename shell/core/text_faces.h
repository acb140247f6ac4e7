#pragma once
// The faces the canvas draws its texts with, supplied by the front-end: the desktop renders
// with FreeType, a web page draws the texts itself over the picture.

#include <cstdint>

#include "shell/core/rasterizer.h"

struct TextFaces {
  // The text box each text is clipped to (see draw), from its top-left corner.
  static constexpr int kBoxWidth = 640;
  static constexpr int kBoxHeight = 128;

  void* context = nullptr;
  // (Re)makes the face of font slot `slot` (0..kFontSlots-1) at `height` pixels; false when
  // there is none.
  bool (*make)(void* context, int slot, int height) = nullptr;
  // Draws one code page 932 text in white with its line box's top-left corner at (x, y),
  // clipped to the text box, kBoxWidth x kBoxHeight pixels from that corner, and the screen.
  void (*draw)(void* context, int slot, BackBuffer& buffer, int32_t x, int32_t y,
               const char* text) = nullptr;
  // How far the pen moves drawing one line of the text; 0 without that face.
  int32_t (*width)(void* context, int slot, const char* text) = nullptr;
  // Releases every face and the context itself.
  void (*release)(void* context) = nullptr;
};
