#include "window_icon.h"

#include <SDL2/SDL.h>

#include <cstdint>

namespace {

constexpr int kIconEdge = 32;
constexpr int kIconColours = 16;

}  // namespace

SDL_Surface* MakeWindowIcon() {
  SDL_Surface* icon =
      SDL_CreateRGBSurfaceWithFormat(0, kIconEdge, kIconEdge, 8, SDL_PIXELFORMAT_INDEX8);
  if (icon == nullptr) return nullptr;
  SDL_Color colours[kIconColours];
  for (int i = 0; i < kIconColours; ++i) {
    // A ramp from deep blue through violet to warm white, as a cycled palette would show.
    const int t = i * 255 / (kIconColours - 1);
    colours[i] = SDL_Color{static_cast<Uint8>(t), static_cast<Uint8>(t * t / 255),
                           static_cast<Uint8>(96 + t * 159 / 255), 255};
  }
  if (icon->format->palette == nullptr ||
      SDL_SetPaletteColors(icon->format->palette, colours, 0, kIconColours) != 0) {
    SDL_FreeSurface(icon);
    return nullptr;
  }
  for (int y = 0; y < kIconEdge; ++y) {
    auto* row = static_cast<uint8_t*>(icon->pixels) + y * icon->pitch;
    // Every quadrant mirrors its neighbour, like the tool's tiled preview.
    const int dy = y < kIconEdge / 2 ? y : kIconEdge - 1 - y;
    for (int x = 0; x < kIconEdge; ++x) {
      const int dx = x < kIconEdge / 2 ? x : kIconEdge - 1 - x;
      row[x] = static_cast<uint8_t>((dx * dy / 4 + dx + dy) % kIconColours);
    }
  }
  return icon;
}
