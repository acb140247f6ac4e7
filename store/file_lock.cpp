#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "generator/messages.h"
#include "store/file_system.h"
#include "store/safe_file.h"

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
  Warn(path + " was not a lock file; " +
       (kind == os::FileKind::kFolder ? "the folder is moved aside and a lock file made"
                                      : "a lock file replaces it"));
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
