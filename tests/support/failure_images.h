#pragma once
// Pictures a failing picture test leaves in the build tree for a look: 24-bit BMP files named
// after the test, <Suite>.<Test>.<kind>.bmp, in the output folder of the test's area.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

// Writes a 24-bit bottom-up BMP whose pixel (x, y) is pixel(x, y) as 0xRRGGBB.
inline bool WriteBmp24(const std::filesystem::path& path, int width, int height,
                       const std::function<uint32_t(int, int)>& pixel) {
  const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;  // rows pad to 4
  const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(height);
  uint8_t header[54] = {'B', 'M'};
  auto put32 = [&](int at, uint32_t v) {
    for (int b = 0; b < 4; ++b) header[at + b] = static_cast<uint8_t>(v >> (8 * b));
  };
  put32(2, 54 + dataBytes);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  header[26] = 1;
  header[28] = 24;
  put32(34, dataBytes);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header), sizeof header);
  std::vector<uint8_t> row(rowBytes, 0);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = pixel(x, y);
      row[3 * x] = static_cast<uint8_t>(c);
      row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(c >> 16);
    }
    out.write(reinterpret_cast<const char*>(row.data()), rowBytes);
  }
  return static_cast<bool>(out);
}

// The running test's image of the given kind ("actual", "diff") in folder, which is made if
// needed. Parameterised test names hold '/', which would be a folder.
inline std::filesystem::path TestImagePath(const std::filesystem::path& folder,
                                           const std::string& kind) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name() + "." + kind;
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return folder / (name + ".bmp");
}

// Writes the running test's image of the given kind and says where, or that it could not.
inline std::filesystem::path SaveTestImage(const std::filesystem::path& folder,
                                           const std::string& kind, int width, int height,
                                           const std::function<uint32_t(int, int)>& pixel) {
  const std::filesystem::path path = TestImagePath(folder, kind);
  const bool saved = WriteBmp24(path, width, height, pixel);
  std::printf("%s image %s %s\n", kind.c_str(), saved ? "written to" : "could not be written to",
              path.string().c_str());
  return path;
}
