#pragma once
// Undo and redo. Each frame the editor notes what the user edits (the pattern, the palette
// keys, the shape settings, the cycle ranges) as one step holding only the fields that
// changed, before and after; a held key's repeats and one drag make one step. Stepping to
// another pattern or palette slot is a step of its own, undone by stepping back, which saves
// and loads as stepping always does: undo never unsaves a file.

#include <cstdint>
#include <vector>

#include "generator/cycle_ranges.h"
#include "generator/document.h"
#include "generator/palette_look.h"

struct PatternGenerator;

enum class EditField : uint8_t {
  kPointX,  // index: the point
  kPointY,
  kPointScaleX,
  kPointScaleY,
  kPointWeight,
  kReverseX,
  kReverseY,
  kDistortX,
  kDistortY,
  kKey,  // index: entry * 3 + channel
  kMosaic,
  kSizeExpX,
  kSizeExpY,
  kIdLetter,
  kCycles,       // before and after: indices into the history's palette sides
  kPatternSlot,  // a step to another slot: before and after are the slot numbers
  kPaletteSlot,
  kLook,   // as kCycles
  kLabel,  // the pattern's name and seed: indices into the history's labels
};

// What a palette slot holds beside its keys, kept whole by undo: its ranges and its look.
struct PaletteSide {
  CycleRanges cycles;
  PaletteLook look;
  bool operator==(const PaletteSide&) const = default;
};

struct FieldChange {
  EditField field;
  uint8_t index;
  int32_t before;
  int32_t after;
};

// How many values the undoable fields hold: the points' fields, the shape flags, the key
// digits, and the settings: the mosaic level, the size exponents and the id letter.
constexpr int kEditSettingCount = 4;
constexpr int kEditValueCount = kPointCount * kPointFieldCount + kShapeFieldCount +
                                kPaletteEntries * kChannels + kEditSettingCount;

// Everything an edit can change, as a frame starts.
struct EditState {
  int32_t values[kEditValueCount];  // in the order of the undoable fields' table
  uint8_t patternNumber;
  uint8_t paletteNumber;
  PaletteSide side;
  PatternLabel label;
};

EditState CaptureEdits(const PatternGenerator& g);

struct EditHistory {
  // Steps are runs of changes; steps [0, done) are done, [done, size) undone (redo).
  // What made a step when its fields alone do not say: a seed's pattern or palette keys.
  enum class Cause : uint8_t { kFields, kRandomPattern, kRandomPalette };
  struct Step {
    uint32_t first;
    uint32_t count;
    Cause cause = Cause::kFields;
  };
  std::vector<Step> steps;
  std::vector<FieldChange> changes;
  std::vector<PaletteSide> sides;    // the palette sides before and after kCycles and kLook changes
  std::vector<PatternLabel> labels;  // the labels before and after kLabel changes
  size_t done = 0;
  // The last step may grow while the gesture that made it goes on (a held key, a drag).
  bool open = false;
  // What the frame's step is made by, when its fields alone do not say; taken by the next
  // step recorded, and forgotten at the end of the frame.
  Cause nextCause = Cause::kFields;

  // Compares the frame's start with g now and records the difference as a step; with
  // `continuing` (the same key still held, the same drag), changes of the same fields as the
  // last step extend it instead. Undone steps are dropped when a new one is made.
  void Record(const EditState& start, const PatternGenerator& g, bool continuing);
  // Ends the current gesture: the next change makes a new step.
  void Close() { open = false; }

  bool CanUndo() const { return done > 0; }
  bool CanRedo() const { return done < steps.size(); }
  // The changes of the step undo (redo) would apply; empty when there is none.
  const FieldChange* UndoChanges(uint32_t& count) const;
  const FieldChange* RedoChanges(uint32_t& count) const;
  // What made the step undo (redo) would apply.
  Cause UndoCause() const { return CanUndo() ? steps[done - 1].cause : Cause::kFields; }
  Cause RedoCause() const { return CanRedo() ? steps[done].cause : Cause::kFields; }
  void MarkUndone() { --done, open = false; }
  void MarkRedone() { ++done, open = false; }

  // Memory the history holds, in bytes.
  size_t Bytes() const;
};

// Sets the fields of the changes (in reverse order for undo) to their before (undo) or after
// (redo) values. Slot steps are not applied here: the caller steps the slot, as the keys do.
// Returns whether the map must be synthesised and whether the palette must be rebuilt.
struct EditApplied {
  bool synthesise = false;
  bool rebuildPalette = false;
};
EditApplied ApplyChanges(PatternGenerator& g, const EditHistory& history,
                         const FieldChange* changes, uint32_t count, bool undo);
