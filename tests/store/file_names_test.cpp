// The names made of a user's text: the stem a slot's name gives the exported files, and the
// palette file's name the look keeps and the screen shows.

#include <gtest/gtest.h>

#include <string>

#include "store/paths.h"

namespace {

struct NameCase {
  const char* given;
  const char* stem;   // SafeFileStem's
  const char* shown;  // ShownName's; null where Windows reads a separator or a drive
};

class FileNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNames, KeepWhatAFileNameCanHoldAndCutOnCharacters) {
  const NameCase& c = GetParam();
  EXPECT_EQ(SafeFileStem(c.given), c.stem);
  if (c.shown != nullptr) {
    EXPECT_EQ(ShownName(c.given), c.shown);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, FileNames,
    ::testing::Values(
        NameCase{"lava", "lava", "lava"},
        NameCase{"ゲーム パレット.hex", "ゲーム パレット.hex", "ゲーム パレット.hex"},
        NameCase{"../savedata/pat0", "_savedata_pat0", "pat0"},
        NameCase{"a\\b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i", nullptr},
        NameCase{"b*c?d\"e<f>g|h", "b_c_d_e_f_g_h", "b*c?d\"e<f>g|h"},
        NameCase{"tab\there\x1b[2J", "tab_here_[2J", "tab?here?[2J"},
        NameCase{"bad\xff\xc0\xaf"
                 "bytes",
                 "bad___bytes", "bad???bytes"},
        NameCase{"..hidden", "hidden", "..hidden"}, NameCase{" .. ", "", " .. "},
        NameCase{"trail. . ", "trail", "trail. . "}, NameCase{"CON", "_CON", "CON"},
        NameCase{"nul.txt", "_nul.txt", "nul.txt"}, NameCase{"Com7", "_Com7", "Com7"},
        NameCase{"LPT1 .x", "_LPT1 .x", "LPT1 .x"}, NameCase{"COM10", "COM10", "COM10"},
        NameCase{"conference", "conference", "conference"},
        NameCase{"ああああああああああああああああああああああああああああああ",  // 90 bytes
                 "あああああああああああああああああああああ",
                 "あああああああああああああああああああああ..."}),
    [](const auto& info) { return std::to_string(info.index); });

}  // namespace
