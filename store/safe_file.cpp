#include "store/safe_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "generator/messages.h"
#include "store/batch_files.h"
#include "store/file_system.h"
#include "store/paths.h"
#include "store/read_file.h"

namespace {

using batch::kAsideEnd;
using batch::kJournalEnd;
using batch::kJournalHead;
using batch::kJournalPrefix;
using batch::PutBack;
using batch::SyncFolders;
using batch::TemporaryOf;

// What a write to the path reaches through its links: the absolute path of the file, and
// what is there.
Result ResolveTarget(const std::string& path, std::string& target, os::FileKind& kind) {
  target = ResolvedPath(path);
  if (!os::LookAt(target, kind)) return Result::FileFailure(path, "cannot look at", errno);
  // Still a link: a chain too long to follow.
  if (kind == os::FileKind::kLink) return Result::FileFailure(path, "cannot follow link", ELOOP);
  return Result::Ok();
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
    if (path != "-") {
      p.fd = os::OpenForWriting(p.target);
      if (p.fd < 0) return fail(Result::FileFailure(path, "cannot open", errno));
    }
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

bool AtomicWriteBatch::WritesInPlace(const ExportFile& file) {
  if (file.path == "-") return true;
  std::string target;
  os::FileKind kind = os::FileKind::kMissing;
  return file.named && ResolveTarget(file.path, target, kind) && kind == os::FileKind::kOther;
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
    Result written = p.direct(out ? os::StandardOutput() : p.fd);
    if (out) {
      std::fflush(stdout);
    } else {
      if (!os::Close(p.fd) && written) written = Result::FileFailure(p.path, "cannot write", errno);
      p.fd = -1;
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
      Warn(p->path +
           " was a symbolic link; the file replaces the link, and what it pointed to is left as "
           "it was");
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

// A link that stood where the set makes a folder of its own, moved aside until the set is
// written: put back when it fails, removed when it goes through.
struct MovedLink {
  std::string link;
  std::string aside;
};

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && os::IsSeparator(path.back())) path.pop_back();
  return path;
}

// Makes each folder that is missing, in order, noting the ones it made. A folder of the set
// made inside another one (the shader folder in --all's), however the two are spelled, is
// the export's own: a link there would lead its files away, so the link is moved aside and a
// real folder takes its place. The first level is the user's to place anywhere.
Result MakeFolders(const std::vector<std::string>& folders, std::vector<std::string>& made,
                   std::vector<MovedLink>& moved) {
  for (std::size_t i = 0; i < folders.size(); ++i) {
    const std::string folder = WithoutTrailingSeparators(folders[i]);
    const std::string parent = FileIdentity(ParentFolder(folder));
    const bool inner =
        std::any_of(folders.begin(), folders.begin() + static_cast<long>(i),
                    [&](const std::string& outer) { return FileIdentity(outer) == parent; });
    os::FileKind kind;
    if (!os::LookAt(folder, kind)) return Result::FileFailure(folder, "cannot look at", errno);
    if (inner && kind == os::FileKind::kLink) {
      const std::string aside = TemporaryOf(folder, os::CurrentProcess(), kAsideEnd);
      if (!os::Replace(folder, aside))
        return Result::FileFailure(folder, "cannot replace link", errno);
      moved.push_back({folder, aside});
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

// The locks of the folders a set writes into: each folder once, however it is reached (by
// its identity, not its path's text).
class FolderLocks {
 public:
  // Waits up to kFolderLockWaitMs for the folder; nothing to do for one that is not there
  // (the write into it says why) or whose lock is held already.
  Result Take(const std::string& folder) {
    const std::string key = os::FileKey(folder);
    if (key.empty() || std::find(keys_.begin(), keys_.end(), key) != keys_.end())
      return Result::Ok();
    FileLock lock;
    const Result locked = FileLock::OnFolder(folder, kFolderLockWaitMs, lock);
    if (locked.error == EWOULDBLOCK)
      return Result::FileFailure(folder,
                                 "another export is writing into this folder; nothing was "
                                 "written",
                                 EWOULDBLOCK);
    if (!locked && locked.error != ENOENT && locked.error != ENOTDIR) return locked;
    keys_.push_back(key);
    locks_.push_back(std::move(lock));
    return Result::Ok();
  }

  // Lets the folder go before it is removed: on Windows its lock is an open handle on it,
  // which keeps it from going.
  void Release(const std::string& folder) {
    const auto found = std::find(keys_.begin(), keys_.end(), os::FileKey(folder));
    if (found == keys_.end()) return;
    locks_.erase(locks_.begin() + (found - keys_.begin()));
    keys_.erase(found);
  }

 private:
  std::vector<std::string> keys_;
  std::vector<FileLock> locks_;
};

// A folder the set writes into (as it is reached: a path too long for the system as a whole
// still works through the working directory), its identity, and the names it writes there.
struct WrittenFolder {
  std::string identity;
  std::string folder;
  std::vector<std::string> names;
};

void NoteWritten(std::vector<WrittenFolder>& written, const std::string& path) {
  const std::string folder = FolderOf(WithoutTrailingSeparators(path));
  const std::string identity = FileIdentity(folder);
  auto at = std::find_if(written.begin(), written.end(),
                         [&](const WrittenFolder& entry) { return entry.identity == identity; });
  if (at == written.end()) at = written.insert(written.end(), {identity, folder, {}});
  at->names.push_back(BaseName(WithoutTrailingSeparators(path)));
}

}  // namespace

Result WriteFileSet(const std::vector<std::string>& folders, const std::vector<ExportFile>& files,
                    const std::vector<std::string>& removals) {
  AtomicWriteBatch batch;
  // A FIFO waits for its reader before the set takes a lock or makes a temporary: a writer
  // that waits holds up no other export, and one killed while it waits leaves nothing.
  for (const ExportFile& file : files)
    if (AtomicWriteBatch::WritesInPlace(file))
      if (Result added = batch.Add(file); !added) return added;
  // Every folder written into or made in, each once.
  std::vector<WrittenFolder> written;
  for (const ExportFile& file : files)
    if (!AtomicWriteBatch::WritesInPlace(file)) NoteWritten(written, file.path);
  for (const std::string& path : removals) NoteWritten(written, path);
  for (const std::string& folder : folders) NoteWritten(written, folder);
  // Locks in one order, so two writers never wait for each other.
  std::sort(written.begin(), written.end(),
            [](const WrittenFolder& a, const WrittenFolder& b) { return a.identity < b.identity; });
  FolderLocks locks;
  for (const WrittenFolder& entry : written)
    if (Result locked = locks.Take(entry.folder); !locked) return locked;
  // Every journal is finished before any temporary is taken for stale: a journal in one
  // folder may roll forward temporaries in another. A link a killed set moved aside goes back
  // before this set looks at its name.
  for (const WrittenFolder& entry : written) batch::FinishJournals(entry.folder);
  for (const WrittenFolder& entry : written) batch::RemoveStale(entry.folder, &entry.names);
  std::vector<std::string> made;
  std::vector<MovedLink> moved;
  Result result = MakeFolders(folders, made, moved);
  // A folder made here is locked before anything goes into it.
  for (std::size_t i = 0; result && i < made.size(); ++i) result = locks.Take(made[i]);
  for (std::size_t i = 0; result && i < files.size(); ++i)
    if (!AtomicWriteBatch::WritesInPlace(files[i])) result = batch.Add(files[i]);
  for (std::size_t i = 0; result && i < removals.size(); ++i) result = batch.Remove(removals[i]);
  if (result) result = batch.Commit();
  if (!result) {
    // A failed export leaves nothing behind: not the folders it made, and the links it moved
    // aside are back.
    batch.Abandon();
    for (const std::string& folder : made) locks.Release(folder);
    RemoveMadeFolders(made);
    for (const MovedLink& link : moved) PutBack(link.aside, link.link);
    return result;
  }
  for (const MovedLink& link : moved) {
    os::Remove(link.aside);
    Warn(link.link +
         " was a symbolic link; a folder replaces it, and what it pointed to is left as it was");
  }
  return result;
}

Result EnsureDirectory(const std::string& path) {
  if (os::MakeFolder(path, 0777)) return {};
  const int error = errno;
  if (error == EEXIST && os::IsFolder(path)) return {};
  return Result::FileFailure(path, "cannot create folder", error == EEXIST ? ENOTDIR : error);
}
