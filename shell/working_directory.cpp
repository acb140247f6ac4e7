#include "working_directory.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

std::string ExecutableDirectory() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) < buffer.size()) {
      std::string path(buffer.data(), static_cast<size_t>(length));
      const size_t slash = path.rfind('/');
      if (slash == std::string::npos) return {};
      return slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    // The link may have been cut off: try again with room to spare.
    if (buffer.size() >= 65536) return {};
    buffer.resize(buffer.size() * 2);
  }
}

bool EnterExecutableDirectory(std::string& error) {
  const std::string directory = ExecutableDirectory();
  if (directory.empty()) {
    error = std::string("cannot read /proc/self/exe: ") + std::strerror(errno);
    return false;
  }
  if (chdir(directory.c_str()) != 0) {
    error = "cannot change into " + directory + ": " + std::strerror(errno);
    return false;
  }
  return true;
}
