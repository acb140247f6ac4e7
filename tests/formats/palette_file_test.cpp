// Palette files by extension: each begins and ends as its editors expect and has exactly
// the size its format gives 16 entries; other extensions are refused by name.

#include "formats/palette_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using namespace std::string_literals;

TEST(PaletteFileTest, TheExtensionPicksTheFormat) {
  auto cycle = std::make_unique<Cycle>();
  for (int k = 0; k < 16; ++k) {
    const uint8_t rgb[3] = {uint8_t(16 * k), uint8_t(255 - k), uint8_t(k * k)};
    std::copy(rgb, rgb + 3, cycle->palette[k]);
  }
  const struct {
    std::string path;
    size_t size;             // 0: refused, with a message quoting `head`
    std::string head, tail;  // the file's first and last bytes
  } kFiles[] = {
      {"out/dusk.gpl", 366, "GIMP Palette\nName: Dusk Two\nColumns: 16\n  0 255   0\tIndex 0\n",
       "240 240 225\tIndex 15\n"},
      {"PAL", 206, "JASC-PAL\r\n0100\r\n16\r\n0 255 0\r\n16 254 1\r\n", "240 240 225\r\n"},
      {".hex", 112, "00ff00\n10fe01\n", "e0f1c4\nf0f0e1\n"},
      {"x.y/dusk.Act", 772, "\0\xff\0\x10\xfe\x01"s,
       "\xf0\xf0\xe1"s + std::string(720, '\0') + "\0\x10\xff\xff"s},
      {"dusk.png", 0, "\"png\"", ""},
      {"dir.gpl/dusk", 0, "\"dusk\"", ""},
  };
  for (const auto& file : kFiles) {
    std::vector<uint8_t> b;
    const Result result = EncodePaletteFile(*cycle, file.path, "Dusk\nTwo", b);
    const std::string text(b.begin(), b.end());
    if (file.size == 0) {
      EXPECT_FALSE(result.ok) << file.path;
      EXPECT_NE(result.message.find(file.head), std::string::npos) << result.message;
      continue;
    }
    EXPECT_TRUE(result.ok) << file.path;
    EXPECT_EQ(text.size(), file.size) << file.path;
    EXPECT_TRUE(text.starts_with(file.head) && text.ends_with(file.tail)) << file.path;
  }
}

}  // namespace
