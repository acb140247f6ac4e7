#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "generator/cycle_ranges.h"
#include "generator/pattern_generator.h"
#include "generator/slot_files.h"
#include "store/data_folder.h"
#include "store/read_file.h"
#include "tests/support/temp_data_folder.h"

namespace fs = std::filesystem;

namespace {

class SlotsTest : public ::testing::Test, public TempDataFolder {
 protected:
  std::unique_ptr<PatternGenerator> Generator() const {
    return std::make_unique<PatternGenerator>(&data);
  }
};

TEST_F(SlotsTest, WithoutSaveFolder) {
  auto g = Generator();
  for (const auto& p : g->points) {
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.weight, 0);
  }
  EXPECT_EQ(g->reverseX + g->reverseY + g->distortX + g->distortY, 0);
  for (const auto& entry : g->keys)
    for (int digit : entry) EXPECT_EQ(digit, 0);
  EXPECT_EQ(g->width, 64);
  EXPECT_EQ(g->height, 64);
  EXPECT_EQ(g->panel, 2);
  EXPECT_EQ(g->previewMode, 1);
  EXPECT_EQ(g->idLetter, 'A');
  EXPECT_EQ(g->cyclePhase, 0);
  EXPECT_EQ(g->map[0], 1024);
  ASSERT_NE(g->clock, nullptr);
  for (uint8_t key : g->clock->keyState) EXPECT_EQ(key, 0);
}

TEST_F(SlotsTest, LoadsSlotZero) {
  WriteText(File("savedata/pat0.txt"), "32,32,1,1,4\n0,0,0,0,0\n0,0,0,0,0\n0,0,0,0,0\n0,0,0,0");
  WriteText(File("savedata/pal0.txt"), "1" + std::string(47, '0'));
  auto g = Generator();
  EXPECT_EQ(g->map[0], 1069);
  EXPECT_EQ(g->keys[0][0], 1);
  EXPECT_EQ(g->keys[1][0], 0);
  EXPECT_EQ(g->keys[0][1], 0);
}

TEST_F(SlotsTest, ZeroedPatternIsWrittenExactly) {
  auto g = Generator();
  ASSERT_TRUE(g->SavePattern(7));  // creates savedata/ when it is missing
  EXPECT_EQ(ReadText(File("savedata/pat7.txt")),
            "0,0,0,0,0\n0,0,0,0,0\n0,0,0,0,0\n0,0,0,0,0\n0,0,0,0");
}

TEST_F(SlotsTest, PatternRoundTripKeepsEveryField) {
  auto g = Generator();
  const ControlPoint points[] = {{1, -2, 3, 4, -5},
                                 {2147483647, -2147483647 - 1, 0, 9, 100},
                                 {-64, 64, 7, 0, 0},
                                 {12, 34, 56, 78, 90}};
  for (int i = 0; i < kPointCount; ++i) g->points[i] = points[i];
  g->reverseX = 1;
  g->reverseY = 0;
  g->distortX = -1;
  g->distortY = 1;
  ASSERT_TRUE(g->SavePattern(99));
  EXPECT_EQ(ReadText(File("savedata/pat99.txt")).substr(0, 12), "1,-2,3,4,-5\n");
  auto h = Generator();
  h->LoadPattern(99);
  for (int i = 0; i < kPointCount; ++i) {
    EXPECT_EQ(h->points[i].x, points[i].x);
    EXPECT_EQ(h->points[i].y, points[i].y);
    EXPECT_EQ(h->points[i].scaleX, points[i].scaleX);
    EXPECT_EQ(h->points[i].scaleY, points[i].scaleY);
    EXPECT_EQ(h->points[i].weight, points[i].weight);
  }
  EXPECT_EQ(h->reverseX, 1);
  EXPECT_EQ(h->reverseY, 0);
  EXPECT_EQ(h->distortX, -1);
  EXPECT_EQ(h->distortY, 1);
}

struct LoadCase {
  const char* name;
  std::string text;
  ControlPoint first;   // expected points[0]
  ControlPoint second;  // expected points[1]
  int32_t shape[4];     // reverseX, reverseY, distortX, distortY
};

