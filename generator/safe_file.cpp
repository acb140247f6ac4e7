#include "generator/safe_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string Describe(const std::string& path, const char* what, int error) {
  return path + ": " + what + ": " + std::strerror(error);
}

bool WriteAll(int fd, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

constexpr const char* kTemporaryMark = ".tmp";

// The writer's process id when the name is one of our temporaries, else 0.
pid_t TemporaryOwner(const char* name) {
  const char* mark = std::strstr(name, kTemporaryMark);
  if (mark == nullptr || mark == name) return 0;
  // The last ".tmp" counts: a saved file's own name may contain the mark.
  for (const char* next = mark; (next = std::strstr(next + 1, kTemporaryMark)) != nullptr;)
    mark = next;
  const char* digits = mark + std::strlen(kTemporaryMark);
  if (*digits < '1' || *digits > '9' || std::strlen(digits) > 9) return 0;
  long pid = 0;
  for (const char* d = digits; *d != '\0'; ++d) {
    if (*d < '0' || *d > '9') return 0;
    pid = pid * 10 + (*d - '0');
  }
  return static_cast<pid_t>(pid);
}

bool ProcessRuns(pid_t pid) {
  // EPERM: it runs under another user.
  return ::kill(pid, 0) == 0 || errno != ESRCH;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

AtomicWriteBatch::~AtomicWriteBatch() {
  Abandon();
}

void AtomicWriteBatch::Abandon() {
  for (const Pending& p : pending_) {
    if (p.fd >= 0) ::close(p.fd);
    ::unlink(p.temp.c_str());
  }
  pending_.clear();
}

Result AtomicWriteBatch::Add(const std::string& path, const void* data, std::size_t size) {
  // The process id keeps two programs writing the same file from sharing a temporary, and
  // tells a later start whether the writer still runs.
  const std::string temp = path + kTemporaryMark + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    Abandon();
    return Result::Fail(Describe(path, "cannot create", error));
  }
  pending_.push_back(Pending{path, temp, fd});
  if (!WriteAll(fd, static_cast<const unsigned char*>(data), size)) {
    const int error = errno;
    Abandon();
    return Result::Fail(Describe(path, "cannot write", error));
  }
  return {};
}

Result AtomicWriteBatch::Commit() {
  for (Pending& p : pending_) {
    const bool synced = ::fdatasync(p.fd) == 0;
    const int error = errno;
    const bool closed = ::close(p.fd) == 0;
    p.fd = -1;
    if (!synced || !closed) {
      const std::string path = p.path;
      Abandon();
      return Result::Fail(Describe(path, "cannot write", synced ? errno : error));
    }
  }
  // A folder standing where a file goes would stop its rename halfway through the set: look
  // for one before anything is replaced.
  for (const Pending& p : pending_) {
    struct stat info {};
    if (::lstat(p.path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      const std::string path = p.path;
      Abandon();
      return Result::Fail(Describe(path, "cannot replace", EISDIR));
    }
  }
  std::vector<std::string> folders;
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    const Pending& p = pending_[i];
    if (::rename(p.temp.c_str(), p.path.c_str()) != 0) {
      const int error = errno;
      pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(i));
      const std::string path = pending_.front().path;
      Abandon();
      return Result::Fail(Describe(path, "cannot replace", error));
    }
    const std::string folder = FolderOf(p.path);
    if (folders.empty() || folders.back() != folder) folders.push_back(folder);
  }
  pending_.clear();
  // The renames themselves reach the disk with the folder's own sync.
  for (const std::string& folder : folders) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
      ::fsync(fd);
      ::close(fd);
    }
  }
  return {};
}

Result WriteFileAtomically(const std::string& path, const void* data, std::size_t size) {
  AtomicWriteBatch batch;
  if (Result added = batch.Add(path, data, size); !added) return added;
  return batch.Commit();
}

Result WriteFileSet(const std::vector<std::string>& folders, const std::vector<ExportFile>& files) {
  for (const std::string& folder : folders)
    if (Result made = EnsureDirectory(folder); !made) return made;
  std::vector<std::string> cleaned;
  for (const ExportFile& file : files) {
    const std::string folder = FolderOf(file.path);
    if (cleaned.empty() || cleaned.back() != folder) {
      RemoveStaleTemporaries(folder);
      cleaned.push_back(folder);
    }
  }
  AtomicWriteBatch batch;
  for (const ExportFile& file : files)
    if (Result added = batch.Add(file.path, file.bytes.data(), file.bytes.size()); !added)
      return added;
  return batch.Commit();
}

int RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  const pid_t self = ::getpid();
  while (const dirent* entry = ::readdir(dir)) {
    const pid_t owner = TemporaryOwner(entry->d_name);
    if (owner == 0 || owner == self || ProcessRuns(owner)) continue;
    if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

Result EnsureDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return {};
  const int error = errno;
  struct stat info {};
  if (error == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return {};
  return Result::Fail(Describe(path, "cannot create folder", error == EEXIST ? ENOTDIR : error));
}
