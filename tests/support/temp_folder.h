#pragma once
// A fresh temporary folder that becomes the working directory for one test, since the
// generator reads and writes its files relative to the working directory.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/quilmorante-test-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    path_ = made;
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::permissions(path_, std::filesystem::perms::all, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
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
