#include "bmp_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "texture.h"

namespace {

// An info-header BMP file; rows are in file order and padded here.
struct Bmp {
  uint32_t headerSize = 40;
  int32_t width = 1;
  int32_t height = 1;  // negative: top-down
  uint16_t bits = 24;
  uint32_t compression = 0;
  std::vector<uint32_t> palette = {};  // 0xRRGGBB
  std::vector<std::vector<uint8_t>> rows = {};
};

void Put(std::vector<uint8_t>& bytes, size_t at, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> Encode(const Bmp& bmp) {
  std::vector<uint8_t> file(14 + bmp.headerSize);
  file[0] = 'B';
  file[1] = 'M';
  Put(file, 14, bmp.headerSize, 4);
  Put(file, 18, bmp.width, 4);
  Put(file, 22, bmp.height, 4);
  Put(file, 28, bmp.bits, 2);
  Put(file, 30, bmp.compression, 4);
  Put(file, 46, static_cast<uint32_t>(bmp.palette.size()), 4);
  for (uint32_t colour : bmp.palette)
    for (int shift : {0, 8, 16, 24}) file.push_back(static_cast<uint8_t>(colour >> shift));
  Put(file, 10, static_cast<uint32_t>(file.size()), 4);
  for (const std::vector<uint8_t>& row : bmp.rows) {
    const size_t at = file.size();
    file.resize(at + (row.size() + 3) / 4 * 4);
    std::copy(row.begin(), row.end(), file.begin() + static_cast<ptrdiff_t>(at));
  }
  Put(file, 2, static_cast<uint32_t>(file.size()), 4);
  return file;
}

std::vector<uint8_t> Patched(std::vector<uint8_t> file, size_t at, uint32_t value) {
  Put(file, at, value, 4);
  return file;
}

TEST(DecodeBmp, ReadsEverySupportedLayoutTopRowFirst) {
  const uint32_t kW = 0xFFFFFF;
  const struct {
    const char* name;
    Bmp bmp;
    std::vector<uint32_t> pixels;
  } cases[] = {
      {"24-bit bottom-up, padded rows",
       {.width = 3,
        .height = 2,
        .rows = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 0, 255, 0, 255, 0, 0, 0, 0}}},
       {0xFF0000, 0x00FF00, 0x000000, 0x030201, 0x060504, 0x090807}},
      {"32-bit top-down",
       {.width = 2,
        .height = -2,
        .bits = 32,
        .rows = {{16, 32, 48, 255, 64, 80, 96, 0}, std::vector<uint8_t>(8)}},
       {0x302010, 0x605040, 0, 0}},
      {"16-bit 5-5-5 in a V4 header",
       {.headerSize = 108, .width = 2, .bits = 16, .rows = {{0xFF, 0x7F, 0x10, 0x42}}},
       {kW, 0x848484}},
      {"8-bit palette",
       {.width = 3, .bits = 8, .palette = {0x112233, 0xAABBCC, kW}, .rows = {{2, 0, 1}}},
       {kW, 0x112233, 0xAABBCC}},
      {"4-bit palette, odd width, bottom-up",
       {.width = 3,
        .height = 2,
        .bits = 4,
        .palette = {0, kW},
        .rows = {{0x10, 0x00}, {0x01, 0x10}}},
       {0, kW, kW, kW, 0, 0}},
      {"2-bit palette",
       {.width = 3, .bits = 2, .palette = {0, 1, 2, 3}, .rows = {{0b11100100}}},
       {3, 2, 1}},
      {"1-bit palette across a byte",
       {.width = 9, .bits = 1, .palette = {0, 0xFF8000}, .rows = {{0xA0, 0x80}}},
       {0xFF8000, 0, 0xFF8000, 0, 0, 0, 0, 0, 0xFF8000}},
  };
  for (const auto& c : cases) {
    BmpImage image;
    const std::vector<uint8_t> file = Encode(c.bmp);
    const Result decoded = DecodeBmp(file.data(), file.size(), image);
    ASSERT_TRUE(decoded) << c.name << ": " << decoded.message;
    EXPECT_EQ(image.width, c.bmp.width) << c.name;
    EXPECT_EQ(image.height, std::abs(c.bmp.height)) << c.name;
    EXPECT_EQ(image.pixels, c.pixels) << c.name;
  }
}

TEST(DecodeBmp, RefusesWhatIsNoWholeSupportedImage) {
  const Bmp palettized = {.width = 2, .bits = 8, .palette = {0, 0xFFFFFF}, .rows = {{1, 0}}};
  const std::vector<uint8_t> good = Encode(palettized);
  const std::vector<uint8_t> v5 = Encode({.headerSize = 124});
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
      {"index outside the palette", Encode({.bits = 8, .palette = {0, 1}, .rows = {{2}}})},
      {"RLE8", Encode({.bits = 8, .compression = 1, .palette = {0}, .rows = {{0}}})},
      {"bit fields on 24 bits", Encode({.compression = 3, .rows = {{0, 0, 0}}})},
      {"3 bits per pixel", Encode({.bits = 3, .palette = {0}, .rows = {{0}}})},
      {"negative width", Encode({.width = -1, .rows = {{0, 0, 0}}})},
      {"huge, without the data", Encode({.width = 1 << 20, .height = 1 << 20})},
      {"huge and negative height", Encode({.width = 1, .height = INT32_MIN})},
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
  TempFolder folder({.label = "bmp"});
  std::ofstream("garbage.bmp") << "GIF89a";
  const std::vector<uint8_t> empty = Encode({.width = 0, .height = 4});
  std::ofstream("empty.bmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(empty.data()), 54);
  std::filesystem::create_directory("folder.bmp");
  const struct {
    const char* path;
    std::string message;
  } cases[] = {
      {"missing.bmp", "cannot load \"missing.bmp\": No such file or directory"},
      {"garbage.bmp", "\"garbage.bmp\" is not a readable BMP image: no BMP file header"},
      {"folder.bmp", "\"folder.bmp\" is not a readable BMP image: Is a directory"},
      {"empty.bmp", "\"empty.bmp\" holds no pixels that can be read"},
  };
  for (const auto& c : cases) {
    Texture* texture = nullptr;
    const Result loaded = LoadTexture(c.path, texture);
    EXPECT_FALSE(loaded) << c.path;
    EXPECT_EQ(loaded.message, c.message);
    EXPECT_EQ(texture, nullptr) << c.path;
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
