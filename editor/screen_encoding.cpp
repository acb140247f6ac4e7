#include "editor/screen_encoding.h"

#include <cstdint>
#include <vector>

#include "editor/cp932_pairs.h"
#include "generator/utf8_text.h"

namespace {

constexpr int kTrails = 188;  // 0x40..0x7E, 0x80..0xFC
static_assert(static_cast<std::size_t>(kCp932PairCount) == std::size(kCp932Leads) * kTrails);

#ifdef QUILMORANTE_SCREEN_TABLE_FILLED
uint16_t filledPairs[kCp932PairCount];
const uint16_t (&kCp932Pairs)[kCp932PairCount] = filledPairs;
#endif

// What a table entry holds that is no two-byte character: nothing, what the single bytes hold
// (ASCII, the half-width katakana) and the user-defined area.
bool IsPairCharacter(char16_t c) {
  return c >= 0x80 && !(c >= 0xFF61 && c <= 0xFF9F) && !(c >= 0xE000 && c <= 0xF8FF);
}

// Each character's two bytes (lead << 8 | trail), 0 for none, made once from the table; of
// characters with two codes the first is kept.
const std::vector<uint16_t>& BytesByCharacter() {
  static const std::vector<uint16_t> bytes = [] {
    std::vector<uint16_t> of(0x10000);
    for (int i = kCp932PairCount - 1; i >= 0; --i) {
      const char16_t c = kCp932Pairs[i];
      if (!IsPairCharacter(c)) continue;
      const int t = i % kTrails;
      const int trail = t < 0x3F ? 0x40 + t : 0x41 + t;  // 0x7F is no trail
      of[c] = static_cast<uint16_t>(kCp932Leads[i / kTrails] << 8 | trail);
    }
    return of;
  }();
  return bytes;
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
      const uint16_t bytes = c <= 0xFFFF ? BytesByCharacter()[c] : 0;
      if (bytes == 0) {
        screen += kUnshownMark;
      } else {
        screen += static_cast<char>(bytes >> 8);
        screen += static_cast<char>(bytes & 0xFF);
      }
    }
  }
  return screen;
}

uint16_t* ScreenTable(int& count) {
#ifdef QUILMORANTE_SCREEN_TABLE_FILLED
  count = kCp932PairCount;
  return filledPairs;
#else
  count = 0;
  return nullptr;
#endif
}

const uint8_t* ScreenTableLeads(int& count) {
  count = static_cast<int>(std::size(kCp932Leads));
  return kCp932Leads;
}

std::vector<std::size_t> ScreenCharacterEnds(std::string_view text) {
  std::vector<std::size_t> ends;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsScreenLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
    ends.push_back(i + 1);
  }
  return ends;
}
