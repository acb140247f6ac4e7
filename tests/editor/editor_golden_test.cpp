// Recorded frames on the display-free canvas, compared pixel for pixel with reviewed images in
// tests/editor/golden/: the first frame with the shipped default data and the real fonts
// (glyphs compared only for being there), and a table of screens (each panel, the cycles
// panel, the help, the English screen, hover outlines, the point markers) whose texts are drawn
// as bars, so that they carry the layout whatever fonts are installed. On a mismatch the actual
// frame and a difference image go to the build tree.
//
// Record mode: `QUILMORANTE_RECORD=1 ctest --test-dir build -R EditorGolden` rewrites each
// recorded frame that differs from the current output instead of failing; look at the
// rewritten pictures before committing them.

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "editor/cycles_panel.h"
#include "editor/editor_frame.h"
#include "editor/gallery.h"
#include "editor/overlay.h"
#include "editor/screen_layout.h"
#include "editor/screen_texts.h"
#include "editor/status_line.h"
#include "shell/core/canvas.h"
#include "shell/core/rasterizer.h"
#include "shell/desktop/freetype_faces.h"
#include "tests/editor/editor_test_support.h"
#include "tests/support/failure_images.h"

namespace {

constexpr int kW = kScreenWidth;
constexpr int kH = kScreenHeight;

bool Recording() {
  const char* record = std::getenv("QUILMORANTE_RECORD");
  return record != nullptr && std::strcmp(record, "1") == 0;
}

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

bool ReadPng(const std::filesystem::path& path, std::vector<uint32_t>& pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.string().c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  if (image.width != kW || image.height != kH) {
    png_image_free(&image);
    return false;
  }
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
  pixels.resize(kW * kH);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] =
        0xFF000000u | uint32_t{rgb[3 * i]} << 16 | uint32_t{rgb[3 * i + 1]} << 8 | rgb[3 * i + 2];
  return true;
}

