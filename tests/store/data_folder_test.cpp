#include "store/data_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "generator/frame_template.h"
#include "generator/pattern_generator.h"
#include "tests/support/generator_exports.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::string Replace(std::string text, const std::string& root) {
  const std::string marker = "$ROOT";
  for (std::size_t at; (at = text.find(marker)) != std::string::npos;)
    text.replace(at, marker.size(), root);
  return text;
}

// Prefixes the layout rule is tried on, each a folder tree in a fresh temporary folder:
//   beside/siro.bmp                                        an unpacked or build folder
//   both/bin/siro.bmp + both/share/quilmorante/siro.bmp    beside wins over installed
//   usr/bin/ + usr/share/quilmorante/siro.bmp              installed
//   empty/bin/                                             neither
//   partial/bin/ + partial/share/quilmorante/a.bmp         neither: siro.bmp decides
struct LayoutTree : ::testing::Test {
  TempFolder folder;
  std::string root;
  void SetUp() override {
    root = folder.path().string();
    for (const char* file : {"beside/siro.bmp", "both/bin/siro.bmp",
                             "both/share/quilmorante/siro.bmp", "usr/share/quilmorante/siro.bmp",
                             "usr/share/quilmorante/a.bmp", "partial/share/quilmorante/a.bmp"})
      WriteText(folder.File(file), "BM");
    for (const char* made : {"usr/bin", "empty/bin", "partial/bin"})
      fs::create_directories(folder.File(made));
  }
};

struct LayoutCase {
  const char* name;
  const char* executableFolder;  // $ROOT is the temporary folder
  const char* xdgDataHome;       // "" is unset
  const char* home;
  bool installed;
  const char* workFolder;
  const char* resourceFolder;
};

class LayoutRule : public LayoutTree, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(LayoutRule, DecidesFoldersFromExecutableAndEnvironment) {
  const LayoutCase& c = GetParam();
  const LayoutEnvironment environment{c.xdgDataHome, c.home};
  const DataLayout layout = DecideDataLayout(Replace(c.executableFolder, root), environment);
#ifdef _WIN32
  // Windows has the folder beside the program alone.
  EXPECT_FALSE(layout.installed);
  EXPECT_EQ(layout.workFolder, Replace(c.executableFolder, root));
  return;
#endif
  EXPECT_EQ(layout.installed, c.installed);
  EXPECT_EQ(layout.workFolder, Replace(c.workFolder, root));
  EXPECT_EQ(layout.resourceFolder, Replace(c.resourceFolder, root));
}

