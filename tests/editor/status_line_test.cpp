// The status line, drawn after an editor frame on a recording canvas: what M and a slot
// switch report, how long a message stays, and that it always ends before the settings panel.

#include "editor/status_line.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "editor/editor_texts.h"
#include "generator/key_codes.h"
#include "store/read_file.h"
#include "tests/editor/editor_test_support.h"

namespace {

// Widths close to the real 14 pixel face: 7 per byte, so 14 per double-byte character.
EditorCanvas MeasuringCanvas(EditorCanvas canvas) {
  canvas.textWidth = [](void*, const char* text, int) {
    return static_cast<int32_t>(7 * std::strlen(text));
  };
  return canvas;
}

class StatusLineTest : public EditorFixture {
 protected:
  // One frame at the given time, then the status line as the frame driver draws it.
  void Frame(std::initializer_list<int> down = {}, uint64_t atMs = 0) {
    clock.nowMs = atMs;
    EditorFixture::Frame(down);
    DrawStatus(g->session, canvas);
  }
  // The status text of the last frame, or "" when none was drawn there.
  std::string Shown() const {
    const RecordedText* t = rec.TextAt(kStatusX, kStatusY);
    if (t == nullptr) return "";
    EXPECT_EQ(t->font, kStatusFont);
    EXPECT_EQ(&rec.texts.back(), t) << "drawn after every other text";
    return t->text;
  }

