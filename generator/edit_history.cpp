#include "generator/edit_history.h"

#include <algorithm>
#include <utility>

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

// A change whose before and after are whole values kept beside the changes.
bool IsWhole(EditField field) {
  return IsSide(field) || field == EditField::kLabel;
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
  state.label = g.label;
  return state;
}

namespace {

// What changed between a frame's start and now: the changes a step would hold and, for a
// change of a whole palette side, the side before and after (the change's before and after
// are set when the sides are stored).
struct FrameDiff {
  std::vector<FieldChange> changes;
  std::vector<PaletteSide> sides;
  std::vector<PatternLabel> labels;
};

FrameDiff Diff(const EditState& start, const EditState& now) {
  FrameDiff diff;
  // A slot step loads what the slot holds: the step is the slot, not the fields it loaded.
  if (now.patternNumber != start.patternNumber) {
    diff.changes.push_back({EditField::kPatternSlot, 0, start.patternNumber, now.patternNumber});
  } else if (now.paletteNumber != start.paletteNumber) {
    diff.changes.push_back({EditField::kPaletteSlot, 0, start.paletteNumber, now.paletteNumber});
  } else {
    int at = 0;
    for (const UndoableField& row : kUndoableFields) {
      for (int i = 0; i < row.count; ++i, ++at) {
        if (now.values[at] == start.values[at]) continue;
        diff.changes.push_back(
            {row.field, static_cast<uint8_t>(i), start.values[at], now.values[at]});
      }
    }
    if (!(now.side == start.side)) {
      diff.changes.push_back(
          {now.side.cycles == start.side.cycles ? EditField::kLook : EditField::kCycles, 0, 0, 0});
      diff.sides = {start.side, now.side};
    }
    if (!(now.label == start.label)) {
      diff.changes.push_back({EditField::kLabel, 0, 0, 0});
      diff.labels = {start.label, now.label};
    }
  }
  return diff;
}

bool IsSlot(EditField field) {
  return field == EditField::kPatternSlot || field == EditField::kPaletteSlot;
}

// Stores the diff's two sides (labels) at the end of the history's, as the before and after
// of change.
void StoreSides(const FrameDiff& diff, FieldChange& change, EditHistory& history) {
  const bool label = change.field == EditField::kLabel;
  change.before = static_cast<int32_t>(label ? history.labels.size() : history.sides.size());
  change.after = change.before + 1;
  if (label)
    history.labels.insert(history.labels.end(), diff.labels.begin(), diff.labels.end());
  else
    history.sides.insert(history.sides.end(), diff.sides.begin(), diff.sides.end());
}

// The gesture goes on: its step takes the new values, and any field it had not touched yet
// (a drag that moves x first, then y too).
void ExtendStep(const FrameDiff& diff, EditHistory& history) {
  EditHistory::Step& last = history.steps.back();
  for (const FieldChange& change : diff.changes) {
    FieldChange* kept = nullptr;
    for (uint32_t i = 0; i < last.count && kept == nullptr; ++i) {
      FieldChange& candidate = history.changes[last.first + i];
      if (candidate.field == change.field && candidate.index == change.index) kept = &candidate;
    }
    if (kept == nullptr) {
      FieldChange added = change;
      if (IsWhole(added.field)) StoreSides(diff, added, history);
      history.changes.push_back(added);
      ++last.count;
    } else if (kept->field == EditField::kLabel) {
      history.labels[static_cast<size_t>(kept->after)] = diff.labels[1];
    } else if (IsSide(kept->field)) {
      history.sides[static_cast<size_t>(kept->after)] = diff.sides[1];
    } else {
      kept->after = change.after;
    }
  }
}

// A new step: what was undone cannot be redone any more.
void AddStep(FrameDiff diff, EditHistory& history) {
  if (history.done < history.steps.size()) {
    history.changes.resize(history.steps[history.done].first);
    history.steps.resize(history.done);
    size_t keep = 0, keepLabels = 0;
    for (const FieldChange& change : history.changes) {
      if (IsSide(change.field)) keep = static_cast<size_t>(change.after) + 1;
      if (change.field == EditField::kLabel) keepLabels = static_cast<size_t>(change.after) + 1;
    }
    history.sides.resize(keep);
    history.labels.resize(keepLabels);
  }
  for (FieldChange& change : diff.changes)
    if (IsWhole(change.field)) StoreSides(diff, change, history);
  history.steps.push_back({static_cast<uint32_t>(history.changes.size()),
                           static_cast<uint32_t>(diff.changes.size()), history.nextCause});
  history.changes.insert(history.changes.end(), diff.changes.begin(), diff.changes.end());
  history.done = history.steps.size();
}

}  // namespace

void EditHistory::Record(const EditState& start, const PatternGenerator& g, bool continuing) {
  FrameDiff diff = Diff(start, CaptureEdits(g));
  if (diff.changes.empty()) {
    if (!continuing) open = false;
    return;
  }
  const bool slot = IsSlot(diff.changes.front().field);
  if (open && continuing && !slot && done == steps.size() && !steps.empty()) {
    ExtendStep(diff, *this);
    return;
  }
  AddStep(std::move(diff), *this);
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
  for (const PatternLabel& label : labels)
    bytes += sizeof label + label.name.capacity() + label.otherLines.capacity();
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
    if (change.field == EditField::kLabel) {
      g.label = history.labels[static_cast<size_t>(value)];
      continue;
    }
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
