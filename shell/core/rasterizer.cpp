#include "shell/core/rasterizer.h"

#include <algorithm>

#include "shell/core/texture.h"

namespace {

// round(t / 255) for the two 16-bit lanes of t (bits 0..15 and 16..31), each at most 255 * 255.
inline uint32_t Div255Lanes(uint32_t t) {
  t += 0x00800080u;
  return ((t + ((t >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
}

// Texel times colour, per channel, rounded: exact for a white texel.
inline uint32_t Modulate(uint32_t texel, uint32_t colour) {
  const uint32_t blue = (texel & 0xFFu) * (colour & 0xFFu);
  const uint32_t red = ((texel >> 16) & 0xFFu) * ((colour >> 16) & 0xFFu);
  const uint32_t green = ((texel >> 8) & 0xFFu) * ((colour >> 8) & 0xFFu);
  const uint32_t alpha = (texel >> 24) * (colour >> 24);
  return Div255Lanes(blue | (red << 16)) | (Div255Lanes(green | (alpha << 16)) << 8);
}

// Source over destination by the source's alpha, on all four channels: alpha 255 gives the
// source exactly, alpha 0 the destination.
inline uint32_t Blend(uint32_t source, uint32_t dest) {
  const uint32_t a = source >> 24;
  const uint32_t ia = 255 - a;
  const uint32_t rb = (source & 0x00FF00FFu) * a + (dest & 0x00FF00FFu) * ia;
  const uint32_t ag = ((source >> 8) & 0x00FF00FFu) * a + ((dest >> 8) & 0x00FF00FFu) * ia;
  return Div255Lanes(rb) | (Div255Lanes(ag) << 8);
}

struct Span {
  int left, top, right, bottom;  // right and bottom exclusive; empty when left >= right
};

Span ClipToScreen(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  Span span;
  span.left = static_cast<int>(std::clamp<int64_t>(left, 0, kScreenWidth));
  span.top = static_cast<int>(std::clamp<int64_t>(top, 0, kScreenHeight));
  span.right = static_cast<int>(std::clamp<int64_t>(right, 0, kScreenWidth));
  span.bottom = static_cast<int>(std::clamp<int64_t>(bottom, 0, kScreenHeight));
  return span;
}

void DrawBlended(BackBuffer& buffer, const Span& s, uint32_t source, float z) {
  for (int py = s.top; py < s.bottom; ++py) {
    uint32_t* color = buffer.color + py * kScreenWidth;
    float* depth = buffer.depth + py * kScreenWidth;
    for (int px = s.left; px < s.right; ++px) {
      if (z <= depth[px]) {
        depth[px] = z;
        color[px] = Blend(source, color[px]);
      }
    }
  }
}

void DrawTextured(BackBuffer& buffer, const Span& s, const Texture& texture, int32_t x, int32_t y,
                  uint32_t colour, float z) {
  const int firstColumn = static_cast<int>((s.left - static_cast<int64_t>(x)) % texture.width);
  int row = static_cast<int>((s.top - static_cast<int64_t>(y)) % texture.height);
  for (int py = s.top; py < s.bottom; ++py) {
    uint32_t* color = buffer.color + py * kScreenWidth;
    float* depth = buffer.depth + py * kScreenWidth;
    const uint32_t* texels = texture.texels.data() + static_cast<size_t>(row) * texture.width;
    int column = firstColumn;
    for (int px = s.left; px < s.right; ++px) {
      const uint32_t source = Modulate(texels[column], colour);
      if (++column == texture.width) column = 0;
      if ((source >> 24) == 0) continue;
      if (z <= depth[px]) {
        depth[px] = z;
        color[px] = Blend(source, color[px]);
      }
    }
    if (++row == texture.height) row = 0;
  }
}

}  // namespace

void ClearBackBuffer(BackBuffer& buffer, uint32_t colour, float depth) {
  std::fill_n(buffer.color, kScreenWidth * kScreenHeight, colour);
  std::fill_n(buffer.depth, kScreenWidth * kScreenHeight, depth);
}

void DrawSprite(BackBuffer& buffer, const Texture& texture, int32_t x, int32_t y, int32_t w,
                int32_t h, uint32_t colour, float z) {
  if (w <= 0 || h <= 0 || !(z >= 0.0f && z <= 1.0f)) return;
  const int64_t right = static_cast<int64_t>(x) + w;
  const int64_t bottom = static_cast<int64_t>(y) + h;
  if (x >= kScreenWidth || y >= kScreenHeight || right <= 0 || bottom <= 0) return;
  const Span s = {x < 0 ? 0 : x, y < 0 ? 0 : y,
                  right > kScreenWidth ? kScreenWidth : static_cast<int>(right),
                  bottom > kScreenHeight ? kScreenHeight : static_cast<int>(bottom)};
  if (texture.opaqueWhite) {
    // White texels leave the colour unchanged, so every pixel gets the same source.
    const uint32_t alpha = colour >> 24;
    if (alpha == 255) {
      DrawOpaqueSprite(buffer, x, y, w, h, colour, z);
    } else if (alpha != 0) {
      DrawBlended(buffer, s, colour, z);
    }
    return;
  }
  if (texture.width <= 0 || texture.height <= 0 ||
      texture.texels.size() != static_cast<size_t>(texture.width) * texture.height) {
    return;
  }
  DrawTextured(buffer, s, texture, x, y, colour, z);
}

void DrawOpaqueGrid(BackBuffer& buffer, int32_t x, int32_t y, int32_t w, int32_t h, int columns,
                    int rows, const uint32_t* colours, int pitch, float z) {
  if (w <= 0 || h <= 0 || columns <= 0 || rows <= 0 || !(z >= 0.0f && z <= 1.0f)) return;
  const Span s = ClipToScreen(x, y, static_cast<int64_t>(x) + columns - 1 + w,
                              static_cast<int64_t>(y) + rows - 1 + h);
  if (s.left >= s.right || s.top >= s.bottom) return;
  // Left of split each pixel column has a cell column of its own; from split on the last
  // cell column reaches over the rest.
  const int split =
      static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(x) + columns, s.left, s.right));
  const uint32_t zBits = DepthBits(z);
  for (int py = s.top; py < s.bottom; ++py) {
    const int64_t row = std::min<int64_t>(py - static_cast<int64_t>(y), rows - 1);
    const uint32_t* cells = colours + row * pitch;
    const uint32_t last = cells[columns - 1];
    uint32_t* color = buffer.color + py * kScreenWidth;
    float* depth = buffer.depth + py * kScreenWidth;
    for (int px = s.left; px < split; ++px) {
      DepthTestedStore(color[px], depth[px], cells[px - static_cast<int64_t>(x)], z, zBits);
    }
    for (int px = split; px < s.right; ++px) DepthTestedStore(color[px], depth[px], last, z, zBits);
  }
}

void DrawCoverage(BackBuffer& buffer, int64_t left, int64_t top, int width, int rows, int pitch,
                  const uint8_t* coverage, const ClipBox& clip) {
  if (width <= 0 || rows <= 0) return;
  const Span s =
      ClipToScreen(std::max(left, clip.left), std::max(top, clip.top),
                   std::min(left + width, clip.right), std::min(top + rows, clip.bottom));
  if (s.left >= s.right || s.top >= s.bottom) return;
  for (int py = s.top; py < s.bottom; ++py) {
    const uint8_t* cover = coverage + (py - top) * pitch + (s.left - left);
    uint32_t* color = buffer.color + py * kScreenWidth;
    for (int px = s.left; px < s.right; ++px) {
      const uint32_t a = *cover++;
      if (a == 0) continue;
      if (a == 255) {
        color[px] = 0xFFFFFFFFu;
        continue;
      }
      // White over the destination: a + round(d * (255 - a) / 255) per channel, never above 255.
      const uint32_t d = color[px];
      const uint32_t ia = 255 - a;
      const uint32_t rb = Div255Lanes((d & 0x00FF00FFu) * ia);
      const uint32_t ag = Div255Lanes(((d >> 8) & 0x00FF00FFu) * ia);
      color[px] = (rb | (ag << 8)) + a * 0x01010101u;
    }
  }
}
