// The palette atlas read back by libpng: one row a frame of the loop holding that frame's
// colours, limit included; the atlas shaders carry the loop and the GLSL compiles. Whether
// they play the frames is shader_webgl_test.py's to check.

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "formats/shader_pair.h"
#include "tests/formats/reference_frames.h"
#include "tests/support/png_pixels.h"

namespace {

// Every range set, blending ones included; every other one with a colour depth of 3 bits.
TEST(PaletteAtlas, RowJHoldsFrameJsColours) {
  for (size_t n = 0; n < std::size(kRangeSets); ++n) {
    std::unique_ptr<Cycle> cycle = RangeCycle(kRangeSets[n]);
    ASSERT_TRUE(cycle);
    if (n % 2 == 1) cycle->limit.depthBits = 3;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodePaletteAtlasPng(*cycle, bytes));
    png_image image{};
    const std::vector<uint8_t> rgb = ReadPngPixels(bytes, PNG_FORMAT_RGB, &image);
    ASSERT_FALSE(rgb.empty());
    EXPECT_EQ(image.format, png_uint_32{PNG_FORMAT_RGB}) << "truecolour, no palette or alpha";
    ASSERT_EQ(image.width, 16u) << kRangeSets[n].name;
    ASSERT_EQ(image.height, static_cast<png_uint_32>(kRangeSets[n].loop)) << kRangeSets[n].name;
    for (int j = 0; j < cycle->frames; ++j) {
      uint8_t colours[kPaletteEntries][kChannels];
      cycle->Colours(j, colours);
      const std::vector<uint8_t> row(rgb.begin() + 48 * j, rgb.begin() + 48 * (j + 1));
      ASSERT_EQ(row, std::vector<uint8_t>(&colours[0][0], &colours[0][0] + 48))
          << kRangeSets[n].name << " frame " << j;
    }
  }
}

// The loop sizes the atlas lookup; GLSL ES has no implicit int-to-float conversion, which the
// validator catches.
TEST(PaletteAtlas, ShadersCarryTheLoopAndTheGlslCompiles) {
  const bool validator = std::system("command -v glslangValidator > /dev/null 2>&1") == 0;
  TempFolder folder;
  auto cycle = std::make_unique<Cycle>();
  cycle->delayCentiseconds = 3;
  for (const RangeSet& set : kRangeSets) {
    cycle->ranges = ToRanges(set.ranges);
    cycle->frames = set.loop;
    const std::string loop = "loop_frames = " + std::to_string(set.loop) + ";";
    for (const ShaderKind kind : {ShaderKind::kAtlasGlsl, ShaderKind::kAtlasGodot}) {
      EXPECT_NE(ShaderText(kind, *cycle).find(loop), std::string::npos)
          << ShaderFileName(kind) << " " << set.name;
    }
    if (!validator) continue;
    const std::string shader = folder.File("atlas.glsl"), log = folder.File("validator.log");
    WriteText(shader, ShaderText(ShaderKind::kAtlasGlsl, *cycle));
    const std::string command =
        "glslangValidator -S frag \"" + shader + "\" > \"" + log + "\" 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << set.name << ":\n" << ReadText(log);
  }
  if (!validator) GTEST_SKIP() << "glslangValidator is not installed (Debian glslang-tools)";
}

}  // namespace
