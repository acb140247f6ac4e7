#pragma once
// The two save-file formats beyond loading and saving a slot: their text, and whether a file
// holds what the generator has in memory.

#include <string>

#include "generator/pattern_generator.h"

// How a slot file's read went: read, missing (a slot of zeros), or there but refused.
enum class SlotRead { kRead, kMissing, kRefused };

// What LoadPattern(n) makes of `pattern`, the fields it starts from (a malformed number
// keeps its field), without a generator; a refused file's reason goes to problem.
SlotRead ReadPatternSlot(int n, PatternFields& pattern, Result& problem);

// A palette slot's files as LoadPalette reads them: the keys, and the ranges and look (their
// defaults, with the reason, where a file cannot be read).
struct PaletteSlot {
  PaletteKeys keys = {};
  CycleRanges cycles;
  PaletteLook look;
  std::string cyclesProblem;
  std::string lookProblem;
};
SlotRead ReadPaletteSlot(int n, PaletteSlot& slot, Result& problem);

// What SavePattern writes: four lines "x,y,scaleX,scaleY,weight" and the line
// "reverseX,reverseY,distortX,distortY" without a line end.
std::string PatternText(const PatternGenerator& g);
// What SavePalette writes: the 48 key digits, channel-major, each the low 8 bits of '0' + d.
std::string PaletteText(const PatternGenerator& g);

// Whether loading the file would give the pattern (palette) in memory. A missing file
// loads as zeros; a malformed number counts as 0, so a file that states less than memory
// holds does not match, and neither does one that cannot be read.
bool PatternFileMatches(const PatternGenerator& g, const std::string& path);
bool PaletteFileMatches(const PatternGenerator& g, const std::string& path);

// Reads a ranges file into cycles; a missing file is the default cycle. Fails, naming the
// file and why, when it is there but cannot be read (see ReadFileBytes; more than
// kMaxSmallFileBytes is refused unread), or naming the line and what is wrong in it.
Result ReadCyclesFile(const std::string& path, CycleRanges& cycles);
// Likewise the palette's look file; a missing file is the default look.
Result ReadLookFile(const std::string& path, PaletteLook& look);

// Whether loading would read every field of the file, for a reader that has no earlier slot
// whose values could stand in for a missing one. A missing file passes (it loads as zeros);
// one that is there but cannot be read fails as ReadFileBytes does; otherwise the message
// names the file and the first line and field (the first character) that cannot be read.
Result CheckPatternFile(const std::string& path);
Result CheckPaletteFile(const std::string& path);
