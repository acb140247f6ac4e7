#include "shell/desktop/window_icon.h"

#include <SDL2/SDL.h>

#include <cstdint>

#include "shell/desktop/window_icon_pixels.h"

SDL_Surface* MakeWindowIcon() {
  SDL_Surface* icon =
      SDL_CreateRGBSurfaceWithFormat(0, kIconEdge, kIconEdge, 8, SDL_PIXELFORMAT_INDEX8);
  if (icon == nullptr) return nullptr;
  const IconPicture picture = WindowIconPicture();
  SDL_Color colours[kIconColours];
  for (int i = 0; i < kIconColours; ++i) {
    const IconColour& c = picture.colours[i];
    colours[i] = SDL_Color{c.red, c.green, c.blue, 255};
  }
  if (icon->format->palette == nullptr ||
      SDL_SetPaletteColors(icon->format->palette, colours, 0, kIconColours) != 0) {
    SDL_FreeSurface(icon);
    return nullptr;
  }
  for (int y = 0; y < kIconEdge; ++y) {
    auto* row = static_cast<uint8_t*>(icon->pixels) + y * icon->pitch;
    for (int x = 0; x < kIconEdge; ++x) row[x] = picture.pixels[y * kIconEdge + x];
  }
  return icon;
}
