// What is kept at exit and what is cleaned at start: recovery files for edits that no slot
// holds, stale temporaries of killed writers, and the template check before an export.

#include "generator/unsaved_work.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "generator/frame_export.h"
#include "generator/safe_file.h"
#include "generator/save_files.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPattern = "1,2,3,4,5\n6,7,8,9,10\n0,0,0,0,0\n0,0,0,0,0\n1,0,-1,1";
constexpr const char* kPalette = "900000000000000009000000000000000090000000000000";

struct UnsavedWorkCase {
  const char* name;
  const char* patternFile;  // nullptr: no slot file
  const char* paletteFile;
  std::function<void(PatternGenerator&)> edit;
  std::vector<std::string> kept;
};

class UnsavedWorkTest : public ::testing::TestWithParam<UnsavedWorkCase> {
 protected:
  TempFolder folder;
};

TEST_P(UnsavedWorkTest, KeepsExactlyWhatDiffersFromTheSlots) {
  const UnsavedWorkCase& c = GetParam();
  fs::create_directory("savedata");
  if (c.patternFile != nullptr) WriteText("savedata/pat0.txt", c.patternFile);
  if (c.paletteFile != nullptr) WriteText("savedata/pal0.txt", c.paletteFile);
  auto g = std::make_unique<PatternGenerator>();
  if (c.edit) c.edit(*g);
  std::vector<std::string> written;
  ASSERT_TRUE(KeepUnsavedWork(*g, written));
  EXPECT_EQ(written, c.kept);
  std::vector<std::string> sorted = c.kept;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(FindRecoveryFiles(), sorted);
  // Same format as the slot, and the slots themselves untouched.
  for (const std::string& file : c.kept) {
    EXPECT_EQ(ReadText(file),
              file.find("pat") != std::string::npos ? PatternText(*g) : PaletteText(*g));
  }
  if (c.patternFile != nullptr) {
    EXPECT_EQ(ReadText("savedata/pat0.txt"), c.patternFile);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Exit, UnsavedWorkTest,
    ::testing::Values(UnsavedWorkCase{"Unchanged", kPattern, kPalette, nullptr, {}},
                      UnsavedWorkCase{
                          "CrLfSlotUnchanged",
                          "1,2,3,4,5\r\n6,7,8,9,10\r\n0,0,0,0,0\r\n0,0,0,0,0\r\n1,0,-1,1",
                          kPalette,
                          nullptr,
                          {}},
                      UnsavedWorkCase{"NoSlotsNothingEdited", nullptr, nullptr, nullptr, {}},
                      UnsavedWorkCase{"PointMoved",
                                      kPattern,
                                      kPalette,
                                      [](PatternGenerator& g) { g.points[2].weight = -7; },
                                      {"savedata/pat0.unsaved.txt"}},
                      UnsavedWorkCase{"KeyChangedOnSlotThree",
                                      kPattern,
                                      kPalette,
                                      [](PatternGenerator& g) {
                                        g.paletteNumber = 3;  // slot 3 missing: loads as all zero
                                        g.keys[5][1] = 4;
                                      },
                                      {"savedata/pal3.unsaved.txt"}},
                      UnsavedWorkCase{"BothEditedWithoutSlots",
                                      nullptr,
                                      nullptr,
                                      [](PatternGenerator& g) {
                                        g.reverseY = 1;
                                        g.keys[0][0] = 9;
                                      },
                                      {"savedata/pat0.unsaved.txt", "savedata/pal0.unsaved.txt"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RemoveStaleTemporaries, OnlyThoseOfProcessesThatNoLongerRun) {
  TempFolder folder;
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ASSERT_GT(dead, 0);
  ::waitpid(dead, nullptr, 0);
  const std::string deadTemp = "AA.bmp.tmp" + std::to_string(dead);
  const std::vector<std::string> kept = {"AB.bmp.tmp" + std::to_string(::getpid()),
                                         "AC.bmp.tmp1",  // init always runs
                                         "AA.bmp", "notes.tmp", "x.tmp12a"};
  for (const std::string& name : kept) WriteText(name, "x");
  WriteText(deadTemp, "half a frame");
  EXPECT_EQ(RemoveStaleTemporaries("."), 1);
  EXPECT_FALSE(fs::exists(deadTemp));
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(name)) << name;
  EXPECT_EQ(RemoveStaleTemporaries("no such folder"), 0);
}

struct TemplateCase {
  const char* name;
  int offset;
  std::vector<uint8_t> bytes;
  const char* namedField;  // nullptr: accepted
};

class TemplateCheckTest : public ::testing::TestWithParam<TemplateCase> {};

TEST_P(TemplateCheckTest, FixedFieldsAreCheckedFreeFieldsStayFree) {
  TempFolder folder;
  std::string header = FrameTemplate();
  const TemplateCase& c = GetParam();
  for (size_t i = 0; i < c.bytes.size(); ++i) header[c.offset + i] = static_cast<char>(c.bytes[i]);
  WriteText("a.bmp", header);
  auto g = std::make_unique<PatternGenerator>();
  const Result result = g->ExportFrames();
  if (c.namedField == nullptr) {
    EXPECT_TRUE(result) << result.message;
    return;
  }
  ASSERT_FALSE(result);
  EXPECT_EQ(result.message.rfind("a.bmp: ", 0), 0u) << result.message;
  EXPECT_NE(result.message.find(c.namedField), std::string::npos) << result.message;
  EXPECT_FALSE(fs::exists("result/AA.bmp"));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TemplateCheckTest,
    ::testing::Values(TemplateCase{"Shipped", 0, {}, nullptr},
                      TemplateCase{"TopDown", 22, {0x00, 0xFF, 0xFF, 0xFF}, nullptr},
                      TemplateCase{"FileSizeFree", 2, {1, 2, 3, 4}, nullptr},
                      TemplateCase{"ResolutionAndColourCountsFree", 38, {7, 7, 7, 7, 7}, nullptr},
                      TemplateCase{"NotBm", 0, {'P', 'K'}, "'BM'"},
                      TemplateCase{"Offset", 10, {54}, "bfOffBits is 54"},
                      TemplateCase{"HeaderSize", 14, {12}, "biSize"},
                      TemplateCase{"Width", 18, {0, 2}, "biWidth is 512"},
                      TemplateCase{"Height", 22, {0, 0xFE, 0xFF, 0xFF}, "biHeight is -512"},
                      TemplateCase{"Planes", 26, {2}, "biPlanes"},
                      TemplateCase{"BitCount", 28, {8}, "biBitCount is 8"},
                      TemplateCase{"Compressed", 30, {2}, "biCompression"},
                      TemplateCase{"FirstWrongFieldNamed", 10, {0, 0, 0, 0, 0, 0}, "bfOffBits"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
