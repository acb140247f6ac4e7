// The screen texts the build converts from editor/editor_texts.txt: each decodes from code
// page 932 to the table's text, both languages take the same printf directives, and the bytes
// where code page 932 is easy to get wrong are the ones the fonts expect.

#include "editor/editor_texts.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <string>
#include <utility>
#include <vector>

#include "editor/screen_texts.h"

namespace {

std::string Cp932ToUtf8(const std::string& bytes) {
#ifdef _WIN32
  // Windows' own table: no iconv there.
  std::wstring wide(bytes.size() + 1, L'\0');
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(),
                                    static_cast<int>(bytes.size()), wide.data(), wide.size());
  if (n == 0 && !bytes.empty()) return "<invalid CP932>";
  std::string utf8(static_cast<size_t>(n) * 3, '\0');
  utf8.resize(
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, utf8.data(), utf8.size(), nullptr, nullptr));
  return utf8;
#else
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "<no CP932 converter>";
  std::vector<char> in(bytes.begin(), bytes.end());
  std::vector<char> out(bytes.size() * 4 + 4);
  char* inp = in.data();
  size_t inLeft = in.size();
  char* outp = out.data();
  size_t outLeft = out.size();
  const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || inLeft != 0) return "<invalid CP932>";
  return std::string(out.data(), outp);
#endif
}

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

// Bytes the fonts are known to draw, where a different conversion would differ.
TEST(EditorTexts, SpotBytes) {
  const struct {
    const char* text;
    const char* bytes;
  } cases[] = {
      // A trail byte 0x5C, the backslash (ソ).
      {kJapaneseTexts.help[0], "\x83J\x81[\x83\\\x83\x8B\x83L\x81[[SPACE]\x82\xC5\x88\xDA\x93\xAE"},
      // An ideographic space, and a hex escape that must not run on.
      {kJapaneseTexts.heading,
       "\x92\x86\x90S\x93_\x81@\x8F"
       "c\x89\xA1\x94{\x97\xA6"},
      // Printf directives among double-byte characters; a space at the end.
      {kJapaneseTexts.reverseFormat, "X\x8Bt:%3d[Q] Y\x8Bt:%3d[W]"},
      {kJapaneseTexts.exportingFormat, "\x8Fo\x97\xCD\x92\x86 %d/%d "},
      // The wave dash, which Unicode spells two ways (U+301C, U+FF5E), and the ellipsis the
      // status line shortens with.
      {kJapaneseTexts.range, " \x81` "},
      {kJapaneseTexts.ellipsis,
       "\x81"
       "c"},
  };
  for (const auto& c : cases) EXPECT_EQ(std::string(c.text), c.bytes);
}

TEST(EditorTexts, ThePointRowTakesFiveNumbers) {
  EXPECT_EQ(Directives(kPointFormat), "%3d %3d %3d %3d %3d ");
}

}  // namespace
