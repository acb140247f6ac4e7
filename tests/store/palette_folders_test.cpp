// A folder's listing for the palette browser: what is listed of each kind of name (links
// followed, a FIFO looked at but never opened), sorted.

#include "store/palette_folders.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct ListingCase {
  const char* name;  // what stands at "x": file, folder, fifo, link-*, nothing
  PathKind listed;
};

class PaletteFolderListing : public ::testing::TestWithParam<ListingCase> {};

TEST_P(PaletteFolderListing, ListsRegularFilesAndFoldersOnly) {
  const std::string what = GetParam().name;
  TempFolder f;
  WriteText(f.File("b.gpl"), "GIMP Palette\n");
  WriteText(f.File(".hidden.gpl"), "GIMP Palette\n");
  const std::string x = f.File("x");
  if (what == "file") WriteText(x, "ff0000\n");
  if (what == "folder") fs::create_directory(x);
#ifdef _WIN32
  if (what != "file" && what != "folder" && what != "nothing") GTEST_SKIP() << "POSIX only";
#else
  if (what == "fifo" || what == "link-fifo") ::mkfifo(f.File("fifo").c_str(), 0600);
  if (what == "fifo") fs::rename(f.File("fifo"), x);
  if (what == "link-fifo") fs::create_symlink(f.File("fifo"), x);
  if (what == "link-file") fs::create_symlink(f.File("b.gpl"), x);
  if (what == "link-folder") fs::create_directory_symlink("/", x);
  if (what == "link-dangling") fs::create_symlink(f.File("gone"), x);
#endif
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(ListPaletteFolder(f.path().string(), entries));
  std::vector<FolderEntry> wanted = {{"b.gpl", false}};
  if (GetParam().listed != PathKind::kNone)
    wanted.push_back({"x", GetParam().listed == PathKind::kFolder});
  EXPECT_EQ(entries, wanted);
  // A typed path to it is what its listing says it is; only a folder lists.
  EXPECT_EQ(KindOfPath(x), GetParam().listed);
  EXPECT_EQ(static_cast<bool>(ListPaletteFolder(x, entries)),
            GetParam().listed == PathKind::kFolder);
}

INSTANTIATE_TEST_SUITE_P(, PaletteFolderListing,
                         ::testing::Values(ListingCase{"file", PathKind::kFile},
                                           ListingCase{"folder", PathKind::kFolder},
                                           ListingCase{"fifo", PathKind::kNone},
                                           ListingCase{"link-file", PathKind::kFile},
                                           ListingCase{"link-folder", PathKind::kFolder},
                                           ListingCase{"link-fifo", PathKind::kNone},
                                           ListingCase{"link-dangling", PathKind::kNone},
                                           ListingCase{"nothing", PathKind::kNone}),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                           return name;
                         });

}  // namespace
