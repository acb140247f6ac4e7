// The English screen, measured with the real font: every text fits the box the layout gives
// it, and no two texts of a frame overlap (the gallery's as well).

#include "editor/screen_texts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/cycles_panel.h"
#include "editor/editor_frame.h"
#include "editor/gallery.h"
#include "editor/overlay.h"
#include "editor/palette_browser.h"
#include "generator/key_codes.h"
#include "shell/core/canvas.h"
#include "shell/core/rasterizer.h"
#include "shell/desktop/freetype_faces.h"
#include "store/data_folder.h"
#include "tests/editor/editor_test_support.h"

namespace {

struct Box {
  int32_t x, y, w, h;
};

bool Overlap(const Box& a, const Box& b) {
  return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// The room each place of the layout gives its text, right edge first: the point and settings
// column ends at the panels' edge, the help lines at the screen's, the status line at its
// right, a cycle field two pixels before the next one, the help overlay at its box; over the
// gallery, a slot's texts at its cell's edge; over the palette browser, a name at its colours.
int32_t RoomAt(int32_t x, int32_t y, bool gallery, bool browser) {
  int32_t slot = 0;
  ScreenBox cell{};
  // Over the palette browser a name ends where the colours begin.
  if (browser && kBrowserBox.Contains(x, y))
    return (x < kBrowserStripX && y > kBrowserTitleAt.y && y < kBrowserKeysAt.y ? kBrowserStripX
                                                                                : kScreenWidth) -
           x;
  if (gallery && GallerySlotAt(x, y, slot, cell)) return cell.x + cell.w - x;
  if (gallery) return kScreenWidth - x;
  if (x == kHeadingAt.x) return kPointPanelBox.x + kPointPanelBox.w - x;
  if (x == HelpLineAt(0).x) return kScreenWidth - x;
  if (kGridOverlayBox.Contains(x, y)) {
    for (int f = 0; f + 1 < kCycleFieldCount; ++f)
      if (x == kCycleFieldX[f]) return kCycleFieldX[f + 1] - 2 - x;
    return kGridOverlayBox.x + kGridOverlayBox.w - x;
  }
  if (x == HelpOverlayLineAt(0).x) return kHelpOverlayBox.x + kHelpOverlayBox.w - x;
  if (x == kStatusX && y == kStatusY) return kStatusRight - x;
  return kScreenWidth - x;
}

class EnglishScreen : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    ASSERT_TRUE(SetupCanvas(canvas, back.get(), data.whiteTexture));
    BeginSprites(canvas, back.get());
    canvas.text = FreeTypeFaces();
    ASSERT_EQ(MakeFonts(canvas), kFontSlots) << "the Japanese gothic font is needed";
    EndSprites(canvas);
    g->session.language = Language::kEnglish;
  }
  void TearDown() override {
    ReleaseCanvas(canvas);
    EditorFixture::TearDown();
  }
  // The frame's texts, each with the box the real font draws it in.
  std::vector<std::pair<RecordedText, Box>> Texts() {
    // Recorded, and measured with the real font where the frame measures.
    static Canvas* measuring = nullptr;
    measuring = &canvas;
    EditorCanvas recording = rec.Bind();
    recording.textWidth = [](void*, const char* text, int font) {
      return TextWidth(*measuring, text, font);
    };
    rec.Clear();
    std::memset(clock.keyState, 0, sizeof clock.keyState);
    EditorFrame(*g, recording, clock);
    std::vector<std::pair<RecordedText, Box>> boxes;
    for (const RecordedText& t : rec.texts)
      boxes.push_back(
          {t, {t.x, t.y, TextWidth(canvas, t.text.c_str(), t.font), kFontHeights[t.font]}});
    return boxes;
  }

  std::unique_ptr<BackBuffer> back = std::make_unique<BackBuffer>();
  Canvas canvas;
};

TEST_F(EnglishScreen, EveryTextFitsItsBoxAndNoneOverlap) {
  // The widest values each line can show.
  g->patternNumber = 99;
  g->paletteNumber = 99;
  g->idLetter = 'W';
  g->mosaicLevel = 4;
  g->sizeExpX = g->sizeExpY = 8;
  g->reverseX = g->reverseY = 1;
  g->distortX = g->distortY = -1;
  const std::vector<std::function<void()>> screens = {
      [] {},
      [this] { OpenOverlay(*g, kCyclesOverlay); },
      [this] {
        OpenOverlay(*g, kCyclesOverlay);
        g->cycles.ranges[0] = {10, 15, 64, CycleMode::kPingPong, true};
      },
      [this] { g->session.helpOpen = true; },
      // The gallery with a slot of each mark: none (no file) and error (a folder).
      [this] {
        std::filesystem::create_directory(File(DataFolder::PatternFile(4)));
        OpenGallery(*g);
      },
      // The palette browser with the longest names, a folder and a file that is no palette.
      [this] {
        CloseOverlay(*g, kGalleryOverlay);
        Write("palettes/0.hex", "ffffff\n");
        Write("palettes/" + std::string(30, 'W') + ".hex", "ffffff\n");
        Write("palettes/" + std::string(30, 'w') + ".txt", "not a palette\n");
        std::filesystem::create_directories(File("palettes/" + std::string(30, 'M')));
        g->session.paletteShelf = DiskPaletteShelf(data.root, PaletteFolderEnvironment{});
        OpenOverlay(*g, kLookOverlay);
        OpenPaletteBrowser(*g);
      },
  };
  for (size_t s = 0; s < screens.size(); ++s) {
    screens[s]();
    const auto boxes = Texts();
    for (size_t i = 0; i < boxes.size(); ++i) {
      const auto& [text, box] = boxes[i];
      EXPECT_LE(box.w, RoomAt(box.x, box.y, IsOpen(g->session, kGalleryOverlay),
                              IsOpen(g->session, kBrowserOverlay)))
          << "screen " << s << ": '" << text.text << "' at (" << box.x << ", " << box.y << ")";
      for (size_t j = i + 1; j < boxes.size(); ++j)
        EXPECT_FALSE(Overlap(box, boxes[j].second))
            << "screen " << s << ": '" << text.text << "' and '" << boxes[j].first.text << "'";
    }
  }
}

TEST_F(EnglishScreen, StatusTextsFitTheStatusLine) {
  const ScreenTexts& t = TextsFor(Language::kEnglish);
  for (const char* text : {t.firstHint, t.nothingToUndo, t.nothingToRedo})
    EXPECT_LE(TextWidth(canvas, text, 3), 304 - 8) << text;
}

}  // namespace
