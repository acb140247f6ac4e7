#include "shell/core/bmp_image.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "shell/core/texture.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr uint32_t kW = 0xFFFFFF;

// An info-header BMP: its fields in file order, then the palette (0xRRGGBB) and the rows in
// file order, each padded here to 32 bits.
struct Bmp {
  int32_t width, height;  // negative height: top-down
  uint16_t bits;
  uint32_t compression;
  std::vector<uint32_t> palette;
  std::vector<std::vector<uint8_t>> rows;
  uint32_t headerSize = 40;
};

void Put(std::vector<uint8_t>& bytes, size_t at, uint32_t value, int size = 4) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> Encode(const Bmp& bmp) {
  std::vector<uint8_t> file(14 + bmp.headerSize);
  file[0] = 'B';
  file[1] = 'M';
  Put(file, 14, bmp.headerSize);
  Put(file, 18, bmp.width);
  Put(file, 22, bmp.height);
  Put(file, 30, bmp.compression);
  Put(file, 46, static_cast<uint32_t>(bmp.palette.size()));
  Put(file, 28, bmp.bits, 2);
  for (uint32_t colour : bmp.palette)
    for (int shift : {0, 8, 16, 24}) file.push_back(static_cast<uint8_t>(colour >> shift));
  Put(file, 10, static_cast<uint32_t>(file.size()));
  for (const std::vector<uint8_t>& row : bmp.rows) {
    const size_t start = file.size();
    file.insert(file.end(), row.begin(), row.end());
    file.resize(start + (row.size() + 3) / 4 * 4);
  }
  return file;
}

std::vector<uint8_t> Patched(std::vector<uint8_t> file, size_t at, uint32_t value) {
  Put(file, at, value);
  return file;
}

TEST(DecodeBmp, ReadsEverySupportedLayoutTopRowFirst) {
  const struct {
    const char* name;
    Bmp bmp;
    std::vector<uint32_t> pixels;
  } cases[] = {
      {"24-bit bottom-up, padded rows",
       {3, 2, 24, 0, {}, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 0, 255, 0, 255, 0, 0, 0, 0}}},
       {0xFF0000, 0x00FF00, 0, 0x030201, 0x060504, 0x090807}},
      {"32-bit top-down",
       {2, -2, 32, 0, {}, {{16, 32, 48, 255, 64, 80, 96, 0}, std::vector<uint8_t>(8)}},
       {0x302010, 0x605040, 0, 0}},
      {"16-bit 5-5-5 in a V4 header",
       {2, 1, 16, 0, {}, {{0xFF, 0x7F, 0x10, 0x42}}, 108},
       {kW, 0x848484}},
      {"8-bit palette",
       {3, 1, 8, 0, {0x112233, 0xAABBCC, kW}, {{2, 0, 1}}},
       {kW, 0x112233, 0xAABBCC}},
      {"4-bit palette, odd width",
       {3, 2, 4, 0, {0, kW}, {{0x10, 0}, {0x01, 0x10}}},
       {0, kW, kW, kW, 0, 0}},
      {"2-bit palette", {3, 1, 2, 0, {0, 1, 2, 3}, {{0b11100100}}}, {3, 2, 1}},
      {"1-bit palette across a byte",
       {9, 1, 1, 0, {0, 0xFF8000}, {{0xA0, 0x80}}},
       {0xFF8000, 0, 0xFF8000, 0, 0, 0, 0, 0, 0xFF8000}},
      // A run, a line end, indices as they are; pixels the codes skip keep index 0.
      {"8-bit run lengths",
       {4, 2, 8, 1, {0, 0x111111, 0x222222}, {{3, 1, 0, 0, 0, 3, 2, 1, 2, 0, 0, 1}}},
       {0x222222, 0x111111, 0x222222, 0, 0x111111, 0x111111, 0x111111, 0}},
      {"4-bit run lengths with a move",
       {6, 2, 4, 2, {0, kW, 0xFF0000}, {{3, 0x12, 0, 2, 1, 1, 2, 0x21, 0, 1}}},
       {0, 0, 0, 0, 0xFF0000, kW, kW, 0xFF0000, kW, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    BmpImage image;
    const std::vector<uint8_t> file = Encode(c.bmp);
    const Result decoded = DecodeBmp(file.data(), file.size(), image);
    ASSERT_TRUE(decoded) << c.name << ": " << decoded.message;
    EXPECT_EQ(image.width, c.bmp.width) << c.name;
    EXPECT_EQ(image.pixels, c.pixels) << c.name;
  }
}

