#pragma once
// Work that would be lost at exit: a slot's part edited since its slot was last loaded or
// saved. Slots are saved only when the editor switches to another number, so on the way out
// the edits go to recovery files beside the slot files ("savedata/pat3.unsaved.txt", the slot
// file's format) instead, never over a slot file, and never over another recovery file.

#include <string>
#include <vector>

#include "generator/pattern_generator.h"
#include "store/data_folder.h"

// "savedata/pat3.txt" -> "savedata/pat3.unsaved.txt" (copy 1), "savedata/pat3.unsaved-2.txt"
// (copy 2), ...; "savedata/pal3.cycles.txt" -> "savedata/pal3.cycles.unsaved.txt".
std::string RecoveryFileName(const std::string& slotFile, int copy = 1);

// Writes a recovery file, crash-safe, for each slot file of the current slots whose part was
// edited since it was loaded or saved and differs from the file. A recovery file that holds
// other edits is never replaced: the next free copy's name is used; one that holds the same
// edits counts as written. `written` receives the names; the result names the first file
// that could not be written.
Result KeepUnsavedWork(const PatternGenerator& g, const DataFolder& folder,
                       std::vector<std::string>& written);

// Whether the part the slot file holds has edits the file does not hold; if so, what a
// recovery file of them holds goes to text (for ranges, an empty text is a list of no ranges),
// with the slot file's name in slotFile.
bool FindUnsavedWork(const PatternGenerator& g, const SlotFile& file, std::string& slotFile,
                     std::string& text);
// FindUnsavedWork's text, empty when there is nothing to keep (for the slot files, whose texts
// are never empty).
std::string UnsavedText(const PatternGenerator& g, const SlotFile& file, std::string& slotFile);

// Keeps text as a recovery file of the slot file (its name in the data folder), under the
// first name that holds no other edits; `written` receives the name.
Result KeepRecoveryFile(const DataFolder& folder, const std::string& slotFile,
                        const std::string& text, std::vector<std::string>& written);

// The recovery files now in savedata/, their names in the data folder, sorted.
std::vector<std::string> FindRecoveryFiles(const DataFolder& folder);

// The recovery files of the slots on screen (the current pattern and palette slots): of each
// slot file its copies, the oldest first.
std::vector<std::string> RecoveryFilesOnScreen(const PatternGenerator& g, const DataFolder& folder);
// Takes the edits of the newest recovery copy of each slot file on screen back into the
// generator (each read into its part, as the slot file would be), and removes the copies
// taken. `taken` receives their names; the result names a copy that could not be read.
Result RestoreUnsavedWork(PatternGenerator& g, const DataFolder& folder,
                          std::vector<std::string>& taken);
// Removes every recovery file of the slots on screen; `removed` receives their names.
Result DiscardUnsavedWork(const PatternGenerator& g, const DataFolder& folder,
                          std::vector<std::string>& removed);
