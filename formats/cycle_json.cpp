#include "formats/cycle_json.h"

#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// The players' "reverse" field for forward, reverse and ping-pong.
constexpr int kReverseCodes[] = {0, 2, 3};

// The fewest digits after the point that read back as the same double, in plain decimal:
// what std::to_chars(fixed) gives, spelled with printf's correctly rounded digits because
// not every C++ library has floating-point to_chars. Empty for values printf cannot hold.
std::string ShortestFixed(double value) {
  char text[400];
  for (int digits = 0; digits <= 17; ++digits) {
    const int length = std::snprintf(text, sizeof text, "%.*f", digits, value);
    if (length <= 0 || length >= static_cast<int>(sizeof text)) return {};
    if (std::strtod(text, nullptr) == value) return std::string(text, static_cast<size_t>(length));
  }
  return {};
}

void Append(std::vector<uint8_t>& out, std::string_view text) {
  if (text.empty()) return;
  // Sized first and copied: GCC 12 sees an overflow that is not there in an insert here.
  const size_t at = out.size();
  out.resize(at + text.size());
  std::memcpy(out.data() + at, text.data(), text.size());
}

void AppendNumber(std::vector<uint8_t>& out, int value) {
  char text[16];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  out.insert(out.end(), text, end);
}

// Length of the well-formed UTF-8 sequence at s[i], or 0 when the bytes there are not one
// (overlong forms, surrogates and values past U+10FFFF included).
size_t Utf8Length(const std::string& s, size_t i) {
  const unsigned char lead = static_cast<unsigned char>(s[i]);
  size_t length;
  unsigned low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (s.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char c = static_cast<unsigned char>(s[i + k]);
    if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return 0;
  }
  return length;
}

void AppendString(std::vector<uint8_t>& out, const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
      ++i;
    } else if (c < 0x20) {
      Append(out, "\\u00");
      out.push_back(static_cast<uint8_t>(kHex[c >> 4]));
      out.push_back(static_cast<uint8_t>(kHex[c & 15]));
      ++i;
    } else if (const size_t length = Utf8Length(text, i); length == 0) {
      Append(out, "\\ufffd");
      ++i;
    } else {
      out.insert(out.end(), text.begin() + static_cast<std::ptrdiff_t>(i),
                 text.begin() + static_cast<std::ptrdiff_t>(i + length));
      i += length;
    }
  }
  out.push_back('"');
}

}  // namespace

Result EncodeCycleJson(const Cycle& cycle, const std::string& filename,
                       std::vector<uint8_t>& bytes) {
  if (Result timed = CheckDelay("JSON", cycle); !timed) return timed;
  bytes.clear();
  // Up to three characters an index, a little for the rest.
  bytes.reserve(3 * Cycle::kEdge * Cycle::kEdge + 1024 + filename.size() * 6);
  Append(bytes, "{\"filename\":");
  AppendString(bytes, filename);
  Append(bytes, ",\"width\":");
  AppendNumber(bytes, Cycle::kEdge);
  Append(bytes, ",\"height\":");
  AppendNumber(bytes, Cycle::kEdge);
  Append(bytes, ",\"colors\":[");
  uint8_t base[kPaletteEntries][kChannels];
  cycle.BaseColours(base);
  for (int k = 0; k < kPaletteEntries; ++k) {
    if (k > 0) bytes.push_back(',');
    bytes.push_back('[');
    for (int c = 0; c < kChannels; ++c) {
      if (c > 0) bytes.push_back(',');
      AppendNumber(bytes, base[k][c]);
    }
    bytes.push_back(']');
  }
  // One cycle a range. The players count 280 units for one step a second: 280 * 100 * k /
  // (16 * delay), exact whenever it is whole, and fixed notation keeps it a plain decimal
  // (shortest that reads back the same) otherwise. Their "reverse" codes: 0 moves colours
  // toward higher entries as our forward does, 2 runs entry k + 1 into register k as our
  // reverse does, 3 goes there and back. "blend" is ours; players that do not know it
  // ignore it.
  Append(bytes, "],\"cycles\":[");
  for (int r = 0; r < cycle.ranges.count; ++r) {
    const CycleRange& range = cycle.ranges.ranges[r];
    if (r > 0) bytes.push_back(',');
    Append(bytes, "{\"reverse\":");
    AppendNumber(bytes, kReverseCodes[static_cast<int>(range.mode)]);
    Append(bytes, ",\"rate\":");
    const double rate = 1750.0 * range.speed / cycle.delayCentiseconds;
    const std::string text = ShortestFixed(rate);
    if (text.empty()) return Result::Fail("JSON: cannot write the rate");
    Append(bytes, text);
    Append(bytes, ",\"low\":");
    AppendNumber(bytes, range.low);
    Append(bytes, ",\"high\":");
    AppendNumber(bytes, range.high);
    if (range.blend) Append(bytes, ",\"blend\":true");
    bytes.push_back('}');
  }
  Append(bytes, "],\"pixels\":[");
  for (int i = 0; i < Cycle::kEdge * Cycle::kEdge; ++i) {
    const unsigned index = cycle.pixels[i];
    if (index >= 10) bytes.push_back('1');
    bytes.push_back(static_cast<uint8_t>('0' + index % 10));
    bytes.push_back(',');
  }
  bytes.back() = ']';
  Append(bytes, "}\n");
  return Result::Ok();
}