TEST(DecodeBmp, RefusesWhatIsNoWholeSupportedImage) {
  const std::vector<uint8_t> good = Encode({2, 1, 8, 0, {0, kW}, {{1, 0}}});
  const std::vector<uint8_t> v5 = Encode({1, 1, 24, 0, {}, {}, 124});
  const struct {
    const char* name;
    std::vector<uint8_t> file;
  } cases[] = {
      {"empty", {}},
      {"no BM", Patched(good, 0, 'X')},
      {"truncated pixels", {good.begin(), good.end() - 1}},
      {"pixel data past the end", Patched(good, 10, 0xFFFFFFF0u)},
      {"header cut short", {v5.begin(), v5.begin() + 60}},
      {"unknown header size", Patched(good, 14, 20)},
      {"index outside the palette", Encode({1, 1, 8, 0, {0, 1}, {{2}}})},
      {"run lengths without an end", Encode({1, 1, 8, 1, {0}, {{1, 0}}})},
      {"JPEG inside", Encode({1, 1, 24, 4, {}, {{0, 0, 0}}})},
      {"bit fields on 24 bits", Encode({1, 1, 24, 3, {}, {{0, 0, 0}}})},
      {"3 bits per pixel", Encode({1, 1, 3, 0, {0}, {{0}}})},
      {"negative width", Encode({-1, 1, 24, 0, {}, {{0, 0, 0}}})},
      {"huge, without the data", Encode({1 << 20, 1 << 20, 24, 0, {}, {}})},
      {"huge and negative height", Encode({1, INT32_MIN, 24, 0, {}, {}})},
  };
  for (const auto& c : cases) {
    BmpImage image;
    image.pixels = {1, 2, 3};
    const Result decoded = DecodeBmp(c.file.data(), c.file.size(), image);
    EXPECT_FALSE(decoded) << c.name;
    EXPECT_FALSE(decoded.message.empty()) << c.name;
    EXPECT_TRUE(image.pixels.empty()) << c.name;
  }
}

TEST(LoadTexture, NamesTheFileAndWhyItCannotBeRead) {
  const TempFolder folder({.label = "bmp"});
  std::ofstream(folder.File("garbage.bmp")) << "GIF89a";
  const std::vector<uint8_t> empty = Encode({0, 4, 24, 0, {}, {}});
  std::ofstream(folder.File("empty.bmp"), std::ios::binary)
      .write(reinterpret_cast<const char*>(empty.data()),
             static_cast<std::streamsize>(empty.size()));
  std::filesystem::create_directory(folder.File("folder.bmp"));
  std::ofstream(folder.File("big.bmp")) << std::string(4 * 1024 * 1024 + 1, 'B');
  const struct {
    const char* name;
    std::string message;  // naming the file by its name alone
  } cases[] = {
      {"missing.bmp", "cannot load \"missing.bmp\": No such file or directory"},
      {"garbage.bmp", "\"garbage.bmp\" is not a readable BMP image: no BMP file header"},
#ifdef _WIN32
      {"folder.bmp", "cannot load \"folder.bmp\": Permission denied"},  // no folder opens
#else
      {"folder.bmp", "\"folder.bmp\" is not a readable BMP image: Is a directory"},
#endif
      {"empty.bmp", "\"empty.bmp\" holds no pixels that can be read"},
      {"big.bmp", "\"big.bmp\" is not a readable BMP image: larger than 4 MiB"},
  };
  for (const auto& c : cases) {
    const std::string path = folder.File(c.name);
    std::string message = c.message;
    message.replace(message.find(c.name), std::strlen(c.name), path);
    Texture* texture = nullptr;
    const Result loaded = LoadTexture(path.c_str(), texture);
    EXPECT_FALSE(loaded) << c.name;
    EXPECT_EQ(loaded.message, message);
    EXPECT_EQ(texture, nullptr) << c.name;
  }
}

TEST(LoadTexture, TheShippedWhiteTextureIsOpaqueWhite) {
  Texture* texture = nullptr;
  const Result loaded = LoadTexture(QUILMORANTE_DATA_DIR "/siro.bmp", texture);
  ASSERT_TRUE(loaded) << loaded.message;
  EXPECT_EQ(texture->width, 16);
  EXPECT_EQ(texture->height, 16);
  EXPECT_TRUE(texture->opaqueWhite);
  ReleaseTexture(texture);
}

}  // namespace
