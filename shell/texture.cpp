#include "texture.h"

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

uint32_t ReduceTexel(uint32_t rgb) {
  const uint32_t r = (rgb >> 21) & 0x7;
  const uint32_t g = (rgb >> 13) & 0x7;
  const uint32_t b = (rgb >> 6) & 0x3;
  if (r == 0 && g == 0 && b == 0) return 0x00000000;  // colour key: opaque black
  const uint32_t r8 = (r << 5) | (r << 2) | (r >> 1);
  const uint32_t g8 = (g << 5) | (g << 2) | (g >> 1);
  const uint32_t b8 = b * 0x55;
  return 0xFF000000u | (r8 << 16) | (g8 << 8) | b8;
}

bool AllOpaqueWhite(const Texture& texture) {
  return !texture.texels.empty() && std::all_of(texture.texels.begin(), texture.texels.end(),
                                                [](uint32_t t) { return t == 0xFFFFFFFFu; });
}

Result LoadTexture(const char* path, Texture*& texture) {
  ReleaseTexture(texture);
  if (std::FILE* probe = std::fopen(path, "rb")) {
    std::fclose(probe);
  } else {
    return Result::Fail(std::string("cannot load \"") + path + "\": " + std::strerror(errno));
  }
  SDL_Surface* file = SDL_LoadBMP(path);
  if (file == nullptr)
    return Result::Fail(std::string("\"") + path +
                        "\" is not a readable BMP image: " + SDL_GetError());
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(file, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(file);
  if (argb == nullptr)
    return Result::Fail(std::string("\"") + path + "\": cannot convert: " + SDL_GetError());
  if (argb->w > 0 && argb->h > 0 && SDL_LockSurface(argb) == 0) {
    texture = new Texture;
    texture->width = argb->w;
    texture->height = argb->h;
    texture->texels.resize(static_cast<size_t>(argb->w) * static_cast<size_t>(argb->h));
    const auto* rows = static_cast<const unsigned char*>(argb->pixels);
    for (int y = 0; y < argb->h; ++y) {
      const unsigned char* row = rows + static_cast<ptrdiff_t>(y) * argb->pitch;
      for (int x = 0; x < argb->w; ++x) {
        uint32_t pixel;
        std::memcpy(&pixel, row + static_cast<ptrdiff_t>(x) * 4, sizeof pixel);
        texture->texels[static_cast<size_t>(y) * argb->w + x] = ReduceTexel(pixel & 0xFFFFFF);
      }
    }
    texture->opaqueWhite = AllOpaqueWhite(*texture);
    SDL_UnlockSurface(argb);
  }
  SDL_FreeSurface(argb);
  if (texture == nullptr)
    return Result::Fail(std::string("\"") + path + "\" holds no pixels that can be read");
  return Result::Ok();
}

void ReleaseTexture(Texture*& texture) {
  delete texture;
  texture = nullptr;
}
