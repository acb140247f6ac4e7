#include "generator/safe_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "generator/file_system.h"
#include "generator/paths.h"
#include "generator/read_file.h"

namespace {

// A temporary is "<folder>/.<name>.quilmorante-<pid>.tmp" beside the file <name> it becomes: a
// name no user file has, so recovery and cleaning can never take one of the user's files for
// one of ours. A file the batch removes is first moved aside to ".<name>.quilmorante-<pid>.gone"
// and removed only once the batch has gone through; until then it can be put back.
constexpr const char* kTemporaryTag = ".quilmorante-";
constexpr const char* kTemporaryEnd = ".tmp";
constexpr const char* kAsideEnd = ".gone";
// A batch's journal: "<kJournalPrefix><pid>" in the folder of its first renamed file.
constexpr const char* kJournalPrefix = ".quilmorante-journal-";
constexpr const char* kJournalHead = "QUILMORANTE journal 1";
constexpr const char* kJournalEnd = "end";
// A journal lists two paths a file of its batch; past this size it is no journal of ours.
constexpr std::size_t kMaxJournalBytes = 1024 * 1024;
// How deep a chain of symbolic links is followed.
constexpr int kMaxLinkHops = 40;

// Decimal digits to a process id; 0 for anything else.
long ParsePid(const std::string& digits) {
  if (digits.empty() || digits[0] < '1' || digits[0] > '9' || digits.size() > 9) return 0;
  long pid = 0;
  for (const char d : digits) {
    if (d < '0' || d > '9') return 0;
    pid = pid * 10 + (d - '0');
  }
  return pid;
}

std::string TemporaryName(const std::string& name, long owner, const char* end = kTemporaryEnd) {
  return "." + name + kTemporaryTag + std::to_string(owner) + end;
}

// The temporary of `path` for the writer `owner`, in the same folder, reached the same way.
std::string TemporaryOf(const std::string& path, long owner, const char* end = kTemporaryEnd) {
  const std::string name = BaseName(path);
  return path.substr(0, path.size() - name.size()) + TemporaryName(name, owner, end);
}

bool EndsWith(const std::string& name, const char* end) {
  const std::size_t length = std::strlen(end);
  return name.size() >= length && name.compare(name.size() - length, length, end) == 0;
}

// The writer's process id when the name is one of our temporaries or files moved aside (and
// in `file` the name it stands beside, in `aside` which of the two it is), else 0.
long TemporaryOwner(const std::string& name, std::string* file = nullptr, bool* aside = nullptr) {
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

// The writer's process id when the name is a journal, else 0.
long JournalOwner(const std::string& name) {
  const std::size_t prefix = std::strlen(kJournalPrefix);
  if (name.compare(0, prefix, kJournalPrefix) != 0) return 0;
  return ParsePid(name.substr(prefix));
}

// Follows symbolic links at the end of the path: the absolute path of the file a write
// reaches, and what is there.
Result ResolveTarget(const std::string& path, std::string& target, os::FileKind& kind) {
  std::string current = AbsolutePath(path);
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    if (!os::LookAt(current, kind)) return Result::FileFailure(path, "cannot look at", errno);
    if (kind != os::FileKind::kLink) {
      target = current;
      return Result::Ok();
    }
    std::string link;
    if (!os::ReadLink(current, link)) return Result::FileFailure(path, "cannot read link", errno);
    current = os::IsAbsolutePath(link) ? link : FolderOf(current) + "/" + link;
  }
  return Result::FileFailure(path, "cannot follow link", ELOOP);
}

void SyncFolders(std::vector<std::string> folders) {
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  for (const std::string& folder : folders) os::SyncFolder(folder);
}

// A new file for writing at a name that no one else uses: whatever a killed writer of the
// same process id (or anyone else) left at the name, a link included, goes first.
int CreateFresh(const std::string& path) {
  int fd = os::CreateNew(path);
  if (fd < 0 && errno == EEXIST && os::Remove(path)) fd = os::CreateNew(path);
  return fd;
}

// A refusal by what stands at the path rather than by a system error.
Result NotAFile(const std::string& path) {
  Result result = Result::Fail(path +
                               ": not a regular file (a FIFO or a device); nothing was "
                               "written");
  result.file = path;
  result.reason = "not a regular file";
  result.error = EINVAL;
  return result;
}

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

// A file moved aside goes back to its name, unless something has taken the name since.
void PutBack(const std::string& aside, const std::string& file) {
  os::FileKind kind;
  if (os::LookAt(file, kind) && kind == os::FileKind::kMissing)
    os::Replace(aside, file);
  else
    os::Remove(aside);
}

// Rolls a whole journal forward, undoes a torn one, and removes it. `folder` is the journal's
// folder as the caller reaches it: pairs in it are reached through it, so a folder whose
// absolute path is too long for the system is still finished.
void FinishJournal(const std::string& folder, const std::string& name, long owner) {
  const std::string path = folder + "/" + name;
  os::FileKind kind;
  if (!os::LookAt(path, kind) || kind != os::FileKind::kRegular) {
    std::fprintf(stderr, "quilmorante: %s: not a regular file; not read as a journal\n",
                 path.c_str());
    return;
  }
  std::string text;
  if (Result read = ReadFileBytes(path, kMaxJournalBytes, text); !read) {
    std::fprintf(stderr, "quilmorante: %s; not read as a journal\n", read.message.c_str());
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
        std::fprintf(stderr, "quilmorante: %s: cannot finish an interrupted export: %s\n",
                     target.c_str(), std::strerror(errno));
    } else if (!journal.whole && aside) {
      PutBack(temp, target);
    } else {
      os::Remove(temp);
    }
    folders.push_back(FolderOf(target));
  }
  if (ignored)
    std::fprintf(stderr,
                 "quilmorante: %s lists files that are not this program's own temporaries "
                 "beside their files; those were left alone\n",
                 path.c_str());
  SyncFolders(folders);
  os::Remove(path);
  os::SyncFolder(folder);
}

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

