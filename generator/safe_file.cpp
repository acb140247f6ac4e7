#include "generator/safe_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "generator/batch_files.h"
#include "generator/file_system.h"
#include "generator/paths.h"
#include "generator/read_file.h"

namespace {

using batch::kAsideEnd;
using batch::kJournalEnd;
using batch::kJournalHead;
using batch::kJournalPrefix;
using batch::PutBack;
using batch::SyncFolders;
using batch::TemporaryOf;

// How deep a chain of symbolic links is followed.
constexpr int kMaxLinkHops = 40;

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

// The temporaries reach the disk and are closed; no folder stands where one is renamed to,
// which would stop the renames halfway through the set.
Result AtomicWriteBatch::SyncTemporaries(std::vector<Pending*>& renamed) {
  for (Pending& p : pending_) {
    if (p.temp.empty() || p.removal) continue;
    renamed.push_back(&p);
    const bool synced = os::SyncData(p.fd);
    const int syncError = errno;
    const bool closed = os::Close(p.fd);
    const int closeError = errno;
    p.fd = -1;
    if (!synced || !closed)
      return Result::FileFailure(p.path, "cannot write", synced ? closeError : syncError);
  }
  for (const Pending* p : renamed) {
    os::FileKind kind;
    if (os::LookAt(p->target, kind) && kind == os::FileKind::kFolder)
      return Result::FileFailure(p->path, "cannot replace", EISDIR);
  }
  return Result::Ok();
}

// Files that are written in place (standard output, a FIFO, a device) go before any rename:
// should one fail, nothing is replaced.
Result AtomicWriteBatch::WriteInPlace() {
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
    if (!written)
      return written.file.empty() ? Result::FileFailure(p.path, "cannot write", written.error)
                                  : written;
  }
  return Result::Ok();
}

// Files the set removes are moved aside once the journal lists them and before its end mark:
// a writer killed before the end mark leaves them to be put back, one killed after it to be
// removed. The journal itself never removes a file, only what this program moved aside.
Result AtomicWriteBatch::MoveRemovalsAside(const std::vector<Pending*>& removed) {
  for (Pending* p : removed) {
    if (!os::Replace(p->target, p->temp)) {
      if (errno == ENOENT) continue;  // gone meanwhile
      return Result::FileFailure(p->path, "cannot remove", errno);
    }
    p->moved = true;
  }
  return Result::Ok();
}

// The journal of the renames and removals, without its end mark: none for a set of one file.
// Absolute paths: whoever finishes it may work in another folder.
Result AtomicWriteBatch::StartJournal(const std::vector<Pending*>& renamed,
                                      const std::vector<Pending*>& removed, Journal& journal) {
  if (renamed.size() + removed.size() <= 1) return Result::Ok();
  const Pending& first = renamed.empty() ? *removed.front() : *renamed.front();
  journal.path =
      FolderOf(first.target) + "/" + kJournalPrefix + std::to_string(os::CurrentProcess());
  std::string text = std::string(kJournalHead) + '\n';
  for (const auto* files : {&renamed, &removed})
    for (const Pending* p : *files) {
      text.append(TemporaryOf(p->whole, os::CurrentProcess(),
                              p->removal ? kAsideEnd : batch::kTemporaryEnd))
          .push_back('\0');
      text.append(p->whole).push_back('\0');
    }
  journal.fd = CreateFresh(journal.path);
  if (journal.fd < 0 || !os::WriteAll(journal.fd, text.data(), text.size()) ||
      !os::SyncData(journal.fd))
    return Result::FileFailure(first.path, "cannot write the batch's journal", errno);
  return Result::Ok();
}

// The end mark: from here on the set is finished forward, whatever happens.
Result AtomicWriteBatch::EndJournal(Journal& journal, const std::vector<std::string>& folders) {
  if (journal.fd < 0) return Result::Ok();
  const std::string end = std::string(kJournalEnd) + '\0';
  const bool written = os::WriteAll(journal.fd, end.data(), end.size()) && os::SyncData(journal.fd);
  const int error = errno;
  os::Close(journal.fd);
  journal.fd = -1;
  if (!written) return Result::FileFailure(journal.path, "cannot write the batch's journal", error);
  // The temporaries, the files moved aside and the journal are on the disk before the first
  // rename.
  SyncFolders(folders);
  return Result::Ok();
}

Result AtomicWriteBatch::Commit() {
  std::vector<Pending*> renamed, removed;
  for (Pending& p : pending_)
    if (p.removal) removed.push_back(&p);
  std::vector<std::string> folders;
  for (Pending& p : pending_)
    if (!p.temp.empty()) folders.push_back(FolderOf(p.target));
  Journal journal;
  Result committed = SyncTemporaries(renamed);
  if (committed) committed = WriteInPlace();
  if (committed) committed = StartJournal(renamed, removed, journal);
  if (committed) committed = MoveRemovalsAside(removed);
  if (committed) committed = EndJournal(journal, folders);
  for (std::size_t i = 0; committed && i < renamed.size(); ++i) {
    if (os::Replace(renamed[i]->temp, renamed[i]->target)) continue;
    committed = Result::FileFailure(renamed[i]->path, "cannot replace", errno);
    for (std::size_t k = 0; k < i; ++k) renamed[k]->temp.clear();  // already in place
  }
  if (!committed) {
    Abandon();
    if (journal.fd >= 0) os::Close(journal.fd);
    if (!journal.path.empty()) os::Remove(journal.path);
    return committed;
  }
  for (const Pending* p : renamed)
    if (p->replacesLink)
      std::fprintf(stderr,
                   "quilmorante: %s was a symbolic link; the file replaces the link, and what "
                   "it pointed to is left as it was\n",
                   p->path.c_str());
  for (const Pending* p : removed)
    if (p->moved) os::Remove(p->temp);
  pending_.clear();
  targets_.clear();
  // The renames and removals reach the disk with the folders' own sync.
  SyncFolders(folders);
  if (!journal.path.empty()) {
    os::Remove(journal.path);
    os::SyncFolder(FolderOf(journal.path));
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
  for (const auto& [folder, names] : written) batch::FinishJournals(folder);
  for (const auto& [folder, names] : written) batch::RemoveStale(folder, &names);
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

Result EnsureDirectory(const std::string& path) {
  if (os::MakeFolder(path, 0777)) return {};
  const int error = errno;
  if (error == EEXIST && os::IsFolder(path)) return {};
  return Result::FileFailure(path, "cannot create folder", error == EEXIST ? ENOTDIR : error);
}
