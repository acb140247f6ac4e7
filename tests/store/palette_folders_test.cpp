// A folder's listing for the palette browser: what is listed of each kind of name (links
// followed, a FIFO looked at but never opened), sorted; and the places offered.

#include "store/palette_folders.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct ListingCase {
  const char* name;
  std::function<void(const TempFolder&)> plant;  // makes "x" in the folder
  const char* listed;                            // "file", "folder" or "" (not listed)
};

class PaletteFolderListing : public ::testing::TestWithParam<ListingCase> {};

TEST_P(PaletteFolderListing, ListsRegularFilesAndFoldersOnly) {
  const ListingCase& c = GetParam();
#ifdef _WIN32
  if (std::string(c.name).find("Link") != std::string::npos ||
      std::string(c.name).find("Fifo") != std::string::npos)
    GTEST_SKIP() << "POSIX links and FIFOs";
#endif
  TempFolder folder;
  WriteText(folder.File("b.gpl"), "GIMP Palette\n");
  WriteText(folder.File(".hidden.gpl"), "GIMP Palette\n");
  c.plant(folder);
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(ListPaletteFolder(folder.path().string(), entries));
  std::vector<FolderEntry> wanted = {{"b.gpl", false}};
  if (*c.listed != '\0') wanted.push_back({"x", std::string(c.listed) == "folder"});
  EXPECT_EQ(entries, wanted);
  // A typed path to it is what its listing says it is, and a file is no folder to list.
  const PathKind kind = KindOfPath(folder.File("x"));
  EXPECT_EQ(kind, *c.listed == '\0'                 ? PathKind::kNone
                  : std::string(c.listed) == "file" ? PathKind::kFile
                                                    : PathKind::kFolder);
  if (kind != PathKind::kFolder) {
    EXPECT_FALSE(ListPaletteFolder(folder.File("x"), entries));
  }
}

INSTANTIATE_TEST_SUITE_P(
    , PaletteFolderListing,
    ::testing::Values(
        ListingCase{"File", [](const TempFolder& f) { WriteText(f.File("x"), "ff0000\n"); },
                    "file"},
        ListingCase{"Folder", [](const TempFolder& f) { fs::create_directory(f.File("x")); },
                    "folder"},
#ifndef _WIN32
        ListingCase{"Fifo", [](const TempFolder& f) { ::mkfifo(f.File("x").c_str(), 0600); }, ""},
        ListingCase{"LinkToFile",
                    [](const TempFolder& f) { fs::create_symlink(f.File("b.gpl"), f.File("x")); },
                    "file"},
        ListingCase{"LinkToFolder",
                    [](const TempFolder& f) { fs::create_directory_symlink("/", f.File("x")); },
                    "folder"},
        ListingCase{"LinkToFifo",
                    [](const TempFolder& f) {
                      ::mkfifo(f.File("fifo").c_str(), 0600);
                      fs::create_symlink(f.File("fifo"), f.File("x"));
                    },
                    ""},
        ListingCase{"DanglingLink",
                    [](const TempFolder& f) { fs::create_symlink(f.File("gone"), f.File("x")); },
                    ""},
#endif
        ListingCase{"Nothing", [](const TempFolder&) {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PaletteFolders, ThePlacesInOrderEachOnce) {
  const PaletteFolderEnvironment environment{"/cfg", "/home/u", "C:/Users/u/AppData/Roaming"};
  const std::vector<PaletteFolder> folders =
      PaletteFolders(environment, "/data", {"/home/u/pals", "/data/palettes"});
  std::vector<std::string> paths;
  for (const PaletteFolder& folder : folders) paths.push_back(folder.path);
#ifndef _WIN32
  EXPECT_EQ(paths, (std::vector<std::string>{"/data/palettes", "/cfg/GIMP/2.10/palettes",
                                             "/cfg/GIMP/3.0/palettes", "/cfg/aseprite/palettes",
                                             "/usr/share/gimp/2.0/palettes",
                                             "/usr/share/gimp/3.0/palettes", "/home/u/pals"}));
  // A relative $XDG_CONFIG_HOME is ignored, as the XDG rules say.
  EXPECT_EQ(PaletteFolders({"cfg", "/home/u", ""}, "/data", {})[1].path,
            "/home/u/.config/GIMP/2.10/palettes");
#endif
}

}  // namespace
