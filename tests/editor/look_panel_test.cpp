// The palette panel (I) and dropped palette files: what each gesture does to the look, the
// palette and the shown colours, that each is one undo step, and that the look is kept with
// the slot.

#include "editor/look_panel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "editor/editor_texts.h"
#include "editor/overlay.h"
#include "editor/screen_texts.h"
#include "generator/key_codes.h"
#include "store/data_folder.h"
#include "tests/editor/editor_test_support.h"

namespace {

class LookPanelTest : public EditorFixture {
 public:
  // A file of the scratch folder dropped on the window.
  void Drop(const std::string& name) {
    clock.dropped.push_back(File(name));
    Frame();
  }
  void Undo() { Tap({DIK_LCONTROL, DIK_Z}); }
};

TEST_F(LookPanelTest, ADroppedFileIsImportedAndUndoneInOneStep) {
  const int32_t ramp = g->palette[1][0];
  Write("two.hex", "#ff0000\n0x00ff00\n");
  Drop("two.hex");
  ASSERT_EQ(g->look.colours.size(), 2u);
  EXPECT_EQ(g->palette[0][0], 255);
  EXPECT_EQ(g->palette[1][1], 255);
  char imported[96];
  std::snprintf(imported, sizeof imported, TextsFor(g->session.language).importedFormat, "two.hex",
                2);
  EXPECT_EQ(g->session.status.text, imported);
  Undo();
  EXPECT_TRUE(g->look.colours.empty());
  EXPECT_EQ(g->palette[1][0], ramp);

  // A file dropped while the gallery is open is imported all the same.
  Write("one.hex", "123456\n");
  Tap({DIK_G});
  Drop("one.hex");
  EXPECT_EQ(g->look.colours.size(), 1u);
  std::snprintf(imported, sizeof imported, TextsFor(g->session.language).importedOneFormat,
                "one.hex", 1);
  EXPECT_EQ(g->session.status.text, imported);
  Tap({DIK_G});
  Undo();
  ASSERT_TRUE(g->look.IsDefault());

  // A file that is not a palette changes nothing and says why: its name first on the status
  // line, the whole message, the name made inert, on standard error.
#ifdef _WIN32
  GTEST_SKIP() << "Windows names hold no control characters";
#endif
  const std::string name = "notes\x1b]0;owned\x07.txt";
  Write(name, "hello\n");
  ::testing::internal::CaptureStderr();
  Drop(name);
  const std::string error = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(g->look.IsDefault());
  EXPECT_EQ(g->session.status.text.rfind(
                std::string(kJapaneseTexts.importFailed) + "notes?]0;owned?.txt: not a palette", 0),
            0u)
      << g->session.status.text;
  EXPECT_NE(error.find("notes\\x1B]0;owned\\x07.txt: not a palette file"), std::string::npos)
      << error;
}

TEST_F(LookPanelTest, EditingAKeyReturnsToTheRamp) {
  Write("one.hex", "123456\n");
  Drop("one.hex");
  ASSERT_FALSE(g->look.colours.empty());
  g->panel = kKeyPanel;
  Tap({DIK_X});
  EXPECT_TRUE(g->look.colours.empty());
  Undo();
  EXPECT_EQ(g->look.colours.size(), 1u) << "the key and the colours come back in one step";
}

// The panel's rows under Z and X, as the keys and the wheel give them.
TEST_F(LookPanelTest, TheRowsStepAndTheSwatchesShowTheLimit) {
  Write("target.gpl", "GIMP Palette\n0 0 0\tblack\n255 255 255\twhite\n");
  Tap({DIK_I});
  ASSERT_TRUE(IsOpen(g->session, kLookOverlay));
  Tap({DIK_DOWN});
  Drop("target.gpl");
  EXPECT_EQ(g->look.snap.size(), 2u) << "a drop goes into the row under the cursor";
  Tap({DIK_DOWN});
  Tap({DIK_Z});
  EXPECT_EQ(g->look.depthBits, 7);
  Frame();
  for (const RecordedRect& r : rec.rects) {
    if (r.w != Swatch(0).w || r.h != Swatch(0).h || r.y != Swatch(0).y) continue;
    EXPECT_TRUE(r.colour == 0xFF000000u || r.colour == 0xFFFFFFFFu) << std::hex << r.colour;
  }
  Tap({DIK_UP});
  Tap({DIK_Z});
  EXPECT_TRUE(g->look.snap.empty());
  Tap({DIK_C});
  EXPECT_FALSE(IsOpen(g->session, kLookOverlay)) << "the cycles panel takes the place";
}

TEST_F(LookPanelTest, TheLookIsKeptWithTheSlot) {
  Write("one.hex", "123456\n");
  Drop("one.hex");
  g->look.depthBits = 5;
  g->paletteNumber = 7;
  ASSERT_TRUE(g->SavePalette(7));
  g->LoadPalette(0);
  g->LoadPalette(7);
  EXPECT_EQ(g->look.colours.size(), 1u);
  EXPECT_EQ(g->look.depthBits, 5);
  EXPECT_FALSE(g->LookEdited());

  // A malformed look file loads as the default look and says why; it is not rewritten.
  Write(DataFolder::LookFile(8), "depth 12\n");
  g->LoadPalette(8);
  EXPECT_TRUE(g->look.IsDefault());
  EXPECT_NE(g->baseline.ProblemOf(LookSlotFile()).message.find("line 1"), std::string::npos);
}

}  // namespace
