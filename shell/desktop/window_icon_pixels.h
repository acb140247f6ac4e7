#pragma once
// The window icon's picture without SDL: 32 x 32 pixels in 16 colours. The window icon
// (window_icon.h) and the installed PNG icon (window_icon_png.cpp, run at build time) are
// both made from it, so the desktop shows the same picture as the window.

#include <cstdint>

constexpr int kIconEdge = 32;
constexpr int kIconColours = 16;

struct IconColour {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};

struct IconPicture {
  IconColour colours[kIconColours];
  uint8_t pixels[kIconEdge * kIconEdge];  // colour indices, row by row from the top
};

// A mirrored quilt of the 16 colours of a cycling ramp.
IconPicture WindowIconPicture();