class PatternLoad : public ::testing::TestWithParam<LoadCase> {};

// Every field starts at 9 so that a field the load leaves alone shows. The reader takes the
// file's bytes: no folder.
TEST_P(PatternLoad, Fields) {
  const LoadCase& c = GetParam();
  Document document;
  PatternFields& pattern = document.pattern.fields;
  for (auto& p : pattern.points) p = {9, 9, 9, 9, 9};
  pattern.reverseX = pattern.reverseY = pattern.distortX = pattern.distortY = 9;
  ASSERT_TRUE(PatternSlotFile().parse(c.text, document));
  EXPECT_EQ(pattern.points[0], c.first);
  EXPECT_EQ(pattern.points[1], c.second);
  EXPECT_EQ(pattern.reverseX, c.shape[0]);
  EXPECT_EQ(pattern.reverseY, c.shape[1]);
  EXPECT_EQ(pattern.distortX, c.shape[2]);
  EXPECT_EQ(pattern.distortY, c.shape[3]);
}

INSTANTIATE_TEST_SUITE_P(
    SaveFiles, PatternLoad,
    ::testing::Values(
        LoadCase{"Plain",
                 "1,2,3,4,5\n6,7,8,9,10\n0,0,0,0,0\n0,0,0,0,0\n1,0,-1,1",
                 {1, 2, 3, 4, 5},
                 {6, 7, 8, 9, 10},
                 {1, 0, -1, 1}},
        LoadCase{"CrLf",
                 "1,2,3,4,5\r\n6,7,8,9,10\r\n0,0,0,0,0\r\n0,0,0,0,0\r\n1,0,-1,1\r\n",
                 {1, 2, 3, 4, 5},
                 {6, 7, 8, 9, 10},
                 {1, 0, -1, 1}},
        LoadCase{"LeadingWhiteSpace",
                 "  1, 2,\t3,\n4,5 6,7,8,9,10 0,0,0,0,0 0,0,0,0,0 1,1,1,1",
                 {1, 2, 3, 4, 5},
                 {6, 7, 8, 9, 10},
                 {1, 1, 1, 1}},
        LoadCase{"ShortFile", "1,2", {1, 2, 9, 9, 9}, {9, 9, 9, 9, 9}, {9, 9, 9, 9}},
        LoadCase{"Empty", "", {9, 9, 9, 9, 9}, {9, 9, 9, 9, 9}, {9, 9, 9, 9}},
        // A malformed number stops that point's scan; the next scan starts where it stopped.
        LoadCase{
            "Malformed", "1,x,3,4,5\n6,7,8,9,10\n", {1, 9, 9, 9, 9}, {9, 9, 9, 9, 9}, {9, 9, 9, 9}},
        LoadCase{"MissingComma", "1 2 3 4 5\n", {1, 9, 9, 9, 9}, {2, 9, 9, 9, 9}, {5, 9, 9, 9}},
        LoadCase{"TooLargeForInt32",
                 "1,2,2147483648,4,5\n6,7,8,9,10\n",
                 {1, 2, 9, 9, 9},
                 {9, 9, 9, 9, 9},
                 {9, 9, 9, 9}},
        LoadCase{"Int32Limits",
                 "2147483647,-2147483648,0,0,0\n",
                 {2147483647, -2147483647 - 1, 0, 0, 0},
                 {9, 9, 9, 9, 9},
                 {9, 9, 9, 9}},
        LoadCase{"HugeDigitRun",
                 "1," + std::string(5000, '7') + ",3\n",
                 {1, 9, 9, 9, 9},
                 {9, 9, 9, 9, 9},
                 {9, 9, 9, 9}},
        LoadCase{"BinaryBytes",
                 std::string("\x00\xff\x80,1", 5),
                 {9, 9, 9, 9, 9},
                 {9, 9, 9, 9, 9},
                 {9, 9, 9, 9}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SlotsTest, MissingPatternFileZeroesPointsAndShape) {
  auto g = Generator();
  g->points[2] = {1, 2, 3, 4, 5};
  g->reverseY = 1;
  g->distortX = -1;
  g->LoadPattern(42);
  EXPECT_EQ(g->points[2].x, 0);
  EXPECT_EQ(g->points[2].weight, 0);
  EXPECT_EQ(g->reverseY, 0);
  EXPECT_EQ(g->distortX, 0);
}

TEST_F(SlotsTest, PaletteRoundTripAndLayout) {
  auto g = Generator();
  for (int e = 0; e < kPaletteEntries; ++e)
    for (int ch = 0; ch < kChannels; ++ch) g->keys[e][ch] = (e + 3 * ch) % 10;
  ASSERT_TRUE(g->SavePalette(5));
  const std::string text = ReadText(File("savedata/pal5.txt"));
  ASSERT_EQ(text.size(), 48u);
  EXPECT_EQ(text.substr(0, 16), "0123456789012345");  // red digits of entries 0..15
  EXPECT_EQ(text.substr(16, 3), "345");               // green starts at character 17
  auto h = Generator();
  h->LoadPalette(5);
  for (int e = 0; e < kPaletteEntries; ++e)
    for (int ch = 0; ch < kChannels; ++ch) EXPECT_EQ(h->keys[e][ch], g->keys[e][ch]);
}

TEST_F(SlotsTest, ShortAndOddPaletteFiles) {
  Document document;
  const PaletteKeys& keys = document.palette.keys;
  ASSERT_TRUE(PaletteSlotFile().parse("12", document));
  EXPECT_EQ(keys[0][0], 1);
  EXPECT_EQ(keys[1][0], 2);
  EXPECT_EQ(keys[2][0], -49);  // past the end
  EXPECT_EQ(keys[15][2], -49);
  ASSERT_TRUE(PaletteSlotFile().parse("a\r\n" + std::string(45, '0'), document));
  EXPECT_EQ(keys[0][0], 'a' - '0');
  EXPECT_EQ(keys[1][0], '\n' - '0');  // CR LF reads as one line end
  EXPECT_EQ(keys[2][0], 0);
  auto g = Generator();
  std::memcpy(g->keys, keys, sizeof keys);
  g->RebuildPalette();  // out-of-range digits are harmless
  g->LoadPalette(3);    // missing: all keys 0
  for (const auto& entry : g->keys)
    for (int digit : entry) EXPECT_EQ(digit, 0);
}

#ifndef _WIN32
// Writes beyond the file size limit fail (EFBIG) even for root, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
};
#endif

TEST_F(SlotsTest, FailedWriteKeepsTheOldFileAndReports) {
  auto g = Generator();
  g->points[0] = {1, 1, 1, 1, 1};
  ASSERT_TRUE(g->SavePattern(0));
  const std::string before = ReadText(File("savedata/pat0.txt"));
  g->points[0] = {123456789, 123456789, 123456789, 123456789, 123456789};
  {
#ifdef _WIN32
    // Held open as a viewer holds it, Windows cannot replace it (it has no file size limit).
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> held(
        std::fopen(File("savedata/pat0.txt").c_str(), "rb"), std::fclose);
#else
    FileSizeLimit limit(16);
#endif
    const Result result = g->SavePattern(0);
    EXPECT_FALSE(result);
    EXPECT_NE(result.message.find("savedata/pat0.txt"), std::string::npos) << result.message;
  }
  EXPECT_EQ(ReadText(File("savedata/pat0.txt")), before);
  for (const auto& entry : fs::directory_iterator(File("savedata")))
    EXPECT_EQ(entry.path().filename(), "pat0.txt") << "left behind: " << entry.path();
}

TEST_F(SlotsTest, SaveFolderTakenByAFile) {
  WriteText(File("savedata"), "not a folder");
  auto g = Generator();
  const Result pattern = g->SavePattern(1);
  const Result palette = g->SavePalette(1);
  EXPECT_FALSE(pattern);
  EXPECT_FALSE(palette);
  EXPECT_NE(pattern.message.find("savedata"), std::string::npos);
}

}  // namespace

