#pragma once
// The display device's drawing core: the 640 x 480 ARGB back buffer with its depth buffer,
// plain memory, usable with no window and no display server.

#include <cstdint>
#include <initializer_list>

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

struct BackBuffer {
  uint32_t color[kScreenWidth * kScreenHeight];  // 0xAARRGGBB, row-major, origin top-left
  float depth[kScreenWidth * kScreenHeight];     // 0.0 front, 1.0 back
};

// Sets every pixel to colour and every depth to depth.
void ClearBackBuffer(BackBuffer& buffer, uint32_t colour, float depth);

struct Texture;  // texture.h

// Draws a w x h sprite with its top-left corner at (x, y) and depth z. The texture repeats
// across the area from (x, y); each texel is multiplied by colour per channel and the result
// is blended over the back buffer by its own alpha. Depth test less-or-equal with depth
// writes. A pixel whose resulting alpha is 0 (a colour-keyed texel, or colour alpha 0) is
// skipped entirely: it neither changes the colour nor writes depth. z outside [0, 1] lies
// outside the depth range and draws nothing; so do w <= 0 and h <= 0. Clipped to the screen
// for every x, y, w, h.
void DrawSprite(BackBuffer& buffer, const Texture& texture, int32_t x, int32_t y, int32_t w,
                int32_t h, uint32_t colour, float z);

// DrawSprite for an opaque colour over an all-white texture, the case of nearly every
// rectangle: a depth-tested store, inline so that tiny rectangles cost little more than their
// pixels. Gives exactly what DrawSprite gives.
inline void DrawOpaqueSprite(BackBuffer& buffer, int32_t x, int32_t y, int32_t w, int32_t h,
                             uint32_t colour, float z) {
  if (w <= 0 || h <= 0 || !(z >= 0.0f && z <= 1.0f)) return;
  // The preview's 2 x 2 cells, wholly on the screen: the same test and stores, unrolled.
  if (w == 2 && h == 2 && x >= 0 && y >= 0 && x < kScreenWidth - 1 && y < kScreenHeight - 1) {
    const int at = y * kScreenWidth + x;
    uint32_t* color = buffer.color + at;
    float* depth = buffer.depth + at;
    for (int i : {0, 1, kScreenWidth, kScreenWidth + 1}) {
      if (z <= depth[i]) {
        depth[i] = z;
        color[i] = colour;
      }
    }
    return;
  }
  const int64_t right = static_cast<int64_t>(x) + w;
  const int64_t bottom = static_cast<int64_t>(y) + h;
  if (x >= kScreenWidth || y >= kScreenHeight || right <= 0 || bottom <= 0) return;
  const int left = x < 0 ? 0 : x;
  const int top = y < 0 ? 0 : y;
  const int end = right > kScreenWidth ? kScreenWidth : static_cast<int>(right);
  const int last = bottom > kScreenHeight ? kScreenHeight : static_cast<int>(bottom);
  for (int py = top; py < last; ++py) {
    uint32_t* color = buffer.color + py * kScreenWidth;
    float* depth = buffer.depth + py * kScreenWidth;
    for (int px = left; px < end; ++px) {
      if (z <= depth[px]) {
        depth[px] = z;
        color[px] = colour;
      }
    }
  }
}

// A clip rectangle, right and bottom exclusive, wide enough for any int32 box edge.
struct ClipBox {
  int64_t left;
  int64_t top;
  int64_t right;
  int64_t bottom;
};

// Blends opaque white over the back buffer through an 8-bit coverage bitmap (width x rows,
// rows pitch bytes apart) whose top-left pixel lands on (left, top); clipped to clip and the
// screen. Depth is neither tested nor written.
void DrawCoverage(BackBuffer& buffer, int64_t left, int64_t top, int width, int rows, int pitch,
                  const uint8_t* coverage, const ClipBox& clip);
