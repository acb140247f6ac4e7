#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "generator/frame_template.h"
#include "generator/pattern_generator.h"
#include "generator/random_pattern.h"
#include "store/data_folder.h"
#include "tests/support/generator_exports.h"
#include "tests/support/process_support.h"
#include "tests/support/temp_data_folder.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
  int status;
  std::string output;  // stdout and stderr together
};

#ifdef _WIN32
// Beside the test, as every program of the build; cmd reads no Linux path.
const std::string kTool = ExecutableFolder() + "\\quilmorante-export.exe";
constexpr const char* kNoErrors = " 2>NUL";
#else
const std::string kTool = EXPORT_TOOL;
constexpr const char* kNoErrors = " 2>/dev/null";
#endif

// The tool's data folder, reached by its path. The tool runs in it, so that the paths the
// arguments give are the folder's; the test's own working directory stays where it is.
struct ToolFixture : ::testing::Test, TempDataFolder {
  void SetUp() override {
    Write("a.bmp", FrameTemplate());
    Write("savedata/pat3.txt", "32,32,1,1,4\n10,50,2,1,-3\n0,0,0,0,0\n0,0,0,0,0\n1,0,1,-1");
    Write("savedata/pal4.txt",
          "9000000010000000"
          "0000090000000100"
          "0010000000900000");
    Write("savedata/pal5.txt", std::string(48, '3'));
    Write("savedata/pal5.cycles.txt", "2,9,24,pingpong,1\n12,15,5,forward\n");
    Write("savedata/pat6.txt", "32,32,1,1,4\n10,50,x");
    Write("savedata/pal7.txt", "123");
    Write("savedata/pal8.cycles.txt", "0,7,8,sideways,0\n");
    Write("savedata/pat9.txt", "32,32,1,1,4\n10,50,2,1,-3\n0,0,0,0,0\n0,0,0,0,0\n1,0,1,-1");
    Write("savedata/pat9.name.txt", "name=ゲーム:1\nseed=5\n");
    Write("savedata/pal10.cycles.txt", "0,4,1,pingpong\n5,11,1,pingpong\n12,15,1,pingpong\n");
  }
  // The command line run in the data folder.
  std::string InFolder(const std::string& command) const {
#ifdef _WIN32
    return "cd /d \"" + folder.path().string() + "\" && " + command;
#else
    return "cd \"" + folder.path().string() + "\" && " + command;
#endif
  }
  ToolRun RunTool(const std::string& arguments) const {
    ToolRun run{-1, {}};
    run.status = RunCommand(InFolder(kTool + " " + arguments + " 2>&1"), run.output);
    return run;
  }
};

struct UsageCase {
  const char* name;
  const char* arguments;
  int status;
  const char* mentions;
};

