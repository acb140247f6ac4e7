// The PNG writers read back by libpng's own reader: every frame, every sprite-sheet cell and
// the shader pair show exactly the BMP frames; the GLSL passes glslangValidator.

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "formats/png_frames.h"
#include "formats/png_sheet.h"
#include "formats/shader_pair.h"
#include "tests/formats/reference_frames.h"
#include "tests/support/png_pixels.h"

namespace {

// What libpng's reader says of a file's header chunks.
struct PngHeader {
  bool ok;
  int bitDepth;
  int colourType;
  int paletteEntries;
  bool conversionChunk;  // gAMA, sRGB, cHRM or iCCP: a reader would convert the values
};

struct MemoryReader {
  const uint8_t* data;
  size_t left;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > reader->left) png_error(png, "truncated");
  std::memcpy(out, reader->data, length);
  reader->data += length;
  reader->left -= length;
}

// Nothing here has a destructor: libpng's errors longjmp out.
PngHeader ReadHeader(const std::vector<uint8_t>& bytes) {
  MemoryReader reader{bytes.data(), bytes.size()};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (png == nullptr || info == nullptr) {
    png_destroy_read_struct(&png, &info, nullptr);
    return PngHeader{};
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return PngHeader{};
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_read_info(png, info);
  png_colorp palette = nullptr;
  int entries = 0;
  if (png_get_valid(png, info, PNG_INFO_PLTE)) png_get_PLTE(png, info, &palette, &entries);
  const PngHeader header{
      true, png_get_bit_depth(png, info), png_get_color_type(png, info), entries,
      png_get_valid(png, info, PNG_INFO_gAMA | PNG_INFO_sRGB | PNG_INFO_cHRM | PNG_INFO_iCCP) != 0};
  png_destroy_read_struct(&png, &info, nullptr);
  return header;
}

// Pixels as libpng's simplified reader gives them: 0xRRGGBB, or grey, row-major.
struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

Decoded Decode(const std::vector<uint8_t>& bytes, png_uint_32 format) {
  png_image image{};
  const std::vector<uint8_t> buffer = ReadPngPixels(bytes, format, &image);
  if (buffer.empty()) return {};
  Decoded d{static_cast<int>(image.width), static_cast<int>(image.height), {}};
  const size_t channels = PNG_IMAGE_PIXEL_CHANNELS(format);
  for (size_t i = 0; i < buffer.size(); i += channels)
    d.pixels.push_back(channels == 1 ? buffer[i]
                                     : uint32_t{buffer[i]} << 16 | uint32_t{buffer[i + 1]} << 8 |
                                           buffer[i + 2]);
  return d;
}

// The cell at (left, top), scale x scale pixels per picture pixel, equals the BMP frame.
void ExpectPicture(const Decoded& d, int left, int top, int scale, const Picture& frame,
                   const std::string& what) {
  for (int y = 0; y < 256 * scale; ++y)
    for (int x = 0; x < 256 * scale; ++x) {
      const uint32_t got = d.pixels[static_cast<size_t>(top + y) * d.width + left + x];
      ASSERT_EQ(got, frame[(y / scale) * 256 + x / scale]) << what << " x " << x << " y " << y;
    }
}

void ExpectFourBitPalette(const std::vector<uint8_t>& bytes, const std::string& what) {
  const PngHeader header = ReadHeader(bytes);
  ASSERT_TRUE(header.ok) << what;
  EXPECT_EQ(header.bitDepth, 4) << what;
  EXPECT_EQ(header.colourType, PNG_COLOR_TYPE_PALETTE) << what;
  EXPECT_EQ(header.paletteEntries, 16) << what;
}

class PngTest : public ::testing::TestWithParam<CycleCase> {};

TEST_P(PngTest, FramesShowTheBmpFrames) {
  const ReferenceFrames r = MakeReferenceFrames(GetParam());
  std::vector<std::vector<uint8_t>> frames;
  ASSERT_TRUE(EncodePngFrames(*r.cycle, 1, frames));
  ASSERT_EQ(frames.size(), size_t{kFrameCount});
  for (int a = 0; a < kFrameCount; ++a) {
    const std::string what = "frame " + std::to_string(a);
    ExpectFourBitPalette(frames[a], what);
    const Decoded d = Decode(frames[a], PNG_FORMAT_RGB);
    ASSERT_EQ(d.width, 256) << what;
    ASSERT_EQ(d.height, 256) << what;
    ExpectPicture(d, 0, 0, 1, r.frames[a], what);
  }
  // One frame alone: the same bytes as from the set, and enlarged.
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(EncodePngFrame(*r.cycle, 9, 1, bytes));
  EXPECT_EQ(bytes, frames[9]);
  ASSERT_TRUE(EncodePngFrame(*r.cycle, 9, 3, bytes));
  ExpectFourBitPalette(bytes, "frame 9 scale 3");
  const Decoded d = Decode(bytes, PNG_FORMAT_RGB);
  ASSERT_EQ(d.width, 768);
  ASSERT_EQ(d.height, 768);
  ExpectPicture(d, 0, 0, 3, r.frames[9], "frame 9 scale 3");
}

TEST_P(PngTest, SheetCellsShowTheBmpFrames) {
  const ReferenceFrames r = MakeReferenceFrames(GetParam());
  std::vector<std::pair<int, int>> layouts = {{16, 1}, {4, 1}};  // columns, scale
  if (&GetParam() == &kCycleCases[0]) layouts.push_back({2, 2});
  for (const auto& [columns, scale] : layouts) {
    const std::string what = std::to_string(columns) + " columns scale " + std::to_string(scale);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeSpriteSheet(*r.cycle, columns, scale, bytes)) << what;
    ExpectFourBitPalette(bytes, what);
    const Decoded d = Decode(bytes, PNG_FORMAT_RGB);
    const int cell = 256 * scale;
    ASSERT_EQ(d.width, columns * cell) << what;
    ASSERT_EQ(d.height, kFrameCount / columns * cell) << what;
    for (int a = 0; a < kFrameCount; ++a)
      ExpectPicture(d, a % columns * cell, a / columns * cell, scale, r.frames[a],
                    what + " cell " + std::to_string(a));
  }
}