namespace {

struct SideFileCase {
  const char* name;
  bool look;           // the look file, else the ranges file
  const char* before;  // the file before the load; null: none
  const char* edit;    // set after the load, as file text; null: none
  bool problem;        // the load reports an unreadable file
  const char* after;   // the file after SavePalette; null: none
};

class SideFile : public SlotsTest, public ::testing::WithParamInterface<SideFileCase> {};

// The ranges and the look travel with the palette slot; the default writes no file of its
// own, and a file that cannot be read loads as the default and is written only once its part
// is edited: what it held (a line of a newer version) is never replaced unseen.
TEST_P(SideFile, LoadedWithThePaletteAndSavedInItsSet) {
  const SideFileCase& c = GetParam();
  const SlotFile& file = c.look ? LookSlotFile() : CyclesSlotFile();
  const std::string path = File(SlotFileName(file, 2));
  const auto text = [&](const PatternGenerator& g) { return file.text(g.AsDocument()); };
  WriteText(File("savedata/pal2.txt"), "100000000000000000000000000000000000000000000000");
  if (c.before != nullptr) WriteText(path, c.before);
  auto g = Generator();
  g->LoadPalette(2);
  const std::string& problem = g->baseline.ProblemOf(file).message;
  EXPECT_EQ(!problem.empty(), c.problem) << problem;
  if (c.problem) {
    EXPECT_TRUE(c.look ? g->look.IsDefault() : g->cycles.IsDefault());
    EXPECT_NE(problem.find(path + ": "), std::string::npos);
  }
  if (c.edit != nullptr) {
    ASSERT_TRUE(c.look ? ParsePaletteLook(c.edit, g->look) : ParseCycleRanges(c.edit, g->cycles));
  }
  for (int save = 0; save < 2; ++save) {
    ASSERT_TRUE(g->SavePalette(2));
    EXPECT_EQ(fs::exists(path), c.after != nullptr);
    if (c.after != nullptr) {
      EXPECT_EQ(ReadText(path), c.after);
    }
  }
  auto again = Generator();
  again->LoadPalette(2);
  if (c.after != nullptr && (c.edit != nullptr || !c.problem)) {
    EXPECT_EQ(text(*again), c.after);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Slots, SideFile,
    ::testing::Values(SideFileCase{"DefaultWritesNoFile", false, nullptr, nullptr, false, nullptr},
                      SideFileCase{"RangesWritten", false, nullptr,
                                   "0,7,8,forward,0\n9,15,24,pingpong,1\n", false,
                                   "0,7,8,forward,0\n9,15,24,pingpong,1\n"},
                      SideFileCase{"DefaultKeepsAnExistingFileCurrent", false, "3,5,1,reverse,0\n",
                                   "0,15,16,reverse,0\n", false, "0,15,16,reverse,0\n"},
                      SideFileCase{"CrLfAndBlendWordRead", false, "0,7,8,forward,blend\r\n",
                                   nullptr, false, "0,7,8,forward,1\n"},
                      SideFileCase{"OverlapIsKept", false, "0,7,8,forward,0\n7,9,8,forward,0\n",
                                   nullptr, true, "0,7,8,forward,0\n7,9,8,forward,0\n"},
                      SideFileCase{"NewerModeIsKept", false, "0,7,8,sideways,0\n", nullptr, true,
                                   "0,7,8,sideways,0\n"},
                      SideFileCase{"UnreadableRangesEditedAreWritten", false, "\xff\xfe,,",
                                   "0,7,8,forward,0\n", true, "0,7,8,forward,0\n"},
                      SideFileCase{"EmptyFileHoldsNoRanges", false, "", nullptr, false, ""},
                      SideFileCase{"LookWritten", true, nullptr, "depth 4\n", false, "depth 4\n"},
                      SideFileCase{"NewerLookKeyIsKept", true, "future-option 3\n", nullptr, true,
                                   "future-option 3\n"},
                      SideFileCase{"UnreadableLookEditedIsWritten", true, "future-option 3\n",
                                   "depth 3\n", true, "depth 3\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A slot file that is there but cannot be read loads as a missing one does, says which file
// and why, and matches nothing memory holds.
TEST(UnreadableSlot, LoadsAsZerosAndSaysWhy) {
  const SlotFile* rows[] = {&PatternSlotFile(), &PaletteSlotFile(), &CyclesSlotFile()};
  for (const std::string kind : {"folder", "too large", "device", "no permission"}) {
    const TempFolder folder;
    const DataFolder data(folder.path().string());
    fs::create_directory(folder.path() / "savedata");
    for (const SlotFile* row : rows) {
      const std::string file = data.Where(*row, 3);
      if (kind == "folder") fs::create_directory(file);
      if (kind == "too large") WriteText(file, std::string(kMaxSmallFileBytes + 1, '1'));
#ifndef _WIN32
      if (kind == "device") fs::create_symlink("/dev/zero", file);
      if (kind == "no permission") WriteText(file, "1"), ::chmod(file.c_str(), 0);
#endif
    }
    const std::string first = data.Where(*rows[0], 3);
    if (!fs::exists(first)) continue;                                      // not on this system
    if (kind == "no permission" && std::ifstream(first).good()) continue;  // root reads all
    auto g = std::make_unique<PatternGenerator>(&data);
    g->points[1].x = g->points[1].weight = g->keys[1][1] = 9;
    g->LoadPattern(3);
    g->LoadPalette(3);
    EXPECT_EQ(g->points[1].x + g->points[1].weight + g->keys[1][1], 0) << kind;
    EXPECT_TRUE(g->cycles.IsDefault()) << kind;
    for (const SlotFile* row : rows) {
      const Result& problem = g->baseline.ProblemOf(*row);
      EXPECT_EQ(problem.message.rfind(data.Where(*row, 3) + ": ", 0), 0u) << problem.message;
      EXPECT_FALSE(SlotFileMatches(data, *row, 3, g->AsDocument())) << kind;
    }
  }
}

}  // namespace

namespace {

struct LabelCase {
  const char* name;
  std::string text;
  const char* problem;  // what the failure says; null: read
  const char* written;  // the text written back
};

class LabelFile : public SlotsTest, public ::testing::WithParamInterface<LabelCase> {};

// The name file reads its two keys, keeps other lines, refuses what it cannot hold; saved with
// the pattern slot, it is written back the same, and a slot without name or seed has none.
TEST_P(LabelFile, ReadsKeepsAndRefuses) {
  const LabelCase& c = GetParam();
  PatternLabel label;
  const Result read = ParsePatternLabel(c.text, label);
  ASSERT_EQ(read.ok, c.problem == nullptr) << read.message;
  if (!read) {
    EXPECT_NE(read.message.find(c.problem), std::string::npos) << read.message;
    return;
  }
  EXPECT_EQ(PatternLabelText(label), c.written);
  auto g = Generator();
  g->label = label;
  ASSERT_TRUE(g->SavePattern(4));
  const std::string path = File(SlotFileName(LabelSlotFile(), 4));
  EXPECT_EQ(fs::exists(path), !label.IsDefault());
  auto again = Generator();
  again->LoadPattern(4);
  EXPECT_EQ(again->label, label);
  EXPECT_TRUE(again->baseline.ProblemOf(LabelSlotFile())) << "read back whole";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LabelFile,
    ::testing::Values(
        LabelCase{"Empty", "", nullptr, ""},
        LabelCase{"NameAndSeed", "seed=1234567\r\nname=ゲーム パレット\n", nullptr,
                  "name=ゲーム パレット\nseed=1234567\n"},
        LabelCase{"LaterLinesKept", "colour=red\n\nname=lava\nx\xff\n", nullptr,
                  "name=lava\ncolour=red\nx\xff\n"},
        LabelCase{"NameOfBadBytes", "name=la\xffva\n", "line 1: a name is UTF-8", nullptr},
        LabelCase{"ControlInName", "name=a\x1b[2Jb", "line 1: a name is UTF-8", nullptr},
        LabelCase{"LongName", std::string("name=").append(65, 'a'), "at most 64 bytes", nullptr},
        LabelCase{"EmptyName", "name=\n", "cannot be empty", nullptr},
        LabelCase{"TwoNames", "name=a\nname=b\n", "line 2: a second name", nullptr},
        LabelCase{"SeedTooLarge", "seed=10000000\n", "0..9999999", nullptr},
        LabelCase{"SeedNotANumber", "seed=-1\n", "line 1: the seed", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