class ToolExitCodes : public ToolFixture, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(ToolExitCodes, ExitStatusAndMessage) {
  const UsageCase& c = GetParam();
  const ToolRun run = RunTool(std::string("--data ") + folder.path().string() + " " + c.arguments);
  EXPECT_EQ(run.status, c.status) << run.output;
  EXPECT_NE(run.output.find(c.mentions), std::string::npos) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    Tool, ToolExitCodes,
    ::testing::Values(
        UsageCase{"Defaults", "", 0, "AA.bmp"},
        UsageCase{"AllOptions",
                  "--pattern 3 --palette 4 --id Q --size 16x256 --mosaic 2 --gif c.gif --delay 5",
                  0, "QP.bmp"},
        UsageCase{"EqualsForm", "--pattern=3 --size=128x32", 0, "AP.bmp"},
        UsageCase{"Help", "--help", 0, "--pattern N"},
        UsageCase{"Version", "--version", 0, "quilmorante-export"},
        UsageCase{"UnknownFlag", "--colour 3", 2, "--colour"},
        UsageCase{"PatternTooLarge", "--pattern 100", 2, "--pattern"},
        UsageCase{"PaletteNotANumber", "--palette x", 2, "--palette"},
        UsageCase{"PaletteNegative", "--palette -1", 2, "--palette"},
        UsageCase{"LowercaseId", "--id a", 2, "--id"},
        UsageCase{"SizeNotPowerOfTwo", "--size 48x64", 2, "--size"},
        UsageCase{"SizeTooSmall", "--size 8x64", 2, "--size"},
        UsageCase{"SizeTooLarge", "--size 64x512", 2, "--size"},
        UsageCase{"SizeMalformed", "--size 64", 2, "--size"},
        UsageCase{"MosaicTooLarge", "--mosaic 5", 2, "--mosaic"},
        UsageCase{"DelayZero", "--delay 0", 2, "--delay"},
        UsageCase{"MissingValue", "--id", 2, "--id"},
        UsageCase{"GifIntoMissingFolder", "--gif /nonexistent/folder/x.gif", 1,
                  "/nonexistent/folder/x.gif"},
        UsageCase{"EveryFormat",
                  "--png p --sheet s.png --sheet-columns 4 --shader sh --ilbm c.iff --json c.json "
                  "--palette-file c.gpl --apng c.png --webp c.webp --scale 2 --delay 3",
                  0, "c.webp"},
        UsageCase{"SheetColumnsThree", "--sheet s.png --sheet-columns 3", 2, "--sheet-columns"},
        UsageCase{"ScaleFive", "--gif c.gif --scale 5", 2, "--scale"},
        UsageCase{"TileSizeTwelve", "--tiled t --tile-size 12", 2,
                  "--tile-size must be 8, 16, 32, 64, 128 or 256, not '12'"},
        UsageCase{"TileSizeFour", "--tiled t --tile-size 4", 2, "--tile-size"},
        UsageCase{"PaletteExtension", "--palette-file colours.txt", 2, "colours.txt"},
        UsageCase{"NoFramesAlone", "--no-frames --delay 3", 2,
                  "--no-frames leaves nothing to write"},
        UsageCase{"NoFramesTakesNoValue", "--no-frames=1 --gif c.gif", 2,
                  "--no-frames takes no value"},
        UsageCase{"NoFramesNamesTheOutputs", "--no-frames --gif x.gif --apng x.gif", 2,
                  "--gif and --apng both write x.gif"},
        UsageCase{"NoFramesReportsTheOthers", "--no-frames --json c.json", 0, "wrote c.json ("},
        UsageCase{"AllIntoMissingFolder", "--all /nonexistent/folder", 1, "/nonexistent/folder"},
        UsageCase{"SameFileTwice", "--gif x.gif --apng x.gif", 2, "--gif and --apng"},
        UsageCase{"AllAndPngCollide", "--all out --png out", 2, "--png and --all"},
        UsageCase{"OntoAFrameOfTheRun", "--sheet result/AB.bmp", 2, "BMP frames and --sheet"},
        UsageCase{"IntoTheSlots", "--json savedata/cycle.json", 2, "savedata"},
        UsageCase{"FolderToStandardOutput", "--png -", 2, "--png"},
        UsageCase{"MalformedPatternSlot", "--pattern 6", 1, "pat6.txt: line 2"},
        UsageCase{"ShortPaletteSlot", "--palette 7", 1, "pal7.txt: character 4"},
        UsageCase{"DelayOneWarns", "--gif c.gif --delay 1", 0, "warning: --delay 1"},
        UsageCase{"UnreadableCyclesSlot", "--palette 8", 1, "pal8.cycles.txt: line 1"},
        UsageCase{"CycleRangesGiven", "--cycle 0,7,8,forward --cycle 8,15,16,reverse,blend", 0,
                  "A-0015.bmp (16 frames"},
        UsageCase{"CycleOverridesAnUnreadableSlot", "--palette 8 --cycle 0,15,16,reverse", 0,
                  "AP.bmp"},
        UsageCase{"CycleSpeedTooHigh", "--cycle 0,7,65,forward", 2, "--cycle"},
        UsageCase{"CyclesOverlap", "--cycle 0,7,8,forward --cycle 7,9,8,reverse", 2, "overlaps"},
        UsageCase{"CycleLoopTooLong",
                  "--cycle 0,3,1,pingpong --cycle 4,8,1,forward --cycle 9,15,1,forward", 2,
                  "quilmorante-export: --cycle: the loop would be 4480 frames"},
        UsageCase{"SlotCyclesLoopTooLong", "--palette 10", 1,
                  "/savedata/pal10.cycles.txt: the loop would be 4480 frames"},
        UsageCase{
            "GifPastTheLimit",
            "--pattern 3 --cycle 0,7,1,pingpong --cycle 8,10,1,forward --cycle 11,15,1,forward "
            "--gif x.gif --scale 8",
            1, "x.gif: --gif: 3840 frames at scale 8 would be about "},
        UsageCase{"RangesNumberTheFrames", "--palette 5", 0, "A-0063.bmp (64 frames"},
        UsageCase{"ReportNamesTheFolderTwice", "", 0, "/result/AP.bmp (16 frames"},
        UsageCase{"NameNamesTheFormats", "--name lava --all out", 0,
                  "wrote out/lava-tiled/lava.tmx"},
        UsageCase{"SlotsNameByDefault", "--pattern 9 --all out", 0, "wrote out/ゲーム_1.gif"},
        UsageCase{"NameKeepsTheFramesLetter", "--pattern 9 --name x --id Q --all out", 0,
                  "result/QP.bmp"},
        UsageCase{"HostileNameStaysInside", "--name ../../x --all out", 0, "wrote out/_.._x.iff"},
        UsageCase{"NameEmpty", "--name=", 2, "--name: a name cannot be empty"},
        UsageCase{"NameTooLong",
                  "--name xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 2,
                  "--name: a name has at most 64 bytes"},
        UsageCase{"IlbmSaysWhatItLoses", "--palette 5 --ilbm c.iff", 0,
                  "c.iff: ILBM: range 2..9 goes there and back"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToolFixture, MissingTemplateIsAnIoFailure) {
  fs::remove(File("a.bmp"));
  const ToolRun run = RunTool("--data " + folder.path().string());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("a.bmp"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(File("result/AA.bmp")));
}

#ifndef _WIN32
// A slot file, a ranges or look file or a template that cannot be read is refused, named in the
// data folder; a FIFO is never waited on (a run that waits is cut off after 20 s).
TEST_F(ToolFixture, UnreadableInputsAreRefused) {
  for (const auto& [file, arguments] : {std::pair{"savedata/pat9.txt", "--pattern 9"},
                                        {"savedata/pal9.txt", "--palette 9"},
                                        {"savedata/pal9.cycles.txt", "--palette 9"},
                                        {"savedata/pal9.look.txt", "--palette 9"},
                                        {"a.bmp", ""}}) {
    for (const bool fifo : {true, false}) {
      fs::remove(File(file));
      ASSERT_TRUE(fifo ? ::mkfifo(File(file).c_str(), 0600) == 0
                       : fs::create_directory(File(file)));
      std::string out;
      const int status = RunCommand(
          "timeout 20 " + kTool + " --data " + folder.path().string() + " " + arguments + " 2>&1",
          out);
      EXPECT_EQ(status, 1) << out;
      EXPECT_NE(out.find(File(file) + ": "), std::string::npos) << out;
    }
    fs::remove(File(file));
  }
}
#endif

TEST_F(ToolFixture, MissingDataFolderIsAnIoFailure) {
  const ToolRun run = RunTool("--data /nonexistent/quilmorante");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("/nonexistent/quilmorante"), std::string::npos) << run.output;
}

// The tool writes exactly what the generator's own export writes for the same state.
TEST_F(ToolFixture, FramesMatchTheGeneratorsExport) {
  const ToolRun run = RunTool("--data " + folder.path().string() +
                              " --pattern 3 --palette 4 --id K --size 32x128 --mosaic 1");
  ASSERT_EQ(run.status, 0) << run.output;
  std::vector<std::string> fromTool;
  for (int a = 0; a < kFrameCount; ++a) fromTool.push_back(Read(DataFolder::FrameFile('K', a)));
  fs::remove_all(File("result"));
  auto g = std::make_unique<PatternGenerator>(&data);
  g->LoadPattern(3);
  g->LoadPalette(4);
  g->idLetter = 'K';
  g->sizeExpX = 5;
  g->sizeExpY = 7;
  g->UpdateTileSize();
  g->mosaicLevel = 1;
  ASSERT_TRUE(ExportFramesOf(*g, data));
  for (int a = 0; a < kFrameCount; ++a) {
    EXPECT_EQ(Read(DataFolder::FrameFile('K', a)), fromTool[a]) << "frame " << a;
    EXPECT_EQ(fromTool[a].size(), 32886u);
  }
}

// --random and --random-palette export what R and Shift+R draw from the same seed (the
// editor's test shows R sets RandomPattern(seed)), and no slot is touched.
TEST_F(ToolFixture, RandomSeedsExportWhatTheEditorDraws) {
  const std::string slotBefore = Read(DataFolder::PatternFile(3));
  const ToolRun run = RunTool("--data " + folder.path().string() +
                              " --pattern 3 --random 1234567 --random-palette 42");
  ASSERT_EQ(run.status, 0) << run.output;
  std::vector<std::string> fromTool;
  for (int a = 0; a < kFrameCount; ++a) fromTool.push_back(Read(DataFolder::FrameFile('A', a)));
  EXPECT_EQ(Read(DataFolder::PatternFile(3)), slotBefore);
  fs::remove_all(File("result"));
  auto g = std::make_unique<PatternGenerator>(&data, 3, 0);
  g->SetPattern(RandomPattern(1234567));
  RandomPaletteKeys(42, g->keys);
  g->Synthesize();
  g->RebuildPalette();
  ASSERT_TRUE(ExportFramesOf(*g, data));
  for (int a = 0; a < kFrameCount; ++a)
    EXPECT_EQ(Read(DataFolder::FrameFile('A', a)), fromTool[a]) << "frame " << a;
  EXPECT_EQ(RunTool("--data " + folder.path().string() + " --random 10000000").status, 2);
}

struct GifCase {
  const char* name;
  int templateHeight;
};

class ToolGif : public ToolFixture, public ::testing::WithParamInterface<GifCase> {};

// Every GIF frame shows exactly what the BMP frame of the same number shows.
TEST_P(ToolGif, FramesLookLikeTheBmpFrames) {
  Write("a.bmp", FrameTemplate(GetParam().templateHeight));
  const std::string gifPath = (folder.path() / "cycle.gif").string();
  const ToolRun run = RunTool("--data " + folder.path().string() +
                              " --pattern 3 --palette 4 --gif " + gifPath + " --delay 7");
  ASSERT_EQ(run.status, 0) << run.output;
  int error = 0;
  GifFileType* gif = DGifOpenFileName(gifPath.c_str(), &error);
  ASSERT_NE(gif, nullptr);
  ASSERT_EQ(DGifSlurp(gif), GIF_OK);
  ASSERT_EQ(gif->ImageCount, kFrameCount);
  EXPECT_EQ(gif->SWidth, 256);
  EXPECT_EQ(gif->SHeight, 256);
  bool loops = false;
  // The looping block comes before the first frame, so it is stored with that frame.
  const SavedImage& first = gif->SavedImages[0];
  for (int i = 0; i < first.ExtensionBlockCount; ++i) {
    const ExtensionBlock& block = first.ExtensionBlocks[i];
    if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
        std::string(reinterpret_cast<const char*>(block.Bytes), 11) == "NETSCAPE2.0")
      loops = true;
  }
  EXPECT_TRUE(loops);
  const bool bottomUp = GetParam().templateHeight > 0;
  for (int a = 0; a < kFrameCount; ++a) {
    const std::string bmp = Read(DataFolder::FrameFile('A', a));
    const SavedImage& image = gif->SavedImages[a];
    ASSERT_NE(image.ImageDesc.ColorMap, nullptr);
    GraphicsControlBlock control{};
    DGifSavedExtensionToGCB(gif, a, &control);
    EXPECT_EQ(control.DelayTime, 7);
    for (int r = 0; r < 256; ++r) {
      const int bmpRow = bottomUp ? 255 - r : r;  // the picture row that is shown at the top
      for (int u = 0; u < 256; ++u) {
        const uint8_t byte = static_cast<uint8_t>(bmp[118 + bmpRow * 128 + u / 2]);
        const int index = u % 2 == 0 ? byte >> 4 : byte & 15;
        const GifByteType gifIndex = image.RasterBits[r * 256 + u];
        ASSERT_EQ(gifIndex, index);
        const GifColorType colour = image.ImageDesc.ColorMap->Colors[gifIndex];
        ASSERT_EQ(colour.Blue, static_cast<uint8_t>(bmp[54 + 4 * index]));
        ASSERT_EQ(colour.Green, static_cast<uint8_t>(bmp[55 + 4 * index]));
        ASSERT_EQ(colour.Red, static_cast<uint8_t>(bmp[56 + 4 * index]));
      }
    }
  }
  DGifCloseFile(gif, &error);
}

