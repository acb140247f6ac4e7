// Finishing what a killed batch left: its journal rolled forward or undone, then its
// temporaries removed and what it moved aside put back. A data folder may come from anyone,
// so a journal is trusted only as far as it names this program's own files.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "generator/messages.h"
#include "store/batch_files.h"
#include "store/file_system.h"
#include "store/paths.h"
#include "store/read_file.h"
#include "store/safe_file.h"

namespace batch {

long ParsePid(const std::string& digits) {
  if (digits.empty() || digits[0] < '1' || digits[0] > '9' || digits.size() > 9) return 0;
  long pid = 0;
  for (const char d : digits) {
    if (d < '0' || d > '9') return 0;
    pid = pid * 10 + (d - '0');
  }
  return pid;
}

std::string TemporaryName(const std::string& name, long owner, const char* end) {
  return "." + name + kTemporaryTag + std::to_string(owner) + end;
}

std::string TemporaryOf(const std::string& path, long owner, const char* end) {
  const std::string name = BaseName(path);
  return path.substr(0, path.size() - name.size()) + TemporaryName(name, owner, end);
}

bool EndsWith(const std::string& name, const char* end) {
  const std::size_t length = std::strlen(end);
  return name.size() >= length && name.compare(name.size() - length, length, end) == 0;
}

long TemporaryOwner(const std::string& name, std::string* file, bool* aside) {
  const bool movedAside = EndsWith(name, kAsideEnd);
  if (!movedAside && !EndsWith(name, kTemporaryEnd)) return 0;
  const std::size_t endLength = std::strlen(movedAside ? kAsideEnd : kTemporaryEnd);
  if (aside != nullptr) *aside = movedAside;
  if (name.size() < 2 + endLength || name[0] != '.') return 0;
  const std::size_t tag = name.rfind(kTemporaryTag);
  if (tag == std::string::npos || tag < 2) return 0;
  const std::size_t digits = tag + std::strlen(kTemporaryTag);
  if (digits > name.size() - endLength) return 0;
  const long owner = ParsePid(name.substr(digits, name.size() - endLength - digits));
  if (owner != 0 && file != nullptr) *file = name.substr(1, tag - 1);
  return owner;
}

long JournalOwner(const std::string& name) {
  const std::size_t prefix = std::strlen(kJournalPrefix);
  if (name.compare(0, prefix, kJournalPrefix) != 0) return 0;
  return ParsePid(name.substr(prefix));
}

void SyncFolders(std::vector<std::string> folders) {
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  for (const std::string& folder : folders) os::SyncFolder(folder);
}

void PutBack(const std::string& aside, const std::string& file) {
  os::FileKind kind;
  if (os::LookAt(file, kind) && kind == os::FileKind::kMissing)
    os::Replace(aside, file);
  else
    os::Remove(aside);
}

namespace {

// A journal: its head line, then NUL-terminated pairs of temporary and file (absolute
// paths), then the end mark.
struct Journal {
  std::vector<std::pair<std::string, std::string>> renames;
  bool whole = false;
};

Journal ParseJournal(const std::string& text) {
  Journal journal;
  const std::string head = std::string(kJournalHead) + '\n';
  if (text.compare(0, head.size(), head) != 0) return journal;
  std::size_t at = head.size();
  auto next = [&](std::string& field) {
    const std::size_t end = text.find('\0', at);
    if (end == std::string::npos) return false;
    field = text.substr(at, end - at);
    at = end + 1;
    return true;
  };
  std::string temp, target;
  while (next(temp)) {
    if (temp == kJournalEnd) {
      journal.whole = at == text.size();
      return journal;
    }
    if (!next(target)) return journal;
    journal.renames.emplace_back(temp, target);
  }
  return journal;
}

// A journal finishes only what its writer started: the temporary must be the writer's own,
// "<folder>/.<name>.quilmorante-<owner>.tmp" (or the ".gone" of a file it removes), beside
// its file "<folder>/<name>", and both plain files (or not there). Anything else a journal
// lists, whoever wrote it, is left alone: so a journal can only ever rename or remove files
// that this program made under names no one else uses.
bool OursToFinish(const std::pair<std::string, std::string>& listed, const std::string& temp,
                  const std::string& target, long owner) {
  const std::string name = BaseName(listed.second);
  if (!os::IsAbsolutePath(listed.second) || name.empty() || name == "." || name == "..")
    return false;
  if (FolderOf(listed.first) != FolderOf(listed.second) ||
      (BaseName(listed.first) != TemporaryName(name, owner) &&
       BaseName(listed.first) != TemporaryName(name, owner, kAsideEnd)))
    return false;
  // Looked at where the caller reaches them.
  os::FileKind tempKind, targetKind;
  if (!os::LookAt(temp, tempKind) || !os::LookAt(target, targetKind)) return false;
  return (tempKind == os::FileKind::kRegular || tempKind == os::FileKind::kMissing) &&
         (targetKind == os::FileKind::kRegular || targetKind == os::FileKind::kMissing);
}

// Rolls a whole journal forward, undoes a torn one, and removes it. `folder` is the journal's
// folder as the caller reaches it: pairs in it are reached through it, so a folder whose
// absolute path is too long for the system is still finished.
void FinishJournal(const std::string& folder, const std::string& name, long owner) {
  const std::string path = folder + "/" + name;
  os::FileKind kind;
  if (!os::LookAt(path, kind) || kind != os::FileKind::kRegular) {
    Warn(path + ": not a regular file; not read as a journal");
    return;
  }
  std::string text;
  if (Result read = ReadFileBytes(path, kMaxJournalBytes, text); !read) {
    // One "not read": "<journal>: larger than 1 MiB; not read as a journal".
    std::string why = read.message;
    if (EndsWith(why, "; not read")) why.resize(why.size() - std::strlen("; not read"));
    Warn(why + "; not read as a journal");
    return;
  }
  const Journal journal = ParseJournal(text);
  const std::string here = AbsolutePath(folder);
  auto reached = [&](const std::string& file) {
    return FolderOf(file) == here ? folder + "/" + BaseName(file) : file;
  };
  std::vector<std::string> folders;
  bool ignored = false;
  for (const auto& listed : journal.renames) {
    const std::string temp = reached(listed.first), target = reached(listed.second);
    if (!OursToFinish(listed, temp, target, owner)) {
      ignored = true;
      continue;
    }
    os::FileKind tempKind;
    if (!os::LookAt(temp, tempKind) || tempKind == os::FileKind::kMissing)
      continue;  // renamed or removed before the writer died
    const bool aside = EndsWith(temp, kAsideEnd);
    if (journal.whole && !aside) {
      if (!os::Replace(temp, target))
        Warn(QuoteName(target) + ": cannot finish an interrupted export: " + std::strerror(errno));
    } else if (!journal.whole && aside) {
      PutBack(temp, target);
    } else {
      os::Remove(temp);
    }
    folders.push_back(FolderOf(target));
  }
  if (ignored)
    Warn(path +
         " lists files that are not this program's own temporaries beside their files; those "
         "were left alone");
  SyncFolders(folders);
  os::Remove(path);
  os::SyncFolder(folder);
}

// Removes the folder when it holds nothing but temporaries of the writer `owner`.
void RemoveUnfinishedFolder(const std::string& path, long owner) {
  os::FileKind kind;
  std::vector<std::string> names;
  if (!os::LookAt(path, kind) || kind != os::FileKind::kFolder || !os::ListFolder(path, names))
    return;
  bool aside = false;
  for (const std::string& name : names)
    if (TemporaryOwner(name, nullptr, &aside) != owner || aside) return;
  for (const std::string& name : names) os::Remove(path + "/" + name);
  os::RemoveFolder(path);
}

}  // namespace

int FinishJournals(const std::string& folder) {
  std::vector<std::string> names;
  if (!os::ListFolder(folder, names)) return 0;
  std::vector<std::pair<std::string, long>> journals;
  const long self = os::CurrentProcess();
  for (const std::string& name : names) {
    const long owner = JournalOwner(name);
    if (owner == 0 || (owner != self && os::ProcessRuns(owner))) continue;
    journals.emplace_back(name, owner);
  }
  for (const auto& [name, owner] : journals) FinishJournal(folder, name, owner);
  return static_cast<int>(journals.size());
}

int RemoveStale(const std::string& folder, const std::vector<std::string>* only) {
  std::vector<std::string> names;
  if (!os::ListFolder(folder, names)) return 0;
  int removed = 0;
  const long self = os::CurrentProcess();
  for (const std::string& name : names) {
    std::string file;
    bool aside = false;
    const long owner = TemporaryOwner(name, &file, &aside);
    if (owner == 0 || owner == self || os::ProcessRuns(owner)) continue;
    if (aside) {
      // Wherever it is: putting one of our own files back under its name is always safe. A
      // folder the writer made in place of a link it moved aside, and that holds nothing but
      // the writer's temporaries, is of a set that never came to be: it goes first.
      RemoveUnfinishedFolder(folder + "/" + file, owner);
      PutBack(folder + "/" + name, folder + "/" + file);
      ++removed;
      continue;
    }
    if (only != nullptr && std::find(only->begin(), only->end(), file) == only->end()) continue;
    if (os::Remove(folder + "/" + name)) ++removed;
  }
  return removed;
}

}  // namespace batch

int RecoverFolder(const std::string& folder) {
  // Journals first: the temporaries they list are what rolling forward needs.
  const int journals = batch::FinishJournals(folder);
  return journals + RemoveStaleTemporaries(folder);
}

int RemoveStaleTemporaries(const std::string& folder) {
  return batch::RemoveStale(folder, nullptr);
}
