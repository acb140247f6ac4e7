#pragma once
// The display device's drawing core: a 640 x 480 ARGB back buffer with a depth buffer,
// plain memory, usable with no window and no display server.

#include <cstdint>

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

struct Rasterizer {
  uint32_t color[kScreenWidth * kScreenHeight];  // 0xAARRGGBB, row-major, origin top-left
  float depth[kScreenWidth * kScreenHeight];     // 0.0 front, 1.0 back
};

// Sets every pixel to colour and every depth to depth.
void ClearRasterizer(Rasterizer& device, uint32_t colour, float depth);
