// Names as the screen draws them: UTF-8 to code page 932, what it cannot hold as one mark.

#include "editor/screen_encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/cp932_text.h"

namespace {

struct EncodingCase {
  const char* utf8;
  std::string screen;
};

class ScreenEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(ScreenEncoding, GivesCodePage932AndOneMarkForWhatItCannotHold) {
  EXPECT_EQ(ToScreenText(GetParam().utf8), GetParam().screen);
}

const std::string kMark = kUnshownMark;

INSTANTIATE_TEST_SUITE_P(
    Texts, ScreenEncoding,
    ::testing::Values(EncodingCase{"lava-01.gpl", "lava-01.gpl"},
                      EncodingCase{"ゲーム パレット.hex", Cp932("ゲーム パレット.hex")},
                      EncodingCase{"漢字～①ｶﾞ", Cp932("漢字～①ｶﾞ")},
                      EncodingCase{"≒", "\x81\xE0"},  // the first of its two codes
                      EncodingCase{"é😀", kMark + kMark},
                      EncodingCase{"a\tb\x7f", "a" + kMark + "b" + kMark},
                      EncodingCase{"\xff\xe3\x81", kMark + kMark + kMark},  // bad, cut short
                      EncodingCase{"\xc0\xaf\xed\xa0\x80", kMark + kMark + kMark + kMark + kMark}),
    [](const auto& info) { return std::to_string(info.index); });

// Every character of code page 932's two-byte table (the user-defined area aside) comes back
// as the bytes the screen decodes to the same character.
TEST(ScreenEncodingTable, HoldsEveryTwoByteCharacter) {
  int characters = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string utf8 = Cp932ToUtf8(bytes);
      if (utf8.front() == '<' || (lead >= 0xF0 && lead <= 0xF9)) continue;
      ++characters;
      EXPECT_EQ(Cp932ToUtf8(ToScreenText(utf8)), utf8) << std::hex << lead << " " << trail;
    }
  }
  EXPECT_GT(characters, 7000);
}

}  // namespace
