#include "generator/edit_history.h"

#include <algorithm>

#include "generator/pattern_generator.h"

namespace {

constexpr int kPointValues = kPointCount * 5;
constexpr int kShapeAt = kPointValues;
constexpr int kKeysAt = kShapeAt + 4;
constexpr int kSettingsAt = kKeysAt + kPaletteEntries * kChannels;
constexpr int kValueCount = kSettingsAt + 4;
static_assert(kValueCount == sizeof(EditState::values) / sizeof(int32_t));

// The field and its index that value slot i holds.
void FieldOf(int i, EditField& field, uint8_t& index) {
  if (i < kShapeAt) {
    field = static_cast<EditField>(static_cast<int>(EditField::kPointX) + i % 5);
    index = static_cast<uint8_t>(i / 5);
  } else if (i < kKeysAt) {
    field = static_cast<EditField>(static_cast<int>(EditField::kReverseX) + (i - kShapeAt));
    index = 0;
  } else if (i < kSettingsAt) {
    field = EditField::kKey;
    index = static_cast<uint8_t>(i - kKeysAt);
  } else {
    field = static_cast<EditField>(static_cast<int>(EditField::kMosaic) + (i - kSettingsAt));
    index = 0;
  }
}

int32_t* ValueOf(PatternGenerator& g, EditField field, uint8_t index) {
  ControlPoint& p = g.points[index % kPointCount];
  switch (field) {
    case EditField::kPointX:
      return &p.x;
    case EditField::kPointY:
      return &p.y;
    case EditField::kPointScaleX:
      return &p.scaleX;
    case EditField::kPointScaleY:
      return &p.scaleY;
    case EditField::kPointWeight:
      return &p.weight;
    case EditField::kReverseX:
      return &g.reverseX;
    case EditField::kReverseY:
      return &g.reverseY;
    case EditField::kDistortX:
      return &g.distortX;
    case EditField::kDistortY:
      return &g.distortY;
    case EditField::kKey:
      return &g.keys[(index / kChannels) % kPaletteEntries][index % kChannels];
    case EditField::kMosaic:
      return &g.mosaicLevel;
    case EditField::kSizeExpX:
      return &g.sizeExpX;
    case EditField::kSizeExpY:
      return &g.sizeExpY;
    default:
      return nullptr;
  }
}

}  // namespace

EditState CaptureEdits(const PatternGenerator& g) {
  EditState state;
  int at = 0;
  for (const ControlPoint& p : g.points)
    for (int32_t value : {p.x, p.y, p.scaleX, p.scaleY, p.weight}) state.values[at++] = value;
  for (int32_t value : {g.reverseX, g.reverseY, g.distortX, g.distortY}) state.values[at++] = value;
  for (const auto& entry : g.keys)
    for (int32_t digit : entry) state.values[at++] = digit;
  for (int32_t value : {g.mosaicLevel, g.sizeExpX, g.sizeExpY, static_cast<int32_t>(g.idLetter)})
    state.values[at++] = value;
  state.patternNumber = g.patternNumber;
  state.paletteNumber = g.paletteNumber;
  state.cycles = g.cycles;
  return state;
}

