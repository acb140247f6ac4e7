#include "generator/safe_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "generator/file_system.h"
#include "generator/read_file.h"

namespace {

constexpr const char* kTemporaryMark = ".tmp";
// A batch's journal: "<kJournalPrefix><pid>" in the folder of its first renamed file.
constexpr const char* kJournalPrefix = ".quilmorante-journal-";
constexpr const char* kJournalHead = "QUILMORANTE journal 1";
constexpr const char* kJournalEnd = "end";
// A journal lists one pair of paths a file of its batch; past this it is no journal of ours.
constexpr std::size_t kMaxJournalBytes = 1024 * 1024;
// How deep a chain of symbolic links is followed.
constexpr int kMaxLinkHops = 40;

// Decimal digits to a process id; 0 for anything else.
long ParsePid(const char* digits) {
  if (*digits < '1' || *digits > '9' || std::strlen(digits) > 9) return 0;
  long pid = 0;
  for (const char* d = digits; *d != '\0'; ++d) {
    if (*d < '0' || *d > '9') return 0;
    pid = pid * 10 + (*d - '0');
  }
  return pid;
}

// The writer's process id when the name is one of our temporaries, else 0.
long TemporaryOwner(const char* name) {
  const char* mark = std::strstr(name, kTemporaryMark);
  if (mark == nullptr || mark == name) return 0;
  // The last ".tmp" counts: a saved file's own name may contain the mark.
  for (const char* next = mark; (next = std::strstr(next + 1, kTemporaryMark)) != nullptr;)
    mark = next;
  return ParsePid(mark + std::strlen(kTemporaryMark));
}

// The writer's process id when the name is a journal, else 0.
long JournalOwner(const char* name) {
  const size_t prefix = std::strlen(kJournalPrefix);
  if (std::strncmp(name, kJournalPrefix, prefix) != 0) return 0;
  return ParsePid(name + prefix);
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.size();
  while (slash > 0 && !os::IsSeparator(path[slash - 1])) --slash;
  if (slash == 0) return ".";
  // A root keeps its separator: "/", "C:\\".
  const std::string folder = path.substr(0, slash - 1);
  const std::string root = path.substr(0, slash);
  return !os::IsAbsolutePath(folder) && os::IsAbsolutePath(root) ? root : folder;
}

std::string Absolute(const std::string& path) {
  if (os::IsAbsolutePath(path)) return path;
  const std::string cwd = os::CurrentFolder();
  if (cwd.empty()) return path;
  return cwd + "/" + path;
}

// Follows symbolic links at the end of the path: the absolute path of the file a write
// reaches, and whether something is there (info then describes it).
Result ResolveTarget(const std::string& path, std::string& target, os::FileKind& kind) {
  std::string current = Absolute(path);
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

// A journal: its head line, then NUL-terminated pairs of temporary and file, then the end
// mark. Only pairs whose temporary is "<file>.tmp<owner>" count, so a damaged journal can
// rename nothing else.
struct Journal {
  std::vector<std::pair<std::string, std::string>> renames;
  bool whole = false;
};

Journal ParseJournal(const std::string& text, long owner) {
  Journal journal;
  const std::string head = std::string(kJournalHead) + '\n';
  if (text.compare(0, head.size(), head) != 0) return journal;
  const std::string suffix = kTemporaryMark + std::to_string(owner);
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
    if (temp == target + suffix && os::IsAbsolutePath(target))
      journal.renames.emplace_back(temp, target);
  }
  return journal;
}

// Rolls a whole journal forward, undoes a torn one, and removes it.
void FinishJournal(const std::string& path, long owner) {
  std::string text;
  if (!ReadWhole(path, text)) return;
  const Journal journal = ParseJournal(text, owner);
  std::vector<std::string> folders;
  for (const auto& [temp, target] : journal.renames) {
    os::FileKind kind;
    if (!os::LookAt(temp, kind) || kind == os::FileKind::kMissing)
      continue;  // renamed before the writer died
    if (journal.whole) {
      if (!os::Replace(temp, target))
        std::fprintf(stderr, "quilmorante: %s: cannot finish an interrupted export: %s\n",
                     target.c_str(), std::strerror(errno));
    } else {
      os::Remove(temp);
    }
    folders.push_back(FolderOf(target));
  }
  SyncFolders(folders);
  os::Remove(path);
  os::SyncFolder(FolderOf(path));
}

int FinishJournals(const std::string& folder) {
  std::vector<std::string> names;
  if (!os::ListFolder(folder, names)) return 0;
  std::vector<std::pair<std::string, long>> journals;
  const long self = os::CurrentProcess();
  for (const std::string& name : names) {
    const long owner = JournalOwner(name.c_str());
    if (owner == 0 || (owner != self && os::ProcessRuns(owner))) continue;
    journals.emplace_back(folder + "/" + name, owner);
  }
  for (const auto& [path, owner] : journals) FinishJournal(path, owner);
  return static_cast<int>(journals.size());
}

}  // namespace

AtomicWriteBatch::~AtomicWriteBatch() {
  Abandon();
}

void AtomicWriteBatch::Abandon() {
  for (const Pending& p : pending_) {
    if (p.fd >= 0) os::Close(p.fd);
    if (!p.temp.empty()) os::Remove(p.temp);
  }
  pending_.clear();
  targets_.clear();
}

