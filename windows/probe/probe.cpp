// Opens a 640 x 480 window titled QUILMORANTE, draws one glyph of IPA P Gothic (ipagp.ttf
// beside the program) with FreeType, writes the fixed picture as probe.png, probe.gif and
// probe.webp into the folder given (default: the current one), and exits after a second.
//   probe [FOLDER]
#include <SDL.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "picture.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
  return file.good();
}

bool WritePictures(const std::string& folder) {
  std::vector<uint8_t> png, gif, webp;
  return probe::EncodePng(probe::kWidth, probe::kHeight, png) && probe::EncodeGif(gif) &&
         probe::EncodeWebp(webp) && WriteFile(folder + "/probe.png", png) &&
         WriteFile(folder + "/probe.gif", gif) && WriteFile(folder + "/probe.webp", webp);
}

// U+3042 HIRAGANA LETTER A, 200 pixels high, white on black in the window's middle; returns
// the number of lit pixels.
int DrawGlyph(SDL_Renderer* renderer, const std::string& font_path) {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  int lit = -1;
  if (FT_Init_FreeType(&library) == 0 && FT_New_Face(library, font_path.c_str(), 0, &face) == 0 &&
      FT_Set_Pixel_Sizes(face, 0, 200) == 0 && FT_Load_Char(face, 0x3042, FT_LOAD_RENDER) == 0) {
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const int x0 = (640 - static_cast<int>(bitmap.width)) / 2;
    const int y0 = (480 - static_cast<int>(bitmap.rows)) / 2;
    lit = 0;
    for (unsigned y = 0; y < bitmap.rows; ++y) {
      for (unsigned x = 0; x < bitmap.width; ++x) {
        const uint8_t level = bitmap.buffer[y * bitmap.pitch + x];
        if (level == 0) continue;
        ++lit;
        SDL_SetRenderDrawColor(renderer, level, level, level, 255);
        SDL_RenderDrawPoint(renderer, x0 + static_cast<int>(x), y0 + static_cast<int>(y));
      }
    }
  }
  if (face != nullptr) FT_Done_Face(face);
  if (library != nullptr) FT_Done_FreeType(library);
  return lit;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  if (!WritePictures(folder)) {
    std::fprintf(stderr, "could not write the pictures into %s\n", folder.c_str());
    return 1;
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window =
      SDL_CreateWindow("QUILMORANTE", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 480, 0);
  SDL_Renderer* renderer = window != nullptr ? SDL_CreateRenderer(window, -1, 0) : nullptr;
  if (renderer == nullptr) {
    std::fprintf(stderr, "window: %s\n", SDL_GetError());
    return 1;
  }
  SDL_RendererInfo info;
  SDL_GetRendererInfo(renderer, &info);
  char* base = SDL_GetBasePath();
  const std::string font_path = std::string(base != nullptr ? base : "") + "ipagp.ttf";
  SDL_free(base);
  int lit = 0;
  // About a second of frames, the events read between them as a program's loop does.
  const Uint64 start = SDL_GetTicks64();
  while (SDL_GetTicks64() - start < 1000 && lit >= 0) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    lit = DrawGlyph(renderer, font_path);
    SDL_RenderPresent(renderer);
    SDL_Delay(16);
  }
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  std::printf("window \"%s\" %d x %d, video driver %s, renderer %s, glyph of %s: %d lit pixels\n",
              SDL_GetWindowTitle(window), w, h, SDL_GetCurrentVideoDriver(), info.name,
              font_path.c_str(), lit);
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return lit > 0 ? 0 : 1;
}
