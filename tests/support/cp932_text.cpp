#include "tests/support/cp932_text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <optional>
#include <vector>

namespace {

constexpr unsigned kCodePage = 932;
constexpr unsigned kUtf8 = 65001;

// text from one code page to the other; nothing when a character has no place in the target.
std::optional<std::string> Convert(std::string_view text, unsigned from, unsigned to) {
#ifdef _WIN32
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  std::wstring wide(text.size(), L'\0');
  const int n =
      MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), length);
  if (n == 0) return std::nullopt;
  std::string converted(static_cast<size_t>(n) * 4, '\0');
  BOOL defaulted = FALSE;
  const int written = WideCharToMultiByte(to, to == kUtf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide.data(),
                                          n, converted.data(), static_cast<int>(converted.size()),
                                          nullptr, to == kUtf8 ? nullptr : &defaulted);
  if (written == 0 || defaulted) return std::nullopt;
  converted.resize(static_cast<size_t>(written));
  return converted;
#else
  iconv_t cd = iconv_open(to == kUtf8 ? "UTF-8" : "CP932", from == kUtf8 ? "UTF-8" : "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::vector<char> in(text.begin(), text.end());
  std::vector<char> out(text.size() * 4 + 4);
  char* inp = in.data();
  size_t inLeft = in.size();
  char* outp = out.data();
  size_t outLeft = out.size();
  const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (r != 0 || inLeft != 0) return std::nullopt;
  return std::string(out.data(), outp);
#endif
}

}  // namespace

std::string Cp932(std::string_view utf8) {
  return Convert(utf8, kUtf8, kCodePage).value_or("<not CP932>");
}

std::string Cp932ToUtf8(std::string_view bytes) {
  return Convert(bytes, kCodePage, kUtf8).value_or("<invalid CP932>");
}