bool WritePng(const std::filesystem::path& path, const uint32_t* pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kW;
  image.height = kH;
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(3 * kW * kH);
  for (size_t i = 0; i < kW * kH; ++i) {
    rgb[3 * i] = static_cast<uint8_t>(pixels[i] >> 16);
    rgb[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
    rgb[3 * i + 2] = static_cast<uint8_t>(pixels[i]);
  }
  return png_image_write_to_file(&image, path.string().c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

// Stand-in faces for the recorded screens: every byte but a space is a white bar half the
// font's height wide (a double-byte character two of them), so a text shows where it starts,
// how far it runs and where its spaces are, whatever fonts are installed.
TextFaces BarFaces() {
  static int heights[kFontSlots] = {};
  TextFaces faces;
  faces.context = heights;
  faces.make = [](void* context, int slot, int height) {
    return (static_cast<int*>(context)[slot] = height) > 0;
  };
  faces.width = [](void* context, int slot, const char* text) {
    return static_cast<int32_t>(std::strlen(text)) * (static_cast<int*>(context)[slot] / 2);
  };
  faces.draw = [](void* context, int slot, BackBuffer& buffer, int32_t x, int32_t y,
                  const char* text) {
    const int height = static_cast<int*>(context)[slot];
    for (int32_t pen = x; *text != 0; pen += height / 2, ++text)
      for (int32_t py = std::max(y + 3, 0); *text != ' ' && py < std::min(y + height - 3, kH); ++py)
        for (int32_t px = std::max(pen, 0); px < std::min(pen + height / 2 - 1, kW); ++px)
          buffer.color[py * kW + px] = 0xFFFFFFFFu;
  };
  faces.release = [](void*) {};
  return faces;
}

// The back buffer and canvas of the program, set up as the frame driver does.
struct Screen {
  std::unique_ptr<BackBuffer> device = std::make_unique<BackBuffer>();
  Canvas canvas;
  explicit Screen(const DataFolder& data, TextFaces faces = FreeTypeFaces()) {
    EXPECT_TRUE(SetupCanvas(canvas, device.get(), data.whiteTexture));
    BeginSprites(canvas, device.get());
    canvas.text = faces;
    MakeFonts(canvas);
    EndSprites(canvas);
  }
  ~Screen() { ReleaseCanvas(canvas); }
  // One frame as the program draws it: the editor's, then the status line.
  void Run(PatternGenerator& g, FrameClock& clock, bool texts) {
    ClearBackBuffer(*device, 0xFF000000, 1.0f);
    BeginSprites(canvas, device.get());
    EditorCanvas view = BindEditorCanvas(canvas);
    if (!texts) view.drawText = nullptr;
    EditorFrame(g, view, clock);
    DrawStatus(g.session, view);
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

// The shown frame against its recording in tests/editor/golden/ (BMP or PNG by its name), at
// the pixels `compared` takes; in record mode a recording that is missing or differs is
// rewritten from the frame instead, whole.
void ExpectRecordedFrame(const std::string& name, const uint32_t* shown,
                         const std::function<bool(int, int)>& compared) {
  const std::filesystem::path file = std::filesystem::path(QUILMORANTE_GOLDEN_DIR) / name;
  const bool png = file.extension() == ".png";
  std::vector<uint32_t> expected;
  const bool read = png ? ReadPng(file, expected) : ReadBmp(file, expected);
  int mismatches = 0;
  std::vector<bool> differs(kW * kH, false);
  for (int y = 0; read && y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const int at = y * kW + x;
      if (compared(x, y) && (shown[at] & 0xFFFFFFu) != (expected[at] & 0xFFFFFFu)) {
        differs[at] = true;
        ++mismatches;
      }
    }
  }
  if (read && mismatches == 0) return;
  if (Recording()) {
    const bool written =
        png ? WritePng(file, shown)
            : WriteBmp24(file, kW, kH, [&](int x, int y) { return shown[y * kW + x] & 0xFFFFFFu; });
    EXPECT_TRUE(written) << "could not record " << file;
    std::printf("recorded %s: look at it before committing it\n", file.string().c_str());
    return;
  }
  const std::filesystem::path outputs = EDITOR_TEST_OUTPUT_DIR;
  const std::filesystem::path actual = SaveTestImage(
      outputs, "actual", kW, kH, [&](int x, int y) { return shown[y * kW + x] & 0xFFFFFFu; });
  const std::string rerecord =
      "\nto make the actual frame the recording, look at it, then run the test with "
      "QUILMORANTE_RECORD=1";
  if (!read) {
    ADD_FAILURE() << "recorded frame " << file << " missing or unreadable\nactual frame: " << actual
                  << rerecord;
    return;
  }
  // Differing pixels red over the recording at a quarter of its brightness.
  const std::filesystem::path diff =
      SaveTestImage(outputs, "diff", kW, kH, [&](int x, int y) -> uint32_t {
        if (differs[y * kW + x]) return 0xFF0000u;
        return (expected[y * kW + x] >> 2) & 0x3F3F3Fu;
      });
  ADD_FAILURE() << mismatches << " compared pixels differ from " << file
                << "\nactual frame: " << actual
                << "\ndifference (red over the dimmed recording): " << diff << rerecord;
}

class EditorGoldenTest : public EditorFixture {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(File("siro.bmp"))) GTEST_SKIP() << "no siro.bmp in data/";
    EditorFixture::SetUp();
  }
};

TEST_F(EditorGoldenTest, FirstFrameMatchesTheReviewedImageOutsideTheTexts) {
  // What the frame writes where: the recorder gives the text positions.
  auto probe = std::make_unique<PatternGenerator>(&data);
  RecordingCanvas rec;
  EditorFrame(*probe, rec.Bind(), clock);
  const std::vector<Box> boxes = TextBoxes(rec);
  ASSERT_EQ(boxes.size(), 17u);

  Screen screen(data);
  screen.Run(*g, clock, false);
  const std::vector<uint32_t> bare(screen.device->color, screen.device->color + kW * kH);
  g = std::make_unique<PatternGenerator>(&data);
  g->session.folder = &data;
  screen.Run(*g, clock, true);
  const uint32_t* shown = screen.device->color;

  auto inText = [&](int x, int y) {
    for (const Box& b : boxes)
      if (b.Contains(x, y)) return true;
    return false;
  };
  ExpectRecordedFrame("first_frame.bmp", shown, [&](int x, int y) { return !inText(x, y); });
  int glyphPixelsOutside = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if (!inText(x, y) && (shown[y * kW + x] & 0xFFFFFFu) != (bare[y * kW + x] & 0xFFFFFFu))
        ++glyphPixelsOutside;
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
  Screen screen(data);
  screen.Run(*g, clock, false);
  const uint32_t* px = screen.device->color;
  auto entry = [&](int k) {
    return 0xFF000000u | (uint32_t(g->palette[k][0] & 0xFF) << 16) |
           (uint32_t(g->palette[k][1] & 0xFF) << 8) | uint32_t(g->palette[k][2] & 0xFF);
  };
  auto at = [&](int32_t x, int32_t y) { return px[y * kW + x]; };
  // The settings cursor box over the pattern line, in front of the panel.
  const ScreenBox cursor = SettingsCursor(0);
  for (int y = cursor.y; y < cursor.y + cursor.h; ++y)
    for (int x = cursor.x; x < cursor.x + cursor.w; ++x)
      ASSERT_EQ(at(x, y), 0xFF403020u) << x << "," << y;
  EXPECT_EQ(at(cursor.x, cursor.y - 1), 0xFF202020u);
  EXPECT_EQ(at(cursor.x + cursor.w, cursor.y), 0xFF202020u);
  // Preview at phase 1: cell (i, j) covers (i..i+1, j..j+1); the later cell wins the overlap.
  for (int u : {0, 63, 64, 127, 200, 255}) {
    for (int v : {0, 64, 130, 255}) {
      const int k = static_cast<int>((static_cast<uint32_t>(g->TiledCell(u, v)) + 1u) & 15u);
      EXPECT_EQ(at(kPreviewX + u, kPreviewY + v), entry(k)) << u << "," << v;
    }
  }
  const int corner = static_cast<int>((static_cast<uint32_t>(g->TiledCell(255, 255)) + 1u) & 15u);
  EXPECT_EQ(at(kPreviewX + 256, kPreviewY + 256), entry(corner));
  EXPECT_EQ(at(kPreviewX + 257, kPreviewY), 0xFF000000u);
  EXPECT_EQ(at(kPreviewX, kPreviewY + 257), 0xFF000000u);
  // Swatches, and key cells over no panel background.
  for (int k = 0; k < kPaletteEntries; ++k)
    EXPECT_EQ(at(Swatch(k).x + 7, Swatch(k).y + 7), entry(k));
  for (int k = 0; k < kPaletteEntries; ++k) {
    for (int ch = 0; ch < kChannels; ++ch) {
      const int32_t d = g->keys[k][ch];
      const uint32_t c = d != 0
                             ? 0xFF000000u | ((uint32_t(KeyIntensity(d)) & 0xFF) << (16 - 8 * ch))
                             : 0xFF808080u;
      const ScreenBox cell = KeyCell(k, ch);
      EXPECT_EQ(at(cell.x + 8, cell.y + 8), c) << k << "," << ch;
      // Only a keyed cell reaches its 16 x 16 corner.
      EXPECT_EQ(at(cell.x, cell.y), d != 0 ? c : 0xFF000000u);
    }
  }
}

// The cursor on a panel's cell.
void CursorAt(PatternGenerator& g, int panel, int column, int row) {
  g.panel = panel;
  g.cursorColumn = column;
  g.cursorRow = row;
}

TEST_F(EditorGoldenTest, KeyCursorStaysInFrontOfTheKeyCellDrawnAfterIt) {
  Screen screen(data);
  CursorAt(*g, kKeyPanel, 5, 1);
  g->keys[5][1] = 9;
  screen.Run(*g, clock, false);
  auto at = [&](int32_t x, int32_t y) { return screen.device->color[y * kW + x]; };
  const ScreenBox cursor = KeyCursor(5, 1);
  EXPECT_EQ(at(cursor.x, cursor.y), 0xFFFFFFFFu);
  EXPECT_EQ(at(cursor.x + cursor.w - 1, cursor.y + cursor.h - 1), 0xFFFFFFFFu);
  EXPECT_EQ(at(cursor.x, cursor.y - 1), 0xFF00FF00u);
  EXPECT_EQ(at(kKeyPanelBox.x + 2, kKeyPanelBox.y + 2), 0xFF181818u);
}

// ---- recorded screens ---------------------------------------------------------------------

// A screen the layout is recorded on: how the generator and the pointer stand before its one
// frame. Between them the screens show every box the frame draws or the mouse outlines.
struct RecordedScreen {
  const char* name;  // golden/<name>.png
  std::function<void(PatternGenerator&, MouseState&)> setUp;
};

void PrintTo(const RecordedScreen& screen, std::ostream* out) {
  *out << screen.name;
}

void Pointer(MouseState& m, const ScreenBox& over) {
  m.seen = true;
  m.x = over.x + over.w / 2;
  m.y = over.y + over.h / 2;
}

// Keys of every kind: empty cells, a black digit 1, a full 9, a digit loaded out of range.
void VariedKeys(PatternGenerator& g) {
  for (int k = 0; k < kPaletteEntries; ++k)
    for (int ch = 0; ch < kChannels; ++ch) g.keys[k][ch] = (k + 2 * ch) % 11 - 1;
  g.keys[3][0] = -49;
  g.RebuildPalette();
}

const RecordedScreen kRecordedScreens[] = {
    {"settings_panel",
     [](PatternGenerator& g, MouseState& m) {
       g.cursorRow = 3;
       ShowNote(g.session.status, "status line", 0);
       Pointer(m, SettingsRowBand(4));
     }},
    {"key_panel",
     [](PatternGenerator& g, MouseState& m) {
       VariedKeys(g);
       CursorAt(g, kKeyPanel, 5, 1);
       Pointer(m, KeyCell(9, 2));
     }},
    {"point_panel",
     [](PatternGenerator& g, MouseState& m) {
       CursorAt(g, kPointPanel, 2, 2);
       Pointer(m, PointFieldBox(3, 4));
     }},
    {"cycles_panel",
     [](PatternGenerator& g, MouseState& m) {
       VariedKeys(g);
       g.cycles.count = 3;
       g.cycles.ranges[0] = {0, 3, 16, CycleMode::kForward, false};
       g.cycles.ranges[1] = {5, 9, 8, CycleMode::kReverse, true};
       g.cycles.ranges[2] = {12, 15, 64, CycleMode::kPingPong, false};
       OpenOverlay(g, kCyclesOverlay);
       g.session.cycleRow = 1;
       g.session.cycleColumn = kCycleSpeed;
       Pointer(m, Swatch(13));
     }},
    {"help_overlay",
     [](PatternGenerator& g, MouseState& m) {
       g.session.helpOpen = true;
       Pointer(m, kKeyPanelBox);
     }},
    {"english_screen",
     [](PatternGenerator& g, MouseState&) {
       g.session.language = Language::kEnglish;
       OpenOverlay(g, kCyclesOverlay);
       g.session.helpOpen = true;
       ShowNote(g.session.status, "status line", 0);
     }},
    {"look_panel",
     [](PatternGenerator& g, MouseState& m) {
       VariedKeys(g);
       g.look.colours = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
       g.look.colourStart = 1;
       g.look.coloursName = "four.hex";
       g.look.snap = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 128, 255}};
       g.look.snapName = "target.gpl";
       g.look.depthBits = 4;
       g.RebuildPalette();
       OpenOverlay(g, kLookOverlay);
       g.session.lookRow = 2;
       Pointer(m, Swatch(4));
     }},
    {"gallery",
     [](PatternGenerator& g, MouseState& m) {
       g.look.depthBits = 3;
       OpenGallery(g);
       g.session.galleryCursor = 5;
       Pointer(m, GalleryCell(23));
     }},
    {"palette_gallery",
     [](PatternGenerator& g, MouseState&) {
       g.session.language = Language::kEnglish;
       g.session.galleryPalettes = true;
       g.cycles.count = 1;
       g.cycles.ranges[0] = {4, 11, 8, CycleMode::kPingPong, true};
       OpenGallery(g);
       ShowNote(g.session.status, "status line", 0);
     }},
    {"point_markers",
     [](PatternGenerator& g, MouseState& m) {
       g.previewMode = kPreviewSingleTile;
       g.Synthesize();
       Pointer(m, PreviewTile(g.width, g.height));
     }},
};

class EditorGoldenScreen : public EditorGoldenTest,
                           public ::testing::WithParamInterface<RecordedScreen> {};

TEST_P(EditorGoldenScreen, MatchesItsRecording) {
  const RecordedScreen& s = GetParam();
  g->previewMode = kPreviewOff;
  s.setUp(*g, clock.mouse);
  Screen screen(data, BarFaces());
  screen.Run(*g, clock, true);
  ExpectRecordedFrame(std::string(s.name) + ".png", screen.device->color,
                      [](int, int) { return true; });
}

INSTANTIATE_TEST_SUITE_P(Recorded, EditorGoldenScreen, ::testing::ValuesIn(kRecordedScreens),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
