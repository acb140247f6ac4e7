#pragma once
// A Canvas over a fresh back buffer with a white texture of chosen size, made in a private
// temporary folder. On failure the back buffer is written as <Suite>.<Test>.actual.bmp into
// the build tree and its path printed.

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "shell/core/canvas.h"
#include "shell/core/rasterizer.h"
#include "tests/support/failure_images.h"
#include "tests/support/temp_folder.h"

namespace canvas_test {

inline constexpr uint32_t kBlack = 0xFF000000;

// Writes a 24-bit BMP whose pixel (x, y) is pixel(x, y) as 0xRRGGBB.
inline bool WriteBmp(const std::filesystem::path& path, int width, int height,
                     const std::function<uint32_t(int, int)>& pixel) {
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) return false;
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<char*>(surface->pixels) +
                                            static_cast<ptrdiff_t>(y) * surface->pitch);
    for (int x = 0; x < width; ++x) row[x] = 0xFF000000u | pixel(x, y);
  }
  const bool saved = SDL_SaveBMP(surface, path.string().c_str()) == 0;
  SDL_FreeSurface(surface);
  return saved;
}

inline uint32_t White(int, int) {
  return 0xFFFFFF;
}

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearBackBuffer(*device, kBlack, 1.0f); }

  void TearDown() override {
    if (HasFailure()) SaveBackBuffer();
    ReleaseCanvas(canvas);
  }

  // Writes siro.bmp into the private folder and sets the Canvas up from there.
  Result SetUpCanvas(int width, int height,
                     const std::function<uint32_t(int, int)>& pixel = White) {
    EXPECT_TRUE(WriteBmp(folder_.File(kWhiteTextureFile), width, height, pixel));
    return SetUpCanvasHere();
  }

  // Sets the Canvas up from the private folder's siro.bmp, whatever it holds.
  Result SetUpCanvasHere() {
    return SetupCanvas(canvas, device.get(), folder_.File(kWhiteTextureFile));
  }

  uint32_t At(int x, int y) const { return device->color[y * kScreenWidth + x]; }
  float DepthAt(int x, int y) const { return device->depth[y * kScreenWidth + x]; }

  void SaveBackBuffer() const {
    SaveTestImage(SHELL_TEST_OUTPUT_DIR, "actual", kScreenWidth, kScreenHeight,
                  [this](int x, int y) { return At(x, y) & 0xFFFFFFu; });
  }

  std::unique_ptr<BackBuffer> device = std::make_unique<BackBuffer>();
  Canvas canvas;
  TempFolder folder_{{.label = "shell"}};
};

}  // namespace canvas_test
