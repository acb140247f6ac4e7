#pragma once
// Work that would be lost at exit: a pattern or palette edited since its slot was last
// loaded or saved. Slots are saved only when the editor switches to another number, so on
// the way out the edits go to recovery files beside the slots ("savedata/pat3.unsaved.txt",
// same format) instead, never over a slot, and never over another recovery file.

#include <string>
#include <vector>

#include "generator/pattern_generator.h"

// "savedata/pat3.txt" -> "savedata/pat3.unsaved.txt" (copy 1), "savedata/pat3.unsaved-2.txt"
// (copy 2), ...
std::string RecoveryFileName(const std::string& slotFile, int copy = 1);

// Writes a recovery file for the pattern and for the palette edited since their slots were
// loaded or saved whose contents differ from their slot files, crash-safe. A recovery file
// that holds other edits is never replaced: the next free copy's name is used; one that
// holds the same edits counts as written. `written` receives the names; the result names
// the first file that could not be written.
Result KeepUnsavedWork(const PatternGenerator& g, std::vector<std::string>& written);

enum class SlotKind { kPattern, kPalette, kCycles, kLook };

// Whether the current pattern (palette, palette's ranges, its look) has edits its slot file does
// not hold; if so, what a recovery file of them holds goes to text (for ranges, an empty text is a
// list of no ranges), with the slot file it belongs to in slotFile.
bool FindUnsavedWork(const PatternGenerator& g, SlotKind kind, std::string& slotFile,
                     std::string& text);
// FindUnsavedWork's text for the pattern or the palette, whose texts are never empty: empty
// when there is nothing to keep.
std::string UnsavedText(const PatternGenerator& g, SlotKind kind, std::string& slotFile);

// Keeps text as a recovery file of slotFile, under the first name that holds no other
// edits; `written` receives the name.
Result KeepRecoveryFile(const std::string& slotFile, const std::string& text,
                        std::vector<std::string>& written);

// The recovery files now in savedata/, sorted by name.
std::vector<std::string> FindRecoveryFiles();
