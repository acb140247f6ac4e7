#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_texts.h"
#include "shell/desktop/font.h"
#include "shell/desktop/freetype_faces.h"
#include "tests/shell/canvas_fixture.h"
#include "tests/support/cp932_text.h"

namespace canvas_test {
namespace {

constexpr const char* kHeading = kJapaneseTexts.heading;
const std::string kKa = Cp932("カ");

class DrawTextTest : public CanvasTest {
 protected:
  void SetUp() override {
    CanvasTest::SetUp();
    ASSERT_TRUE(SetUpCanvas(1, 1));
    ASSERT_TRUE(BeginSprites(canvas, device.get()));
    canvas.text = FreeTypeFaces();
    MakeFonts(canvas);
    ASSERT_TRUE(FontAvailable(canvas, 2)) << "no Japanese gothic font (fonts-ipafont-gothic)";
    ASSERT_TRUE(EndSprites(canvas));
  }

  // Counts changed pixels inside and outside the box [left, right) x [top, bottom).
  struct Count {
    int inside = 0, outside = 0, white = 0;
  };
  Count Changed(int64_t left, int64_t top, int64_t right, int64_t bottom) const {
    Count count;
    for (int py = 0; py < kScreenHeight; ++py) {
      for (int px = 0; px < kScreenWidth; ++px) {
        if (At(px, py) == kBlack) continue;
        const bool in = px >= left && px < right && py >= top && py < bottom;
        (in ? count.inside : count.outside)++;
        if (At(px, py) == 0xFFFFFFFFu) ++count.white;
      }
    }
    return count;
  }

  std::vector<uint32_t> Snapshot() const {
    return std::vector<uint32_t>(device->color, device->color + kScreenWidth * kScreenHeight);
  }

