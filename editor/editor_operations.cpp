#include "editor/editor_operations.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "editor/screen_texts.h"
#include "editor/status_line.h"
#include "generator/pattern_fields.h"
#include "generator/random_pattern.h"

uint32_t EntryColour(const int32_t (&entry)[kChannels]) {
  return 0xFF000000u | ((static_cast<uint32_t>(entry[0]) & 0xFFu) << 16) |
         ((static_cast<uint32_t>(entry[1]) & 0xFFu) << 8) |
         (static_cast<uint32_t>(entry[2]) & 0xFFu);
}

void ShownColours(const Palette& palette, const CycleRanges& cycles, const PaletteLook& look,
                  ShownLimit& limit, uint32_t phase, uint32_t (&colours)[kPaletteEntries]) {
  uint8_t entries[kPaletteEntries][kChannels];
  for (int k = 0; k < kPaletteEntries; ++k)
    for (int c = 0; c < kChannels; ++c) entries[k][c] = static_cast<uint8_t>(palette[k][c]);
  uint8_t shown[kPaletteEntries][kChannels];
  ColoursAtFrame(cycles, entries, phase, shown);
  limit.Apply(look, shown);
  for (int k = 0; k < kPaletteEntries; ++k)
    colours[k] =
        0xFF000000u | uint32_t{shown[k][0]} << 16 | uint32_t{shown[k][1]} << 8 | shown[k][2];
}

int32_t SaturatingAdd(int32_t value, int32_t delta) {
  const int64_t sum = static_cast<int64_t>(value) + delta;
  return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int32_t Wrap(int32_t value, int32_t n) {
  if (n <= 0) return 0;  // nothing to wrap into (no cycle ranges)
  const int64_t r = (static_cast<int64_t>(value) + n) % n;
  return static_cast<int32_t>(r < 0 ? r + n : r);
}

int32_t ClampStep(int32_t value, int32_t a, int32_t lo, int32_t hi) {
  return static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(value) + a, lo, hi));
}

void ReportFailure(const Result& result, const char* consequence) {
  std::fprintf(stderr, "quilmorante: %s%s\n", result.message.c_str(), consequence);
}

int32_t& PointField(ControlPoint& p, int32_t field) {
  // Any other field is the last, as the cursor's last column is.
  return p.*kPointFieldTable[field >= 0 && field < kPointFields ? field : kPointFields - 1].member;
}

namespace {

void ClampScales(PatternGenerator& g) {
  for (ControlPoint& p : g.points) {
    p.scaleX = std::max(p.scaleX, 0);
    p.scaleY = std::max(p.scaleY, 0);
  }
}

}  // namespace

namespace {

uint8_t StepFileNumber(uint8_t number, int32_t a) {
  return static_cast<uint8_t>((number + a + kSlotCount) % kSlotCount);
}

}  // namespace

namespace {

// Steps the pattern or the palette slot: the slot left is saved first (a slot file that could
// not be read only when there are edits to keep), and a failed save keeps the editor on it.
void StepSlot(PatternGenerator& g, bool pattern, int32_t a, uint64_t nowMs) {
  const SlotFile& slotFile = pattern ? PatternSlotFile() : PaletteSlotFile();
  const bool unreadable = !g.baseline.ProblemOf(slotFile);
  const bool edited = pattern ? g.PatternEdited() || g.LabelEdited()
                              : g.PaletteEdited() || g.CyclesEdited() || g.LookEdited();
  uint8_t& number = pattern ? g.patternNumber : g.paletteNumber;
  if (!unreadable || edited) {
    const Result saved = pattern ? g.SavePattern(number) : g.SavePalette(number);
    if (!saved) {
      ReportFailure(saved, pattern ? "; pattern not switched, the edited pattern is kept"
                                   : "; palette not switched, the edited palette is kept");
      ShowSaveFailure(g.session.status, saved);
      return;
    }
    ShowSaved(g.session.status, SlotFileName(slotFile, number), nowMs);
  }
  number = StepFileNumber(number, a);
  if (pattern) {
    g.LoadPattern(number);
    g.Synthesize();
  } else {
    g.LoadPalette(number);
    g.RebuildPalette();
  }
  ShowSlotProblem(g.session.status, g, pattern ? SlotProblemOf::kPattern : SlotProblemOf::kPalette);
}

}  // namespace

