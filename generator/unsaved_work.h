#pragma once
// Work that would be lost at exit: a pattern or palette edited since its slot was last
// saved. Slots are saved only when the editor switches to another number, so on the way out
// the edits go to recovery files beside the slots ("savedata/pat3.unsaved.txt", same format)
// instead, and never over a slot.

#include <string>
#include <vector>

#include "generator/pattern_generator.h"

// "savedata/pat3.txt" -> "savedata/pat3.unsaved.txt".
std::string RecoveryFileName(const std::string& slotFile);

// Writes the recovery file of the pattern and of the palette whose contents differ from
// their slot files, crash-safe. `written` receives the names written; the result names the
// first file that could not be.
Result KeepUnsavedWork(const PatternGenerator& g, std::vector<std::string>& written);

// The recovery files now in savedata/, sorted by name.
std::vector<std::string> FindRecoveryFiles();
