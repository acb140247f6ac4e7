// The palette browser's keys over a shelf held in memory: opening, filtering, moving, the live
// preview in the palette panel's row, Return's one undo step and Escape's restoring.

#include "editor/palette_browser.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "editor/overlay.h"
#include "generator/key_codes.h"
#include "tests/editor/editor_test_support.h"

namespace {

// /pals: three palette files (one unreadable) and a folder with one more.
struct MemoryShelf : PaletteShelf {
  std::map<std::string, std::vector<FolderEntry>> folders = {
      {"/pals", {{"Amber.hex", false}, {"blue.gpl", false}, {"broken.txt", false}, {"sub", true}}},
      {"/pals/sub/", {{"green.pal", false}}}};
  std::map<std::string, std::vector<Rgb>> files = {{"/pals/Amber.hex", {{200, 100, 0}}},
                                                   {"/pals/blue.gpl", {{0, 0, 255}, {0, 0, 9}}},
                                                   {"/pals/sub/green.pal", {{0, 255, 0}}}};
  std::vector<PaletteFolder> Places(const std::vector<std::string>&) const override {
    return {{"/pals", "pals"}, {"/missing", "gone"}};
  }
  std::string Expand(const std::string& typed) const override { return typed; }
  PathKind Kind(const std::string& path) const override {
    return folders.count(path) != 0 ? PathKind::kFolder
           : files.count(path) != 0 ? PathKind::kFile
                                    : PathKind::kNone;
  }
  Result List(const std::string& folder, std::vector<FolderEntry>& entries) const override {
    entries = folders.at(folder);
    return Result::Ok();
  }
  Result Read(const std::string& path, ImportedPalette& palette) const override {
    if (files.count(path) == 0) return Result::Fail(path + ": not a palette file");
    palette.colours = files.at(path);
    return Result::Ok();
  }
};

struct BrowserCase {
  const char* name;
  // A frame a word: 'text' typed, or keys held together ("Z+B").
  const char* script;
  bool open;                // the browser is still open
  const char* coloursName;  // the look's colours ("" for the ramp) and snap
  const char* snapName;
  size_t undoSteps;
};

const BrowserCase kCases[] = {
    {"OpeningPreviewsTheFirstFile", "I B", true, "Amber.hex", "", 0},
    {"TypingFiltersWithoutCase", "I B 'BLU", true, "blue.gpl", "", 0},
    {"BackspaceWidensTheFilter", "I B 'blx Back", true, "blue.gpl", "", 0},
    {"AnUnreadableFileShowsWhatWasThere", "I B Down Down", true, "", "", 0},
    {"ReturnKeepsInOneStep", "I B Down End Home Down Down Return", false, "blue.gpl", "", 1},
    {"EscapePutsBack", "I B Down Escape", false, "", "", 0},
    // The depth row's Z in B's frame is an edit of its own; the preview is none.
    {"AnEditBesideBIsKept", "I Down Down Z+B Escape", false, "", "", 1},
    {"TheSnapRowTakesTheSnap", "I Down B Return", false, "", "Amber.hex", 1},
    {"LettersOnlyType", "I B 'l+L 'm+M 'p+P F1", true, "", "", 0},
    {"ATypedPathOpensItsFolder", "I B '/pals/sub/", true, "green.pal", "", 0},
    {"ReturnOnAFolderOpensIt", "I B End Return Return", false, "green.pal", "", 1},
};

const std::map<std::string, int> kKeyNames = {
    {"I", DIK_I},          {"B", DIK_B},       {"Z", DIK_Z},       {"L", DIK_L},
    {"M", DIK_M},          {"P", DIK_P},       {"F1", DIK_F1},     {"Down", DIK_DOWN},
    {"End", DIK_END},      {"Home", DIK_HOME}, {"Back", DIK_BACK}, {"Return", DIK_RETURN},
    {"Escape", DIK_ESCAPE}};

class PaletteBrowserTest : public EditorFixture,
                           public ::testing::WithParamInterface<BrowserCase> {};

TEST_P(PaletteBrowserTest, Keys) {
  const BrowserCase& c = GetParam();
  g->session.paletteShelf = std::make_shared<MemoryShelf>();
  const Language language = g->session.language;
  const int8_t preview = g->previewMode;
  std::istringstream script(c.script);
  for (std::string word; script >> word;) {
    std::vector<int> keys;
    std::istringstream parts(word);
    for (std::string part; std::getline(parts, part, '+');) {
      if (part[0] == '\'')
        clock.typed = part.substr(1);
      else
        keys.push_back(kKeyNames.at(part));
    }
    Tap(keys);
  }
  EXPECT_EQ(IsOpen(g->session, kBrowserOverlay), c.open);
  EXPECT_EQ(g->look.coloursName, c.coloursName);
  EXPECT_EQ(g->look.snapName, c.snapName);
  EXPECT_EQ(g->session.history.steps.size(), c.undoSteps);
  // No other binding acted: the language, the preview, the help, nothing exported.
  EXPECT_TRUE(g->session.language == language && g->previewMode == preview &&
              !g->session.helpOpen && !std::filesystem::exists(File("result/AA.bmp")));
  // Undo takes a kept palette back whole; Escape left nothing to undo.
  if (!c.open) {
    Tap({DIK_LCONTROL, DIK_Z});
    EXPECT_TRUE(g->look.IsDefault());
  }
}

INSTANTIATE_TEST_SUITE_P(, PaletteBrowserTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
