#include "generator/edit_history.h"

#include <algorithm>

#include "generator/pattern_fields.h"

namespace {

// What else a field's new value needs before it shows.
enum class EditEffect : uint8_t { kSynthesise, kRebuildPalette, kNothing };

// One undoable field: its values (one a point, one a key digit, or one), read and written
// by index, and what a change of it needs.
struct UndoableField {
  EditField field;
  int count;
  int32_t (*read)(const PatternGenerator& g, int index);
  void (*write)(PatternGenerator& g, int index, int32_t value);
  EditEffect effect;
};

// A point's field for every point, row f of the pattern fields' table.
template <int f>
constexpr UndoableField PointRow() {
  constexpr auto member = kPointFieldTable[f].member;
  return {kPointFieldTable[f].undo, kPointCount,
          [](const PatternGenerator& g, int i) { return g.points[i].*member; },
          [](PatternGenerator& g, int i, int32_t value) { g.points[i].*member = value; },
          EditEffect::kSynthesise};
}

// A shape flag, row f of the pattern fields' table.
template <int f>
constexpr UndoableField ShapeRow() {
  constexpr auto member = kShapeFieldTable[f].member;
  return {kShapeFieldTable[f].undo, 1, [](const PatternGenerator& g, int) { return g.*member; },
          [](PatternGenerator& g, int, int32_t value) { g.*member = value; },
          EditEffect::kSynthesise};
}

template <int32_t PatternGenerator::*member>
constexpr UndoableField SettingRow(EditField field, EditEffect effect) {
  return {field, 1, [](const PatternGenerator& g, int) { return g.*member; },
          [](PatternGenerator& g, int, int32_t value) { g.*member = value; }, effect};
}

// The undoable fields, in the order a step lists its changes; the cycle ranges and the slot
// steps are kept apart (a whole list, a slot to step to).
constexpr UndoableField kUndoableFields[] = {
    PointRow<0>(),
    PointRow<1>(),
    PointRow<2>(),
    PointRow<3>(),
    PointRow<4>(),
    ShapeRow<0>(),
    ShapeRow<1>(),
    ShapeRow<2>(),
    ShapeRow<3>(),
    {EditField::kKey, kPaletteEntries* kChannels,
     [](const PatternGenerator& g, int i) { return g.keys[i / kChannels][i % kChannels]; },
     [](PatternGenerator& g, int i, int32_t value) {
       g.keys[i / kChannels][i % kChannels] = value;
     },
     EditEffect::kRebuildPalette},
    SettingRow<&PatternGenerator::mosaicLevel>(EditField::kMosaic, EditEffect::kSynthesise),
    SettingRow<&PatternGenerator::sizeExpX>(EditField::kSizeExpX, EditEffect::kSynthesise),
    SettingRow<&PatternGenerator::sizeExpY>(EditField::kSizeExpY, EditEffect::kSynthesise),
    {EditField::kIdLetter, 1,
     [](const PatternGenerator& g, int) { return static_cast<int32_t>(g.idLetter); },
     [](PatternGenerator& g, int, int32_t value) { g.idLetter = static_cast<char>(value); },
     EditEffect::kNothing},
};

constexpr int CountValues() {
  int count = 0;
  for (const UndoableField& row : kUndoableFields) count += row.count;
  return count;
}
static_assert(CountValues() == kEditValueCount);

// A change whose before and after are whole palette sides.
bool IsSide(EditField field) {
  return field == EditField::kCycles || field == EditField::kLook;
}

const UndoableField* RowOf(EditField field) {
  for (const UndoableField& row : kUndoableFields)
    if (row.field == field) return &row;
  return nullptr;
}

}  // namespace

EditState CaptureEdits(const PatternGenerator& g) {
  EditState state;
  int at = 0;
  for (const UndoableField& row : kUndoableFields)
    for (int i = 0; i < row.count; ++i) state.values[at++] = row.read(g, i);
  state.patternNumber = g.patternNumber;
  state.paletteNumber = g.paletteNumber;
  state.side = {g.cycles, g.look};
  return state;
}

void EditHistory::Record(const EditState& start, const PatternGenerator& g, bool continuing) {
  const EditState now = CaptureEdits(g);
  std::vector<FieldChange> made;
  std::vector<PaletteSide> madeSides;
  // A slot step loads what the slot holds: the step is the slot, not the fields it loaded.
  if (now.patternNumber != start.patternNumber) {
    made.push_back({EditField::kPatternSlot, 0, start.patternNumber, now.patternNumber});
  } else if (now.paletteNumber != start.paletteNumber) {
    made.push_back({EditField::kPaletteSlot, 0, start.paletteNumber, now.paletteNumber});
  } else {
    int at = 0;
    for (const UndoableField& row : kUndoableFields) {
      for (int i = 0; i < row.count; ++i, ++at) {
        if (now.values[at] == start.values[at]) continue;
        made.push_back({row.field, static_cast<uint8_t>(i), start.values[at], now.values[at]});
      }
    }
    if (!(now.side == start.side)) {
      // indices fixed below
      made.push_back(
          {now.side.cycles == start.side.cycles ? EditField::kLook : EditField::kCycles, 0, 0, 1});
      madeSides = {start.side, now.side};
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
        if (IsSide(added.field)) {
          added.before = static_cast<int32_t>(sides.size());
          added.after = added.before + 1;
          sides.insert(sides.end(), madeSides.begin(), madeSides.end());
        }
        changes.push_back(added);
        ++last.count;
      } else if (IsSide(kept->field)) {
        sides[static_cast<size_t>(kept->after)] = madeSides[1];
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
      if (IsSide(change.field)) keep = static_cast<size_t>(change.after) + 1;
    sides.resize(keep);
  }
  for (FieldChange& change : made) {
    if (!IsSide(change.field)) continue;
    change.before = static_cast<int32_t>(sides.size());
    change.after = static_cast<int32_t>(sides.size() + 1);
    sides.insert(sides.end(), madeSides.begin(), madeSides.end());
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
  size_t bytes = steps.capacity() * sizeof(Step) + changes.capacity() * sizeof(FieldChange) +
                 sides.capacity() * sizeof(PaletteSide);
  for (const PaletteSide& side : sides)
    bytes += (side.look.colours.capacity() + side.look.snap.capacity()) * sizeof(Rgb);
  return bytes;
}

EditApplied ApplyChanges(PatternGenerator& g, const EditHistory& history,
                         const FieldChange* changes, uint32_t count, bool undo) {
  EditApplied applied;
  for (uint32_t k = 0; k < count; ++k) {
    const FieldChange& change = changes[undo ? count - 1 - k : k];
    const int32_t value = undo ? change.before : change.after;
    if (IsSide(change.field)) {
      const PaletteSide& side = history.sides[static_cast<size_t>(value)];
      applied.rebuildPalette |= !(side.look == g.look);
      g.cycles = side.cycles;
      g.look = side.look;
      continue;
    }
    const UndoableField* row = RowOf(change.field);
    if (row == nullptr) continue;  // a slot step: the caller steps the slot
    row->write(g, change.index % row->count, value);
    applied.synthesise |= row->effect == EditEffect::kSynthesise;
    applied.rebuildPalette |= row->effect == EditEffect::kRebuildPalette;
  }
  if (applied.synthesise) g.UpdateTileSize();
  return applied;
}
