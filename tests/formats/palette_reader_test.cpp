// Palette files told apart by their content: a small file of every format read to its
// colours, malformed ones refused with the reason, and every palette this program writes
// read back to the cycle's colours.

#include "formats/palette_reader.h"

#include <gtest/gtest.h>
#include <png.h>

#include <memory>
#include <string>
#include <vector>

#include "formats/palette_file.h"
#include "formats/shader_pair.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace std::string_literals;

std::string Le(uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
  return out;
}

const std::string kRiff =
    "RIFF"s + Le(24, 4) + "PAL data" + Le(12, 4) + Le(0x0300, 2) + Le(2, 2) + "\1\2\3\0\4\5\6\0"s;
const std::string kAct772 = "\1\2\3\4\5\6"s + std::string(762, '\0') + "\0\2\xff\xff"s;

std::string Gif(bool global) {
  const std::string table = "\1\2\3\4\5\6"s;
  return "GIF89a"s + Le(1, 2) + Le(1, 2) + (global ? "\x80"s + "\0\0"s + table : "\0\0\0"s) + "," +
         Le(0, 4) + Le(1, 2) + Le(1, 2) + (global ? "\0"s : "\x80"s + table) + "\2\2\x44\1\0;"s;
}

// The frame template's 4-bit BMP: colour i is red 3i, green 2i, blue i. height -256 is the
// top-down template.
std::string Bmp(int height = 256) {
  std::string bmp = FrameTemplate(height);
  for (int i = 0; i < 16; ++i) bmp += {char(i), char(2 * i), char(3 * i), '\0'};
  return bmp + std::string(256 * 128, '\0');
}

// A 6 x 6 PNG from libpng's own writer: RGBA pixels, or indices into an RGB colour map.
std::string Png(const std::vector<uint8_t>& pixels, const std::vector<uint8_t>& colourMap = {}) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = image.height = 6;
  image.format = colourMap.empty() ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB_COLORMAP;
  image.colormap_entries = static_cast<uint32_t>(colourMap.size() / 3);
  std::string bytes(1024, '\0');
  png_alloc_size_t size = bytes.size();
  EXPECT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0,
                                        colourMap.empty() ? nullptr : colourMap.data()));
  return bytes.substr(0, size);
}

// A 2 x 2 grid of 3 x 3-pixel swatches, A B over C A, alpha varying.
std::string SwatchPng() {
  const uint32_t swatches[2][2] = {{0x010203ff, 0x04050680}, {0x07080900, 0x010203ff}};
  std::vector<uint8_t> pixels;
  for (int i = 0; i < 36; ++i)
    for (int shift = 24; shift >= 0; shift -= 8)
      pixels.push_back(swatches[i / 18][i % 6 / 3] >> shift);
  return Png(pixels);
}

// The first count colours, "rrggbb " each.
std::string Colours(const ImportedPalette& palette, size_t count) {
  std::string text;
  for (size_t i = 0; i < palette.colours.size() && i < count; ++i) {
    char hex[8];
    const PaletteColour& c = palette.colours[i];
    std::snprintf(hex, sizeof hex, "%02x%02x%02x ", c.r, c.g, c.b);
    text += hex;
  }
  return text;
}

TEST(PaletteReaderTest, EveryFormatByItsContent) {
  const struct {
    std::string bytes, format;
    size_t count;
    std::string first;  // the first colours, as Colours writes them
  } kFiles[] = {
      {"GIMP Palette\r\nName: Dusk \r\nColumns: 4\r\n# red\r\n255   0 0\tRed\r\n  "
       "0\t128\t255\r\n\r\n",
       "GIMP palette", 2, "ff0000 0080ff "},
      {"GIMP Palette\nChannels: RGBA\n1 2 3 0 Clear\n4 5 6 255\n", "GIMP palette", 2,
       "010203 040506 "},
      {"ff0000\r\n#00FF00\n\n0x0000ff\n", "hex list", 3, "ff0000 00ff00 0000ff "},
      {"\xEF\xBB\xBFJASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n4\t5 6\r\n", "JASC-PAL", 2, "010203 040506 "},
      {kRiff, "RIFF palette", 2, "010203 040506 "},
      {"\1\2\3"s + std::string(765, '\xff'), "Adobe colour table", 256, "010203 ffffff ffffff "},
      {kAct772, "Adobe colour table", 2, "010203 040506 "},
      {"; paint.net Palette File\r\n;\r\nFF010203\r\n80040506\r\n", "Paint.NET palette", 2,
       "010203 040506 "},
      {Png(std::vector<uint8_t>(36, 2), {1, 2, 3, 4, 5, 6, 7, 8, 9}), "PNG", 3,
       "010203 040506 070809 "},
      {SwatchPng(), "PNG", 3, "010203 040506 070809 "},
      {Gif(true), "GIF", 2, "010203 040506 "},
      {Gif(false), "GIF", 2, "010203 040506 "},
      {Bmp(), "BMP", 16, "000000 030201 060402 "},
      {Bmp(-256), "BMP", 16, "000000 030201 060402 "},
      // Every byte printable, yet no text palette: the size makes it a colour table.
      {"ABC"s + std::string(765, '~'), "Adobe colour table", 256, "414243 7e7e7e 7e7e7e "},
  };
  for (const auto& file : kFiles) {
    ImportedPalette palette;
    const Result result = DecodePalette(file.bytes, palette);
    EXPECT_TRUE(result.ok) << file.format << ": " << result.message;
    EXPECT_EQ(palette.format, file.format);
    EXPECT_EQ(palette.colours.size(), file.count) << file.format;
    EXPECT_EQ(Colours(palette, 3), file.first) << file.format;
    EXPECT_EQ(palette.name, file.bytes.starts_with("GIMP Palette\r") ? "Dusk" : "");
  }
}

