#pragma once
// What a batch of files and the recovery after a killed batch both know: the names a batch
// gives its temporaries, the files it moves aside and its journal, and the journal's text.
// Used by safe_file.cpp and batch_recovery.cpp only.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace batch {

// A temporary is "<folder>/.<name>.quilmorante-<pid>.tmp" beside the file <name> it becomes: a
// name no user file has, so recovery and cleaning can never take one of the user's files for
// one of ours. A file the batch removes is first moved aside to ".<name>.quilmorante-<pid>.gone"
// and removed only once the batch has gone through; until then it can be put back.
inline constexpr const char* kTemporaryTag = ".quilmorante-";
inline constexpr const char* kTemporaryEnd = ".tmp";
inline constexpr const char* kAsideEnd = ".gone";
// A batch's journal: "<kJournalPrefix><pid>" in the folder of its first renamed file.
inline constexpr const char* kJournalPrefix = ".quilmorante-journal-";
inline constexpr const char* kJournalHead = "QUILMORANTE journal 1";
inline constexpr const char* kJournalEnd = "end";
// A journal lists two paths a file of its batch; past this size it is no journal of ours.
inline constexpr std::size_t kMaxJournalBytes = 1024 * 1024;
// Decimal digits to a process id; 0 for anything else.
long ParsePid(const std::string& digits);

// ".<name>.quilmorante-<owner><end>".
std::string TemporaryName(const std::string& name, long owner, const char* end = kTemporaryEnd);
// The temporary of `path` for the writer `owner`, in the same folder, reached the same way.
std::string TemporaryOf(const std::string& path, long owner, const char* end = kTemporaryEnd);
bool EndsWith(const std::string& name, const char* end);
// The writer's process id when the name is one of our temporaries or files moved aside (and
// in `file` the name it stands beside, in `aside` which of the two it is), else 0.
long TemporaryOwner(const std::string& name, std::string* file = nullptr, bool* aside = nullptr);
// The writer's process id when the name is a journal, else 0.
long JournalOwner(const std::string& name);
// A file moved aside goes back to its name, unless something has taken the name since.
void PutBack(const std::string& aside, const std::string& file);
// Syncs each folder once.
void SyncFolders(std::vector<std::string> folders);

// Finishes every journal of an ended writer in the folder (journals first: a journal in one
// folder may roll forward temporaries in another); returns how many.
int FinishJournals(const std::string& folder);
// Removes the temporaries of ended writers in the folder: of every file, or only of the
// files named in `only` when it is given; a file such a writer moved aside, with no journal
// left to finish its removal, goes back to its name.
int RemoveStale(const std::string& folder, const std::vector<std::string>* only);

}  // namespace batch