// Removes the temporaries of ended writers in the folder: of every file, or only of the
// files named in `only` when it is given; a file such a writer moved aside, with no journal
// left to finish its removal, goes back to its name.
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
      // Wherever it is: putting one of our own files back under its name is always safe.
      PutBack(folder + "/" + name, folder + "/" + file);
      ++removed;
      continue;
    }
    if (only != nullptr && std::find(only->begin(), only->end(), file) == only->end()) continue;
    if (os::Remove(folder + "/" + name)) ++removed;
  }
  return removed;
}

}  // namespace

AtomicWriteBatch::~AtomicWriteBatch() {
  Abandon();
}

void AtomicWriteBatch::Abandon() {
  for (const Pending& p : pending_) {
    if (p.fd >= 0) os::Close(p.fd);
    if (p.removal) {
      if (p.moved) PutBack(p.temp, p.target);
    } else if (!p.temp.empty()) {
      os::Remove(p.temp);
    }
  }
  pending_.clear();
  targets_.clear();
}

Result AtomicWriteBatch::Add(const std::string& path, const void* data, std::size_t size,
                             bool named) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  return Add(path, named, [bytes, size](int fd) {
    return os::WriteAll(fd, bytes, size) ? Result::Ok() : Result::FileFailure("", "", errno);
  });
}

Result AtomicWriteBatch::Add(const ExportFile& file) {
  if (file.writeContents) return Add(file.path, file.named, file.writeContents);
  return Add(file.path, file.bytes.data(), file.bytes.size(), file.named);
}

