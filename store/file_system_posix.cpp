#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "store/file_system.h"

namespace os {

bool IsSeparator(char c) {
  return c == '/';
}

bool IsAbsolutePath(const std::string& path) {
  return !path.empty() && path[0] == '/';
}

std::string CurrentFolder() {
  // The C library allocates as much as the path needs, longer than PATH_MAX too.
  char* cwd = ::getcwd(nullptr, 0);
  if (cwd == nullptr) return {};
  std::string folder = cwd;
  std::free(cwd);
  return folder;
}

bool EnterFolder(const std::string& path) {
  return ::chdir(path.c_str()) == 0;
}

long CurrentProcess() {
  return static_cast<long>(::getpid());
}

bool ProcessRuns(long pid) {
  // EPERM: it runs under another user.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

bool LookAt(const std::string& path, FileKind& kind) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    kind = FileKind::kMissing;
    return errno == ENOENT;
  }
  kind = S_ISLNK(info.st_mode)   ? FileKind::kLink
         : S_ISDIR(info.st_mode) ? FileKind::kFolder
         : S_ISREG(info.st_mode) ? FileKind::kRegular
                                 : FileKind::kOther;
  return true;
}

bool ReadLink(const std::string& path, std::string& target) {
  char link[PATH_MAX];
  const ssize_t length = ::readlink(path.c_str(), link, sizeof link - 1);
  if (length < 0) return false;
  target.assign(link, static_cast<std::size_t>(length));
  return true;
}

bool IsFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int CreateForWriting(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int CreateNew(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

int OpenForReading(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

bool DescribeOpen(int fd, FileKind& kind, unsigned long long& size) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return false;
  kind = S_ISDIR(info.st_mode)   ? FileKind::kFolder
         : S_ISREG(info.st_mode) ? FileKind::kRegular
                                 : FileKind::kOther;
  size = kind == FileKind::kRegular ? static_cast<unsigned long long>(info.st_size) : 0;
  return true;
}

long long ReadSome(int fd, void* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, data, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

bool Rewind(int fd) {
  return ::lseek(fd, 0, SEEK_SET) == 0;
}

int OpenForWriting(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
}

int StandardOutput() {
  return STDOUT_FILENO;
}

bool StandardErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool SyncData(int fd) {
  return ::fdatasync(fd) == 0;
}

bool Close(int fd) {
  return ::close(fd) == 0;
}

bool Replace(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool AddNewName(const std::string& existing, const std::string& name) {
  // A hard link never replaces: it fails when the name is taken.
  return ::link(existing.c_str(), name.c_str()) == 0;
}

bool Remove(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool RemoveFolder(const std::string& path) {
  return ::rmdir(path.c_str()) == 0;
}

bool MakeFolder(const std::string& path, int mode) {
  return ::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

bool ListFolder(const std::string& folder, std::vector<std::string>& names, std::size_t maxNames) {
  names.clear();
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return false;
  while (names.size() < maxNames) {
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) break;
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return true;
}

int OpenLockable(const std::string& path, bool folder) {
  if (folder) return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // flock takes a descriptor open for reading as well as one for writing.
  const int fd =
      ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  struct stat info {};
  if (fd < 0 || (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))) return fd;
  ::close(fd);
  errno = EINVAL;
  return -1;
}

bool TryLock(int fd) {
  return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

std::string FileKey(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

std::string ExecutablePath() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(length));
      return buffer;
    }
    // The link may have been cut off: try again with room to spare.
    if (buffer.size() >= 65536) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace os
