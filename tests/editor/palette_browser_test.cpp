// The palette browser's keys over a shelf held in memory: opening, filtering, moving, the live
// preview in the palette panel's row, Return's one undo step and Escape's restoring.

#include "editor/palette_browser.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "editor/look_panel.h"
#include "editor/overlay.h"
#include "generator/key_codes.h"
#include "tests/editor/editor_test_support.h"

namespace {

// /pals: three palette files (one unreadable) and a folder with one more.
class MemoryShelf : public PaletteShelf {
 public:
  std::map<std::string, std::vector<FolderEntry>> folders = {
      {"/pals", {{"Amber.hex", false}, {"blue.gpl", false}, {"broken.txt", false}, {"sub", true}}},
      {"/pals/sub", {{"green.pal", false}}}};
  std::map<std::string, std::vector<Rgb>> files = {{"/pals/Amber.hex", {{200, 100, 0}}},
                                                   {"/pals/blue.gpl", {{0, 0, 255}, {0, 0, 9}}},
                                                   {"/pals/sub/green.pal", {{0, 255, 0}}}};
  std::vector<PaletteFolder> Places(const std::vector<std::string>&) const override {
    return {{"/pals", "pals"}, {"/missing", "gone"}};
  }
  std::string Expand(const std::string& typed) const override { return typed; }
  PathKind Kind(const std::string& path) const override {
    if (folders.count(path) != 0 || path == "/pals/sub/") return PathKind::kFolder;
    return files.count(path) != 0 || path == "/pals/broken.txt" ? PathKind::kFile : PathKind::kNone;
  }
  Result List(const std::string& folder, std::vector<FolderEntry>& entries) const override {
    entries = folders.at(folder == "/pals/sub/" ? "/pals/sub" : folder);
    return Result::Ok();
  }
  Result Read(const std::string& path, ImportedPalette& palette) const override {
    if (files.count(path) == 0) return Result::Fail(path + ": not a palette file");
    palette.colours = files.at(path);
    return Result::Ok();
  }
};

// A frame's input: text typed, then keys tapped.
struct Step {
  std::string typed;
  std::vector<int> keys;
};

struct BrowserCase {
  const char* name;
  std::vector<Step> steps;
  bool open;                // the browser is still open
  const char* coloursName;  // the look's colours ("" for the ramp)
  const char* snapName;
  size_t undoSteps;
};

const BrowserCase kCases[] = {
    {"OpeningPreviewsTheFirstFile", {{"", {DIK_I}}, {"", {DIK_B}}}, true, "Amber.hex", "", 0},
    {"TypingFiltersWithoutCase",
     {{"", {DIK_I}}, {"", {DIK_B}}, {"BLU", {}}},
     true,
     "blue.gpl",
     "",
     0},
    {"BackspaceWidensTheFilter",
     {{"", {DIK_I}}, {"", {DIK_B}}, {"blx", {}}, {"", {DIK_BACK}}},
     true,
     "blue.gpl",
     "",
     0},
    {"AnUnreadableFileShowsWhatWasThere",
     {{"", {DIK_I}}, {"", {DIK_B}}, {"", {DIK_DOWN}}, {"", {DIK_DOWN}}},
     true,
     "",
     "",
     0},
    {"ReturnKeepsInOneStep",
     {{"", {DIK_I}},
      {"", {DIK_B}},
      {"", {DIK_DOWN}},
      {"", {DIK_END}},
      {"", {DIK_HOME}},
      {"", {DIK_DOWN}},
      {"", {DIK_DOWN}},
      {"", {DIK_RETURN}}},
     false,
     "blue.gpl",
     "",
     1},
    {"EscapePutsBack",
     {{"", {DIK_I}}, {"", {DIK_B}}, {"", {DIK_DOWN}}, {"", {DIK_ESCAPE}}},
     false,
     "",
     "",
     0},
    // The depth row's Z in B's frame is an edit of its own; the preview is none.
    {"AnEditBesideBIsKept",
     {{"", {DIK_I}}, {"", {DIK_DOWN}}, {"", {DIK_DOWN}}, {"", {DIK_Z, DIK_B}}, {"", {DIK_ESCAPE}}},
     false,
     "",
     "",
     1},
    {"TheSnapRowTakesTheSnap",
     {{"", {DIK_I}}, {"", {DIK_DOWN}}, {"", {DIK_B}}, {"", {DIK_RETURN}}},
     false,
     "",
     "Amber.hex",
     1},
    {"LettersOnlyType",
     {{"", {DIK_I}}, {"", {DIK_B}}, {"l", {DIK_L}}, {"m", {DIK_M}}, {"p", {DIK_P}}, {"", {DIK_F1}}},
     true,
     "",
     "",
     0},
    {"ATypedPathOpensItsFolder",
     {{"", {DIK_I}}, {"", {DIK_B}}, {"/pals/sub/", {}}},
     true,
     "green.pal",
     "",
     0},
    {"ReturnOnAFolderOpensIt",
     {{"", {DIK_I}}, {"", {DIK_B}}, {"", {DIK_END}}, {"", {DIK_RETURN}}, {"", {DIK_RETURN}}},
     false,
     "green.pal",
     "",
     1},
};

class PaletteBrowserTest : public EditorFixture,
                           public ::testing::WithParamInterface<BrowserCase> {};

TEST_P(PaletteBrowserTest, Keys) {
  const BrowserCase& c = GetParam();
  g->session.paletteShelf = std::make_shared<MemoryShelf>();
  const Language language = g->session.language;
  const int8_t preview = g->previewMode;
  for (const Step& step : c.steps) {
    clock.typed = step.typed;
    Tap(step.keys);
  }
  EXPECT_EQ(IsOpen(g->session, kBrowserOverlay), c.open);
  EXPECT_EQ(g->look.coloursName, c.coloursName);
  EXPECT_EQ(g->look.snapName, c.snapName);
  EXPECT_EQ(g->session.history.steps.size(), c.undoSteps);
  // No other binding acted: the language, the preview, the help, nothing exported.
  EXPECT_EQ(g->session.language, language);
  EXPECT_EQ(g->previewMode, preview);
  EXPECT_FALSE(g->session.helpOpen);
  EXPECT_FALSE(std::filesystem::exists(File("result/AA.bmp")));
  if (!c.open) {
    // Undo takes the kept palette back whole; Escape left nothing to undo.
    Tap({DIK_LCONTROL, DIK_Z});
    EXPECT_TRUE(g->look.IsDefault());
  }
}

INSTANTIATE_TEST_SUITE_P(, PaletteBrowserTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