Result AtomicWriteBatch::Add(const std::string& path, bool named,
                             const std::function<Result(int fd)>& write) {
  auto fail = [&](Result result) {
    Abandon();
    return result;
  };
  Pending p{path, path, path, {}, -1, {}, false, false, false};
  os::FileKind kind = os::FileKind::kMissing;
  if (path != "-") {
    if (named) {
      if (Result resolved = ResolveTarget(path, p.target, kind); !resolved) return fail(resolved);
      p.whole = p.target;
    } else {
      // The name itself is replaced, whatever it is: a link here never leads a write away.
      if (!os::LookAt(path, kind)) return fail(Result::FileFailure(path, "cannot look at", errno));
      if (kind == os::FileKind::kOther) return fail(NotAFile(path));
      p.replacesLink = kind == os::FileKind::kLink;
      p.whole = AbsolutePath(path);
    }
    if (kind == os::FileKind::kFolder)
      return fail(Result::FileFailure(path, "cannot replace", EISDIR));
    // Two writes of one file would share one temporary.
    if (!targets_.insert(p.whole).second)
      return fail(Result::FileFailure(path, "cannot write it twice in one set", EEXIST));
  }
  if (path == "-" || kind == os::FileKind::kOther) {
    // Standard output, a FIFO or a device is written as it is: replacing it would take it
    // away from its reader.
    p.direct = write;
    pending_.push_back(std::move(p));
    return Result::Ok();
  }
  // The process id keeps two programs writing the same file from sharing a temporary, and
  // tells a later start whether the writer still runs.
  p.temp = TemporaryOf(p.target, os::CurrentProcess());
  p.fd = CreateFresh(p.temp);
  if (p.fd < 0) {
    const int error = errno;
    p.temp.clear();
    return fail(Result::FileFailure(path, "cannot create", error));
  }
  pending_.push_back(p);
  if (Result written = write(p.fd); !written)
    return fail(written.file.empty() ? Result::FileFailure(path, "cannot write", written.error)
                                     : written);
  return Result::Ok();
}

Result AtomicWriteBatch::Remove(const std::string& path) {
  os::FileKind kind;
  if (!os::LookAt(path, kind)) return Result::FileFailure(path, "cannot look at", errno);
  if (kind == os::FileKind::kMissing) return Result::Ok();
  if (kind == os::FileKind::kFolder) return Result::FileFailure(path, "cannot remove", EISDIR);
  Pending p{path, path, AbsolutePath(path), {}, -1, {}, false, true, false};
  if (!targets_.insert(p.whole).second)
    return Result::FileFailure(path, "cannot write and remove it in one set", EEXIST);
  p.temp = TemporaryOf(path, os::CurrentProcess(), kAsideEnd);
  pending_.push_back(std::move(p));
  return Result::Ok();
}

