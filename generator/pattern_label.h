#pragma once
// What a pattern slot carries beside its fields: a name the user gives it (any script, UTF-8)
// and the seed its pattern was drawn from, kept while the pattern is what the seed drew.
// Kept in savedata/pat<n>.name.txt as "name=..." and "seed=..." lines; lines of a later
// version are kept as they are. A slot with neither has no file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "generator/result.h"

// The longest name in bytes of UTF-8.
constexpr std::size_t kMaxSlotNameBytes = 64;

struct PatternLabel {
  std::string name;
  std::optional<uint32_t> seed;
  // Lines this version does not know, each with its line end, in their order.
  std::string otherLines;

  bool IsDefault() const { return name.empty() && !seed && otherLines.empty(); }
  bool operator==(const PatternLabel&) const = default;
};

// Whether text can be a slot's name: 1..kMaxSlotNameBytes bytes of whole UTF-8 characters,
// no control character. Fails saying why.
Result CheckSlotName(std::string_view text);

// The file's text, and its reader: a "name=" or "seed=" line that cannot be read, or one given
// twice, fails naming the line; any other line is kept.
std::string PatternLabelText(const PatternLabel& label);
Result ParsePatternLabel(std::string_view text, PatternLabel& label);

// A seed as typed: '#' and 1..7 digits within the seeds R draws; anything else is not one.
std::optional<uint32_t> TypedSeed(std::string_view text);
