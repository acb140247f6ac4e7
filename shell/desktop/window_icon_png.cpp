// Build-time helper: writes the window icon as the PNG file that is installed as the
// program's desktop icon. Usage: window_icon_png OUTPUT.png

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "shell/desktop/icon_png.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_icon_png OUTPUT.png\n");
    return 2;
  }
  std::vector<uint8_t> png;
  if (Result encoded = EncodeIconPng(WindowIconPicture(), png); !encoded) {
    std::fprintf(stderr, "window_icon_png: %s\n", encoded.message.c_str());
    return 1;
  }
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "window_icon_png: %s: cannot create: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "window_icon_png: %s: cannot write\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
