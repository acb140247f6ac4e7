// The frame core with no window: ticks on a plain back buffer over a copy of data/, as a
// headless or web front-end drives it.

#include "app.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "editor_frame.h"
#include "editor_test_support.h"
#include "freetype_faces.h"
#include "key_codes.h"

namespace {

constexpr int kPixels = kScreenWidth * kScreenHeight;
constexpr uint8_t kNoKeys[256] = {};

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists("siro.bmp")) GTEST_SKIP() << "no siro.bmp in data/";
    app->device = device.get();
    ASSERT_TRUE(SetupCanvas(app->canvas, app->device));
    app->canvas.text = FreeTypeFaces();
  }
  void TearDown() override { ReleaseCanvas(app->canvas); }

  ScratchDir dir;
  std::unique_ptr<Rasterizer> device = std::make_unique<Rasterizer>();
  std::unique_ptr<App> app = std::make_unique<App>();
};

TEST_F(AppTest, FirstTickLeavesTheFrameTheGoldenTestDraws) {
  Tick(*app, kNoKeys, 0);

  // The golden test's way to the first frame: fonts made in a batch of their own, then one
  // editor frame on a cleared buffer.
  auto reference = std::make_unique<Rasterizer>();
  Canvas canvas;
  ASSERT_TRUE(SetupCanvas(canvas, reference.get()));
  BeginSprites(canvas, reference.get());
  canvas.text = FreeTypeFaces();
  MakeFonts(canvas);
  EndSprites(canvas);
  ClearRasterizer(*reference, 0xFF000000u, 1.0f);
  BeginSprites(canvas, reference.get());
  auto generator = std::make_unique<PatternGenerator>();
  FrameClock clock;
  EditorFrame(*generator, BindEditorCanvas(canvas), clock);
  EndSprites(canvas);
  ReleaseCanvas(canvas);

  const auto mismatch = std::mismatch(device->color, device->color + kPixels, reference->color);
  EXPECT_EQ(mismatch.first - device->color, kPixels) << "first differing pixel";
}

TEST_F(AppTest, MAfterAReleaseFrameWritesTheSixteenFrames) {
  Tick(*app, kNoKeys, 0);
  uint8_t keys[256] = {};
  keys[DIK_M] = 0x80;
  Tick(*app, keys, 16);
  for (int frame = 0; frame < 16; ++frame) {
    const std::string file = FrameFileName(app->generator->idLetter, frame);
    EXPECT_TRUE(std::filesystem::exists(file)) << file;
  }
}

}  // namespace
