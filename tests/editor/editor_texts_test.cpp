// The screen texts the build converts from editor/editor_texts.txt: each decodes from code
// page 932 to the table's text, both languages take the same printf directives, and the bytes
// where code page 932 is easy to get wrong are the ones the fonts expect.

#include "editor/editor_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "editor/screen_texts.h"
#include "tests/support/cp932_text.h"

namespace {

std::string Directives(const std::string& format) {
  std::string found;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    size_t j = i + 1;
    while (j < format.size() && std::string("0123456789").find(format[j]) != std::string::npos) ++j;
    if (j < format.size()) found += format.substr(i, j - i + 1) + " ";
    i = j;
  }
  return found;
}

TEST(EditorTexts, EveryTextDecodesToTheTableAndBothLanguagesTakeTheSameDirectives) {
  for (const ScreenTextLine& line : kScreenTextLines) {
    SCOPED_TRACE(line.field);
    for (const auto& [held, written] :
         {std::pair{line.japaneseHeld, line.japanese}, std::pair{line.englishHeld, line.english}})
      EXPECT_EQ(line.cp932 ? Cp932ToUtf8(held) : std::string(held), written);
    // A trail byte is never '%': the directives are the table's, in either language.
    EXPECT_EQ(Directives(line.japaneseHeld), Directives(line.japanese));
    EXPECT_EQ(Directives(line.japaneseHeld), Directives(line.englishHeld));
  }
}

// Texts where code page 932 is easy to get wrong: each is the system's code page 932 of what
// it reads and holds the bytes the fonts are known to draw, where a different conversion
// would differ.
TEST(EditorTexts, SpotBytes) {
  const struct {
    const char* held;
    const char* text;
    const char* bytes;
  } cases[] = {
      // A trail byte 0x5C, the backslash: ソ.
      {kJapaneseTexts.help[0], "カーソルキー[SPACE]で移動", "\x83\\"},
      // An ideographic space, and 縦, whose hex escape must not run on into its 'c'.
      {kJapaneseTexts.heading, "中心点　縦横倍率",
       "\x81@\x8F"
       "c"},
      // Printf directives among double-byte characters (逆); a space at the end.
      {kJapaneseTexts.reverseFormat, "X逆:%3d[Q] Y逆:%3d[W]", ""},
      {kJapaneseTexts.exportingFormat, "出力中 %d/%d ", ""},
      // The wave dash, which Unicode spells two ways (U+301C, U+FF5E), and the ellipsis the
      // status line shortens with.
      {kJapaneseTexts.range, " ～ ", "\x81`"},
      {kJapaneseTexts.ellipsis, "…",
       "\x81"
       "c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.held, Cp932(c.text));
    EXPECT_NE(std::string(c.held).find(c.bytes), std::string::npos);
  }
}

TEST(EditorTexts, ThePointRowTakesFiveNumbers) {
  EXPECT_EQ(Directives(kPointFormat), "%3d %3d %3d %3d %3d ");
}

}  // namespace
