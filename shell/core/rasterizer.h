#pragma once
// The display device's drawing core: the 640 x 480 ARGB back buffer with its depth buffer,
// plain memory, usable with no window and no display server.

#include <cstdint>
#include <cstring>
#include <initializer_list>

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

struct BackBuffer {
  uint32_t color[kScreenWidth * kScreenHeight];  // 0xAARRGGBB, row-major, origin top-left
  float depth[kScreenWidth * kScreenHeight];     // 0.0 front, 1.0 back
};

// A depth's bits, and the depth of some bits: depths are compared and stored bit for bit
// where 0.0 and -0.0 must stay apart. (memcpy: the page's C++ library has no std::bit_cast.)
inline uint32_t DepthBits(float z) {
  uint32_t bits;
  std::memcpy(&bits, &z, sizeof bits);
  return bits;
}
inline float DepthOfBits(uint32_t bits) {
  float z;
  std::memcpy(&z, &bits, sizeof z);
  return z;
}

// Colour and depth z (whose bits are zBits) where z <= depth, with the test as a mask instead
// of a branch so that loops of it vectorise. Both are stored either way.
inline void DepthTestedStore(uint32_t& color, float& depth, uint32_t colour, float z,
                             uint32_t zBits) {
  const uint32_t pass = 0u - static_cast<uint32_t>(z <= depth);
  color = (colour & pass) | (color & ~pass);
  depth = DepthOfBits((zBits & pass) | (DepthBits(depth) & ~pass));
}

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
  const uint32_t zBits = DepthBits(z);
  for (int py = top; py < last; ++py) {
    uint32_t* color = buffer.color + py * kScreenWidth;
    float* depth = buffer.depth + py * kScreenWidth;
    for (int px = left; px < end; ++px) DepthTestedStore(color[px], depth[px], colour, z, zBits);
  }
}

// DrawOpaqueSprite for every cell of a grid of equal w x h rectangles, one pixel apart, drawn
// column by column: cell (c, r) at (x + c, y + r) in colours[r * pitch + c]. Gives exactly
// what drawing the cells in that order gives, writing each pixel once: with one depth for all
// cells, a pixel either passes for every cell over it or for none, and then shows the last
// of them, the cell in column min(px - x, columns - 1) and row min(py - y, rows - 1).
void DrawOpaqueGrid(BackBuffer& buffer, int32_t x, int32_t y, int32_t w, int32_t h, int columns,
                    int rows, const uint32_t* colours, int pitch, float z);

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