Result AtomicWriteBatch::Commit() {
  std::vector<Pending*> renamed;
  for (Pending& p : pending_) {
    if (p.temp.empty() || p.removal) continue;
    renamed.push_back(&p);
    const bool synced = os::SyncData(p.fd);
    const int syncError = errno;
    const bool closed = os::Close(p.fd);
    const int closeError = errno;
    p.fd = -1;
    if (!synced || !closed) {
      const std::string path = p.path;
      Abandon();
      return Result::FileFailure(path, "cannot write", synced ? closeError : syncError);
    }
  }
  // A folder standing where a file goes would stop its rename halfway through the set: look
  // for one before anything is replaced.
  for (const Pending* p : renamed) {
    os::FileKind kind;
    if (os::LookAt(p->target, kind) && kind == os::FileKind::kFolder) {
      const std::string path = p->path;
      Abandon();
      return Result::FileFailure(path, "cannot replace", EISDIR);
    }
  }
  // Files that are written in place go first: should one fail, nothing is replaced.
  for (Pending& p : pending_) {
    if (!p.temp.empty()) continue;
    const bool out = p.target == "-";
    const int fd = out ? os::StandardOutput() : os::OpenForWriting(p.target);
    Result written = fd >= 0 ? p.direct(fd) : Result::FileFailure(p.path, "cannot open", errno);
    if (out) {
      std::fflush(stdout);
    } else if (fd >= 0 && !os::Close(fd) && written) {
      written = Result::FileFailure(p.path, "cannot write", errno);
    }
    if (!written) {
      const std::string path = p.path;
      Abandon();
      return written.file.empty() ? Result::FileFailure(path, "cannot write", written.error)
                                  : written;
    }
  }

  // Files the set removes are moved aside before the journal is written: a writer killed
  // before its journal leaves them to be put back, one killed after it to be removed.
  std::vector<Pending*> removed;
  for (Pending& p : pending_) {
    if (!p.removal) continue;
    if (!os::Replace(p.target, p.temp)) {
      if (errno == ENOENT) continue;  // gone meanwhile
      const Result failure = Result::FileFailure(p.path, "cannot remove", errno);
      Abandon();
      return failure;
    }
    p.moved = true;
    removed.push_back(&p);
  }

  std::vector<std::string> folders;
  for (const Pending* p : renamed) folders.push_back(FolderOf(p->target));
  for (const Pending* p : removed) folders.push_back(FolderOf(p->target));
  std::string journal;
  if (renamed.size() + removed.size() > 1) {
    const Pending& first = renamed.empty() ? *removed.front() : *renamed.front();
    journal = FolderOf(first.target) + "/" + kJournalPrefix + std::to_string(os::CurrentProcess());
    // Absolute paths: whoever finishes the journal may work in another folder.
    std::string text = std::string(kJournalHead) + '\n';
    for (const Pending* p : renamed) {
      text.append(TemporaryOf(p->whole, os::CurrentProcess())).push_back('\0');
      text.append(p->whole).push_back('\0');
    }
    for (const Pending* p : removed) {
      text.append(TemporaryOf(p->whole, os::CurrentProcess(), kAsideEnd)).push_back('\0');
      text.append(p->whole).push_back('\0');
    }
    text.append(kJournalEnd).push_back('\0');
    const int fd = CreateFresh(journal);
    const bool written = fd >= 0 && os::WriteAll(fd, text.data(), text.size()) && os::SyncData(fd);
    const int error = errno;
    if (fd >= 0) os::Close(fd);
    if (!written) {
      if (fd >= 0) os::Remove(journal);
      const std::string path = first.path;
      Abandon();
      return Result::FileFailure(path, "cannot write the batch's journal", error);
    }
    // The temporaries and the journal are on the disk before the first rename.
    SyncFolders(folders);
  }
  for (std::size_t i = 0; i < renamed.size(); ++i) {
    const Pending& p = *renamed[i];
    if (!os::Replace(p.temp, p.target)) {
      const int error = errno;
      const std::string path = p.path;
      for (std::size_t k = 0; k < i; ++k) renamed[k]->temp.clear();  // already in place
      Abandon();
      if (!journal.empty()) os::Remove(journal);
      return Result::FileFailure(path, "cannot replace", error);
    }
  }
  for (const Pending* p : renamed)
    if (p->replacesLink)
      std::fprintf(stderr,
                   "quilmorante: %s was a symbolic link; the file replaces the link, and what "
                   "it pointed to is left as it was\n",
                   p->path.c_str());
  for (const Pending* p : removed) os::Remove(p->temp);
  pending_.clear();
  targets_.clear();
  // The renames and removals reach the disk with the folders' own sync.
  SyncFolders(folders);
  if (!journal.empty()) {
    os::Remove(journal);
    os::SyncFolder(FolderOf(journal));
  }
  return Result::Ok();
}

Result WriteFileAtomically(const std::string& path, const void* data, std::size_t size) {
  AtomicWriteBatch batch;
  if (Result added = batch.Add(path, data, size); !added) return added;
  return batch.Commit();
}

