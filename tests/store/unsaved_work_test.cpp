// What is kept at exit and what is cleaned at start: recovery files for edits that no slot
// holds, stale temporaries of killed writers, and the template check before an export.

#include "store/unsaved_work.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "generator/frame_template.h"
#include "generator/slot_files.h"
#include "store/safe_file.h"
#include "tests/support/generator_exports.h"
#include "tests/support/process_support.h"
#include "tests/support/temp_data_folder.h"

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

class UnsavedWorkTest : public ::testing::TestWithParam<UnsavedWorkCase>, public TempDataFolder {};

TEST_P(UnsavedWorkTest, KeepsExactlyWhatDiffersFromTheSlots) {
  const UnsavedWorkCase& c = GetParam();
  fs::create_directory(File("savedata"));
  if (c.patternFile != nullptr) Write("savedata/pat0.txt", c.patternFile);
  if (c.paletteFile != nullptr) Write("savedata/pal0.txt", c.paletteFile);
  auto g = std::make_unique<PatternGenerator>(&data);
  if (c.edit) c.edit(*g);
  std::vector<std::string> written;
  ASSERT_TRUE(KeepUnsavedWork(*g, data, written));
  EXPECT_EQ(written, c.kept);
  std::vector<std::string> sorted = c.kept;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(FindRecoveryFiles(data), sorted);
  // Same format as the slot, and the slots themselves untouched.
  for (const std::string& file : c.kept) {
    EXPECT_EQ(Read(file), file.find("pat") != std::string::npos ? PatternText(g->Pattern())
                                                                : PaletteText(g->keys));
  }
  if (c.patternFile != nullptr) {
    EXPECT_EQ(Read("savedata/pat0.txt"), c.patternFile);
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

// Only names of this program's own form are ever taken for temporaries: a user's file that
// merely looks like a temporary ("notes.tmp1234") stays, whatever process id it names.
TEST(RemoveStaleTemporaries, OnlyThoseOfProcessesThatNoLongerRun) {
  const TempFolder folder;
  const EndedProcess dead;
  ASSERT_GT(dead.id(), 0);
  const std::string ended = std::to_string(dead.id());
  const std::string deadTemp = ".AA.bmp.quilmorante-" + ended + ".tmp";
  const std::vector<std::string> kept = {
      ".AB.bmp.quilmorante-" + std::to_string(::getpid()) + ".tmp",
#ifndef _WIN32
      ".AC.bmp.quilmorante-1.tmp",  // init always runs
#endif
      "AA.bmp",
      "notes.tmp",
      "x.tmp12a",
      "AA.bmp.tmp" + ended,
      "doc.quilmorante-" + ended + ".tmp",
      ".quilmorante-" + ended + ".tmp"};
  for (const std::string& name : kept) WriteText(folder.File(name), "x");
  WriteText(folder.File(deadTemp), "half a frame");
  EXPECT_EQ(RemoveStaleTemporaries(folder.path().string()), 1);
  EXPECT_FALSE(fs::exists(folder.File(deadTemp)));
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(folder.File(name))) << name;
  EXPECT_EQ(RemoveStaleTemporaries(folder.File("no such folder")), 0);
}

struct TemplateCase {
  const char* name;
  int offset;
  std::vector<uint8_t> bytes;
  const char* namedField;  // nullptr: accepted
};

class TemplateCheckTest : public ::testing::TestWithParam<TemplateCase> {};

TEST_P(TemplateCheckTest, FixedFieldsAreCheckedFreeFieldsStayFree) {
  const TempDataFolder folder;
  std::string header = FrameTemplate();
  const TemplateCase& c = GetParam();
  for (size_t i = 0; i < c.bytes.size(); ++i) header[c.offset + i] = static_cast<char>(c.bytes[i]);
  folder.Write("a.bmp", header);
  const Result result = ExportFrames(Document{}, folder.data);
  if (c.namedField == nullptr) {
    EXPECT_TRUE(result) << result.message;
    return;
  }
  ASSERT_FALSE(result);
  EXPECT_EQ(result.message.rfind(folder.File("a.bmp: "), 0), 0u) << result.message;
  EXPECT_NE(result.message.find(c.namedField), std::string::npos) << result.message;
  EXPECT_FALSE(fs::exists(folder.File("result/AA.bmp")));
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

namespace {

struct RecoveryCopyCase {
  const char* name;
  std::vector<std::pair<const char*, const char*>> before;  // recovery files already there
  const char* slot;                                         // savedata/pat0.txt, or null
  std::vector<std::string> written;                         // what KeepUnsavedWork names
};

class RecoveryCopies : public ::testing::TestWithParam<RecoveryCopyCase>, public TempDataFolder {};

// Edits of two runs both survive: a recovery file is never replaced, and a slot that loaded
// short is no edit.
TEST_P(RecoveryCopies, NeverReplaceAnother) {
  const RecoveryCopyCase& c = GetParam();
  fs::create_directory(File("savedata"));
  if (c.slot != nullptr) Write("savedata/pat0.txt", c.slot);
  for (const auto& [name, text] : c.before) Write(name, text);
  auto g = std::make_unique<PatternGenerator>(&data);
  if (c.slot == nullptr || std::string(c.slot) == kPattern) g->points[3].x = 12;
  const std::string edited = PatternText(g->Pattern());
  std::vector<std::string> written;
  ASSERT_TRUE(KeepUnsavedWork(*g, data, written));
  EXPECT_EQ(written, c.written);
  for (const auto& [name, text] : c.before) EXPECT_EQ(Read(name), text) << name;
  for (const std::string& name : written) EXPECT_EQ(Read(name), edited) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Exit, RecoveryCopies,
    ::testing::Values(RecoveryCopyCase{"OtherEditsKept",
                                       {{"savedata/pat0.unsaved.txt", "other"}},
                                       kPattern,
                                       {"savedata/pat0.unsaved-2.txt"}},
                      RecoveryCopyCase{"NextFreeName",
                                       {{"savedata/pat0.unsaved.txt", "a"},
                                        {"savedata/pat0.unsaved-2.txt", "b"}},
                                       nullptr,
                                       {"savedata/pat0.unsaved-3.txt"}},
                      RecoveryCopyCase{"SameEditsNotWrittenAgain",
                                       {{"savedata/pat0.unsaved.txt",
                                         "1,2,3,4,5\n6,7,8,9,10\n0,0,0,0,0\n12,0,"
                                         "0,0,0\n1,0,-1,1"}},
                                       kPattern,
                                       {"savedata/pat0.unsaved.txt"}},
                      RecoveryCopyCase{"ShortSlotIsNoEdit", {}, "1,2", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecoveryCopies, FoundWithTheirNumbers) {
  const TempDataFolder folder;
  for (const char* name : {"pat0.unsaved.txt", "pat0.unsaved-2.txt", "pal3.unsaved-12.txt",
                           "pat1.unsaved-.txt", "pat1.unsaved-x.txt", "pat1.txt"})
    folder.Write(std::string("savedata/") + name, "x");
  EXPECT_EQ(FindRecoveryFiles(folder.data),
            (std::vector<std::string>{"savedata/pal3.unsaved-12.txt", "savedata/pat0.unsaved-2.txt",
                                      "savedata/pat0.unsaved.txt"}));
}

TEST(FileLock, OneHolderAtATimeAndWaitsForTheOther) {
  const TempFolder folder;
  const std::string here = folder.path().string();
  FileLock first, second;
  ASSERT_TRUE(FileLock::OnFolder(here, 0, first));
  const Result busy = FileLock::OnFolder(here, 50, second);
  EXPECT_FALSE(busy);
  EXPECT_EQ(busy.error, EWOULDBLOCK);
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    first = FileLock();
  });
  EXPECT_TRUE(FileLock::OnFolder(here, 5000, second));
  release.join();
  EXPECT_TRUE(second.held());
}

}  // namespace

namespace {

// Deleting every range is an edit: it is kept at exit, and reads back as no ranges at all.
TEST(UnsavedCycles, NoRangesAtAllAreKept) {
  const TempDataFolder folder;
  auto g = std::make_unique<PatternGenerator>(&folder.data);
  g->cycles.count = 0;
  std::vector<std::string> written;
  ASSERT_TRUE(KeepUnsavedWork(*g, folder.data, written));
  ASSERT_EQ(written, std::vector<std::string>{"savedata/pal0.cycles.unsaved.txt"});
  Document kept;
  EXPECT_TRUE(CyclesSlotFile().parse(folder.Read(written[0]), kept) &&
              kept.palette.cycles.count == 0);
}

}  // namespace
