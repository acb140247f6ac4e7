#include "safe_file.h"

#include <fcntl.h>
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

}  // namespace

IoResult WriteFileAtomically(const std::string& path, const void* data, std::size_t size) {
  // The process id keeps two programs writing the same file from sharing a temporary.
  const std::string temp = path + ".tmp" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return IoResult::Fail(Describe(path, "cannot create", errno));
  if (!WriteAll(fd, static_cast<const unsigned char*>(data), size) || ::fsync(fd) != 0) {
    const int error = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    return IoResult::Fail(Describe(path, "cannot write", error));
  }
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return IoResult::Fail(Describe(path, "cannot write", error));
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    return IoResult::Fail(Describe(path, "cannot replace", error));
  }
  return {};
}

IoResult EnsureDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return {};
  const int error = errno;
  struct stat info {};
  if (error == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return {};
  return IoResult::Fail(Describe(path, "cannot create folder", error == EEXIST ? ENOTDIR : error));
}
