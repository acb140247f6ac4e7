#pragma once
// How the frame and its panels draw on the editor's canvas: thin wrappers, so that a canvas
// without one of its functions simply draws nothing, and the depths and fonts they draw with.

#include <cstdint>
#include <limits>

#include "editor/editor_canvas.h"
#include "editor/screen_layout.h"

constexpr int kFontLines = 2;  // 18 pixels high: the points, the settings, the shape keys
constexpr int kFontSmall = 3;  // 14 pixels high: the help, the overlays, the gallery

constexpr float kFront = 0.0f;
constexpr float kBack = 1.0f;

// The cursor box of every panel.
constexpr uint32_t kCursorColour = 0xFF403020;

struct ScreenDraw {
  const EditorCanvas& canvas;
  void Rect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour, float z) const {
    if (canvas.fillRect != nullptr) canvas.fillRect(canvas.target, x, y, w, h, colour, z);
  }
  void Rect(const ScreenBox& box, uint32_t colour, float z) const {
    Rect(box.x, box.y, box.w, box.h, colour, z);
  }
  // Positions derived from out-of-range cursors are computed wide; one that does not fit a
  // screen coordinate lies far off the screen anyway and is dropped here.
  void RectAt(int64_t x, int64_t y, int32_t w, int32_t h, uint32_t colour, float z) const {
    constexpr int64_t lo = std::numeric_limits<int32_t>::min();
    constexpr int64_t hi = std::numeric_limits<int32_t>::max();
    if (x < lo || x > hi || y < lo || y > hi) return;
    Rect(static_cast<int32_t>(x), static_cast<int32_t>(y), w, h, colour, z);
  }
  void End() const {
    if (canvas.endSprites != nullptr) canvas.endSprites(canvas.target);
  }
  void Text(TextSpot at, const char* text, int font) const {
    if (canvas.drawText != nullptr) canvas.drawText(canvas.target, at.x, at.y, text, font);
  }
};
