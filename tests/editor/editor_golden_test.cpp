// The first frame with the shipped default data on the display-free canvas: pixel for pixel
// against a reviewed image outside the text boxes, glyphs only inside them. On a mismatch the
// actual frame and a difference image go to the build tree, with the command that makes the
// actual frame the new reference.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_frame.h"
#include "shell/core/canvas.h"
#include "shell/core/rasterizer.h"
#include "shell/desktop/freetype_faces.h"
#include "tests/editor/editor_test_support.h"
#include "tests/support/failure_images.h"

namespace {

constexpr int kW = kScreenWidth;
constexpr int kH = kScreenHeight;

bool ReadBmp(const std::filesystem::path& path, std::vector<uint32_t>& pixels) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  if (bytes.size() != 54u + kW * 3 * kH) return false;
  pixels.assign(kW * kH, 0);
  for (int y = 0; y < kH; ++y) {
    const uint8_t* row = &bytes[54 + (kH - 1 - y) * kW * 3];
    for (int x = 0; x < kW; ++x)
      pixels[y * kW + x] = 0xFF000000u | (uint32_t(row[3 * x + 2]) << 16) |
                           (uint32_t(row[3 * x + 1]) << 8) | row[3 * x];
  }
  return true;
}

// The back buffer and canvas of the program, set up as the frame driver does.
struct Screen {
  std::unique_ptr<BackBuffer> device = std::make_unique<BackBuffer>();
  Canvas canvas;
  Screen() {
    EXPECT_TRUE(SetupCanvas(canvas, device.get()));
    BeginSprites(canvas, device.get());
    canvas.text = FreeTypeFaces();
    MakeFonts(canvas);
    EndSprites(canvas);
  }
  ~Screen() { ReleaseCanvas(canvas); }
  void Run(PatternGenerator& g, FrameClock& clock, bool texts) {
    ClearBackBuffer(*device, 0xFF000000, 1.0f);
    BeginSprites(canvas, device.get());
    EditorCanvas view = BindEditorCanvas(canvas);
    if (!texts) view.drawText = nullptr;
    EditorFrame(g, view, clock);
    EndSprites(canvas);
  }
};

// Where each text line may put glyphs: from its start to the screen's right edge, one line
// of its font high (with room for descenders).
struct Box {
  int x, y, w, h;
  bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

std::vector<Box> TextBoxes(const RecordingCanvas& rec) {
  std::vector<Box> boxes;
  for (const RecordedText& t : rec.texts) {
    const int height = t.font == 3 ? 14 : 18;
    boxes.push_back({t.x, t.y, kW - t.x, height + 6});
  }
  return boxes;
}

class EditorGoldenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists("siro.bmp")) GTEST_SKIP() << "no siro.bmp in data/";
    ArmAllKeys();
    g = std::make_unique<PatternGenerator>();
  }
  ScratchDir dir;
  std::unique_ptr<PatternGenerator> g;
  FrameClock clock;
};

TEST_F(EditorGoldenTest, FirstFrameMatchesTheReviewedImageOutsideTheTexts) {
  // What the frame writes where: the recorder gives the text positions.
  auto probe = std::make_unique<PatternGenerator>();
  RecordingCanvas rec;
  EditorFrame(*probe, rec.Bind(), clock);
  const std::vector<Box> boxes = TextBoxes(rec);
  ASSERT_EQ(boxes.size(), 17u);

  Screen screen;
  screen.Run(*g, clock, false);
  const std::vector<uint32_t> bare(screen.device->color, screen.device->color + kW * kH);
  g = std::make_unique<PatternGenerator>();
  screen.Run(*g, clock, true);
  const uint32_t* shown = screen.device->color;

  const std::filesystem::path golden =
      std::filesystem::path(QUILMORANTE_GOLDEN_DIR) / "first_frame.bmp";
  const std::filesystem::path outputs = EDITOR_TEST_OUTPUT_DIR;
  auto saveActual = [&] {
    return SaveTestImage(outputs, "actual", kW, kH,
                         [&](int x, int y) { return shown[y * kW + x] & 0xFFFFFFu; });
  };
  // Copying the actual frame over the reference is how it is re-recorded; the frame is stored
  // whole, texts included, though only the pixels outside the text boxes are compared.
  auto rerecord = [&](const std::filesystem::path& actual) {
    return "to make this frame the reference, look at it, then run:\n  cp '" + actual.string() +
           "' '" + golden.string() + "'";
  };
  std::vector<uint32_t> expected;
  if (!ReadBmp(golden, expected)) {
    const std::filesystem::path actual = saveActual();
    FAIL() << "golden image " << golden << " missing or unreadable\n" << rerecord(actual);
  }

  auto inText = [&](int x, int y) {
    for (const Box& b : boxes)
      if (b.Contains(x, y)) return true;
    return false;
  };
  int mismatches = 0, glyphPixelsOutside = 0;
  std::vector<bool> differs(kW * kH, false);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const uint32_t s = shown[y * kW + x] & 0xFFFFFFu;
      if (inText(x, y)) continue;
      if (s != (expected[y * kW + x] & 0xFFFFFFu)) {
        ++mismatches;
        differs[y * kW + x] = true;
      }
      if (s != (bare[y * kW + x] & 0xFFFFFFu)) ++glyphPixelsOutside;
    }
  }
  if (mismatches != 0) {
    const std::filesystem::path actual = saveActual();
    // Differing pixels red over the reference at a quarter of its brightness.
    const std::filesystem::path diff =
        SaveTestImage(outputs, "diff", kW, kH, [&](int x, int y) -> uint32_t {
          if (differs[y * kW + x]) return 0xFF0000u;
          return (expected[y * kW + x] >> 2) & 0x3F3F3Fu;
        });
    ADD_FAILURE() << mismatches << " pixels outside the text boxes differ from " << golden
                  << "\nactual frame: " << actual
                  << "\ndifference (red over the dimmed reference): " << diff << "\n"
                  << rerecord(actual);
  }
  EXPECT_EQ(glyphPixelsOutside, 0);

  // Each text puts white glyph pixels into its own box, where fonts are installed.
  if (!FontAvailable(screen.canvas, 2) || !FontAvailable(screen.canvas, 3)) return;
  for (size_t t = 0; t < boxes.size(); ++t) {
    const Box& b = boxes[t];
    int white = 0;
    for (int y = b.y; y < std::min(b.y + b.h, kH); ++y)
      for (int x = b.x; x < kW; ++x)
        if ((shown[y * kW + x] & 0xFFFFFFu) == 0xFFFFFFu && shown[y * kW + x] != bare[y * kW + x])
          ++white;
    EXPECT_GT(white, 0) << "text " << t << " at (" << b.x << ", " << b.y << ")";
  }
}

