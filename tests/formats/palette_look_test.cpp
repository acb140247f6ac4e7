// A palette's look as the exports show it: every pixel of every GIF and PNG frame, decoded by
// giflib and libpng, is a snap target colour, on the depth's levels, or both; and the look's
// arithmetic and its file, case by case.

#include "generator/palette_look.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "formats/cycle_gif.h"
#include "formats/png_frames.h"
#include "tests/formats/reference_frames.h"
#include "tests/support/generator_exports.h"
#include "tests/support/png_pixels.h"

namespace {

// A channel on the nearest of the 2^bits levels round(level * 255 / (2^bits - 1)), which never
// falls on a half.
int Depth(int value, int bits) {
  const double top = (1 << bits) - 1;
  return static_cast<int>(std::lround(std::lround(value * top / 255) * 255 / top));
}

// Some disjoint ranges (speeds in quarter steps, so some blend between colours) whose loop is
// at most 16 frames.
CycleRanges RandomRanges(std::mt19937& random) {
  for (;;) {
    CycleRanges set;
    set.count = 0;
    for (int low = static_cast<int>(random() % 4); low < kPaletteEntries - 1;
         low += static_cast<int>(random() % 6) + 1) {
      const int high = std::min(kPaletteEntries - 1, low + 1 + static_cast<int>(random() % 5));
      set.ranges[set.count++] = {low, high, 4 * static_cast<int>(random() % 17),
                                 static_cast<CycleMode>(random() % 3), random() % 2 == 0};
      low = high;
      if (set.count == kMaxCycleRanges) break;
    }
    int frames = 0;
    if (CheckCycleRanges(set) && LoopFrames(set, frames) && frames <= 16) return set;
  }
}

TEST(PaletteLookProperty, EveryExportedPixelObeysTheSnapAndTheDepth) {
  const TempDataFolder folder;
  const std::string header = FrameTemplate();
  folder.Write("savedata/pat0.txt", "32,32,1,1,4\n10,50,2,1,-3\n60,8,1,2,2\n0,0,0,0,0\n0,0,1,0");
  auto generator = std::make_unique<PatternGenerator>(&folder.data);
  PatternGenerator& g = *generator;
  std::mt19937 random(20240611u);
  for (int n = 0; n < 24; ++n) {
    for (auto& entry : g.keys)
      for (int32_t& digit : entry) digit = random() % 2 == 0 ? 0 : static_cast<int>(random() % 10);
    g.cycles = RandomRanges(random);
    const bool snaps = n % 3 != 1, limits = n % 3 != 0;
    g.look = PaletteLook{};
    const int bits = limits ? 1 + static_cast<int>(random() % 8) : kMaxDepthBits;
    g.look.depthBits = bits;
    if (snaps) g.look.snap.resize(1 + random() % kMaxLookColours);
    std::set<uint32_t> shown;  // what a snapped colour may become
    for (Rgb& c : g.look.snap) {
      c = {static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
           static_cast<uint8_t>(random())};
      shown.insert(Depth(c.r, bits) << 16 | Depth(c.g, bits) << 8 | Depth(c.b, bits));
    }
    g.RebuildPalette();
    Cycle cycle;
    ASSERT_TRUE(CycleOfGenerator(g, reinterpret_cast<const uint8_t*>(header.data()), 2, cycle));
    std::vector<uint8_t> gif;
    std::vector<std::vector<uint8_t>> pngs;
    ASSERT_TRUE(EncodeCycleGif(cycle, 1, gif) && EncodePngFrames(cycle, 1, pngs));
    SCOPED_TRACE("case " + std::to_string(n) + ", " + std::to_string(g.look.snap.size()) +
                 " target colours, " + std::to_string(bits) + " bits");
    uint32_t checked = ~0u;  // the last colour found to obey: neighbours mostly repeat it
    const auto obeys = [&](uint32_t rgb) {
      if (rgb == checked) return true;
      for (const int shift : {0, 8, 16})
        if (Depth(rgb >> shift & 255, bits) != static_cast<int>(rgb >> shift & 255)) return false;
      if (snaps && shown.count(rgb) == 0) return false;
      checked = rgb;
      return true;
    };
    folder.Write("a.gif", std::string(gif.begin(), gif.end()));
    GifFileType* decoded = DGifOpenFileName(folder.File("a.gif").c_str(), nullptr);
    ASSERT_TRUE(decoded != nullptr && DGifSlurp(decoded) == GIF_OK);
    ASSERT_EQ(decoded->ImageCount, cycle.frames);
    ASSERT_EQ(pngs.size(), static_cast<size_t>(cycle.frames));
    for (int j = 0; j < cycle.frames; ++j) {
      const SavedImage& image = decoded->SavedImages[j];
      const GifColorType* map =
          (image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : decoded->SColorMap)->Colors;
      const std::vector<uint8_t> rgb = ReadPngPixels(pngs[j]);
      ASSERT_EQ(rgb.size(), 3u * 65536);
      for (size_t i = 0; i < 65536; ++i) {
        const GifColorType& c = map[image.RasterBits[i]];
        ASSERT_TRUE(obeys(uint32_t{c.Red} << 16 | c.Green << 8 | c.Blue)) << "GIF frame " << j;
        ASSERT_TRUE(obeys(uint32_t{rgb[3 * i]} << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2]))
            << "PNG frame " << j;
      }
    }
    DGifCloseFile(decoded, nullptr);
  }
}