INSTANTIATE_TEST_SUITE_P(Tool, ToolGif,
                         ::testing::Values(GifCase{"BottomUpTemplate", 256},
                                           GifCase{"TopDownTemplate", -256}),
                         [](const auto& info) { return std::string(info.param.name); });

#ifdef _WIN32
#define PALETTE_FOLDER "x9"  // Windows names hold no ':'
#else
#define PALETTE_FOLDER "x:9"  // only digits after the last ':' are a START
#endif

// The one snap target of the cases below, every channel on a 4-bit level.
constexpr const char* kSnapTarget = "ff0000\n00ff00\n0000ff\n777777\n";

struct LookCase {
  const char* name;
  const char* arguments;
  int status;
  const char* mentions;  // in the output
  int levelStep;         // every channel of every colour a multiple of it (17: 4-bit levels)
  bool snapped;          // every colour one of kSnapTarget's
  const char* hexStart;  // what out.hex begins with
};

class ToolLook : public ToolFixture, public ::testing::WithParamInterface<LookCase> {};

// --colors, --snap and --depth replace their own part of the slot's look in every colour of
// the BMP frames and the palette file; a file or value they cannot use writes nothing.
TEST_P(ToolLook, OptionsReplaceTheirPartOfTheLook) {
  const LookCase& c = GetParam();
  Write(PALETTE_FOLDER "/f.gpl", "GIMP Palette\n1 2 3\n4 5 6\n10 20 30\n40 50 60\n70 80 90\n");
  Write("s.hex", kSnapTarget);
  Write("s1.hex", "777777\n");
  Write("savedata/pal11.txt", Read("savedata/pal4.txt"));
  const std::string slotLook = "snap ff0000 00ff00 0000ff 777777\n";
  Write("savedata/pal11.look.txt", slotLook);
  const ToolRun run = RunTool("--data " + folder.path().string() + " --pattern 3 --palette-file " +
                              (folder.path() / "out.hex").string() + " " + c.arguments);
  EXPECT_EQ(run.status, c.status) << run.output;
  EXPECT_NE(run.output.find(c.mentions), std::string::npos) << run.output;
  EXPECT_EQ(Read("savedata/pal11.look.txt"), slotLook);
  const std::string hex = Read("out.hex");
  if (c.status != 0) {
    EXPECT_FALSE(fs::exists(File("result")) || fs::exists(File("out.hex"))) << run.output;
    return;
  }
  EXPECT_EQ(hex.rfind(c.hexStart, 0), 0u) << hex;
  std::vector<uint32_t> colours;
  for (size_t at = 0; at + 6 <= hex.size(); at += 7)
    colours.push_back(std::stoul(hex.substr(at, 6), nullptr, 16));
  for (int a = 0; a < kFrameCount; ++a) {
    const std::string bmp = Read(DataFolder::FrameFile('A', a));
    ASSERT_EQ(bmp.size(), 32886u);
    for (int k = 0; k < kPaletteEntries; ++k) {
      const auto* quad = reinterpret_cast<const uint8_t*>(&bmp[54 + 4 * k]);
      colours.push_back(uint32_t{quad[2]} << 16 | quad[1] << 8 | quad[0]);
    }
  }
  ASSERT_EQ(colours.size(), size_t{kPaletteEntries * (kFrameCount + 1)});
  for (const uint32_t rgb : colours) {
    char text[8];
    std::snprintf(text, sizeof text, "%06x", rgb);
    EXPECT_TRUE(!c.snapped || std::string(kSnapTarget).find(text) != std::string::npos) << text;
    for (const int shift : {0, 8, 16}) EXPECT_EQ((rgb >> shift & 255) % c.levelStep, 0u) << text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tool, ToolLook,
    ::testing::Values(
        LookCase{"FourBits", "--palette 4 --depth 4", 0, "AP.bmp", 17, false, ""},
        LookCase{"Snap", "--palette 4 --snap s.hex", 0, "AP.bmp", 1, true, ""},
        LookCase{"DepthKeepsTheSlotsSnap", "--palette 11 --depth 4", 0, "AP.bmp", 17, true, ""},
        LookCase{"ColoursFromEntryTwo", "--palette 4 --colors " PALETTE_FOLDER "/f.gpl:2", 0,
                 "AP.bmp", 1, false, "0a141e\n28323c\n46505a\n"},
        LookCase{"MissingFile", "--snap none.hex", 2, "none.hex", 1, false, ""},
        LookCase{"DepthNine", "--depth 9", 2, "--depth", 1, false, ""},
        LookCase{"DepthZero", "--depth 0", 2, "--depth", 1, false, ""},
        LookCase{"StartPastTheEnd", "--colors " PALETTE_FOLDER "/f.gpl:99", 2, "--colors", 1, false,
                 ""},
        LookCase{"StartPastAOneColourFile", "--colors s1.hex:1", 2, "which has 1 colour (0..0)", 1,
                 false, ""},
        LookCase{"NotAPalette", "--colors savedata/pat3.txt", 2, "savedata/pat3.txt", 1, false,
                 ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A run that fails replaces nothing: not the frames either.
TEST_F(ToolFixture, AFailedRunWritesNothing) {
  for (const char* arguments : {"--gif /nonexistent/x.gif", "--gif /dev/full", "--all a.bmp",
                                "--all out --gif /nonexistent/x.gif"}) {
    const ToolRun run = RunTool("--data " + folder.path().string() + " " + arguments);
    EXPECT_NE(run.status, 0) << arguments;
    // Not even the folders the run made for its files.
    EXPECT_FALSE(fs::exists(File("result"))) << arguments << ": " << run.output;
    EXPECT_FALSE(fs::exists(File("out"))) << arguments;
  }
}

// What a path already is decides how it is written: a link is written through, a FIFO is
// written into, "-" is standard output, and none of them is replaced by a plain file.
TEST_F(ToolFixture, OutputsRespectWhatTheyWriteInto) {
#ifdef _WIN32
  // Windows has no FIFOs, and its symbolic links need a privilege; its devices are names.
  EXPECT_EQ(RunTool("--data " + folder.path().string() + " --gif NUL").status, 0);
  EXPECT_FALSE(fs::exists(File(".NUL.quilmorante-" + std::to_string(::getpid()) + ".tmp")));
#else
  fs::create_symlink("target.gif", File("link.gif"));
  ASSERT_EQ(::mkfifo(File("pipe.gif").c_str(), 0600), 0);
  std::string piped;
  std::thread reader([&] { piped = Read("pipe.gif"); });
  const ToolRun run =
      RunTool("--data " + folder.path().string() + " --gif link.gif --apng pipe.gif");
  reader.join();
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(fs::is_symlink(File("link.gif")));
  EXPECT_EQ(Read("target.gif").rfind("GIF89a", 0), 0u);
  EXPECT_TRUE(fs::is_fifo(File("pipe.gif")));
  EXPECT_EQ(piped.rfind("\x89PNG", 0), 0u);
#endif

  std::string out;
  EXPECT_EQ(RunCommand(kTool + " --data " + folder.path().string() + " --gif -" + kNoErrors, out),
            0);
  EXPECT_EQ(out.rfind("GIF89a", 0), 0u);
  EXPECT_EQ(out.find("wrote"), std::string::npos) << "the report goes to standard error";
}

#ifndef _WIN32
// Symbolic links need a privilege on Windows; these run on POSIX.

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find(' ', at), text.size());
    if (end > at) words.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

// How an output path is spelled changes nothing: a link is followed to what a write would
// really open (dangling or not), ".." and a trailing separator are the folder they name.
struct SpellingCase {
  const char* name;
  const char* links;  // "link>target link>target", made before the run
  const char* folders;
  const char* arguments;
  int status;
  const char* mentions;
  const char* absent;  // what the run must not have made
};

class ToolPathSpellings : public ToolFixture, public ::testing::WithParamInterface<SpellingCase> {};

TEST_P(ToolPathSpellings, OutputsLandWhereTheyAreMeant) {
  const SpellingCase& c = GetParam();
  Write("elsewhere/A.tmx", "the user's");
  for (const std::string& made : Words(c.folders)) fs::create_directories(File(made));
  for (const std::string& link : Words(c.links)) {
    const size_t arrow = link.find('>');
    fs::create_symlink(link.substr(arrow + 1), File(link.substr(0, arrow)));
  }
  const std::string slots = Read("savedata/pat3.txt") + Read("savedata/pal5.cycles.txt");
  const ToolRun run = RunTool("--data " + folder.path().string() + " " + c.arguments);
  EXPECT_EQ(run.status, c.status) << run.output;
  EXPECT_NE(run.output.find(c.mentions), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(File(c.absent))) << c.absent;
  EXPECT_EQ(Read("savedata/pat3.txt") + Read("savedata/pal5.cycles.txt"), slots);
  EXPECT_EQ(Read("elsewhere/A.tmx"), "the user's");
  // Every message is the tool's own, by its name.
  for (size_t at = 0; at < run.output.size(); at = run.output.find('\n', at) + 1) {
    EXPECT_TRUE(run.output.compare(at, 6, "wrote ") == 0 ||
                run.output.compare(at, 20, "quilmorante-export: ") == 0)
        << run.output.substr(at);
  }
  // A link where the run makes a folder of its own is replaced with the set or not at all.
  for (const std::string& link : Words(c.links))
    if (link.rfind("out/", 0) == 0) {
      EXPECT_EQ(fs::is_symlink(File(link.substr(0, link.find('>')))), c.status != 0) << link;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tool, ToolPathSpellings,
    ::testing::Values(
        SpellingCase{"DanglingLinkIntoTheSlots", "out.json>savedata/pat7.txt", "",
                     "--json out.json", 2, "savedata/", "savedata/pat7.txt"},
        SpellingCase{"DanglingLinkOntoARangesFile", "atlas.png>savedata/pal0.cycles.txt", "",
                     "--palette-atlas atlas.png", 2, "savedata/", "savedata/pal0.cycles.txt"},
        SpellingCase{"LinkOntoRanges", "atlas.png>savedata/pal5.cycles.txt", "",
                     "--palette-atlas atlas.png", 2, "--palette-atlas", "result"},
        SpellingCase{"SubfolderOfTheSlots", "", "", "--tiled savedata/sub", 2, "savedata/",
                     "savedata/sub"},
        SpellingCase{"DotDotIntoTheSlots", "", "out", "--json out/../savedata/x.json", 2,
                     "savedata/", "savedata/x.json"},
        SpellingCase{"DanglingLinkToAFrameOfTheRun", "fr.gif>result/AB.bmp", "", "--gif fr.gif", 2,
                     "the BMP frames and --gif", "result"},
        SpellingCase{"TrailingSlash", "out/A-tiled>../elsewhere out/A-shader>../elsewhere", "out",
                     "--all out/", 0, "a folder replaces it", "elsewhere/index.png"},
        SpellingCase{"DotAndRepeatedSeparators", "out/A-tiled>../elsewhere", "out",
                     "--all ./out//.", 0, "a folder replaces it", "elsewhere/A-sheet.png"},
        SpellingCase{"FailedRunKeepsTheLinks", "out/A-tiled>../elsewhere out/A-shader>../elsewhere",
                     "out/A.gif", "--all out", 1, "A.gif", "result"},
        SpellingCase{"OneFolderThroughALink", "outlink>out", "out",
                     "--gif out/x.gif --apng outlink/y.png", 0, "y.png", "nothing"},
        SpellingCase{"OneFolderThroughDotDot", "", "out", "--gif out/x.gif --apng out/../out/y.png",
                     0, "y.png", "nothing"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every file the run reads is an input; an output reaching it, by any path, is refused before
// anything is written, naming both.
struct CollisionCase {
  const char* name;
  const char* arguments;
  const char* mentions;
  const char* input;  // what must stay as it was
};

class ToolInputCollisions : public ToolFixture,
                            public ::testing::WithParamInterface<CollisionCase> {};

TEST_P(ToolInputCollisions, AnOutputNeverReplacesAnInput) {
  const CollisionCase& c = GetParam();
  std::string gimp = "GIMP Palette\n";
  for (int k = 0; k < 40; ++k) gimp += std::to_string(k) + " 0 0\n";
  Write("my.gpl", gimp);
  ASSERT_EQ(RunTool("--data " + folder.path().string() + " --all out --gif p.gif").status, 0);
  fs::create_symlink("my.gpl", File("link.hex"));
  fs::create_symlink("savedata/pat3.txt", File("link.json"));
  const std::string before = Read(c.input);
  const ToolRun run = RunTool("--data " + folder.path().string() + " " + c.arguments);
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_NE(run.output.find(c.mentions), std::string::npos) << run.output;
  EXPECT_EQ(Read(c.input), before);
}

INSTANTIATE_TEST_SUITE_P(
    Tool, ToolInputCollisions,
    ::testing::Values(
        CollisionCase{"PaletteFileOntoColours", "--colors my.gpl --palette-file my.gpl",
                      "which --colors reads", "my.gpl"},
        CollisionCase{"ThroughALink", "--colors my.gpl --palette-file link.hex",
                      "which --colors reads", "my.gpl"},
        CollisionCase{"AllOntoTheSnap", "--snap out/A.pal --all out", "which --snap reads",
                      "out/A.pal"},
        CollisionCase{"GifOntoColours", "--colors p.gif --gif p.gif", "which --colors reads",
                      "p.gif"},
        CollisionCase{"FramesOntoColours", "--colors result/AC.bmp", "the BMP frames",
                      "result/AC.bmp"},
        CollisionCase{"NamedAllOntoColours", "--colors my.gpl --name my --all .",
                      "which --colors reads", "my.gpl"},
        CollisionCase{"OntoTheTemplate", "--gif a.bmp", "which the export reads", "a.bmp"},
        CollisionCase{"LinkOntoASlot", "--json link.json --colors my.gpl", "savedata/",
                      "savedata/pat3.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

// A FIFO output waits for its reader without holding any folder's lock, and a run killed
// while it waits leaves no temporary behind.
TEST_F(ToolFixture, AFifoWaitsHoldingNothing) {
  ASSERT_EQ(::mkfifo(File("pipe.gif").c_str(), 0600), 0);
  std::string pid;
  RunCommand(kTool + " --data " + folder.path().string() + " --gif " + File("pipe.gif") +
                 " >/dev/null 2>&1 & echo $!",
             pid);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const ToolRun second = RunTool("--data " + folder.path().string() + " --apng q.png");
  EXPECT_EQ(second.status, 0) << second.output;
  ::kill(std::stoi(pid), SIGTERM);
  while (::kill(std::stoi(pid), 0) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  for (const auto& entry : fs::directory_iterator(File("result")))
    EXPECT_EQ(entry.path().filename().string().find(".quilmorante-"), std::string::npos)
        << entry.path();
}

// A data folder deeper than the system's longest path is reached through the working
// directory, never by its whole path.
TEST_F(ToolFixture, ADataFolderDeeperThanTheLongestPath) {
  // The shell makes and enters it a level at a time, by cd -P so that the shell never spells
  // the whole path either: it is too long for the system.
  const std::string level(200, 'd');
  std::string deep = "true";
  for (int depth = 0; depth < 25; ++depth) deep += " && mkdir -p " + level + " && cd -P " + level;
  std::string out, names;
  const int first = RunCommand(
      InFolder(deep + " && cp \"" + File("a.bmp") + "\" . && " + kTool + " --data . 2>&1"), out);
  const int loop =
      RunCommand(InFolder(deep + " && " + kTool + " --data . --cycle 0,15,8,forward 2>&1"), out);
  RunCommand(InFolder(deep + " && ls result"), names);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(loop, 0) << out;
  EXPECT_EQ(std::count(names.begin(), names.end(), '\n'), 32) << names;
  // rm takes it apart level by level, where the folder's own removal would need the whole path.
  RunCommand(InFolder("rm -rf " + level), out);
}
#endif

// An export of an id replaces the id's whole frame set: what a longer loop, or the other
// naming, left is removed with it; other ids' frames and names outside the pattern stay.
TEST_F(ToolFixture, AnExportReplacesTheIdsWholeFrameSet) {
  const std::string dataFolder = "--data " + folder.path().string() + " ";
  struct Step {
    const char* arguments;
    const char* last;      // the run's last BMP frame, which must be there
    const char* notAfter;  // the first frame past it, which must be gone
  };
  Write("result/B-0040.bmp", "another id");
  Write("result/AZ.bmp", "not a frame name");
  for (const Step& step : {Step{"--cycle 0,15,4,forward --png out", "A-0063", "A-0064"},
                           Step{"--cycle 0,15,8,forward --png out", "A-0031", "A-0032"},
                           Step{"--png out", "AP", "A-0000"},
                           Step{"--cycle 0,15,8,forward --png out", "A-0031", "AA"}}) {
    const ToolRun run = RunTool(dataFolder + step.arguments);
    ASSERT_EQ(run.status, 0) << step.arguments << ": " << run.output;
    for (const char* folderName : {"result/", "out/"}) {
      const std::string extension = folderName[0] == 'r' ? ".bmp" : ".png";
      EXPECT_TRUE(fs::exists(File(folderName + (step.last + extension)))) << step.arguments;
      EXPECT_FALSE(fs::exists(File(folderName + (step.notAfter + extension)))) << step.arguments;
    }
  }
  EXPECT_EQ(Read("result/B-0040.bmp"), "another id");
  EXPECT_EQ(Read("result/AZ.bmp"), "not a frame name");
}

// --no-frames leaves result/ as it is: the editor's frames there, and another loop's frames,
// which a run that writes frames removes; a file an option names is still written through a
// link.
TEST_F(ToolFixture, NoFramesLeavesTheResultsAlone) {
  WriteText(File("result/AA.bmp"), "the editor's frame");
  WriteText(File("result/A-0040.bmp"), "another loop's frame");
#ifndef _WIN32
  fs::create_symlink("target.gif", File("c.gif"));
#endif
  const ToolRun run = RunTool("--data " + folder.path().string() + " --no-frames --gif c.gif");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(ReadText(File("result/AA.bmp")), "the editor's frame");
  EXPECT_EQ(ReadText(File("result/A-0040.bmp")), "another loop's frame");
  EXPECT_FALSE(fs::exists(File("result/AB.bmp")));
  EXPECT_EQ(run.output.find(".bmp"), std::string::npos) << run.output;
#ifndef _WIN32
  EXPECT_TRUE(fs::is_symlink(File("c.gif")));
  EXPECT_EQ(ReadText(File("target.gif")).rfind("GIF89a", 0), 0u);
#endif
}

// Folder names are UTF-8 on both systems (on Windows through the programs' manifest).
TEST_F(ToolFixture, DataFolderWithAJapaneseName) {
  const fs::path japanese = folder.path() / u8"データ フォルダ";
  for (const char* file : {"a.bmp", "savedata/pat3.txt"}) {
    fs::create_directories((japanese / file).parent_path());
    fs::copy_file(File(file), japanese / file);
  }
  const ToolRun run = RunTool("--data \"データ フォルダ\" --pattern 3");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(fs::file_size(japanese / "result/AP.bmp"), 32886u);
}

// Temporaries a killed run left beside any file a run writes are cleaned, not only in
// result/; beside an output, only those of the files the run writes, and never a user's file
// that merely looks like a temporary.
TEST_F(ToolFixture, StaleTemporariesGoWhereverTheRunWrites) {
  const EndedProcess dead;
  const auto temp = [&](const std::string& folder, const std::string& name) {
    return folder + "/." + name + ".quilmorante-" + std::to_string(dead.id()) + ".tmp";
  };
  const std::string stale[] = {temp("out/A-shader", "index.png"), temp("elsewhere", "x.gif"),
                               temp("result", "AA.bmp")};
  const std::string kept[] = {temp("elsewhere", "y.gif"),
                              "elsewhere/mydoc.tmp" + std::to_string(dead.id())};
  for (const std::string& name : stale) Write(name, "half");
  for (const std::string& name : kept) Write(name, "the user's");
  const ToolRun run =
      RunTool("--data " + folder.path().string() + " --all out --gif elsewhere/x.gif");
  ASSERT_EQ(run.status, 0) << run.output;
  for (const std::string& name : stale) EXPECT_FALSE(fs::exists(File(name))) << name;
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(File(name))) << name;
}

}  // namespace