TEST_P(PngTest, ShaderPairShowsTheBmpFrames) {
  const ReferenceFrames r = MakeReferenceFrames(GetParam());
  std::vector<uint8_t> indexPng, palettePng;
  ASSERT_TRUE(EncodeIndexPng(*r.cycle, indexPng));
  ASSERT_TRUE(EncodePalettePng(*r.cycle, palettePng));
  const PngHeader header = ReadHeader(indexPng);
  ASSERT_TRUE(header.ok);
  EXPECT_EQ(header.bitDepth, 8);
  EXPECT_EQ(header.colourType, PNG_COLOR_TYPE_GRAY);
  EXPECT_FALSE(header.conversionChunk);

  const Decoded index = Decode(indexPng, PNG_FORMAT_GRAY);
  const Decoded palette = Decode(palettePng, PNG_FORMAT_RGB);
  ASSERT_EQ(index.width, 256);
  ASSERT_EQ(index.height, 256);
  ASSERT_EQ(palette.width, 16);
  ASSERT_EQ(palette.height, 16);
  for (int i = 0; i < 256 * 256; ++i) {
    const uint32_t grey = index.pixels[i];
    ASSERT_EQ(grey % 17, 0u) << "pixel " << i;
    // Row a of the palette at the pixel's index is frame a's colour.
    for (int a = 0; a < kFrameCount; ++a)
      ASSERT_EQ(palette.pixels[a * 16 + grey / 17], r.frames[a][i])
          << "frame " << a << " pixel " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, PngTest, ::testing::ValuesIn(kCycleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngRefusals, NameTheRefusedValue) {
  auto cycle = std::make_unique<Cycle>();
  std::vector<uint8_t> bytes;
  const std::pair<Result, const char*> refusals[] = {
      {EncodeSpriteSheet(*cycle, 3, 1, bytes), "3 columns"},
      {EncodeSpriteSheet(*cycle, 32, 1, bytes), "32 columns"},
      {EncodeSpriteSheet(*cycle, 16, 5, bytes), "scale must be 1, 2, 3, 4 or 8, not 5"},
      {EncodePngFrame(*cycle, 0, 0, bytes), "scale must be 1, 2, 3, 4 or 8, not 0"},
      {EncodePngFrame(*cycle, 16, 1, bytes), "frame 16"},
  };
  for (const auto& [result, named] : refusals) {
    EXPECT_FALSE(result.ok) << named;
    EXPECT_NE(result.message.find(named), std::string::npos) << result.message;
  }
}

// A sheet taller than 16384 pixels takes the fewest more columns that fit; one that cannot fit
// is refused, naming the loop, the scale and the limit. The columns asked stand otherwise.
TEST(SheetLayoutTest, ColumnsGrowToStayWithinTheLimit) {
  const int kCases[][5] = {// frames, columns, scale; columns and rows made (0: refused)
                           {16, 16, 1, 16, 1},   {16, 4, 8, 4, 4},     {16, 16, 8, 16, 1},
                           {5, 16, 1, 5, 1},     {240, 16, 1, 16, 15}, {4096, 16, 1, 64, 64},
                           {1024, 1, 2, 32, 32}, {100, 16, 4, 16, 7},  {300, 16, 4, 0, 0},
                           {4096, 16, 2, 0, 0},  {64, 1, 8, 8, 8},     {65, 2, 8, 0, 0}};
  auto cycle = std::make_unique<Cycle>();
  for (const auto& [frames, columns, scale, wantColumns, wantRows] : kCases) {
    cycle->frames = frames;
    SheetLayout made;
    const Result planned = PlanSheet(*cycle, columns, scale, made);
    const std::string what = std::to_string(frames) + " frames at scale " + std::to_string(scale);
    EXPECT_EQ(std::tuple(planned.ok, made.columns, made.rows),
              std::tuple(wantColumns != 0, wantColumns, wantRows))
        << what;
    EXPECT_TRUE(planned ||
                planned.message.find(what + " does not fit in 16384") != std::string::npos)
        << planned.message;
  }
}

// The shaders carry the export's frame rate; the GLSL compiles with every range set written
// in (GLSL ES has no implicit int-to-float conversion, so a rate written as "50" would fail
// here). Whether it plays the frames is shader_webgl_test.py's to check.
TEST(CycleShaders, CarryTheRateAndTheGlslCompiles) {
  auto cycle = std::make_unique<Cycle>();
  const bool validator = std::system("command -v glslangValidator > /dev/null 2>&1") == 0;
  TempFolder folder;
  const std::pair<int, const char*> kRates[] = {{2, "50.0"}, {3, "33.3333333"}, {100, "1.0"}};
  for (size_t n = 0; n < std::size(kRangeSets); ++n) {
    const auto& [delay, rate] = kRates[n % 3];
    cycle->delayCentiseconds = delay;
    cycle->ranges = ToRanges(kRangeSets[n].ranges);
    cycle->frames = kRangeSets[n].loop;
    for (const ShaderKind kind : {ShaderKind::kGlsl, ShaderKind::kGodot})
      EXPECT_NE(ShaderText(kind, *cycle).find(std::string("frames_per_second = ") + rate + ";"),
                std::string::npos)
          << ShaderFileName(kind) << " delay " << delay;
    if (!validator) continue;
    const std::string shader = folder.File("cycle.glsl"), log = folder.File("validator.log");
    WriteText(shader, ShaderText(ShaderKind::kGlsl, *cycle));
    const std::string command =
        "glslangValidator -S frag \"" + shader + "\" > \"" + log + "\" 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << kRangeSets[n].name << ":\n" << ReadText(log);
  }
  if (!validator) GTEST_SKIP() << "glslangValidator is not installed (Debian glslang-tools)";
}

}  // namespace