Result WriteNewFile(const std::string& path, const void* data, std::size_t size) {
  const std::string temp = TemporaryOf(path, os::CurrentProcess());
  const int fd = CreateFresh(temp);
  if (fd < 0) return Result::FileFailure(path, "cannot create", errno);
  const bool written = os::WriteAll(fd, data, size) && os::SyncData(fd);
  int error = errno;
  if (!os::Close(fd) && written) error = errno;
  // The new name never replaces: it fails when the name is taken. A file system without hard
  // links (a browser's) gets a rename after a look that the name is free.
  bool linked = written && os::AddNewName(temp, path);
  if (written && !linked) {
    error = errno;
    os::FileKind kind;
    if (error == EPERM || error == ENOSYS || error == EOPNOTSUPP || error == EMLINK) {
      if (os::LookAt(path, kind) && kind != os::FileKind::kMissing)
        error = EEXIST;
      else
        linked = os::Replace(temp, path);
      if (!linked && error != EEXIST) error = errno;
    }
  }
  os::Remove(temp);
  if (!written) return Result::FileFailure(path, "cannot write", error);
  if (!linked) return Result::FileFailure(path, "cannot create", error);
  os::SyncFolder(FolderOf(path));
  return Result::Ok();
}

namespace {

// Makes each folder that is missing, in order, noting the ones it made. A folder of the set
// made inside another one (the shader folder in --all's) is the export's own: a link there
// would lead its files away, so the link is replaced by a real folder. The first level is
// the user's to place anywhere.
Result MakeFolders(const std::vector<std::string>& folders, std::vector<std::string>& made) {
  for (const std::string& folder : folders) {
    const bool inner = std::any_of(folders.begin(), folders.end(), [&](const std::string& outer) {
      return folder.size() > outer.size() + 1 && folder.compare(0, outer.size(), outer) == 0 &&
             os::IsSeparator(folder[outer.size()]);
    });
    os::FileKind kind;
    if (!os::LookAt(folder, kind)) return Result::FileFailure(folder, "cannot look at", errno);
    if (inner && kind == os::FileKind::kLink) {
      if (!os::Remove(folder)) return Result::FileFailure(folder, "cannot replace link", errno);
      std::fprintf(stderr,
                   "quilmorante: %s was a symbolic link; a folder replaces it, and what it "
                   "pointed to is left as it was\n",
                   folder.c_str());
      kind = os::FileKind::kMissing;
    }
    if (kind == os::FileKind::kMissing && os::MakeFolder(folder, 0777)) {
      made.push_back(folder);
      continue;
    }
    if (Result exists = EnsureDirectory(folder); !exists) return exists;
  }
  return Result::Ok();
}

void RemoveMadeFolders(const std::vector<std::string>& made) {
  for (auto folder = made.rbegin(); folder != made.rend(); ++folder) os::RemoveFolder(*folder);
}

Result WriteIntoFolders(const std::vector<ExportFile>& files,
                        const std::vector<std::string>& removals) {
  // The folders written into, with the names written into each.
  std::vector<std::pair<std::string, std::vector<std::string>>> written;
  std::vector<std::string> paths = removals;
  for (const ExportFile& file : files)
    if (file.path != "-") paths.push_back(file.path);
  for (const std::string& path : paths) {
    const std::string folder = FolderOf(AbsolutePath(path));
    auto at = std::find_if(written.begin(), written.end(),
                           [&](const auto& entry) { return entry.first == folder; });
    if (at == written.end()) at = written.insert(written.end(), {folder, {}});
    at->second.push_back(BaseName(path));
  }
  // Locks in one order, so two writers never wait for each other.
  std::sort(written.begin(), written.end());
  std::vector<FileLock> locks(written.size());
  for (std::size_t i = 0; i < written.size(); ++i)
    if (Result locked = FileLock::OnFolder(written[i].first, kFolderLockWaitMs, locks[i]);
        !locked && locked.error != ENOENT && locked.error != ENOTDIR)  // the file's write says
      return locked.error == EWOULDBLOCK
                 ? Result::FileFailure(written[i].first,
                                       "another export is writing into this folder; nothing "
                                       "was written",
                                       EWOULDBLOCK)
                 : locked;
  // Every journal is finished before any temporary is taken for stale: a journal in one
  // folder may roll forward temporaries in another.
  for (const auto& [folder, names] : written) FinishJournals(folder);
  for (const auto& [folder, names] : written) RemoveStale(folder, &names);
  AtomicWriteBatch batch;
  for (const ExportFile& file : files)
    if (Result added = batch.Add(file); !added) return added;
  for (const std::string& path : removals)
    if (Result added = batch.Remove(path); !added) return added;
  return batch.Commit();
}

}  // namespace