TEST(PaletteReaderTest, MalformedFilesAreRefusedSayingWhy) {
  std::string hex257;
  for (int i = 0; i < 257; ++i) hex257 += "0000" + std::to_string(10 + i % 90) + "\n";
  const std::string png = SwatchPng(), bmp = Bmp();
  const struct {
    std::string bytes, why;
  } kFiles[] = {
      {"", "empty"},
      {"hello\n", "not a palette file"},
      {" \r\n\n", "blank lines"},
      {hex257, "more than 256 colours"},
      {"GIMP Palette\n# none\n", "holds no colours"},
      {"GIMP Palette\n12 256 0\n", "line 2 is \"12 256 0\""},
      {"ff0000\n#ff00001\n", "line 2"},
      {"JASC-PAL\n0100\n3\n1 2 3\n", "count is 3 but the file has 1"},
      {std::string(kMaxPaletteFileBytes + 1, 'f'), "larger than 1 MiB"},
      {kRiff.substr(0, kRiff.size() - 1), "RIFF palette: the file ends"},
      {bmp.substr(0, bmp.size() - 1), "BMP: the file ends"},
      {bmp.substr(0, 60), "BMP: the file ends"},
      {bmp.substr(0, 18) + Le(uint32_t(-256), 4) + bmp.substr(22), "BMP: the header's"},
      {png.substr(0, png.size() - 20), "PNG: "},
      {std::string(768, '\0') + "\1\1\xff\xff"s, "count of 257"},
  };
  for (const auto& file : kFiles) {
    ImportedPalette palette;
    const Result result = DecodePalette(file.bytes, palette);
    EXPECT_FALSE(result.ok) << file.why;
    EXPECT_NE(result.message.find(file.why), std::string::npos) << result.message;
    EXPECT_TRUE(palette.colours.empty() && palette.format.empty()) << file.why;
  }
}

TEST(PaletteReaderTest, EveryPaletteThisProgramWritesReadsBack) {
  auto cycle = std::make_unique<Cycle>();
  std::vector<PaletteColour> expected;
  for (int k = 0; k < 16; ++k) {
    const uint8_t rgb[3] = {uint8_t(16 * k), uint8_t(255 - k), uint8_t(k * k)};
    std::copy(rgb, rgb + 3, cycle->palette[k]);
    expected.push_back({rgb[0], rgb[1], rgb[2]});
  }
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files(std::size(kPaletteExtensions));
  for (size_t i = 0; i < files.size(); ++i) {
    files[i].first = kPaletteExtensions[i];
    ASSERT_TRUE(EncodePaletteFile(*cycle, files[i].first, "Dusk", files[i].second).ok);
  }
  files.push_back({"palette.png", {}});
  ASSERT_TRUE(EncodePalettePng(*cycle, files.back().second).ok);
  for (const auto& [name, bytes] : files) {
    ImportedPalette palette;
    const Result result = DecodePalette(std::string(bytes.begin(), bytes.end()), palette);
    EXPECT_TRUE(result.ok) << name << ": " << result.message;
    EXPECT_EQ(palette.colours, expected) << name;
  }
  // From a file: the path heads every failure.
  const TempFolder folder;
  const std::string dusk = folder.File("dusk.gpl"), notes = folder.File("notes.txt"),
                    missing = folder.File("missing.gpl");
  WriteText(dusk, std::string(files[0].second.begin(), files[0].second.end()));
  WriteText(notes, "hello\n");
  ImportedPalette palette;
  EXPECT_TRUE(ReadPaletteFile(dusk, palette).ok);
  EXPECT_EQ(palette.name, "Dusk");
  EXPECT_TRUE(ReadPaletteFile(notes, palette).message.starts_with(notes + ": not a"));
  EXPECT_TRUE(ReadPaletteFile(missing, palette).message.starts_with(missing + ": "));
}

}  // namespace