  EditorCanvas canvas = MeasuringCanvas(rec.Bind());
};

TEST_F(StatusLineTest, NothingUntilSomethingHappens) {
  Frame();
  EXPECT_EQ(Shown(), "");
  EXPECT_EQ(rec.texts.size(), 17u);
}

TEST_F(StatusLineTest, ExportNamesItsFilesAndFadesAfterThreeSeconds) {
  g->idLetter = 'C';
  Frame({DIK_M}, 1000);
  EXPECT_EQ(Shown(), std::string(kJapaneseTexts.exported) + "result/CA.bmp" + kJapaneseTexts.range +
                         "CP.bmp");
  Frame({}, 1000 + kStatusSuccessMs - 1);
  EXPECT_NE(Shown(), "");
  Frame({}, 1000 + kStatusSuccessMs);
  EXPECT_EQ(Shown(), "");
}

TEST_F(StatusLineTest, SwitchNamesTheSlotItSaved) {
  g->cursorRow = 1;  // palette number
  g->paletteNumber = 2;
  Frame({DIK_RIGHT});
  EXPECT_EQ(Shown(), std::string(kJapaneseTexts.saved) + "savedata/pal2.txt");
  Frame();
  g->cursorRow = 0;
  Frame({DIK_LEFT});
  EXPECT_EQ(Shown(), std::string(kJapaneseTexts.saved) + "savedata/pat0.txt");
}

struct UnreadableCase {
  const char* name;
  int row;  // the settings row stepped: pattern or palette number
  const char* file;
  std::string text;
  const char* shown;  // how the status line begins
};

class UnreadableSlotFile : public StatusLineTest,
                           public ::testing::WithParamInterface<UnreadableCase> {};

// A slot file that cannot be read is named with why when stepped to, for as long as the key
// that stepped is held and until the next press; stepping on without an edit leaves it as
// it is.
TEST_P(UnreadableSlotFile, SaysWhyUntilTheNextPressAndStaysUnwritten) {
  const UnreadableCase& c = GetParam();
  Write(c.file, c.text);
  g->cursorRow = c.row;
  (c.row == 0 ? g->patternNumber : g->paletteNumber) = 4;
  Frame({DIK_RIGHT});
  const std::string shown = g->session.status.text + g->session.status.file;
  EXPECT_EQ(shown.rfind(c.shown, 0), 0u) << shown;
  EXPECT_NE(shown.find(c.file), std::string::npos) << shown;
  Frame({DIK_RIGHT});  // still held
  Frame();
  EXPECT_EQ(g->session.status.text + g->session.status.file, shown);
  Frame({DIK_RIGHT});
  EXPECT_EQ(Read(c.file), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Status, UnreadableSlotFile,
    ::testing::Values(UnreadableCase{"Pattern", 0, "savedata/pat5.txt",
                                     "large" + std::string(kMaxSmallFileBytes, '1'),
                                     kJapaneseTexts.slotUnreadable},
                      UnreadableCase{"RangesOfANewerVersion", 1, "savedata/pal5.cycles.txt",
                                     "0,7,8,sideways,0\n", kJapaneseTexts.cyclesUnreadable},
                      UnreadableCase{"LookOfANewerVersion", 1, "savedata/pal5.look.txt",
                                     "future-option 3\n", kJapaneseTexts.lookUnreadable}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StatusLineTest, FailureStaysUntilTheNextKeyPress) {
  std::filesystem::remove_all(File("result"));
  Write("result", "not a folder");
  ::testing::internal::CaptureStderr();
  Frame({DIK_M});
  ::testing::internal::GetCapturedStderr();
  const std::string failure = Shown();
  EXPECT_EQ(failure.rfind(kJapaneseTexts.exportFailed, 0), 0u) << failure;
  EXPECT_NE(failure.find("result"), std::string::npos) << failure;
  Frame({DIK_M}, 60'000);  // still the same press
  Frame({}, 120'000);
  EXPECT_EQ(Shown(), failure);
  Frame({DIK_P}, 120'001);
  EXPECT_EQ(Shown(), "");
}

TEST_F(StatusLineTest, RecoveryNoticeNamesTheFirstFileAndCountsTheRest) {
  ShowRecoveryFiles(g->session.status, {"savedata/pal1.unsaved.txt", "savedata/pat4.unsaved.txt"});
  Frame({}, 50'000);
  EXPECT_EQ(Shown(),
            std::string(kJapaneseTexts.recovery) + "savedata/pal1.unsaved.txt" + Cp932(" 他1件"));
  Frame({DIK_SPACE});
  EXPECT_EQ(Shown(), "");
}

// Long reasons are shortened with an ellipsis to end before the settings panel, measured by
// the canvas when it can and estimated when it cannot.
TEST_F(StatusLineTest, LongTextsEndBeforeTheSettingsPanel) {
  const std::string reason(200, 'W');
  for (const bool measured : {true, false}) {
    canvas = measured ? MeasuringCanvas(rec.Bind()) : rec.Bind();
    ShowSaveFailure(g->session.status, Result::Fail("savedata/pat1.txt: " + reason));
    Frame();
    const std::string shown = Shown();
    const std::string ellipsis = kJapaneseTexts.ellipsis;
    ASSERT_GT(shown.size(), ellipsis.size());
    EXPECT_EQ(shown.substr(shown.size() - ellipsis.size()), ellipsis);
    EXPECT_EQ(shown.rfind(std::string(kJapaneseTexts.saveFailed) + "savedata/pat", 0), 0u);
    if (measured) {
      EXPECT_LE(7 * shown.size(), size_t{kStatusRight - kStatusX});
      EXPECT_GT(7 * (shown.size() + 1), size_t{kStatusRight - kStatusX});
    }
  }
}

// A failure on a file shows the system's reason whole and the file's end: what a user needs
// to act on, where a cut from the right kept only the folder.
TEST_F(StatusLineTest, FileFailuresShowTheReasonFirstAndTheFilesEnd) {
  const std::string file = "/home/someone/" + std::string(60, 'd') + "/savedata/pat1.txt";
  ShowSaveFailure(g->session.status, Result::FileFailure(file, "cannot create", EACCES));
  Frame();
  const std::string shown = Shown();
  const std::string start = std::string(kJapaneseTexts.saveFailed) + std::strerror(EACCES) + ": " +
                            kJapaneseTexts.ellipsis;
  ASSERT_EQ(shown.rfind(start, 0), 0u) << shown;
  const std::string tail = shown.substr(start.size());
  EXPECT_FALSE(tail.empty());
  EXPECT_EQ(file.substr(file.size() - tail.size()), tail) << "the file's end";
  EXPECT_LE(7 * shown.size(), size_t{kStatusRight - kStatusX});
  EXPECT_GT(7 * (shown.size() + 1), size_t{kStatusRight - kStatusX});
}

}  // namespace