  std::string Repeat(const std::string& piece, int times) const {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
  }
};

TEST_F(DrawTextTest, FontsAreAJapaneseGothicAtTheirCellHeight) {
  const Font* font = FreeTypeFont(canvas, 2);
  EXPECT_NE(font->family.find("Gothic"), std::string::npos) << font->family;
  EXPECT_EQ(font->height, 18);
  EXPECT_GT(font->ascender, 9);
  EXPECT_LE(font->ascender, 18);
  EXPECT_GE(font->lineSpacing, 14);
  EXPECT_LE(font->lineSpacing, 24);
  EXPECT_GT(FreeTypeFont(canvas, 1)->lineSpacing, FreeTypeFont(canvas, 0)->lineSpacing);
}

TEST_F(DrawTextTest, HeadingIsWhiteAntiAliasedInsideItsLine) {
  DrawText(canvas, 320, 6, kHeading, 2);
  const Font& font = *FreeTypeFont(canvas, 2);
  const Count count = Changed(320, 6, 320 + 8 * 18 + 4, 6 + font.lineSpacing + 2);
  EXPECT_GT(count.white, 50);
  EXPECT_GT(count.inside, count.white);  // anti-aliased edges in between
  EXPECT_EQ(count.outside, 0);
  for (int i = 0; i < kScreenWidth * kScreenHeight; ++i) ASSERT_EQ(device->depth[i], 1.0f);
}

TEST_F(DrawTextTest, StaysInsideItsClipBox) {
  const struct {
    int32_t x, y;
    std::string text;
  } cases[] = {
      // The box ends at x + 640 even where the screen goes on.
      {-320, 10, Repeat(kKa, 200)},
      // And at y + 128, whatever the number of lines.
      {10, 0, Repeat(Cp932("カカ\n"), 40)},
      {10, 300, Repeat("W\r\n", 40)},
  };
  for (const auto& c : cases) {
    ClearBackBuffer(*device, kBlack, 1.0f);
    DrawText(canvas, c.x, c.y, c.text.c_str(), 2);
    const Count count = Changed(c.x, c.y, int64_t{c.x} + 640, int64_t{c.y} + 128);
    EXPECT_GT(count.inside, 0) << c.x << "," << c.y;
    EXPECT_EQ(count.outside, 0) << c.x << "," << c.y;
  }
}

TEST_F(DrawTextTest, LongTextIsCutAtTheRightScreenEdge) {
  for (int32_t x : {320, 328}) {
    ClearBackBuffer(*device, kBlack, 1.0f);
    DrawText(canvas, x, 200, Repeat(kKa, 100).c_str(), 2);
    const Count count = Changed(x, 200, 640, 200 + 30);
    EXPECT_GT(count.inside, 0);
    EXPECT_EQ(count.outside, 0) << "nothing wraps round into the next rows' left side";
    int nearEdge = 0;
    for (int py = 200; py < 230; ++py) {
      for (int px = 630; px < kScreenWidth; ++px) nearEdge += At(px, py) != kBlack;
    }
    EXPECT_GT(nearEdge, 0) << x;
  }
}

TEST_F(DrawTextTest, LineBreaksStartTheNextLineOneLineSpacingDown) {
  const int spacing = FreeTypeFont(canvas, 2)->lineSpacing;
  DrawText(canvas, 40, 40, kKa.c_str(), 2);
  DrawText(canvas, 40, 40 + spacing, "W", 2);
  DrawText(canvas, 40, 40 + 2 * spacing, kKa.c_str(), 2);
  const std::vector<uint32_t> expected = Snapshot();
  for (const char* text : {"カ\nW\nカ", "カ\r\nW\r\nカ", "カ\rW\rカ"}) {
    ClearBackBuffer(*device, kBlack, 1.0f);
    const std::string held = Cp932(text);
    DrawText(canvas, 40, 40, held.c_str(), 2);
    EXPECT_TRUE(Snapshot() == expected) << "break in " << held.size() << "-byte text";
  }
}

TEST_F(DrawTextTest, NothingToDrawChangesNothing) {
  Canvas empty;
  empty.device = device.get();
  const struct {
    Canvas* target;
    int32_t x, y;
    const char* text;
    int font;
  } cases[] = {
      {&canvas, 10, 10, nullptr, 2},
      {&canvas, 10, 10, "", 2},
      {&canvas, 10, 10, "A", -1},
      {&canvas, 10, 10, "A", 4},
      {&canvas, 10, 10, "A", INT_MAX},
      {&empty, 10, 10, "A", 2},
      {&canvas, INT32_MAX, 10, "AAAA", 2},
      {&canvas, 10, INT32_MAX, "AAAA\nAA", 2},
      {&canvas, INT32_MIN, INT32_MIN, "AAAA\nAA", 2},
  };
  for (const auto& c : cases) DrawText(*c.target, c.x, c.y, c.text, c.font);
  EXPECT_EQ(Changed(0, 0, 0, 0).outside, 0);
  // Bytes that are no CP932 text draw replacement glyphs, still inside the box.
  DrawText(canvas, 10, 10, "\xFF\x81\x20\x81", 2);
  EXPECT_EQ(Changed(10, 10, 650, 138).outside, 0);
}

TEST_F(DrawTextTest, DrawsOverRectanglesWithoutTheDepthBuffer) {
  ASSERT_TRUE(BeginSprites(canvas, device.get()));
  FillRect(canvas, 0, 0, 200, 40, 0xFF403020, 0.0f);
  ASSERT_TRUE(EndSprites(canvas));
  DrawText(canvas, 4, 4, "WWWW", 2);
  EXPECT_GT(Changed(0, 0, 0, 0).white, 0);
  EXPECT_EQ(DepthAt(10, 10), 0.0f);
  EXPECT_EQ(DepthAt(300, 10), 1.0f);
}

TEST_F(DrawTextTest, MakeFontAgainReplacesTheSlotsFont) {
  const int before = FreeTypeFont(canvas, 3)->lineSpacing;
  EXPECT_TRUE(MakeFont(canvas, 3, 40));
  ASSERT_TRUE(FontAvailable(canvas, 3));
  EXPECT_EQ(FreeTypeFont(canvas, 3)->height, 40);
  EXPECT_GT(FreeTypeFont(canvas, 3)->lineSpacing, before);
  EXPECT_TRUE(MakeFont(canvas, 3, 14));
  EXPECT_EQ(FreeTypeFont(canvas, 3)->lineSpacing, before);
  EXPECT_TRUE(MakeFont(canvas, 9, 14));  // no such slot
  EXPECT_FALSE(FontAvailable(canvas, 9));
}

TEST_F(DrawTextTest, RepeatedTextRendersNoNewGlyphs) {
  DrawText(canvas, 0, 0, kHeading, 2);
  Font& font = *FreeTypeFont(canvas, 2);
  const size_t glyphs = font.glyphs.size();
  const size_t bytes = font.coverage.size();
  const std::vector<uint32_t> first = Snapshot();
  ClearBackBuffer(*device, kBlack, 1.0f);
  DrawText(canvas, 0, 0, kHeading, 2);
  EXPECT_EQ(font.glyphs.size(), glyphs);
  EXPECT_EQ(font.coverage.size(), bytes);
  EXPECT_TRUE(Snapshot() == first);
}

}  // namespace
}  // namespace canvas_test
