#include "shell/desktop/cp932.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "editor/editor_texts.h"

namespace {

// The editor's texts as the build stores them, and what they read as.
TEST(DecodeCp932, EditorTextsReadAsTheirCharacters) {
  const struct {
    const char* bytes;
    const char32_t* expected;
  } cases[] = {
      {kJapaneseTexts.heading, U"中心点　縦横倍率"},
      {kJapaneseTexts.help[0], U"カーソルキー[SPACE]で移動"},
      {kJapaneseTexts.help[1], U"[Z][X][A][S][Q][W]でパラメータ変動"},
      {kJapaneseTexts.help[2], U"[P]でプレビュー[M]で出力"},
      {kJapaneseTexts.help[3], U"後はもうフィーリングで!!"},
      {kJapaneseTexts.reverseFormat, U"X逆:%3d[Q] Y逆:%3d[W]"},
      {kJapaneseTexts.distortFormat, U"X歪:%3d[A] Y歪:%3d[S]"},
      {kJapaneseTexts.patternFormat, U"パターン:   %d"},
      {kJapaneseTexts.paletteFormat, U"パレット:    %d"},
      {kJapaneseTexts.idLetterFormat, U"識別番号: %c"},
      {kJapaneseTexts.mosaicFormat, U"モザイクレベル:    %d"},
      {kJapaneseTexts.scaleXFormat, U"Ｘ倍率: %f"},
      {kJapaneseTexts.scaleYFormat, U"Ｙ倍率: %f"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeCp932(c.bytes), std::u32string(c.expected));
}

TEST(DecodeCp932, FullWidthAndIdeographicCharactersAreTheRightOnes) {
  EXPECT_EQ(DecodeCp932("\x81\x40"), U"\u3000");
  EXPECT_EQ(DecodeCp932("\x82\x77\x82\x78"), U"\uFF38\uFF39");
  EXPECT_EQ(DecodeCp932("\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E"),
            U"ＭＳ Ｐゴシック");
}

TEST(DecodeCp932, BadBytesBecomeReplacementCharacters) {
  const struct {
    std::string bytes;
    std::u32string expected;
  } cases[] = {
      {"\x81", U"\uFFFD"},         // lead byte cut off at the end
      {"A\x81", U"A\uFFFD"},       //
      {"\x81\x20Z", U"\uFFFD Z"},  // lead byte without a valid trail byte
      {"\xFF\xFF"
       "ab",
       U"\uFFFD\uFFFDab"},  // bytes that start nothing
      {std::string("a\0b", 3), std::u32string(U"a\0b", 3)},
      {"", U""},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeCp932(c.bytes), c.expected);
}

// Small output buffers split the text between characters, never inside one.
TEST(DecodeCp932, ChunksEndBetweenCharacters) {
  const std::string bytes = "X\x8Bt:\x81\x40\x82\x77\xFF!";
  const std::u32string whole = DecodeCp932(bytes);
  for (size_t capacity = 1; capacity <= 4; ++capacity) {
    std::u32string joined;
    std::vector<char32_t> out(capacity);
    size_t done = 0;
    while (done < bytes.size()) {
      const Cp932Chunk chunk =
          DecodeCp932(bytes.data() + done, bytes.size() - done, out.data(), capacity);
      ASSERT_GT(chunk.bytesRead, 0u);
      ASSERT_LE(chunk.codePoints, capacity);
      joined.append(out.data(), chunk.codePoints);
      done += chunk.bytesRead;
    }
    EXPECT_EQ(joined, whole) << "capacity " << capacity;
  }
  EXPECT_EQ(whole, U"X逆:\u3000\uFF38\uFFFD!");
}

// Every byte alone and every pair led by a byte over 0x7F, as glibc's CP932 table (which the
// Linux build reads with) reads them: its count of characters and an FNV-1a digest of every
// decoded text. The Windows build must read them alike.
TEST(DecodeCp932, EveryByteAndPairReadsAsGlibcReadsThem) {
  uint64_t digest = 14695981039346656037u;
  int characters = 0;
  auto add = [&](const std::string& bytes) {
    const std::u32string text = DecodeCp932(bytes);
    characters += text.size() == 1 && text[0] != kReplacementCharacter;
    for (const char32_t c : text)
      for (int shift = 0; shift < 32; shift += 8)
        digest = (digest ^ (c >> shift & 0xFF)) * 1099511628211u;
  };
  for (int lead = 0; lead < 256; ++lead) {
    add(std::string(1, static_cast<char>(lead)));
    for (int trail = 0; lead >= 0x80 && trail < 256; ++trail)
      add({static_cast<char>(lead), static_cast<char>(trail)});
  }
  EXPECT_EQ(characters, 9795);  // 191 single bytes, 9604 pairs
  EXPECT_EQ(digest, 12075864100086678635u);
}

}  // namespace