INSTANTIATE_TEST_SUITE_P(
    DataFolder, LayoutRule,
    ::testing::Values(LayoutCase{"BesideExecutable", "$ROOT/beside", "/xdg", "/home/u", false,
                                 "$ROOT/beside", "$ROOT/beside"},
                      LayoutCase{"BesideWinsOverInstalled", "$ROOT/both/bin", "/xdg", "/home/u",
                                 false, "$ROOT/both/bin", "$ROOT/both/bin"},
                      LayoutCase{"InstalledXdgDataHomeSet", "$ROOT/usr/bin", "/xdg", "/home/u",
                                 true, "/xdg/quilmorante", "$ROOT/usr/share/quilmorante"},
                      LayoutCase{"InstalledXdgDataHomeTrailingSlash", "$ROOT/usr/bin", "/xdg/",
                                 "/home/u", true, "/xdg/quilmorante",
                                 "$ROOT/usr/share/quilmorante"},
                      LayoutCase{"InstalledXdgDataHomeUnset", "$ROOT/usr/bin", "", "/home/u", true,
                                 "/home/u/.local/share/quilmorante", "$ROOT/usr/share/quilmorante"},
                      LayoutCase{"InstalledXdgDataHomeRelativeIsIgnored", "$ROOT/usr/bin",
                                 "relative/data", "/home/u", true,
                                 "/home/u/.local/share/quilmorante", "$ROOT/usr/share/quilmorante"},
                      LayoutCase{"InstalledExecutableFolderWithTrailingSlash", "$ROOT/usr/bin/", "",
                                 "/home/u", true, "/home/u/.local/share/quilmorante",
                                 "$ROOT/usr/share/quilmorante"},
                      LayoutCase{"InstalledWithoutAnyHome", "$ROOT/usr/bin", "", "", true, "",
                                 "$ROOT/usr/share/quilmorante"},
                      LayoutCase{"InstalledRelativeHomeIsIgnored", "$ROOT/usr/bin", "", "home/u",
                                 true, "", "$ROOT/usr/share/quilmorante"},
                      LayoutCase{"NeitherPresent", "$ROOT/empty/bin", "/xdg", "/home/u", false,
                                 "$ROOT/empty/bin", "$ROOT/empty/bin"},
                      LayoutCase{"InstalledWithoutSiroIsNeither", "$ROOT/partial/bin", "/xdg",
                                 "/home/u", false, "$ROOT/partial/bin", "$ROOT/partial/bin"},
                      LayoutCase{"ExecutableFolderUnknown", "", "/xdg", "/home/u", false, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LayoutTree, NamedDataFolderUsesItsOwnTemplateOrTheInstalledOne) {
#ifdef _WIN32
  GTEST_SKIP() << "Linux only: Windows has no installed layout";
#endif
  WriteText(folder.File("mine/a.bmp"), "BM");
  fs::create_directories(folder.File("bare"));
  // The folders as --data may name them: from the working directory, or whole.
  const std::string mine = fs::relative(folder.path() / "mine").generic_string(),
                    bare = fs::relative(folder.path() / "bare").generic_string();
  const DataLayout installed = DecideDataLayout(root + "/usr/bin", {"/xdg", "/home/u"});
  ASSERT_TRUE(installed.installed);
  EXPECT_EQ(NamedDataFolder(installed, mine).frameTemplate, mine + "/a.bmp");
  EXPECT_EQ(NamedDataFolder(installed, root + "/mine").frameTemplate, root + "/mine/a.bmp");
  EXPECT_EQ(NamedDataFolder(installed, bare).frameTemplate, root + "/usr/share/quilmorante/a.bmp");
  // Beside the executable there is no installed template to fall back on.
  const DataLayout beside = DecideDataLayout(root + "/beside", {"/xdg", "/home/u"});
  EXPECT_EQ(NamedDataFolder(beside, bare).frameTemplate, bare + "/a.bmp");
}

// The installed layout's first start: share/quilmorante holds the example slots, the user's
// data folder (and its parents) do not exist yet.
struct FirstStart : ::testing::Test {
  TempFolder folder;
  DataLayout layout;
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: Windows has no installed layout";
#endif
    const std::string root = folder.path().string();
    WriteText(folder.File("usr/share/quilmorante/siro.bmp"), "BM");
    WriteText(folder.File("usr/share/quilmorante/examples/pat0.txt"), "example pattern 0");
    WriteText(folder.File("usr/share/quilmorante/examples/pal0.txt"), "example palette 0");
    WriteText(folder.File("usr/share/quilmorante/examples/pat1.txt"), "example pattern 1");
    WriteText(folder.File("usr/share/quilmorante/examples/notes.md"), "not a slot");
    fs::create_directories(folder.File("usr/bin"));
    layout = DecideDataLayout(root + "/usr/bin", {"", root + "/home"});
    ASSERT_TRUE(layout.installed);
    ASSERT_EQ(layout.workFolder, root + "/home/.local/share/quilmorante");
  }
  fs::path Work() const {
    return layout.workFolder;
  }
  static int Mode(const fs::path& path) {
    struct stat info {};
    return ::stat(path.string().c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
  }
};

TEST_F(FirstStart, CreatesTheFolderAndCopiesTheExampleSlots) {
  ASSERT_TRUE(PrepareWorkFolder(layout));
  EXPECT_TRUE(fs::is_directory(Work() / "savedata"));
  EXPECT_TRUE(fs::is_directory(Work() / "result"));
  EXPECT_EQ(ReadText(Work() / "savedata/pat0.txt"), "example pattern 0");
  EXPECT_EQ(ReadText(Work() / "savedata/pal0.txt"), "example palette 0");
  EXPECT_EQ(ReadText(Work() / "savedata/pat1.txt"), "example pattern 1");
  EXPECT_FALSE(fs::exists(Work() / "savedata/notes.md"));
  // Folders the XDG Base Directory rules name are made private to the user.
  EXPECT_EQ(Mode(folder.path() / "home/.local"), 0700);
  EXPECT_EQ(Mode(Work()), 0700);
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(Work() / "savedata")) {
    ++entries;
    EXPECT_EQ(entry.path().extension(), ".txt") << entry.path() << " left behind";
  }
  EXPECT_EQ(entries, 3);
}

TEST_F(FirstStart, NeverOverwritesASlot) {
  WriteText(Work() / "savedata/pat0.txt", "my own pattern");
  ASSERT_TRUE(PrepareWorkFolder(layout));
  EXPECT_EQ(ReadText(Work() / "savedata/pat0.txt"), "my own pattern");
  EXPECT_EQ(ReadText(Work() / "savedata/pal0.txt"), "example palette 0");

  // Later starts keep what the user saved over the examples, too.
  WriteText(Work() / "savedata/pal0.txt", "my own palette");
  ASSERT_TRUE(PrepareWorkFolder(layout));
  EXPECT_EQ(ReadText(Work() / "savedata/pat0.txt"), "my own pattern");
  EXPECT_EQ(ReadText(Work() / "savedata/pal0.txt"), "my own palette");
  EXPECT_EQ(ReadText(Work() / "savedata/pat1.txt"), "example pattern 1");
}

// The installed export: slots and frames in the user's data folder, a.bmp from share.
TEST_F(FirstStart, ExportReadsTheInstalledTemplate) {
  WriteText(folder.File("usr/share/quilmorante/a.bmp"), FrameTemplate());
  ASSERT_TRUE(PrepareWorkFolder(layout));
  // The editor's folder, which its start enters, reached here by its path.
  DataFolder data = LayoutDataFolder(layout);
  data.root = layout.workFolder;
  ASSERT_TRUE(ExportFrames(Document{}, data));
  EXPECT_FALSE(fs::exists(Work() / "a.bmp"));
  for (int a = 0; a < kFrameCount; ++a)
    EXPECT_EQ(fs::file_size(Work() / DataFolder::FrameFile('A', a)),
              static_cast<uintmax_t>(kFrameBytes));
  // A missing installed template is named with its full path.
  fs::remove(folder.path() / "usr/share/quilmorante/a.bmp");
  const Result result = ExportFrames(Document{}, data);
  EXPECT_FALSE(result);
  EXPECT_NE(result.message.find(data.frameTemplate), std::string::npos) << result.message;
}

TEST_F(FirstStart, ADataFolderThatIsAFileFails) {
  WriteText(Work(), "in the way");
  const Result result = PrepareWorkFolder(layout);
  EXPECT_FALSE(result);
  EXPECT_NE(result.message.find(layout.workFolder), std::string::npos) << result.message;
}

TEST_F(FirstStart, WithoutAHomeItSaysSo) {
  layout.workFolder.clear();
  const Result result = PrepareWorkFolder(layout);
  EXPECT_FALSE(result);
  EXPECT_NE(result.message.find("HOME"), std::string::npos) << result.message;
}

}  // namespace
