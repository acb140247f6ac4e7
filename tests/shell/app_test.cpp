// The frame core with no window: ticks on a plain back buffer over a copy of data/, as a
// headless or web front-end drives it.

#include "shell/core/app.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "editor/editor_frame.h"
#include "generator/key_codes.h"
#include "shell/desktop/freetype_faces.h"
#include "tests/editor/editor_test_support.h"

namespace {

constexpr int kPixels = kScreenWidth * kScreenHeight;
constexpr uint8_t kNoKeys[256] = {};

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(dir.File("siro.bmp"))) GTEST_SKIP() << "no siro.bmp in data/";
    app->folder = dir.data;
    app->backBuffer = device.get();
    ASSERT_TRUE(SetupCanvas(app->canvas, app->backBuffer, app->folder.whiteTexture));
    app->canvas.text = FreeTypeFaces();
  }
  void TearDown() override { ReleaseCanvas(app->canvas); }

  ScratchDir dir;
  std::unique_ptr<BackBuffer> device = std::make_unique<BackBuffer>();
  std::unique_ptr<App> app = std::make_unique<App>();
};

TEST_F(AppTest, FirstTickLeavesTheFrameTheGoldenTestDraws) {
  Tick(*app, kNoKeys, 0);

  // The golden test's way to the first frame: fonts made in a batch of their own, then one
  // editor frame on a cleared buffer.
  auto reference = std::make_unique<BackBuffer>();
  Canvas canvas;
  ASSERT_TRUE(SetupCanvas(canvas, reference.get(), dir.data.whiteTexture));
  BeginSprites(canvas, reference.get());
  canvas.text = FreeTypeFaces();
  MakeFonts(canvas);
  EndSprites(canvas);
  ClearBackBuffer(*reference, 0xFF000000u, 1.0f);
  BeginSprites(canvas, reference.get());
  auto generator = std::make_unique<PatternGenerator>(&dir.data);
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
    const std::string file = dir.File(DataFolder::FrameFile(app->generator->idLetter, frame));
    EXPECT_TRUE(std::filesystem::exists(file)) << file;
  }
}

}  // namespace
