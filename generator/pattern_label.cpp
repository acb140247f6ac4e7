#include "generator/pattern_label.h"

#include "generator/random_pattern.h"
#include "generator/utf8_text.h"

namespace {

// Digits only, within the seeds R draws.
std::optional<uint32_t> SeedDigits(std::string_view digits) {
  if (digits.empty() || digits.size() > 7) return std::nullopt;
  uint32_t seed = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    seed = seed * 10 + static_cast<uint32_t>(c - '0');
  }
  if (seed > kMaxRandomSeed) return std::nullopt;
  return seed;
}

constexpr std::string_view kNameKey = "name=";
constexpr std::string_view kSeedKey = "seed=";

}  // namespace

Result CheckSlotName(std::string_view text) {
  if (text.empty()) return Result::Fail("a name cannot be empty");
  if (text.size() > kMaxSlotNameBytes)
    return Result::Fail("a name has at most " + std::to_string(kMaxSlotNameBytes) + " bytes");
  if (!IsPlainUtf8(text)) return Result::Fail("a name is UTF-8 text without control characters");
  return Result::Ok();
}

std::string PatternLabelText(const PatternLabel& label) {
  std::string text;
  if (!label.name.empty()) text.append(kNameKey).append(label.name) += '\n';
  if (label.seed) text.append(kSeedKey).append(std::to_string(*label.seed)) += '\n';
  return text + label.otherLines;
}

Result ParsePatternLabel(std::string_view text, PatternLabel& label) {
  PatternLabel read;
  bool named = false;
  int number = 0;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string where = "line " + std::to_string(number) + ": ";
    if (line.starts_with(kNameKey)) {
      const std::string_view name = line.substr(kNameKey.size());
      if (named) return Result::Fail(where + "a second name");
      if (Result checked = CheckSlotName(name); !checked)
        return Result::Fail(where + checked.message);
      read.name = name;
      named = true;
    } else if (line.starts_with(kSeedKey)) {
      if (read.seed) return Result::Fail(where + "a second seed");
      read.seed = SeedDigits(line.substr(kSeedKey.size()));
      if (!read.seed)
        return Result::Fail(where + "the seed is a number 0.." + std::to_string(kMaxRandomSeed));
    } else if (!line.empty()) {
      read.otherLines.append(line) += '\n';
    }
  }
  label = std::move(read);
  return Result::Ok();
}

std::optional<uint32_t> TypedSeed(std::string_view text) {
  if (!text.starts_with('#')) return std::nullopt;
  return SeedDigits(text.substr(1));
}
