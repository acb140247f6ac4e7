// What settings.txt says, what it is written as, and what a newer version's lines become.

#include "store/settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SettingsCase {
  const char* name;
  std::string text;
  Settings read;
  std::string written;  // SettingsText of what was read
};

class SettingsTextTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsTextTest, ReadsAndWritesBack) {
  const SettingsCase& c = GetParam();
  const Settings read = ParseSettings(c.text);
  EXPECT_EQ(read, c.read);
  EXPECT_EQ(SettingsText(read), c.written);
  EXPECT_EQ(ParseSettings(SettingsText(read)), read) << "a written file reads the same";
}

std::string Folders(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "palette-folder=/p/" + std::to_string(i) + "\n";
  return text;
}

std::vector<std::string> FolderList(int count) {
  std::vector<std::string> list;
  for (int i = 0; i < count; ++i) list.push_back("/p/" + std::to_string(i));
  return list;
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsTextTest,
    ::testing::Values(
        SettingsCase{"NoFile", "", {}, ""},
        SettingsCase{"Everything",
                     "language=en\npattern=7\npalette=99\npalette-folder=/home/a/ゲーム\n",
                     {Language::kEnglish, 7, 99, {"/home/a/ゲーム"}, {}},
                     "language=en\npattern=7\npalette=99\npalette-folder=/home/a/ゲーム\n"},
        SettingsCase{"WindowsLineEnds",
                     "language=ja\r\n\r\npalette=3\r\n",
                     {Language::kJapanese, {}, 3, {}, {}},
                     "language=ja\npalette=3\n"},
        // Kept as they are, in their order, for the version that wrote them.
        SettingsCase{"UnknownAndUnreadableLinesKept",
                     "future=1\npattern=100\npalette=-1\npattern=0x3\npalette-folder=\n",
                     {{},
                      {},
                      {},
                      {},
                      {"future=1", "pattern=100", "palette=-1", "pattern=0x3", "palette-folder="}},
                     "future=1\npattern=100\npalette=-1\npattern=0x3\npalette-folder=\n"},
        SettingsCase{"FoldersPastTheLimitKeptAsLines",
                     Folders(kMaxRememberedFolders + 1),
                     {{},
                      {},
                      {},
                      FolderList(kMaxRememberedFolders),
                      {"palette-folder=/p/" + std::to_string(kMaxRememberedFolders)}},
                     Folders(kMaxRememberedFolders + 1)}),
    [](const auto& info) { return std::string(info.param.name); });

// The newest folder first, once, and the oldest gives way.
TEST(RememberFolderTest, NewestFirstOnceAndBounded) {
  Settings settings;
  settings.paletteFolders = FolderList(kMaxRememberedFolders);
  RememberFolder(settings, "/p/3");
  EXPECT_EQ(settings.paletteFolders.front(), "/p/3");
  EXPECT_EQ(settings.paletteFolders.size(), kMaxRememberedFolders);
  RememberFolder(settings, "/new");
  EXPECT_EQ(settings.paletteFolders.front(), "/new");
  EXPECT_EQ(settings.paletteFolders.size(), kMaxRememberedFolders);
  EXPECT_EQ(settings.paletteFolders.back(), "/p/6") << "the oldest, /p/7, gave way";
}

}  // namespace
