#include "generator/messages.h"

#include <cstdio>

namespace {

constexpr std::size_t kQuotedBytes = 80;
const char* programName = "quilmorante";

void AppendEscaped(std::string& out, unsigned char c) {
  char escaped[5];
  std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
  out += escaped;
}

// The length of the UTF-8 character at text[at] when it is a whole one that is no control
// character (C1 controls, U+0080..U+009F, included); 0 otherwise.
std::size_t ShownCharacter(const std::string& text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead >= 0x20 && lead < 0x7F) return 1;
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i)
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  // Overlong forms, surrogates, past U+10FFFF and the C1 controls are not shown.
  if ((lead == 0xE0 && byte(at + 1) < 0xA0) || (lead == 0xED && byte(at + 1) >= 0xA0) ||
      (lead == 0xF0 && byte(at + 1) < 0x90) || (lead == 0xF4 && byte(at + 1) >= 0x90) ||
      (lead == 0xC2 && byte(at + 1) < 0xA0))
    return 0;
  return length;
}

}  // namespace

void SetProgramName(const char* name) {
  programName = name;
}

void Warn(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", programName, text.c_str());
}

std::string QuoteForMessage(const std::string& text) {
  std::string quoted;
  const std::size_t shown = text.size() > kQuotedBytes ? kQuotedBytes : text.size();
  for (std::size_t i = 0; i < shown; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7f)
      quoted.push_back(static_cast<char>(c));
    else
      AppendEscaped(quoted, c);
  }
  if (shown < text.size()) quoted += "...";
  return quoted;
}

std::string QuoteName(const std::string& path) {
  std::size_t at = path.size() > kQuotedBytes ? path.size() - kQuotedBytes : 0;
  // Whole characters: the cut moves past the tail of one it would split.
  while (at > 0 && at < path.size() && (static_cast<unsigned char>(path[at]) & 0xC0) == 0x80) ++at;
  std::string quoted = at > 0 ? "..." : "";
  while (at < path.size()) {
    const std::size_t length = ShownCharacter(path, at);
    if (length == 0) {
      AppendEscaped(quoted, static_cast<unsigned char>(path[at++]));
    } else {
      quoted.append(path, at, length);
      at += length;
    }
  }
  return quoted;
}

std::string Counted(long long count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}
