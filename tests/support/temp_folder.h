#pragma once
// The tests' and benchmarks' one kind of temporary folder: private, fresh, and removed with
// everything in it when the object goes. Its files are reached by its path (File); the working
// directory stays as it is unless a test of relative paths themselves asks to enter it.

#include <stdlib.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
// Windows has no mkdtemp: the X's become random letters until the folder is a new one.
inline char* mkdtemp(char* pattern) {
  std::random_device random;
  const std::size_t end = std::char_traits<char>::length(pattern);
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (std::size_t i = end - 6; i < end; ++i)
      pattern[i] = "abcdefghijklmnopqrstuvwxyz"[random() % 26];
    std::error_code error;
    if (std::filesystem::create_directory(pattern, error)) return pattern;
    if (error) {
      errno = error.value();
      return nullptr;
    }
  }
  errno = EEXIST;
  return nullptr;
}
#endif

struct TempFolderOptions {
  // Goes into the folder's name, quilmorante-<label>-XXXXXX, to tell leftovers apart.
  const char* label = "test";
  // Where the folder is made; empty means the system's temporary folder ($TMPDIR or /tmp).
  std::filesystem::path base = {};
  // Whether the folder is the working directory while it lives: only for tests whose point is
  // a path relative to the working directory.
  bool enter = false;
};

class TempFolder {
 public:
  TempFolder() : TempFolder(TempFolderOptions{}) {}
  explicit TempFolder(const TempFolderOptions& options) {
    const std::filesystem::path base =
        options.base.empty() ? std::filesystem::temp_directory_path() : options.base;
    const std::string pattern =
        (base / (std::string("quilmorante-") + options.label + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    // Thrown rather than aborted: a test reports it as its failure, with the reason.
    if (::mkdtemp(buffer.data()) == nullptr)
      throw std::filesystem::filesystem_error("cannot make a temporary folder", base,
                                              std::error_code(errno, std::generic_category()));
    path_ = buffer.data();
    if (options.enter) {
      previous_ = std::filesystem::current_path();
      std::filesystem::current_path(path_);
    }
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!previous_.empty()) std::filesystem::current_path(previous_, ignored);
    // Tests take permissions away to make writes fail; removal needs them back.
    std::filesystem::permissions(path_, std::filesystem::perms::all, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A file in the folder by its name there ("out/A.gif"), joined with '/'.
  std::string File(const std::string& name) const { return (path_ / name).generic_string(); }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;  // empty when the folder was not entered
};

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path().empty() ? "." : path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << text;
}

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The standard 54-byte template: 256 x 256, 4 bits, 16 colours; height negative for top-down.
inline std::string FrameTemplate(int height = 256) {
  std::string h(54, '\0');
  auto put = [&](int at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) h[at + i] = static_cast<char>(value >> (8 * i));
  };
  h[0] = 'B';
  h[1] = 'M';
  put(2, 32886, 4);
  put(10, 118, 4);
  put(14, 40, 4);
  put(18, 256, 4);
  put(22, static_cast<uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, 4, 2);
  put(34, 32768, 4);
  put(46, 16, 4);
  return h;
}