TEST(PaletteLook, LimitDepthByHand) {
  struct Case {
    int value, bits, limited;
  };
  for (const Case& c : {Case{0, 8, 0},
                        {128, 8, 128},
                        {255, 8, 255},
                        {127, 1, 0},
                        {128, 1, 255},
                        {18, 3, 0},
                        {19, 3, 36},
                        {100, 3, 109},
                        {255, 3, 255},
                        {8, 4, 0},
                        {9, 4, 17},
                        {26, 4, 34},
                        {100, 4, 102},
                        {100, 5, 99}})
    EXPECT_EQ(LimitDepth(static_cast<uint8_t>(c.value), c.bits), c.limited)
        << c.value << " at " << c.bits << " bits";
}

TEST(PaletteLook, NearestColourWeighsRedmeanAndTiesGoLow) {
  struct Case {
    const char* name;
    uint8_t rgb[kChannels];
    uint8_t target[2][kChannels];
    int nearest;
  };
  for (const Case& c : {
           // Plain distance takes 0 (100 against 121); among dark reds blue weighs more.
           Case{"BlueAgainstRed", {0, 0, 0}, {{0, 0, 10}, {11, 0, 0}}, 1},
           Case{"GreenAgainstRed", {0, 0, 0}, {{0, 9, 0}, {12, 0, 0}}, 1},
           Case{"SameColourTwice", {5, 6, 7}, {{1, 1, 1}, {1, 1, 1}}, 0},
           Case{"EquallyFar", {100, 100, 100}, {{100, 100, 110}, {100, 100, 90}}, 0},
       })
    EXPECT_EQ(NearestColour(c.rgb, c.target, 2), c.nearest) << c.name;
}

TEST(PaletteLook, FileRoundTripsAndRefusesMalformedLines) {
  PaletteLook look;
  look.colours = {{1, 2, 3}, {4, 5, 6}, {250, 251, 252}};
  look.colourStart = 2;
  look.coloursName = "dawn bringer.gpl";
  look.snap = {{255, 0, 0}};
  look.snapName = "red.hex";
  look.depthBits = 5;
  for (const PaletteLook& given : {look, PaletteLook{}}) {
    PaletteLook read;
    read.depthBits = 3;
    ASSERT_TRUE(ParsePaletteLook(PaletteLookText(given), read));
    EXPECT_EQ(read, given) << PaletteLookText(given);
  }
  // As a Windows editor may save it: CR LF line ends, tabs between the words.
  std::string crlf;
  for (char c : PaletteLookText(look)) {
    if (c == '\n') crlf += '\r';
    crlf += c == ' ' ? '\t' : c;
  }
  PaletteLook read;
  ASSERT_TRUE(ParsePaletteLook(crlf, read)) << crlf;
  EXPECT_EQ(read.colours, look.colours);
  EXPECT_EQ(read.depthBits, look.depthBits);
  struct Case {
    std::string text, line;
  };
  std::string tooMany = "snap";
  for (int i = 0; i <= kMaxLookColours; ++i) tooMany += " 0a0b0c";
  for (const Case& c : {Case{"colours 0 12345\n", "line 1"},
                        {"depth 4\ndepth 9\n", "line 2"},
                        {"\ndepth 4 x\n", "line 2"},
                        {"colours 2 ff0000 00ff00\n", "line 1"},
                        {"snap\n", "line 1"},
                        {"snap gg0000\n", "line 1"},
                        {"tint 3\n", "line 1"},
                        {"colours 0 ff0000\ncolours 0 00ff00\n", "line 2"},
                        {"snap ff0000\nsnap 00ff00\n", "line 2"},
                        // A terminal's title set by a shared file, in a message 60 KB long.
                        {"\x1b]0;owned\x07" + std::string(60000, 'k') + " 1\n", "line 1"},
                        {tooMany, "line 1"}}) {
    PaletteLook kept = look;
    const Result parsed = ParsePaletteLook(c.text, kept);
    EXPECT_FALSE(parsed) << c.text;
    EXPECT_NE(parsed.message.find(c.line), std::string::npos) << parsed.message;
    EXPECT_LT(parsed.message.size(), 160u);
    EXPECT_EQ(parsed.message.find('\x1b'), std::string::npos);
    EXPECT_EQ(kept, look) << c.text;
  }
}

}  // namespace