Result WriteFileSet(const std::vector<std::string>& folders, const std::vector<ExportFile>& files,
                    const std::vector<std::string>& removals) {
  std::vector<std::string> made;
  Result written = MakeFolders(folders, made);
  if (written) written = WriteIntoFolders(files, removals);
  // A failed export leaves nothing behind, not even the folders it made for its files.
  if (!written) RemoveMadeFolders(made);
  return written;
}

int RecoverFolder(const std::string& folder) {
  // Journals first: the temporaries they list are what rolling forward needs.
  const int journals = FinishJournals(folder);
  return journals + RemoveStaleTemporaries(folder);
}

int RemoveStaleTemporaries(const std::string& folder) {
  return RemoveStale(folder, nullptr);
}

Result EnsureDirectory(const std::string& path) {
  if (os::MakeFolder(path, 0777)) return {};
  const int error = errno;
  if (error == EEXIST && os::IsFolder(path)) return {};
  return Result::FileFailure(path, "cannot create folder", error == EEXIST ? ENOTDIR : error);
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) os::Close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FileLock::~FileLock() {
  if (fd_ >= 0) os::Close(fd_);  // closing releases the lock
}

Result FileLock::OnFolder(const std::string& folder, int waitMs, FileLock& lock) {
  return Take(folder, true, waitMs, lock);
}

Result FileLock::OnFile(const std::string& path, int waitMs, FileLock& lock) {
  const Result taken = Take(path, false, waitMs, lock);
  if (taken || taken.error == EWOULDBLOCK || taken.error == EINTR) return taken;
  // Something that is no usable lock file has the name. Nothing of value is a lock file:
  // it goes (a folder is moved aside, for what it may hold), and a lock file takes its place.
  os::FileKind kind;
  if (!os::LookAt(path, kind) || kind == os::FileKind::kMissing) return taken;
  const bool gone = kind == os::FileKind::kFolder
                        ? os::Replace(path, path + ".moved-" + std::to_string(os::CurrentProcess()))
                        : os::Remove(path);
  if (!gone) return Result::FileFailure(path, "cannot replace with a lock file", errno);
  std::fprintf(stderr, "quilmorante: %s was not a lock file; %s\n", path.c_str(),
               kind == os::FileKind::kFolder ? "the folder is moved aside and a lock file made"
                                             : "a lock file replaces it");
  return Take(path, false, waitMs, lock);
}

Result FileLock::Take(const std::string& path, bool folder, int waitMs, FileLock& lock) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    // Windows takes a folder's lock in the open itself: the open is tried again too.
    const int fd = os::OpenLockable(path, folder);
    int error = errno;
    if (fd >= 0) {
      if (os::TryLock(fd)) {
        lock = FileLock();
        lock.fd_ = fd;
        return Result::Ok();
      }
      error = errno;
      os::Close(fd);
    }
    if (error == EINTR) continue;
    if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= give_up)
      return Result::FileFailure(path, "cannot lock", error);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool ReadWhole(const std::string& path, std::string& text) {
  return static_cast<bool>(ReadFileBytes(path, kMaxJournalBytes, text));
}
