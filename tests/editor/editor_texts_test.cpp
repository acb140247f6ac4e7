// The screen texts decode from code page 932 to exactly the intended characters, and their
// only printf directives are the intended ones.

#include "editor/editor_texts.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <string>
#include <vector>

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

struct TextCase {
  const char* name;
  const char* cp932;
  const char* utf8;
  const char* directives;
};

class EditorTextsTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(EditorTextsTest, DecodesToTheScreenText) {
  const TextCase& c = GetParam();
  EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
  EXPECT_EQ(Directives(c.cp932), c.directives);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EditorTextsTest,
    ::testing::Values(TextCase{"Heading", kHeading, "中心点\u3000縦横倍率", ""},
                      TextCase{"Help1", kHelpLine1, "カーソルキー[SPACE]で移動", ""},
                      TextCase{"Help2", kHelpLine2, "[Z][X][A][S][Q][W]でパラメータ変動", ""},
                      TextCase{"Help3", kHelpLine3, "[P]でプレビュー[M]で出力", ""},
                      TextCase{"Help4", kHelpLine4, "後はもうフィーリングで!!", ""},
                      TextCase{"Reverse", kReverseFormat, "X逆:%3d[Q] Y逆:%3d[W]", "%3d %3d "},
                      TextCase{"Distortion", kDistortFormat, "X歪:%3d[A] Y歪:%3d[S]", "%3d %3d "},
                      TextCase{"Pattern", kPatternFormat, "パターン:   %d", "%d "},
                      TextCase{"Palette", kPaletteFormat, "パレット:    %d", "%d "},
                      TextCase{"IdLetter", kIdLetterFormat, "識別番号: %c", "%c "},
                      TextCase{"Mosaic", kMosaicFormat, "モザイクレベル:    %d", "%d "},
                      TextCase{"ScaleX", kScaleXFormat, "\uFF38倍率: %f", "%f "},
                      TextCase{"ScaleY", kScaleYFormat, "\uFF39倍率: %f", "%f "},
                      TextCase{"Point", kPointFormat, "(%3d,%3d) (x%3d,x%3d)x%3d",
                               "%3d %3d %3d %3d %3d "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