Result AtomicWriteBatch::Add(const std::string& path, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (path == "-") {
    pending_.push_back(Pending{path, path, {}, -1, {bytes, bytes + size}});
    return Result::Ok();
  }
  std::string target;
  os::FileKind kind;
  if (Result resolved = ResolveTarget(path, target, kind); !resolved) {
    Abandon();
    return resolved;
  }
  if (kind == os::FileKind::kFolder) {
    Abandon();
    return Result::FileFailure(path, "cannot replace", EISDIR);
  }
  // Two writes of one file would share one temporary.
  if (!targets_.insert(target).second) {
    Abandon();
    return Result::FileFailure(path, "cannot write it twice in one set", EEXIST);
  }
  if (kind == os::FileKind::kOther) {
    // A FIFO or a device is written as it is: replacing it would take it away from its
    // reader.
    pending_.push_back(Pending{path, target, {}, -1, {bytes, bytes + size}});
    return Result::Ok();
  }
  // The process id keeps two programs writing the same file from sharing a temporary, and
  // tells a later start whether the writer still runs.
  const std::string temp = target + kTemporaryMark + std::to_string(os::CurrentProcess());
  const int fd = os::CreateForWriting(temp);
  if (fd < 0) {
    const int error = errno;
    Abandon();
    return Result::FileFailure(path, "cannot create", error);
  }
  pending_.push_back(Pending{path, target, temp, fd, {}});
  if (!os::WriteAll(fd, bytes, size)) {
    const int error = errno;
    Abandon();
    return Result::FileFailure(path, "cannot write", error);
  }
  return Result::Ok();
}

Result AtomicWriteBatch::Commit() {
  std::vector<Pending*> renamed;
  for (Pending& p : pending_) {
    if (p.temp.empty()) continue;
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
    bool written = fd >= 0 && os::WriteAll(fd, p.direct.data(), p.direct.size());
    const int error = errno;
    if (out) {
      std::fflush(stdout);
    } else if (fd >= 0 && !os::Close(fd)) {
      written = false;
    }
    if (!written) {
      const std::string path = p.path;
      Abandon();
      return Result::FileFailure(path, fd < 0 ? "cannot open" : "cannot write", error);
    }
  }

  std::vector<std::string> folders;
  for (const Pending* p : renamed) folders.push_back(FolderOf(p->target));
  std::string journal;
  if (renamed.size() > 1) {
    journal = FolderOf(renamed.front()->target) + "/" + kJournalPrefix +
              std::to_string(os::CurrentProcess());
    std::string text = std::string(kJournalHead) + '\n';
    for (const Pending* p : renamed) {
      text.append(p->temp).push_back('\0');
      text.append(p->target).push_back('\0');
    }
    text.append(kJournalEnd).push_back('\0');
    const int fd = os::CreateForWriting(journal);
    const bool written = fd >= 0 && os::WriteAll(fd, text.data(), text.size()) && os::SyncData(fd);
    const int error = errno;
    if (fd >= 0) os::Close(fd);
    if (!written) {
      os::Remove(journal);
      const std::string path = renamed.front()->path;
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
  pending_.clear();
  targets_.clear();
  // The renames themselves reach the disk with the folders' own sync.
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
  const std::string temp = path + kTemporaryMark + std::to_string(os::CurrentProcess());
  const int fd = os::CreateForWriting(temp);
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

Result WriteFileSet(const std::vector<std::string>& folders, const std::vector<ExportFile>& files) {
  for (const std::string& folder : folders)
    if (Result made = EnsureDirectory(folder); !made) return made;
  std::vector<std::string> written;
  for (const ExportFile& file : files)
    if (file.path != "-") written.push_back(FolderOf(Absolute(file.path)));
  std::sort(written.begin(), written.end());
  written.erase(std::unique(written.begin(), written.end()), written.end());
  // Locks in one order, so two writers never wait for each other.
  std::vector<FileLock> locks(written.size());
  for (std::size_t i = 0; i < written.size(); ++i)
    if (Result locked = FileLock::OnFolder(written[i], kFolderLockWaitMs, locks[i]);
        !locked && locked.error != ENOENT && locked.error != ENOTDIR)  // the file's write says
      return locked.error == EWOULDBLOCK
                 ? Result::FileFailure(written[i],
                                       "another export is writing into this folder; nothing "
                                       "was written",
                                       EWOULDBLOCK)
                 : locked;
  for (const std::string& folder : written) RecoverFolder(folder);
  AtomicWriteBatch batch;
  for (const ExportFile& file : files)
    if (Result added = batch.Add(file.path, file.bytes.data(), file.bytes.size()); !added)
      return added;
  return batch.Commit();
}

int RecoverFolder(const std::string& folder) {
  // Journals first: the temporaries they list are what rolling forward needs.
  const int journals = FinishJournals(folder);
  return journals + RemoveStaleTemporaries(folder);
}

int RemoveStaleTemporaries(const std::string& folder) {
  std::vector<std::string> names;
  if (!os::ListFolder(folder, names)) return 0;
  int removed = 0;
  const long self = os::CurrentProcess();
  for (const std::string& name : names) {
    const long owner = TemporaryOwner(name.c_str());
    if (owner == 0 || owner == self || os::ProcessRuns(owner)) continue;
    if (os::Remove(folder + "/" + name)) ++removed;
  }
  return removed;
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
