#include <gtest/gtest.h>

#include "generator/frame_template.h"
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "formats/bmp_frames.h"
#include "generator/cycle.h"
#include "generator/pattern_generator.h"
#include "tests/support/generator_exports.h"
#include "tests/support/temp_data_folder.h"

namespace fs = std::filesystem;

namespace {

struct ExportFixture : ::testing::Test, TempDataFolder {
  std::unique_ptr<PatternGenerator> g;
  void SetUp() override {
    Write("a.bmp", FrameTemplate() + "trailing bytes are ignored");
    Write("savedata/pat0.txt", "32,32,1,1,4\n10,50,2,1,-3\n0,0,0,0,0\n0,0,0,0,0\n0,0,1,0");
    Write("savedata/pal0.txt",
          "9000000010000000"
          "0000090000000100"
          "0010000000900000");
    g = std::make_unique<PatternGenerator>(&data);
  }
  std::string Frame(char id, int a) { return Read(DataFolder::FrameFile(id, a)); }
  static int Nibble(const std::string& file, int u, int v) {
    const uint8_t byte = static_cast<uint8_t>(file[118 + v * 128 + u / 2]);
    return u % 2 == 0 ? byte >> 4 : byte & 15;
  }
};

TEST_F(ExportFixture, SixteenFramesDifferOnlyInTheColourTable) {
  g->idLetter = 'C';
  ASSERT_TRUE(ExportFramesOf(*g, data));
  const std::string first = Frame('C', 0);
  ASSERT_EQ(first.size(), 32886u);
  EXPECT_EQ(first.substr(0, 54), FrameTemplate());
  for (int a = 0; a < 16; ++a) {
    const std::string frame = Frame('C', a);
    ASSERT_EQ(frame.size(), 32886u) << "frame " << a;
    EXPECT_EQ(frame.substr(0, 54), first.substr(0, 54));
    EXPECT_EQ(frame.substr(118), first.substr(118));
    for (int n = 0; n < 16; ++n) {
      const int32_t* entry = g->palette[(a + n) % 16];
      const int at = 54 + 4 * n;
      EXPECT_EQ(static_cast<uint8_t>(frame[at + 0]), static_cast<uint8_t>(entry[2]));
      EXPECT_EQ(static_cast<uint8_t>(frame[at + 1]), static_cast<uint8_t>(entry[1]));
      EXPECT_EQ(static_cast<uint8_t>(frame[at + 2]), static_cast<uint8_t>(entry[0]));
      EXPECT_EQ(frame[at + 3], 0);
    }
  }
  EXPECT_FALSE(fs::exists(File("result/AA.bmp")));
}

TEST_F(ExportFixture, PixelsFollowTheMirroredPlane) {
  ASSERT_TRUE(ExportFramesOf(*g, data));
  const std::string frame = Frame('A', 0);
  for (int v = 0; v < 256; ++v)
    for (int u = 0; u < 256; ++u)
      ASSERT_EQ(Nibble(frame, u, v), ColourIndex(g->TiledCell(u, v))) << u << "," << v;
  // Symmetric about both middle lines whenever the tile is below 256.
  for (int v = 0; v < 256; ++v)
    for (int u = 0; u < 128; ++u) {
      ASSERT_EQ(Nibble(frame, u, v), Nibble(frame, 255 - u, v));
      ASSERT_EQ(Nibble(frame, v, u), Nibble(frame, v, 255 - u));
    }
}

TEST_F(ExportFixture, TiledCellMirrorsEveryOtherTile) {
  struct Probe {
    int u, column;
  };
  const Probe probes[] = {{0, 0},   {63, 63},  {64, 63},  {127, 0},
                          {128, 0}, {191, 63}, {192, 63}, {255, 0}};
  for (int i = 0; i < kMapCells; ++i) g->map[i] = i;
  for (const Probe& p : probes) {
    EXPECT_EQ(g->TiledCell(p.u, 0), p.column * 256) << "u " << p.u;
    EXPECT_EQ(g->TiledCell(0, p.u), p.column) << "v " << p.u;
  }
  g->width = g->height = 256;
  for (int u = 0; u < 256; ++u) EXPECT_EQ(g->TiledCell(u, 5), u * 256 + 5);
}

TEST(FrameBytes, NibbleOrderColourTableAndLowBits) {
  auto g = std::make_unique<PatternGenerator>();
  g->width = g->height = 256;
  g->map[0 * 256 + 0] = 3;
  g->map[1 * 256 + 0] = 17;
  g->map[2 * 256 + 0] = -1;  // negative values index entry v & 15
  g->map[3 * 256 + 0] = -16;
  uint8_t pixels[kPixelBytes];
  BuildFramePixels(g->map, g->width, g->height, pixels);
  EXPECT_EQ(pixels[0], 0x31);
  EXPECT_EQ(pixels[1], 0xF0);

  for (auto& entry : g->palette)
    for (auto& c : entry) c = 0;
  g->palette[0][0] = 255;
  g->palette[0][1] = 128;
  g->palette[0][2] = 0;
  g->palette[1][0] = 288;
  g->palette[1][1] = -64;
  auto cycle = std::make_unique<Cycle>();
  ASSERT_TRUE(
      CycleOfGenerator(*g, reinterpret_cast<const uint8_t*>(FrameTemplate().data()), 2, *cycle));
  std::vector<ExportFile> files;
  AddBmpFrames(*cycle, 'A', "result", files);
  ASSERT_EQ(files.size(), 16u);
  const uint8_t* table = files[0].bytes.data() + kHeaderBytes;
  EXPECT_EQ(table[0], 0x00);
  EXPECT_EQ(table[1], 0x80);
  EXPECT_EQ(table[2], 0xFF);
  EXPECT_EQ(table[3], 0x00);
  EXPECT_EQ(table[6], 0x20);
  EXPECT_EQ(table[5], 0xC0);
  table = files[15].bytes.data() + kHeaderBytes;  // frame P: entry 15 first, then 0..14
  EXPECT_EQ(table[4 + 2], 0xFF);
}

TEST(FrameBytes, TemplateOrientation) {
  uint8_t header[kHeaderBytes];
  std::string bottomUp = FrameTemplate(256), topDown = FrameTemplate(-256);
  std::copy(bottomUp.begin(), bottomUp.end(), header);
  EXPECT_TRUE(TemplateIsBottomUp(header));
  std::copy(topDown.begin(), topDown.end(), header);
  EXPECT_FALSE(TemplateIsBottomUp(header));
}

TEST_F(ExportFixture, ExportResynthesisesAndRebuilds) {
  g->points[0].weight = 8;  // not yet synthesised
  g->keys[3][0] = 5;        // not yet rebuilt
  ASSERT_TRUE(ExportFramesOf(*g, data));
  auto fresh = std::make_unique<PatternGenerator>(&data);
  fresh->points[0].weight = 8;
  fresh->keys[3][0] = 5;
  fresh->Synthesize();
  fresh->RebuildPalette();
  for (int i = 0; i < kMapCells; ++i) ASSERT_EQ(g->map[i], fresh->map[i]);
  EXPECT_EQ(g->palette[3][0], 128);
}

struct TemplateCase {
  const char* name;
  bool present;
  std::string bytes;
};

class BadTemplate : public ::testing::TestWithParam<TemplateCase>, public TempDataFolder {};

// A missing or short template stops the export before any frame is written.
TEST_P(BadTemplate, WritesNothingAndReports) {
  if (GetParam().present) Write("a.bmp", GetParam().bytes);
  auto g = std::make_unique<PatternGenerator>(&data);
  const Result result = ExportFramesOf(*g, data);
  EXPECT_FALSE(result);
  EXPECT_NE(result.message.find("a.bmp"), std::string::npos) << result.message;
  EXPECT_FALSE(fs::exists(File("result/AA.bmp")));
}

INSTANTIATE_TEST_SUITE_P(
    Export, BadTemplate,
    ::testing::Values(TemplateCase{"Missing", false, ""}, TemplateCase{"Empty", true, ""},
                      TemplateCase{"Short", true, FrameTemplate().substr(0, 53)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExportFixture, CreatesTheResultFolder) {
  ASSERT_FALSE(fs::exists(File("result")));
  ASSERT_TRUE(ExportFramesOf(*g, data));
  EXPECT_TRUE(fs::is_directory(File("result")));
}

TEST_F(ExportFixture, OtherFilesInResultAreLeftAlone) {
  Write("result/notes.txt", "mine");
  ASSERT_TRUE(ExportFramesOf(*g, data));
  EXPECT_EQ(Read("result/notes.txt"), "mine");
}

TEST_F(ExportFixture, FailedWriteKeepsEarlierFramesWhole) {
  ASSERT_TRUE(ExportFramesOf(*g, data));
  std::vector<std::string> before;
  for (int a = 0; a < 16; ++a) before.push_back(Frame('A', a));
  g->points[0].weight = 40;
  {
#ifdef _WIN32
    // Held open as a viewer holds it, Windows cannot replace it (it has no file size limit).
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> held(
        std::fopen(File("result/AA.bmp").c_str(), "rb"), std::fclose);
    const Result result = ExportFramesOf(*g, data);
#else
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit = previous;
    limit.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &limit);
    const Result result = ExportFramesOf(*g, data);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, SIG_DFL);
#endif
    EXPECT_FALSE(result);
    EXPECT_NE(result.message.find("result/AA.bmp"), std::string::npos) << result.message;
  }
  // All or nothing: every frame is still the earlier export, and no temporary is left.
  for (int a = 0; a < 16; ++a) EXPECT_EQ(Frame('A', a), before[a]) << "frame " << a;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(File("result"))) {
    EXPECT_EQ(fs::file_size(entry.path()), 32886u) << entry.path();
    ++files;
  }
  EXPECT_EQ(files, 16);
}

TEST_F(ExportFixture, ResultTakenByAFileFails) {
  Write("result", "a file, not a folder");
  const Result result = ExportFramesOf(*g, data);
  EXPECT_FALSE(result);
  EXPECT_NE(result.message.find("result"), std::string::npos);
}

}  // namespace
