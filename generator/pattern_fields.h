#pragma once
// The pattern's fields, one table: each of a point's fields and each shape flag, with the name
// the slot file's messages give it, where it lives in the slot's value (PatternFields) and in
// the generator's own members, what undo calls a change of it, and for the shape flags the key
// that steps it and how. Loading and saving the slot file, undo and the keys walk it; every
// change of a pattern field synthesises the map anew.

#include <cstdint>
#include <iterator>

#include "generator/edit_history.h"
#include "generator/key_codes.h"
#include "generator/pattern_generator.h"

struct PointFieldRow {
  const char* name;
  int32_t ControlPoint::*member;
  EditField undo;
};

// -1, 0, 1 cycle 0 -> 1 -> -1 -> 0; widened so no stored value can overflow.
constexpr int32_t NextDistortion(int32_t d) {
  return static_cast<int32_t>((static_cast<int64_t>(d) + 2) % 3 - 1);
}

// 0 <-> 1; wraps modulo 2^32 for values no key could have produced.
constexpr int32_t Flipped(int32_t flag) {
  return static_cast<int32_t>(1u - static_cast<uint32_t>(flag));
}

struct ShapeFieldRow {
  const char* name;
  int32_t PatternFields::*value;
  int32_t PatternGenerator::*member;
  EditField undo;
  int key;
  int32_t (*next)(int32_t);
};

// In the order the slot file, the screen and undo give them.
inline constexpr PointFieldRow kPointFieldTable[] = {
    {"x", &ControlPoint::x, EditField::kPointX},
    {"y", &ControlPoint::y, EditField::kPointY},
    {"scaleX", &ControlPoint::scaleX, EditField::kPointScaleX},
    {"scaleY", &ControlPoint::scaleY, EditField::kPointScaleY},
    {"weight", &ControlPoint::weight, EditField::kPointWeight}};
inline constexpr ShapeFieldRow kShapeFieldTable[] = {
    {"reverseX", &PatternFields::reverseX, &PatternGenerator::reverseX, EditField::kReverseX, DIK_Q,
     Flipped},
    {"reverseY", &PatternFields::reverseY, &PatternGenerator::reverseY, EditField::kReverseY, DIK_W,
     Flipped},
    {"distortX", &PatternFields::distortX, &PatternGenerator::distortX, EditField::kDistortX, DIK_A,
     NextDistortion},
    {"distortY", &PatternFields::distortY, &PatternGenerator::distortY, EditField::kDistortY, DIK_S,
     NextDistortion}};
static_assert(std::size(kPointFieldTable) == kPointFieldCount &&
              std::size(kShapeFieldTable) == kShapeFieldCount);