void StepSetting(PatternGenerator& g, int32_t row, int32_t a, uint64_t nowMs) {
  switch (row) {
    case kPatternRow:
    case kPaletteRow:
      StepSlot(g, row == kPatternRow, a, nowMs);
      return;
    case kIdLetterRow: {
      // Next or previous capital letter. The floor remainder keeps any letter, even one that
      // is not a capital, within 'A'..'Z', since it names the exported files.
      int r = (static_cast<int>(g.idLetter) + a - 39) % 26;
      if (r < 0) r += 26;
      g.idLetter = static_cast<char>(r + 65);
      return;
    }
    case kMosaicRow:
      g.mosaicLevel = ClampStep(g.mosaicLevel, a, 0, kMaxMosaic);
      g.Synthesize();
      return;
    case kTileWidthRow:
      g.sizeExpX = ClampStep(g.sizeExpX, a, kMinTileExp, kMaxTileExp);
      g.UpdateTileSize();
      g.Synthesize();
      return;
    case kTileHeightRow:
      g.sizeExpY = ClampStep(g.sizeExpY, a, kMinTileExp, kMaxTileExp);
      g.UpdateTileSize();
      g.Synthesize();
      return;
    default:
      return;
  }
}

void StepPointField(PatternGenerator& g, int32_t point, int32_t field, int32_t a) {
  int32_t& value = PointField(g.points[point], field);
  value = SaturatingAdd(value, a);
  ClampScales(g);
  g.Synthesize();
}

void MovePoint(PatternGenerator& g, int32_t point, int32_t x, int32_t y) {
  g.points[point].x = x;
  g.points[point].y = y;
  ClampScales(g);
  g.Synthesize();
}

namespace {

// An edited key digit means the ramp: colours from a palette file give way to it.
void KeyEdited(PatternGenerator& g) {
  g.look.colours.clear();
  g.look.colourStart = 0;
  g.look.coloursName.clear();
  g.RebuildPalette();
}

}  // namespace

void DrawRandom(PatternGenerator& g, bool paletteKeys, uint64_t nowMs) {
  const uint32_t seed =
      g.session.nextSeed.value_or(static_cast<uint32_t>(nowMs % (kMaxRandomSeed + 1)));
  if (!paletteKeys) {
    DrawSeededPattern(g, seed, nowMs);
    return;
  }
  g.session.nextSeed = NextRandomSeed(seed);
  RandomPaletteKeys(seed, g.keys);
  KeyEdited(g);
  g.session.history.nextCause = EditHistory::Cause::kRandomPalette;
  char line[64];
  std::snprintf(line, sizeof line, TextsFor(g.session.language).paletteRandomFormat, seed);
  ShowNote(g.session.status, line, nowMs);
}

void DrawSeededPattern(PatternGenerator& g, uint32_t seed, uint64_t nowMs) {
  g.session.nextSeed = NextRandomSeed(seed);
  g.SetPattern(RandomPattern(seed));
  g.label.seed = seed;
  g.Synthesize();
  g.session.history.nextCause = EditHistory::Cause::kRandomPattern;
  char line[64];
  std::snprintf(line, sizeof line, TextsFor(g.session.language).randomFormat, seed);
  ShowNote(g.session.status, line, nowMs);
}

void RaiseKeyDigit(PatternGenerator& g, int32_t entry, int32_t channel) {
  int32_t& digit = g.keys[entry][channel];
  // Widened: a digit loaded out of range is still stepped without overflow.
  digit = static_cast<int32_t>((static_cast<int64_t>(digit) + 1) % 10);
  KeyEdited(g);
}

void ClearKeyDigit(PatternGenerator& g, int32_t entry, int32_t channel) {
  g.keys[entry][channel] = 0;
  KeyEdited(g);
}

void LowerKeyDigit(PatternGenerator& g, int32_t entry, int32_t channel) {
  int32_t& digit = g.keys[entry][channel];
  digit = std::clamp(digit - (digit > 0 ? 1 : 0), 0, 9);
  KeyEdited(g);
}
