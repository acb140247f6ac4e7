// The display device on SDL's dummy video driver: the back buffer reaches the window pixel
// for pixel, and a lost renderer is rebuilt without losing the back buffer.

#include "shell/desktop/display_device.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class DisplayDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    window = SDL_CreateWindow("QUILMORANTE", 0, 0, kScreenWidth, kScreenHeight, 0);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    ASSERT_TRUE(CreateDisplay(display, window, false)) << SDL_GetError();
  }
  void TearDown() override {
    ReleaseDisplay(display);
    if (window != nullptr) SDL_DestroyWindow(window);
    SDL_Quit();
  }

  // The presented colour at an output pixel, as 0xRRGGBB.
  uint32_t Shown(int x, int y) {
    SDL_Rect one{x, y, 1, 1};
    uint32_t pixel = 0;
    EXPECT_EQ(SDL_RenderReadPixels(display.renderer, &one, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0)
        << SDL_GetError();
    return pixel & 0xFFFFFFu;
  }

  SDL_Window* window = nullptr;
  DisplayDevice display;
};

struct Marker {
  int x;
  int y;
  uint32_t colour;
};

const Marker kMarkers[] = {{0, 0, 0xFF0000},
                           {639, 0, 0x00FF00},
                           {0, 479, 0x0000FF},
                           {639, 479, 0xFFFF00},
                           {320, 240, 0x123456}};

void PaintMarkers(BackBuffer& device) {
  // Alpha below opaque must not matter: the back buffer is shown as it is.
  ClearBackBuffer(device, 0x00000000u, 1.0f);
  for (const Marker& m : kMarkers) device.color[m.y * kScreenWidth + m.x] = 0x80000000u | m.colour;
}

TEST_F(DisplayDeviceTest, CreatesBlackBackBufferAndTexture) {
  ASSERT_NE(display.device, nullptr);
  EXPECT_NE(display.renderer, nullptr);
  EXPECT_NE(display.texture, nullptr);
  EXPECT_FALSE(display.presentParams.fullScreen);
  // The dummy driver has no accelerated renderer: the software one took over.
  EXPECT_TRUE(display.presentParams.software);
  EXPECT_EQ(display.device->color[0], 0xFF000000u);
  EXPECT_EQ(display.device->depth[kScreenWidth * kScreenHeight - 1], 1.0f);
}

TEST_F(DisplayDeviceTest, BackBufferReachesTheWindowPixelForPixel) {
  PaintMarkers(*display.device);
  ASSERT_TRUE(PresentDisplay(display)) << SDL_GetError();
  for (const Marker& m : kMarkers) EXPECT_EQ(Shown(m.x, m.y), m.colour) << m.x << "," << m.y;
  EXPECT_EQ(Shown(1, 0), 0u);
  EXPECT_EQ(Shown(638, 479), 0u);
}

TEST_F(DisplayDeviceTest, LostRendererFailsPresentAndResetRecovers) {
  PaintMarkers(*display.device);
  SDL_DestroyTexture(display.texture);
  display.texture = nullptr;
  EXPECT_FALSE(PresentDisplay(display));
  ASSERT_TRUE(ResetDisplay(display)) << SDL_GetError();
  ASSERT_TRUE(PresentDisplay(display)) << SDL_GetError();
  for (const Marker& m : kMarkers) EXPECT_EQ(Shown(m.x, m.y), m.colour) << m.x << "," << m.y;
}

TEST_F(DisplayDeviceTest, ReleaseEmptiesEveryField) {
  ReleaseDisplay(display);
  EXPECT_EQ(display.device, nullptr);
  EXPECT_EQ(display.renderer, nullptr);
  EXPECT_EQ(display.texture, nullptr);
  EXPECT_FALSE(PresentDisplay(display));
  ReleaseDisplay(display);  // twice is harmless
}

TEST(CreateDisplay, FailsWithoutAWindow) {
  DisplayDevice display;
  EXPECT_FALSE(CreateDisplay(display, nullptr, false));
  EXPECT_EQ(display.device, nullptr);
  EXPECT_FALSE(ResetDisplay(display));
}

}  // namespace
