// The installed PNG icon shows exactly the window icon: same size, same 16 colours, same
// pixels. The PNG is the one the build wrote (ICON_PNG); it is read here with a reader for
// the stored deflate blocks its writer uses.

#include "window_icon.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "icon_png.h"
#include "window_icon_pixels.h"

namespace {

uint32_t BigEndian(const std::vector<uint8_t>& bytes, std::size_t at) {
  return static_cast<uint32_t>(bytes[at]) << 24 | static_cast<uint32_t>(bytes[at + 1]) << 16 |
         static_cast<uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

uint32_t Crc32(const uint8_t* data, std::size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

struct DecodedPng {
  uint32_t width = 0, height = 0;
  int bitDepth = 0, colourType = 0;
  std::vector<uint8_t> palette;  // r, g, b per entry
  std::vector<uint8_t> indices;  // one per pixel, row by row
};

// Reads a PNG whose image data is in stored deflate blocks; fails the test on anything else.
DecodedPng Decode(const std::vector<uint8_t>& png) {
  DecodedPng out;
  const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(png.size() > 8 && std::equal(signature, signature + 8, png.begin()));
  std::vector<uint8_t> zlib;
  std::size_t at = 8;
  bool ended = false;
  while (at + 12 <= png.size() && !ended) {
    const uint32_t length = BigEndian(png, at);
    const std::string type(png.begin() + at + 4, png.begin() + at + 8);
    const uint8_t* data = png.data() + at + 8;
    EXPECT_EQ(BigEndian(png, at + 8 + length), Crc32(png.data() + at + 4, length + 4)) << type;
    if (type == "IHDR") {
      const std::vector<uint8_t> h(data, data + length);
      out.width = BigEndian(h, 0);
      out.height = BigEndian(h, 4);
      out.bitDepth = h[8];
      out.colourType = h[9];
    } else if (type == "PLTE") {
      out.palette.assign(data, data + length);
    } else if (type == "IDAT") {
      zlib.insert(zlib.end(), data, data + length);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ(at, png.size());
  // zlib header, stored blocks, Adler-32.
  std::vector<uint8_t> raw;
  EXPECT_GE(zlib.size(), 2u);
  if (zlib.size() < 2) return out;
  EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0);
  std::size_t z = 2;
  for (bool last = false; !last && z + 5 <= zlib.size();) {
    last = zlib[z] & 1;
    EXPECT_EQ(zlib[z] >> 1, 0) << "not a stored block";
    const unsigned length = zlib[z + 1] | zlib[z + 2] << 8;
    EXPECT_EQ(length ^ 0xFFFFu, static_cast<unsigned>(zlib[z + 3] | zlib[z + 4] << 8));
    raw.insert(raw.end(), zlib.begin() + z + 5, zlib.begin() + z + 5 + length);
    z += 5 + length;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521u;
    b = (b + a) % 65521u;
  }
  EXPECT_EQ(z + 4, zlib.size());
  if (z + 4 <= zlib.size()) {
    EXPECT_EQ(BigEndian(zlib, z), b << 16 | a);
  }
  // 4 bits per pixel, filter type 0 on every row.
  const std::size_t stride = 1 + (out.width + 1) / 2;
  EXPECT_EQ(raw.size(), stride * out.height);
  for (uint32_t y = 0; y < out.height && (y + 1) * stride <= raw.size(); ++y) {
    EXPECT_EQ(raw[y * stride], 0) << "row " << y;
    for (uint32_t x = 0; x < out.width; ++x) {
      const uint8_t byte = raw[y * stride + 1 + x / 2];
      out.indices.push_back(x % 2 == 0 ? byte >> 4 : byte & 15);
    }
  }
  return out;
}

void ExpectSameAsTheWindowIcon(const DecodedPng& png) {
  EXPECT_EQ(png.width, 32u);
  EXPECT_EQ(png.height, 32u);
  EXPECT_EQ(png.bitDepth, 4);
  EXPECT_EQ(png.colourType, 3);  // indexed colour
  SDL_Surface* icon = MakeWindowIcon();
  ASSERT_NE(icon, nullptr);
  ASSERT_EQ(icon->w, 32);
  ASSERT_EQ(icon->h, 32);
  const SDL_Palette* palette = icon->format->palette;
  ASSERT_NE(palette, nullptr);
  ASSERT_EQ(png.palette.size(), 3u * 16);
  ASSERT_GE(palette->ncolors, 16);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(png.palette[3 * i + 0], palette->colors[i].r) << "colour " << i;
    EXPECT_EQ(png.palette[3 * i + 1], palette->colors[i].g) << "colour " << i;
    EXPECT_EQ(png.palette[3 * i + 2], palette->colors[i].b) << "colour " << i;
  }
  ASSERT_EQ(png.indices.size(), 32u * 32);
  for (int y = 0; y < 32; ++y) {
    const auto* row = static_cast<const uint8_t*>(icon->pixels) + y * icon->pitch;
    for (int x = 0; x < 32; ++x) ASSERT_EQ(png.indices[y * 32 + x], row[x]) << x << "," << y;
  }
  SDL_FreeSurface(icon);
}

TEST(WindowIcon, EncodedPngShowsTheWindowIcon) {
  ExpectSameAsTheWindowIcon(Decode(EncodeIconPng(WindowIconPicture())));
}

TEST(WindowIcon, InstalledPngFileShowsTheWindowIcon) {
  std::ifstream in(ICON_PNG, std::ios::binary);
  ASSERT_TRUE(in) << "missing " << ICON_PNG;
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  ExpectSameAsTheWindowIcon(Decode(bytes));
}

TEST(WindowIcon, UsesAllSixteenColours) {
  const IconPicture picture = WindowIconPicture();
  bool used[kIconColours] = {};
  for (uint8_t index : picture.pixels) used[index] = true;
  for (int i = 0; i < kIconColours; ++i) EXPECT_TRUE(used[i]) << "colour " << i;
}

}  // namespace