void EditHistory::Record(const EditState& start, const PatternGenerator& g, bool continuing) {
  const EditState now = CaptureEdits(g);
  std::vector<FieldChange> made;
  std::vector<CycleRanges> madeRanges;
  // A slot step loads what the slot holds: the step is the slot, not the fields it loaded.
  if (now.patternNumber != start.patternNumber) {
    made.push_back({EditField::kPatternSlot, 0, start.patternNumber, now.patternNumber});
  } else if (now.paletteNumber != start.paletteNumber) {
    made.push_back({EditField::kPaletteSlot, 0, start.paletteNumber, now.paletteNumber});
  } else {
    for (int i = 0; i < kValueCount; ++i) {
      if (now.values[i] == start.values[i]) continue;
      FieldChange change{};
      FieldOf(i, change.field, change.index);
      change.before = start.values[i];
      change.after = now.values[i];
      made.push_back(change);
    }
    if (!(now.cycles == start.cycles)) {
      made.push_back({EditField::kCycles, 0, 0, 1});  // indices fixed below
      madeRanges = {start.cycles, now.cycles};
    }
  }
  if (made.empty()) {
    if (!continuing) open = false;
    return;
  }
  const bool slot = made.front().field == EditField::kPatternSlot ||
                    made.front().field == EditField::kPaletteSlot;
  if (open && continuing && !slot && done == steps.size() && !steps.empty()) {
    // The gesture goes on: its step takes the new values, and any field it had not touched
    // yet (a drag that moves x first, then y too).
    Step& last = steps.back();
    for (const FieldChange& change : made) {
      FieldChange* kept = nullptr;
      for (uint32_t i = 0; i < last.count && kept == nullptr; ++i) {
        FieldChange& candidate = changes[last.first + i];
        if (candidate.field == change.field && candidate.index == change.index) kept = &candidate;
      }
      if (kept == nullptr) {
        FieldChange added = change;
        if (added.field == EditField::kCycles) {
          added.before = static_cast<int32_t>(ranges.size());
          added.after = added.before + 1;
          ranges.insert(ranges.end(), madeRanges.begin(), madeRanges.end());
        }
        changes.push_back(added);
        ++last.count;
      } else if (kept->field == EditField::kCycles) {
        ranges[static_cast<size_t>(kept->after)] = madeRanges[1];
      } else {
        kept->after = change.after;
      }
    }
    return;
  }
  // A new step: what was undone cannot be redone any more.
  if (done < steps.size()) {
    changes.resize(steps[done].first);
    steps.resize(done);
    size_t keep = 0;
    for (const FieldChange& change : changes)
      if (change.field == EditField::kCycles) keep = static_cast<size_t>(change.after) + 1;
    ranges.resize(keep);
  }
  for (FieldChange& change : made) {
    if (change.field != EditField::kCycles) continue;
    change.before = static_cast<int32_t>(ranges.size());
    change.after = static_cast<int32_t>(ranges.size() + 1);
    ranges.insert(ranges.end(), madeRanges.begin(), madeRanges.end());
  }
  steps.push_back({static_cast<uint32_t>(changes.size()), static_cast<uint32_t>(made.size())});
  changes.insert(changes.end(), made.begin(), made.end());
  done = steps.size();
  open = !slot;
}

const FieldChange* EditHistory::UndoChanges(uint32_t& count) const {
  count = 0;
  if (!CanUndo()) return nullptr;
  count = steps[done - 1].count;
  return changes.data() + steps[done - 1].first;
}

const FieldChange* EditHistory::RedoChanges(uint32_t& count) const {
  count = 0;
  if (!CanRedo()) return nullptr;
  count = steps[done].count;
  return changes.data() + steps[done].first;
}

size_t EditHistory::Bytes() const {
  return steps.capacity() * sizeof(Step) + changes.capacity() * sizeof(FieldChange) +
         ranges.capacity() * sizeof(CycleRanges);
}

EditApplied ApplyChanges(PatternGenerator& g, const EditHistory& history,
                         const FieldChange* changes, uint32_t count, bool undo) {
  EditApplied applied;
  for (uint32_t k = 0; k < count; ++k) {
    const FieldChange& change = changes[undo ? count - 1 - k : k];
    const int32_t value = undo ? change.before : change.after;
    switch (change.field) {
      case EditField::kPatternSlot:
      case EditField::kPaletteSlot:
        break;  // the caller steps the slot
      case EditField::kCycles:
        g.cycles = history.ranges[static_cast<size_t>(value)];
        break;
      case EditField::kIdLetter:
        g.idLetter = static_cast<char>(value);
        break;
      case EditField::kKey:
        *ValueOf(g, change.field, change.index) = value;
        applied.rebuildPalette = true;
        break;
      default:
        *ValueOf(g, change.field, change.index) = value;
        applied.synthesise = true;
        break;
    }
  }
  if (applied.synthesise) g.UpdateTileSize();
  return applied;
}
