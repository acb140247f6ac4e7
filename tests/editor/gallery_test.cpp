// The gallery (G): the keys and a click load a slot as stepping to it does (one undo step,
// the slot left saved), closing changes nothing, other keys wait, a thumbnail shows the slot
// as loading it would, keeping small shapes; marks and the status line's own line.

#include "editor/gallery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "editor/editor_operations.h"
#include "editor/format_export_runner.h"
#include "editor/overlay.h"
#include "editor/screen_layout.h"
#include "editor/screen_texts.h"
#include "editor/status_line.h"
#include "generator/key_codes.h"
#include "generator/slot_files.h"
#include "store/data_folder.h"
#include "tests/editor/editor_test_support.h"

namespace {

class GalleryTest : public EditorFixture {
 public:
  void SetUp() override {
    EditorFixture::SetUp();
    // Slot 5 of each kind holds something of its own: slot 2's pattern, keys 1..9.
    std::filesystem::copy_file(File(DataFolder::PatternFile(2)), File(DataFolder::PatternFile(5)));
    Write(DataFolder::PaletteFile(5), "123456789000000098765432100000001111111119999999");
  }
  uint8_t& Number(bool palettes) { return palettes ? g->paletteNumber : g->patternNumber; }
  void Open(bool palettes) {
    Tap({DIK_G});  // on the slots it was last closed on
    if (g->session.galleryPalettes != palettes) Tap({DIK_TAB});
  }
  void Click(const ScreenBox& box) {
    MouseState& m = clock.mouse;
    m.seen = m.pressed = true;
    m.x = m.pressX = box.x + box.w / 2;
    m.y = m.pressY = box.y + box.h / 2;
    Frame();
    m.pressed = false;
  }
};

struct Way {
  const char* name;
  bool palettes;
  bool click;
};

TEST_F(GalleryTest, KeysAndAClickLoadASlotInOneUndoStep) {
  for (const Way way : {Way{"keys, patterns", false, false}, Way{"click, patterns", false, true},
                        Way{"keys, palettes", true, false}, Way{"click, palettes", true, true}}) {
    SCOPED_TRACE(way.name);
    ASSERT_EQ(Number(way.palettes), 0);
    const PatternFields pattern = g->Pattern();
    // An edit of the slot left, which it keeps.
    if (way.palettes)
      g->keys[15][2] = 4;
    else
      g->points[0].x += 1;
    Open(way.palettes);
    ASSERT_TRUE(IsOpen(g->session, kGalleryOverlay));
    if (way.click) {
      Click(GalleryCell(5));
    } else {
      for (int k : {DIK_DOWN, DIK_RIGHT, DIK_UP, DIK_RIGHT, DIK_RIGHT, DIK_RIGHT, DIK_RIGHT})
        Tap({k});
      EXPECT_EQ(g->session.galleryCursor, 5);
      Tap({DIK_RETURN});
    }
    EXPECT_FALSE(IsOpen(g->session, kGalleryOverlay));
    EXPECT_EQ(Number(way.palettes), 5);
    if (way.palettes) {
      EXPECT_EQ(g->keys[0][0], 1);
    } else {
      Document slot2;
      slot2.pattern.fields = pattern;
      Result problems[kSlotFileCount];
      LoadSlot(&data, SlotKind::kPattern, 2, slot2, problems);
      EXPECT_TRUE(g->Pattern() == slot2.pattern.fields);
    }
    Document saved;
    Result problems[kSlotFileCount];
    LoadSlot(&data, SlotKind::kPattern, 0, saved, problems);
    LoadSlot(&data, SlotKind::kPalette, 0, saved, problems);
    EXPECT_TRUE(way.palettes ? saved.palette.keys[15][2] == 4
                             : saved.pattern.fields.points[0].x == pattern.points[0].x + 1)
        << "the slot left is saved";
    Tap({DIK_LCONTROL, DIK_Z});
    EXPECT_EQ(Number(way.palettes), 0) << "one undo step back to the slot";
  }
}

TEST_F(GalleryTest, ClosingChangesNothingAndOtherKeysWait) {
  const PatternFields pattern = g->Pattern();
  const int32_t panel = g->panel;
  for (int close : {DIK_G, DIK_ESCAPE}) {
    Open(false);
    for (int k : {DIK_RIGHT, DIK_Z, DIK_X, DIK_A, DIK_Q, DIK_SPACE, DIK_P, DIK_C, DIK_R, DIK_F1})
      Tap({k});
    EXPECT_EQ(g->session.galleryCursor, 1);
    Tap({close});
    EXPECT_FALSE(IsOpen(g->session, kGalleryOverlay));
    EXPECT_TRUE(g->Pattern() == pattern);
    EXPECT_EQ(g->panel, panel);
    EXPECT_EQ(g->patternNumber, 0);
    EXPECT_FALSE(IsOpen(g->session, kCyclesOverlay) || g->session.helpOpen);
    EXPECT_EQ(g->previewMode, kPreviewTiled);
  }
  uint32_t steps = 0;
  EXPECT_EQ(g->session.history.UndoChanges(steps), nullptr);
}

// The cycles and palette panels share the key grid's place; the gallery covers the one open
// there, which waits beneath it and shows again when it closes.
TEST_F(GalleryTest, ThePanelOverTheKeyGridWaitsBeneathIt) {
  struct Step {
    int key;
    bool cycles, look, gallery;
  };
  const Step steps[] = {{DIK_C, true, false, false},      {DIK_G, true, false, true},
                        {DIK_I, true, false, true},       {DIK_G, true, false, false},
                        {DIK_I, false, true, false},      {DIK_G, false, true, true},
                        {DIK_ESCAPE, false, true, false}, {DIK_I, false, false, false}};
  for (size_t i = 0; i < std::size(steps); ++i) {
    Tap({steps[i].key});
    EXPECT_EQ(IsOpen(g->session, kCyclesOverlay), steps[i].cycles) << "step " << i;
    EXPECT_EQ(IsOpen(g->session, kLookOverlay), steps[i].look) << "step " << i;
    EXPECT_EQ(IsOpen(g->session, kGalleryOverlay), steps[i].gallery) << "step " << i;
  }
}

TEST_F(GalleryTest, AnExportUnderWayGoesOnBehindIt) {
  g->session.exporter = MakeFormatExportRunner(data);
  ASSERT_TRUE(ParseCycleRanges("0,4,1,reverse,0\n", g->cycles));  // 80 frames
  Frame({DIK_E});
  ASSERT_TRUE(g->session.exporter->Running());
  Tap({DIK_G});
  for (int frame = 0; g->session.exporter->Running() && frame < 2000; ++frame) Frame();
  EXPECT_TRUE(IsOpen(g->session, kGalleryOverlay));
  EXPECT_TRUE(std::filesystem::exists(File("result/A-0079.bmp")));
}

TEST_F(GalleryTest, AThumbnailShowsTheSlotAsLoadingItWould) {
  Open(false);
  Frame();
  // Slot 5 loaded into a generator of its own, in the current palette at the gallery's frame
  // (the third since it opened: a tap and a frame).
  auto loaded = std::make_unique<PatternGenerator>(&data, 5, 0);
  uint8_t expected[kThumbnailEdge * kThumbnailEdge];
  PatternThumbnail(loaded->map, loaded->width, loaded->height, expected);
  const ScreenBox box = GalleryThumbnail(5);
  for (int i : {0, 17, 31}) {
    for (int j : {0, 23, 31}) {
      const int entry = (expected[i * kThumbnailEdge + j] + 2) % kPaletteEntries;
      EXPECT_TRUE(rec.Has({box.x + i, box.y + j, 1, 1, EntryColour(g->palette[entry]), 0.0f}))
          << i << ", " << j;
    }
  }
}

// Empty: no file, or only zeros; unreadable: a folder; a thumbnail: no mark, and no name yet.
TEST_F(GalleryTest, EmptyAndUnreadableSlotsAreMarked) {
  Write(DataFolder::PatternFile(8), "0,0,0,0,0\n0,0,0,0,0\n0,0,0,0,0\n0,0,0,0,0\n0,0,0,0");
  Write(DataFolder::PaletteFile(8), std::string(48, '0'));
  std::filesystem::create_directory(File(DataFolder::PatternFile(9)));
  std::filesystem::create_directory(File(DataFolder::PaletteFile(9)));
  // A named slot of nothing but zeros holds something: its name, under its number (as much
  // as fits; the cursor's slot shows it whole on the title line).
  Write(DataFolder::PatternFile(6), "0,0,0,0,0\n0,0,0,0,0\n0,0,0,0,0\n0,0,0,0,0\n0,0,0,0");
  Write("savedata/pat6.name.txt", "name=lava\n");
  Write(DataFolder::PaletteFile(6), "900000000000000009000000000000000090000000000000");
  const ScreenTexts& t = TextsFor(g->session.language);
  struct Marked {
    int slot;
    const char* pattern;  // the text under its number on each tab
    const char* palette;
  } const marks[] = {{5, "", ""},
                     {6, "lav", ""},
                     {7, t.galleryEmpty, t.galleryEmpty},
                     {8, t.galleryEmpty, t.galleryEmpty},
                     {9, t.galleryUnreadable, t.galleryUnreadable}};
  for (bool palettes : {false, true}) {
    Open(palettes);
    for (const auto& [slot, patternMark, paletteMark] : marks) {
      const std::string mark = palettes ? paletteMark : patternMark;
      std::string shown;
      for (const RecordedText& text : rec.texts)
        if (GalleryCell(slot).Contains(text.x, text.y) && text.y > GalleryNumberAt(slot).y)
          shown = text.text;
      EXPECT_EQ(shown, mark) << palettes << " " << slot;
      const auto pixel = [&](auto& r) {
        return r.w == 1 && GalleryThumbnail(slot).Contains(r.x, r.y);
      };
      const bool marked = mark == t.galleryEmpty || mark == t.galleryUnreadable;
      EXPECT_EQ(std::ranges::any_of(rec.rects, pixel), !marked) << palettes << " " << slot;
    }
    Tap({DIK_ESCAPE});
  }
}

// Each pixel is its block's most common colour, so a shape a few cells wide stays where one
// cell in eight of the plane misses it; a tile narrower than the thumbnail shows twice.
TEST(GalleryThumbnails, KeepSmallShapes) {
  struct Case {
    int32_t width, height, x, y, w, h;
    std::vector<std::pair<int, int>> pixels;
  } const cases[] = {{64, 64, 10, 20, 2, 2, {{5, 10}}},
                     {256, 256, 41, 81, 6, 6, {{5, 10}}},
                     {256, 16, 80, 3, 8, 1, {{10, 3}, {10, 28}}},
                     {16, 16, 5, 6, 1, 1, {{5, 6}, {26, 6}, {5, 25}, {26, 25}}}};
  for (const Case& c : cases) {
    static PatternMap map;
    std::ranges::fill(map, 0);
    for (int x = c.x; x < c.x + c.w; ++x)
      for (int y = c.y; y < c.y + c.h; ++y) map[x * kMapEdge + y] = -11;  // entry 5
    uint8_t shown[kThumbnailEdge * kThumbnailEdge];
    PatternThumbnail(map, c.width, c.height, shown);
    EXPECT_EQ(static_cast<size_t>(std::ranges::count(shown, 5)), c.pixels.size());
    for (const auto& [i, j] : c.pixels) EXPECT_EQ(shown[i * kThumbnailEdge + j], 5) << c.width;
  }
}

// The status line stands under the gallery's keys, where nothing of the gallery is drawn.
TEST_F(GalleryTest, TheStatusLineIsNotDrawnOverIt) {
  for (bool palettes : {false, true}) {
    Open(palettes);
    ShowNote(g->session.status, "note", 0);
    Frame();
    for (const RecordedRect& r : rec.rects) EXPECT_LE(r.y + r.h, kGalleryStatus.at.y);
    for (const RecordedText& t : rec.texts)
      EXPECT_LE(t.y + kFontHeights[t.font], kGalleryStatus.at.y);
    DrawStatus(g->session, rec.Bind());
    const RecordedText* shown = rec.TextAt(kGalleryStatus.at.x, kGalleryStatus.at.y);
    EXPECT_TRUE(shown != nullptr && shown->text == "note");
    Tap({DIK_ESCAPE});
  }
}

}  // namespace
