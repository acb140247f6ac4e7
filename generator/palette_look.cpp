#include "generator/palette_look.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "generator/messages.h"

int NearestColour(const uint8_t* rgb, const uint8_t (*target)[kChannels], int count) {
  // At most (512 + 255 + 1024 + 767) * 255 * 255 = 166,338,150: int32 holds every distance.
  int best = 0;
  int32_t bestDistance = INT32_MAX;
  for (int i = 0; i < count && bestDistance > 0; ++i) {
    const int32_t mean = (rgb[0] + target[i][0]) / 2;
    const int32_t dr = rgb[0] - target[i][0];
    const int32_t dg = rgb[1] - target[i][1];
    const int32_t db = rgb[2] - target[i][2];
    const int32_t distance = (512 + mean) * dr * dr + 1024 * dg * dg + (767 - mean) * db * db;
    if (distance < bestDistance) best = i, bestDistance = distance;
  }
  return best;
}

uint8_t LimitDepth(uint8_t value, int bits) {
  const int top = (1 << std::clamp(bits, kMinDepthBits, kMaxDepthBits)) - 1;
  const int level = (value * top + 127) / 255;
  return static_cast<uint8_t>((2 * level * 255 + top) / (2 * top));
}

void ColourLimit::Apply(uint8_t* rgb) const {
  if (snapCount > 0) std::copy_n(snap[NearestColour(rgb, snap, snapCount)], kChannels, rgb);
  if (depthBits != kMaxDepthBits)
    for (int c = 0; c < kChannels; ++c) rgb[c] = LimitDepth(rgb[c], depthBits);
}

void ColourLimit::Apply(uint8_t (&colours)[kPaletteEntries][kChannels]) const {
  if (IsNone()) return;
  for (auto& rgb : colours) Apply(rgb);
}

void ShownLimit::Apply(const PaletteLook& look, uint8_t (&colours)[kPaletteEntries][kChannels]) {
  if (look.snap.empty() && look.depthBits == kMaxDepthBits) return;
  if (!(of == look)) {
    of = look;
    limit = LimitOf(look);
    std::fill(std::begin(key), std::end(key), 0u);
  }
  for (auto& rgb : colours) {
    const uint32_t colour = uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
    const uint32_t slot = (colour * 2654435761u) >> 24;
    if (key[slot] != colour + 1) {
      std::copy_n(rgb, kChannels, value[slot]);
      limit.Apply(value[slot]);
      key[slot] = colour + 1;
    }
    std::copy_n(value[slot], kChannels, rgb);
  }
}

ColourLimit LimitOf(const PaletteLook& look) {
  ColourLimit limit;
  limit.snapCount = static_cast<int>(std::min<size_t>(look.snap.size(), kMaxLookColours));
  for (int i = 0; i < limit.snapCount; ++i) {
    limit.snap[i][0] = look.snap[i].r;
    limit.snap[i][1] = look.snap[i].g;
    limit.snap[i][2] = look.snap[i].b;
  }
  limit.depthBits = std::clamp(look.depthBits, kMinDepthBits, kMaxDepthBits);
  return limit;
}

void OverlayColours(const PaletteLook& look, int32_t (&palette)[kPaletteEntries][kChannels]) {
  const int size = static_cast<int>(look.colours.size());
  for (int k = 0; k < kPaletteEntries && look.colourStart + k < size; ++k) {
    if (look.colourStart + k < 0) continue;
    const Rgb& c = look.colours[static_cast<size_t>(look.colourStart + k)];
    palette[k][0] = c.r;
    palette[k][1] = c.g;
    palette[k][2] = c.b;
  }
}

namespace {

// A line's words, split at white space, read one after another; read without streams, whose
// locale machinery the page's module would carry for this alone.
class Words {
 public:
  explicit Words(std::string_view line) : rest_(line) {}

  bool Next(std::string_view& word) {
    Skip();
    if (rest_.empty()) return false;
    const size_t end = std::min(rest_.find_first_of(kSpace), rest_.size());
    word = rest_.substr(0, end);
    rest_.remove_prefix(end);
    return true;
  }
  bool NextInt(int& value) {
    std::string_view word;
    if (!Next(word)) return false;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size();
  }
  // The rest of the line, its leading spaces dropped: a palette's name.
  std::string Rest() const {
    const size_t start = rest_.find_first_not_of(' ');
    return start == std::string_view::npos ? std::string() : std::string(rest_.substr(start));
  }

 private:
  static constexpr const char* kSpace = " \t\v\f\r";
  void Skip() { rest_.remove_prefix(std::min(rest_.find_first_not_of(kSpace), rest_.size())); }
  std::string_view rest_;
};

// "rrggbb rrggbb ..." after a line's key.
bool ReadColours(Words& in, std::vector<Rgb>& colours) {
  std::string_view word;
  while (in.Next(word)) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, 16);
    if (word.size() != 6 || error != std::errc() || end != word.data() + word.size()) return false;
    colours.push_back({static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                       static_cast<uint8_t>(value)});
    if (colours.size() > kMaxLookColours) return false;
  }
  return !colours.empty();
}

void AppendColours(std::string& text, const std::vector<Rgb>& colours) {
  char hex[8];
  for (const Rgb& c : colours) {
    std::snprintf(hex, sizeof hex, " %02x%02x%02x", c.r, c.g, c.b);
    text += hex;
  }
  text += '\n';
}

}  // namespace

Result ParsePaletteLook(const std::string& text, PaletteLook& look) {
  PaletteLook read;
  int number = 0;
  std::vector<std::string_view> seen;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    std::string_view line = std::string_view(text).substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Words in(line);
    at = end + 1;
    ++number;
    std::string_view key;
    if (!in.Next(key)) continue;
    // A key given twice is a file this program did not write: which of the two was meant?
    if (std::find(seen.begin(), seen.end(), key) != seen.end())
      return Result::Fail("line " + std::to_string(number) + ": \"" +
                          QuoteForMessage(std::string(key)) + "\" given a second time");
    seen.push_back(key);
    std::string_view rest;
    bool ok = true;
    if (key == "colours-name") {
      read.coloursName = in.Rest();
    } else if (key == "snap-name") {
      read.snapName = in.Rest();
    } else if (key == "colours") {
      ok = in.NextInt(read.colourStart) && read.colourStart >= 0 &&
           read.colourStart < kMaxLookColours && ReadColours(in, read.colours) &&
           read.colourStart < static_cast<int>(read.colours.size());
    } else if (key == "snap") {
      ok = ReadColours(in, read.snap);
    } else if (key == "depth") {
      ok = in.NextInt(read.depthBits) && !in.Next(rest) && read.depthBits >= kMinDepthBits &&
           read.depthBits <= kMaxDepthBits;
    } else {
      ok = false;
    }
    if (!ok)
      return Result::Fail("line " + std::to_string(number) + ": cannot read \"" +
                          QuoteForMessage(std::string(key)) + "\"");
  }
  look = std::move(read);
  return Result::Ok();
}

std::string PaletteLookText(const PaletteLook& look) {
  std::string text;
  if (!look.colours.empty()) {
    if (!look.coloursName.empty()) text += "colours-name " + look.coloursName + "\n";
    text += "colours " + std::to_string(look.colourStart);
    AppendColours(text, look.colours);
  }
  if (!look.snap.empty()) {
    if (!look.snapName.empty()) text += "snap-name " + look.snapName + "\n";
    text += "snap";
    AppendColours(text, look.snap);
  }
  if (look.depthBits != kMaxDepthBits) text += "depth " + std::to_string(look.depthBits) + "\n";
  return text;
}
