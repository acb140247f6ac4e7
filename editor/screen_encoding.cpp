#include "editor/screen_encoding.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "editor/cp932_pairs.h"
#include "generator/utf8_text.h"

namespace {

constexpr int kTrails = 188;  // 0x40..0x7E, 0x80..0xFC

// A two-byte character: its code point and its bytes (lead << 8 | trail).
struct Pair {
  char16_t character;
  uint16_t bytes;
};

// What a table entry holds that is no two-byte character: nothing, what the single bytes hold
// (ASCII, the half-width katakana) and the user-defined area.
bool IsPairCharacter(char16_t c) {
  return c >= 0x80 && !(c >= 0xFF61 && c <= 0xFF9F) && !(c >= 0xE000 && c <= 0xF8FF);
}

// The table by code point, made once; of characters with two codes the first is kept.
const std::vector<Pair>& PairsByCharacter() {
  static const std::vector<Pair> pairs = [] {
    static_assert(std::size(kCp932Pairs) == std::size(kCp932Leads) * kTrails);
    std::vector<Pair> sorted;
    for (std::size_t i = 0; i < std::size(kCp932Pairs); ++i) {
      const char16_t c = kCp932Pairs[i];
      if (!IsPairCharacter(c)) continue;
      const int t = static_cast<int>(i % kTrails);
      const int trail = t < 0x3F ? 0x40 + t : 0x41 + t;  // 0x7F is no trail
      sorted.push_back({c, static_cast<uint16_t>(kCp932Leads[i / kTrails] << 8 | trail)});
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Pair& a, const Pair& b) { return a.character < b.character; });
    return sorted;
  }();
  return pairs;
}

}  // namespace

std::string ToScreenText(std::string_view utf8) {
  std::string screen;
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t c;
    if (!NextCharacter(utf8, at, c) || IsControlCharacter(c)) {
      screen += kUnshownMark;
    } else if (c < 0x80) {
      screen += static_cast<char>(c);
    } else if (c >= 0xFF61 && c <= 0xFF9F) {
      screen += static_cast<char>(c - 0xFF61 + 0xA1);
    } else {
      const std::vector<Pair>& pairs = PairsByCharacter();
      const auto found = std::lower_bound(
          pairs.begin(), pairs.end(), c,
          [](const Pair& pair, char32_t wanted) { return pair.character < wanted; });
      if (c > 0xFFFF || found == pairs.end() || found->character != c) {
        screen += kUnshownMark;
      } else {
        screen += static_cast<char>(found->bytes >> 8);
        screen += static_cast<char>(found->bytes & 0xFF);
      }
    }
  }
  return screen;
}