TEST_F(EditorGoldenTest, FirstFramePixelsOfPreviewCursorAndKeyGrid) {
  Screen screen;
  screen.Run(*g, clock, false);
  const uint32_t* px = screen.device->color;
  auto entry = [&](int k) {
    return 0xFF000000u | (uint32_t(g->palette[k][0] & 0xFF) << 16) |
           (uint32_t(g->palette[k][1] & 0xFF) << 8) | uint32_t(g->palette[k][2] & 0xFF);
  };
  // Settings cursor box over the pattern line, 30 x 18 at (400, 200).
  for (int y = 200; y < 218; ++y)
    for (int x = 400; x < 430; ++x) ASSERT_EQ(px[y * kW + x], 0xFF403020u) << x << "," << y;
  EXPECT_EQ(px[199 * kW + 400], 0xFF202020u);
  EXPECT_EQ(px[200 * kW + 430], 0xFF202020u);
  // Preview at phase 1: cell (i, j) covers (i..i+1, j..j+1); the later cell wins the overlap.
  for (int u : {0, 63, 64, 127, 200, 255}) {
    for (int v : {0, 64, 130, 255}) {
      const int k = static_cast<int>((static_cast<uint32_t>(g->TiledCell(u, v)) + 1u) & 15u);
      EXPECT_EQ(px[v * kW + u], entry(k)) << u << "," << v;
    }
  }
  const int corner = static_cast<int>((static_cast<uint32_t>(g->TiledCell(255, 255)) + 1u) & 15u);
  EXPECT_EQ(px[256 * kW + 256], entry(corner));
  EXPECT_EQ(px[0 * kW + 257], 0xFF000000u);
  EXPECT_EQ(px[257 * kW + 0], 0xFF000000u);
  // Swatches, and key cells over no panel background.
  for (int k = 0; k < kPaletteEntries; ++k) EXPECT_EQ(px[455 * kW + 16 + 24 * k + 7], entry(k));
  for (int k = 0; k < kPaletteEntries; ++k) {
    for (int ch = 0; ch < kChannels; ++ch) {
      const int32_t d = g->keys[k][ch];
      const uint32_t c = d != 0
                             ? 0xFF000000u | ((uint32_t(KeyIntensity(d)) & 0xFF) << (16 - 8 * ch))
                             : 0xFF808080u;
      EXPECT_EQ(px[(384 + 24 * ch) * kW + 24 + 24 * k], c) << k << "," << ch;
      // Only a keyed cell reaches its 16 x 16 corner.
      EXPECT_EQ(px[(376 + 24 * ch) * kW + 16 + 24 * k], d != 0 ? c : 0xFF000000u);
    }
  }
}

TEST_F(EditorGoldenTest, KeyCursorStaysInFrontOfTheKeyCellDrawnAfterIt) {
  Screen screen;
  g->panel = 0;
  g->cursorColumn = 5;
  g->cursorRow = 1;
  g->keys[5][1] = 9;
  screen.Run(*g, clock, false);
  const uint32_t* px = screen.device->color;
  EXPECT_EQ(px[(380 + 24) * kW + 20 + 120], 0xFFFFFFFFu);
  EXPECT_EQ(px[(387 + 24) * kW + 27 + 120], 0xFFFFFFFFu);
  EXPECT_EQ(px[(379 + 24) * kW + 20 + 120], 0xFF00FF00u);
  EXPECT_EQ(px[370 * kW + 10], 0xFF181818u);
}

}  // namespace
