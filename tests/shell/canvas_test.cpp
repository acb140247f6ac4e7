#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "shell/core/sprite_batch.h"
#include "shell/core/texture.h"
#include "tests/shell/canvas_fixture.h"

namespace canvas_test {
namespace {

constexpr uint32_t kGrey = 0xFF181818;

struct Rect {
  int32_t x, y, w, h;
};

// The pixels a drawn rectangle covers: itself cut to the screen.
bool Covers(const Rect& r, int px, int py) {
  return px >= r.x && py >= r.y && px < static_cast<int64_t>(r.x) + r.w &&
         py < static_cast<int64_t>(r.y) + r.h;
}

class FillRectTest : public CanvasTest {
 protected:
  void Open(int textureWidth = 8, int textureHeight = 8) {
    ASSERT_TRUE(SetUpCanvas(textureWidth, textureHeight));
    ASSERT_TRUE(BeginSprites(canvas, device.get()));
  }

  // Every pixel inside r (on screen) is inside, every other one outside.
  void ExpectOnly(const Rect& r, uint32_t inside, uint32_t outside) {
    int wrong = 0;
    for (int py = 0; py < kScreenHeight; ++py) {
      for (int px = 0; px < kScreenWidth; ++px) {
        if (At(px, py) != (Covers(r, px, py) ? inside : outside)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << "rectangle " << r.x << "," << r.y << " " << r.w << "x" << r.h;
  }
};

TEST_F(FillRectTest, TakesTheExactColourOverWhite) {
  Open();
  for (uint32_t colour : {0xFF181818u, 0xFF202020u, 0xFF403020u, 0xFF808080u, 0xFFFFFFFFu,
                          0xFF010203u, 0xFFE0C040u}) {
    ClearBackBuffer(*device, kBlack, 1.0f);
    FillRect(canvas, 100, 50, 30, 18, colour, 1.0f);
    ExpectOnly({100, 50, 30, 18}, colour, kBlack);
  }
}

TEST_F(FillRectTest, KeyPanelBackgroundIsExactWhateverTheTextureSize) {
  const struct {
    int width, height;
  } sizes[] = {{1, 1}, {8, 8}, {3, 5}, {7, 104}, {392, 1}, {500, 300}};
  for (const auto& size : sizes) {
    ReleaseCanvas(canvas);
    ClearBackBuffer(*device, kBlack, 1.0f);
    Open(size.width, size.height);
    FillRect(canvas, 8, 368, 392, 104, kGrey, 1.0f);
    SCOPED_TRACE(testing::Message() << "siro.bmp " << size.width << "x" << size.height);
    ExpectOnly({8, 368, 392, 104}, kGrey, kBlack);
    EXPECT_EQ(At(8, 368), kGrey);
    EXPECT_EQ(At(399, 471), kGrey);
    EXPECT_EQ(At(400, 471), kBlack);
    EXPECT_EQ(At(399, 472), kBlack);
  }
}

// Rejection and clipping at every edge, down to int32 extremes: what shows is the rectangle
// cut to the screen, and nothing else.
TEST_F(FillRectTest, ClipsAndRejectsAtEveryEdge) {
  Open();
  const Rect cases[] = {
      {640, 0, 10, 10},
      {641, 0, 10, 10},
      {639, 0, 10, 10},
      {0, 480, 10, 10},
      {0, 481, 10, 10},
      {0, 479, 10, 10},
      {-10, 0, 10, 10},
      {-10, 0, 9, 10},
      {-10, 0, 11, 10},
      {0, -10, 10, 10},
      {0, -10, 9, 10},
      {0, -10, 11, 10},
      {-5, -5, 650, 490},
      {630, 470, 100, 100},
      {10, 10, 0, 5},
      {10, 10, 5, 0},
      {10, 10, -5, 5},
      {10, 10, 5, -5},
      {INT32_MAX, 0, 10, 10},
      {0, INT32_MAX, 10, 10},
      {INT32_MIN, 0, 10, 10},
      {0, INT32_MIN, 10, 10},
      {INT32_MIN, 0, INT32_MAX, 10},
      {-100, -100, INT32_MAX, INT32_MAX},
      {600, 400, INT32_MAX, INT32_MAX},
      {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
      {20, 20, INT32_MIN, INT32_MIN},
      {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
  };
  for (const Rect& r : cases) {
    ClearBackBuffer(*device, kBlack, 1.0f);
    FillRect(canvas, r.x, r.y, r.w, r.h, 0xFF00FF00, 0.5f);
    ExpectOnly(r, 0xFF00FF00, kBlack);
  }
}

TEST_F(FillRectTest, NearerRectangleStaysInFrontWhateverTheOrder) {
  Open();
  const Rect backdrop = {312, 192, 224, 160};
  const Rect mark = {400, 200, 30, 18};
  for (bool markFirst : {true, false}) {
    ClearBackBuffer(*device, kBlack, 1.0f);
    if (markFirst) FillRect(canvas, mark.x, mark.y, mark.w, mark.h, 0xFF403020, 0.0f);
    FillRect(canvas, backdrop.x, backdrop.y, backdrop.w, backdrop.h, 0xFF202020, 1.0f);
    if (!markFirst) FillRect(canvas, mark.x, mark.y, mark.w, mark.h, 0xFF403020, 0.0f);
    SCOPED_TRACE(markFirst ? "mark first" : "backdrop first");
    EXPECT_EQ(At(400, 200), 0xFF403020u);
    EXPECT_EQ(At(429, 217), 0xFF403020u);
    EXPECT_EQ(At(430, 217), 0xFF202020u);
    EXPECT_EQ(At(312, 192), 0xFF202020u);
    EXPECT_EQ(DepthAt(400, 200), 0.0f);
    EXPECT_EQ(DepthAt(312, 192), 1.0f);
  }
}

TEST_F(FillRectTest, BlendsByTheColoursAlpha) {
  Open();
  const struct {
    uint32_t below, colour, expected;
    float depthAfter;
  } cases[] = {
      // round(255 * 128 / 255) = 128 red; alpha round((128 * 128 + 255 * 127) / 255) = 191.
      {0xFF000000, 0x80FF0000, 0xBF800000, 0.0f},
      {0xFFFFFFFF, 0x80000000, 0xBF7F7F7F, 0.0f},
      {0xFF204060, 0xFF102030, 0xFF102030, 0.0f},
      // Fully transparent: nothing drawn, no depth written.
      {0xFF204060, 0x00FFFFFF, 0xFF204060, 1.0f},
  };
  for (const auto& c : cases) {
    ClearBackBuffer(*device, c.below, 1.0f);
    FillRect(canvas, 10, 10, 4, 4, c.colour, 0.0f);
    EXPECT_EQ(At(11, 11), c.expected) << std::hex << c.colour << " over " << c.below;
    EXPECT_EQ(DepthAt(11, 11), c.depthAfter);
    EXPECT_EQ(At(14, 11), c.below);
  }
}

TEST_F(FillRectTest, ColourKeyedTexelsAreTransparentAndTheTextureWraps) {
  // 4 x 2 texels: black (keyed) at (1, 0), dark grey that reduces to black at (3, 1),
  // pure red at (2, 1), white elsewhere.
  const auto pixel = [](int x, int y) -> uint32_t {
    if (x == 1 && y == 0) return 0x000000;
    if (x == 3 && y == 1) return 0x101010;
    if (x == 2 && y == 1) return 0xFF0000;
    return 0xFFFFFF;
  };
  ASSERT_TRUE(SetUpCanvas(4, 2, pixel));
  ASSERT_TRUE(BeginSprites(canvas, device.get()));
  constexpr uint32_t kBelow = 0xFF0000FF;
  ClearBackBuffer(*device, kBelow, 1.0f);
  // Off the texture's own grid, so the texture must repeat from the rectangle's corner.
  const Rect r = {9, 367, 392, 104};
  FillRect(canvas, r.x, r.y, r.w, r.h, 0xFF808080, 0.0f);
  int wrongColour = 0;
  int wrongDepth = 0;
  for (int py = 0; py < kScreenHeight; ++py) {
    for (int px = 0; px < kScreenWidth; ++px) {
      uint32_t expected = kBelow;
      bool keyed = true;
      if (Covers(r, px, py)) {
        const int u = (px - r.x) % 4;
        const int v = (py - r.y) % 2;
        keyed = (u == 1 && v == 0) || (u == 3 && v == 1);
        expected = keyed ? kBelow : (u == 2 && v == 1) ? 0xFF800000 : 0xFF808080;
      }
      if (At(px, py) != expected) ++wrongColour;
      if (DepthAt(px, py) != (keyed ? 1.0f : 0.0f)) ++wrongDepth;
    }
  }
  EXPECT_EQ(wrongColour, 0);
  EXPECT_EQ(wrongDepth, 0) << "keyed texels must not write depth";
}

TEST_F(FillRectTest, DrawsOnlyInsideAnOpenBatchWithTheWhiteTexture) {
  ASSERT_TRUE(SetUpCanvas(8, 8));
  FillRect(canvas, 0, 0, 10, 10, 0xFFFFFFFF, 0.0f);  // before Begin
  EXPECT_EQ(At(0, 0), kBlack);
  EXPECT_FALSE(EndSprites(canvas));  // not open
  ASSERT_TRUE(BeginSprites(canvas, device.get()));
  EXPECT_FALSE(BeginSprites(canvas, nullptr));  // already open
  EXPECT_EQ(canvas.device, device.get());       // an empty device keeps the old one
  FillRect(canvas, 0, 0, 10, 10, 0xFFFFFFFF, 0.0f);
  EXPECT_EQ(At(0, 0), 0xFFFFFFFFu);
  EXPECT_TRUE(EndSprites(canvas));
  EXPECT_FALSE(EndSprites(canvas));
  FillRect(canvas, 20, 20, 10, 10, 0xFFFFFFFF, 0.0f);  // after End
  EXPECT_EQ(At(20, 20), kBlack);

  ASSERT_TRUE(BeginSprites(canvas, device.get()));
  ReleaseTexture(canvas.textures[0]);
  FillRect(canvas, 40, 40, 10, 10, 0xFFFFFFFF, 0.0f);  // no white texture
  EXPECT_EQ(At(40, 40), kBlack);
}

TEST_F(FillRectTest, SetupFailsWithoutDeviceOrTexture) {
  EXPECT_FALSE(SetupCanvas(canvas, nullptr));
  EXPECT_FALSE(SetUpCanvasHere());  // no siro.bmp in the folder
  EXPECT_EQ(canvas.textures[0], nullptr);
  EXPECT_EQ(canvas.sprite, nullptr);
  EXPECT_FALSE(BeginSprites(canvas, device.get()));
  FillRect(canvas, 0, 0, 10, 10, 0xFFFFFFFF, 0.0f);
  EXPECT_EQ(At(0, 0), kBlack);
  // A second set-up replaces the first one's texture and sprite.
  ASSERT_TRUE(SetUpCanvas(2, 2));
  ASSERT_TRUE(SetUpCanvas(4, 4));
  EXPECT_EQ(canvas.textures[0]->width, 4);
  ReleaseCanvas(canvas);
  EXPECT_EQ(canvas.textures[0], nullptr);
  EXPECT_EQ(canvas.sprite, nullptr);
}

TEST(ReduceTexel, KeepsWhiteAndKeysBlackAfterTheCut) {
  const struct {
    uint32_t rgb, texel;
  } cases[] = {
      {0xFFFFFF, 0xFFFFFFFF}, {0x000000, 0x00000000}, {0x1F1F3F, 0x00000000},
      {0x808080, 0xFF9292AA}, {0xFF0000, 0xFFFF0000}, {0x0000FF, 0xFF0000FF},
      {0x202000, 0xFF242400}, {0x000040, 0xFF000055},
  };
  for (const auto& c : cases) EXPECT_EQ(ReduceTexel(c.rgb), c.texel) << std::hex << c.rgb;
}

// The white shortcut must give what the texel-by-texel path gives, bit for bit.
TEST(DrawSprite, WhiteShortcutMatchesTheGeneralPath) {
  Texture shortcut;
  shortcut.width = 3;
  shortcut.height = 2;
  shortcut.texels.assign(6, 0xFFFFFFFF);
  shortcut.opaqueWhite = true;
  Texture general = shortcut;
  general.opaqueWhite = false;
  auto a = std::make_unique<BackBuffer>();
  auto b = std::make_unique<BackBuffer>();
  ClearBackBuffer(*a, 0xFF102030, 1.0f);
  ClearBackBuffer(*b, 0xFF102030, 1.0f);
  std::mt19937 random(7);
  const uint32_t alphas[] = {0, 1, 127, 128, 254, 255};
  const float depths[] = {0.0f, 0.5f, 1.0f};
  for (int i = 0; i < 3000; ++i) {
    const int32_t x = static_cast<int32_t>(random() % 700) - 30;
    const int32_t y = static_cast<int32_t>(random() % 540) - 30;
    const int32_t w = static_cast<int32_t>(random() % 40);
    const int32_t h = static_cast<int32_t>(random() % 40);
    const uint32_t colour = (alphas[random() % 6] << 24) | (random() & 0xFFFFFF);
    const float z = depths[random() % 3];
    DrawSprite(*a, shortcut, x, y, w, h, colour, z);
    DrawSprite(*b, general, x, y, w, h, colour, z);
  }
  EXPECT_TRUE(std::equal(a->color, a->color + kScreenWidth * kScreenHeight, b->color));
  EXPECT_TRUE(std::equal(a->depth, a->depth + kScreenWidth * kScreenHeight, b->depth));
}

TEST(DrawSprite, DepthOutsideTheRangeDrawsNothing) {
  Texture white;
  white.width = white.height = 1;
  white.texels = {0xFFFFFFFF};
  white.opaqueWhite = true;
  auto device = std::make_unique<BackBuffer>();
  ClearBackBuffer(*device, kBlack, 1.0f);
  for (float z : {-0.5f, 1.5f, std::numeric_limits<float>::quiet_NaN()}) {
    DrawSprite(*device, white, 0, 0, 4, 4, 0xFFFFFFFF, z);
  }
  EXPECT_EQ(device->color[0], kBlack);
}

// Sequences through FillRect and DrawText, which hold runs of rectangles back, against each
// drawn alone: DrawSprite for a rectangle, the same face for a text.
TEST_F(CanvasTest, HeldBackRunsDrawWhatEachRectangleDrawnAloneGives) {
  // columns x rows of w x h one pixel apart, column by column, the last column `last` long, in
  // colours of their own; w 0 is a text.
  struct Part {
    int32_t x, y, w, h;
    int columns, rows, last;
    float z;
    uint32_t alpha = 0xFF;
  };
  const std::vector<Part> cases[] = {
      {{0, 0, 300, 260, 1, 1, 1, 1.0f},
       {20, 20, 30, 18, 1, 1, 1, 0.0f},
       {90, 40, 30, 18, 1, 1, 1, 0.25f},
       {0, 0, 2, 2, 256, 256, 256, 0.0f},
       {0, 0, 2, 2, 256, 256, 256, 0.5f}},
      {{-3, -2, 3, 5, 7, 9, 4, 0.0f}, {630, 470, 2, 2, 20, 20, 20, 0.0f}},
      {{10, 10, 2, 2, 3, 4, 2, 0.0f},
       {13, 10, 2, 2, 1, 1, 1, 0.0f},
       {13, 11, 2, 2, 1, 1, 1, 0.0f},
       {13, 12, 2, 2, 2, 3, 3, 0.0f},
       {15, 12, 2, 3, 1, 1, 1, 0.0f},
       {15, 13, 3, 3, 1, 1, 1, 0.0f},
       {15, 15, 3, 3, 1, 1, 1, 0.0f},
       {20, 16, 3, 3, 1, 1, 1, 0.0f}},
      {{40, 40, 2, 2, 2, 5, 3, 0.0f},
       {41, 43, 2, 2, 1, 1, 1, 0.0f, 0x80},
       {41, 44, 2, 2, 1, 3, 3, 0.0f},
       {41, 47, 2, 2, 1, 1, 1, -0.0f}},
      {{0, 0, 8, 8, 1, 9, 9, 0.0f},
       {5, 7, 0, 0, 1, 1, 1, 0.0f},
       {0, 9, 8, 8, 1, 4, 4, 0.0f},
       {100, 0, 1, 1, 300, 2, 2, 0.0f},
       {0, 100, 1, 1, 1, 300, 300, 0.0f}},
  };
  ASSERT_TRUE(SetUpCanvas(1, 1));
  canvas.text.make = [](void*, int, int) { return true; };
  canvas.text.draw = [](void*, int, BackBuffer& buffer, int32_t x, int32_t y, const char*) {
    for (int i = 0; i < 40; ++i) buffer.color[(y + i / 8) * kScreenWidth + x + i % 8] = ~0u;
  };
  MakeFonts(canvas);
  auto alone = std::make_unique<BackBuffer>();
  for (const std::vector<Part>& parts : cases) {
    ClearBackBuffer(*device, 0xFF102030, 1.0f);
    ClearBackBuffer(*alone, 0xFF102030, 1.0f);
    ASSERT_TRUE(BeginSprites(canvas, device.get()));
    for (const Part& p : parts) {
      for (int c = 0; p.w != 0 && c < p.columns; ++c) {
        for (int r = 0; r < (c == p.columns - 1 ? p.last : p.rows); ++r) {
          const uint32_t colour = p.alpha << 24 | ((p.x * 7919u + c * 40503u + r * 977u) >> 8);
          FillRect(canvas, p.x + c, p.y + r, p.w, p.h, colour, p.z);
          DrawSprite(*alone, *canvas.textures[0], p.x + c, p.y + r, p.w, p.h, colour, p.z);
        }
      }
      if (p.w != 0) continue;
      DrawText(canvas, p.x, p.y, "t", 2);
      canvas.text.draw(nullptr, 2, *alone, p.x, p.y, "t");
    }
    ASSERT_TRUE(EndSprites(canvas));
    EXPECT_EQ(std::memcmp(device->color, alone->color, sizeof alone->color), 0);
    EXPECT_EQ(std::memcmp(device->depth, alone->depth, sizeof alone->depth), 0);
  }
}

TEST_F(CanvasTest, EditorViewForwardsToTheCanvas) {
  ASSERT_TRUE(SetUpCanvas(1, 1));
  ASSERT_TRUE(BeginSprites(canvas, device.get()));
  const EditorCanvas view = BindEditorCanvas(canvas);
  EXPECT_EQ(view.target, &canvas);
  view.fillRect(view.target, 5, 5, 2, 2, 0xFF00FF00, 0.0f);
  EXPECT_EQ(At(6, 6), 0xFF00FF00u);
  view.endSprites(view.target);
  EXPECT_FALSE(canvas.sprite->open);
  view.drawText(view.target, 0, 0, "x", 7);  // no such font: nothing, no crash
}

}  // namespace
}  // namespace canvas_test
