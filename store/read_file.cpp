#include "store/read_file.h"

#include <cerrno>
#include <cstdio>

#include "store/file_system.h"

namespace {

constexpr const char* kCannotOpen = "cannot open";

std::string SizeText(std::size_t bytes) {
  if (bytes % (1024 * 1024) == 0) return std::to_string(bytes / (1024 * 1024)) + " MiB";
  if (bytes % 1024 == 0) return std::to_string(bytes / 1024) + " KiB";
  return std::to_string(bytes) + " bytes";
}

// A refusal by what the file is rather than by a system error.
Result Refused(const std::string& path, const std::string& reason, int error) {
  Result result = Result::Fail(path + ": " + reason + "; not read");
  result.file = path;
  result.reason = reason;
  result.error = error;
  return result;
}

Result ReadOpen(int fd, const std::string& path, std::size_t maxBytes, std::string& bytes) {
  os::FileKind kind = os::FileKind::kMissing;
  unsigned long long size = 0;
  if (!os::DescribeOpen(fd, kind, size)) return Result::FileFailure(path, "cannot look at", errno);
  if (kind == os::FileKind::kFolder) return Result::FileFailure(path, "cannot read", EISDIR);
  if (kind != os::FileKind::kRegular)
    return Refused(path, "not a regular file (a FIFO or a device)", EINVAL);
  const std::string tooLarge = "larger than " + SizeText(maxBytes);
  if (size > maxBytes) return Refused(path, tooLarge, EFBIG);
  // The size is only a hint: the file may grow while it is read, never past the cap.
  bytes.reserve(static_cast<std::size_t>(size));
  char buffer[16384];
  for (;;) {
    const long long n = os::ReadSome(fd, buffer, sizeof buffer);
    if (n < 0) return Result::FileFailure(path, "cannot read", errno);
    if (n == 0) return Result::Ok();
    if (bytes.size() + static_cast<std::size_t>(n) > maxBytes)
      return Refused(path, tooLarge, EFBIG);
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

Result ReadFileBytes(const std::string& path, std::size_t maxBytes, std::string& bytes) {
  bytes.clear();
  const int fd = os::OpenForReading(path);
  if (fd < 0) return Result::FileFailure(path, kCannotOpen, errno);
  Result read = ReadOpen(fd, path, maxBytes, bytes);
  os::Close(fd);
  if (!read) bytes.clear();
  return read;
}

bool OpenFailed(const Result& read) {
  return !read && read.message == read.file + ": " + kCannotOpen + ": " + read.reason;
}
