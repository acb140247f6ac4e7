// The Aseprite file read back by a reader written here from Aseprite's published file format
// document: chunk sizes and counts against the frames', palettes applied in order, linked cels
// resolved, the image inflated by zlib. Every palette chunk holds all sixteen entries (readers
// that take a chunk as the whole palette), every frame shows the BMP frame (the ranges'
// frames as the cycle model has them), and the longest loop stays small.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "formats/cycle_aseprite.h"
#include "tests/formats/reference_frames.h"

namespace {

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | b.at(at + i);
  return value;
}

struct Sprite {
  // frames, width, height, depth, flags, speed, transparent index, colours; then every
  // frame's duration
  std::vector<uint32_t> header;
  std::vector<std::vector<uint32_t>> palettes;  // each frame's, 0xRRGGBB
  std::vector<std::vector<uint8_t>> images;     // as stored
  std::vector<size_t> image;                    // each frame's
  std::string names;                            // the layer's flags & 9 and name, the tag's
};

Sprite Read(const std::vector<uint8_t>& b) {
  Sprite s;
  EXPECT_EQ(Le(b, 0, 4), b.size());
  EXPECT_EQ(Le(b, 4, 2), 0xA5E0u);
  for (const int at : {6, 8, 10, 12, 14, 18, 28, 32})
    s.header.push_back(Le(b, at, at == 14 ? 4 : at == 28 ? 1 : 2));
  const auto text = [&](size_t from) {
    return std::string(&b.at(from + 2), &b.at(from + 1 + Le(b, from, 2)) + 1);
  };
  size_t at = 128;
  for (uint32_t f = 0; f < s.header[0]; ++f) {
    const size_t end = at + Le(b, at, 4), chunks = Le(b, at + 12, 4);
    EXPECT_EQ(Le(b, at + 4, 2) << 16 | Le(b, at + 6, 2), 0xF1FA0000 | chunks) << f;
    s.header.push_back(Le(b, at + 8, 2));
    std::vector<uint32_t> palette = f == 0 ? std::vector<uint32_t>{} : s.palettes.back();
    const std::vector<uint32_t> before = palette;
    s.image.push_back(s.images.size());  // no cel: none
    at += 16;
    for (size_t c = 0, d = at + 6; c < chunks; ++c, at += Le(b, at, 4), d = at + 6) {
      const uint32_t type = Le(b, at + 4, 2), first = Le(b, d + 4, 4), last = Le(b, d + 8, 4);
      if (type == 0x2019) {
        palette.resize(Le(b, d, 4));
        for (size_t k = first, e = d + 20; k <= last; ++k, e += 6) {
          EXPECT_EQ(Le(b, e, 2) << 8 | b.at(e + 5), 255u) << "unnamed and opaque";
          palette.at(k) = Le(b, e + 2, 1) << 16 | Le(b, e + 3, 1) << 8 | Le(b, e + 4, 1);
        }
        EXPECT_EQ(palette.size(), 16u);
        EXPECT_TRUE(first == 0 && last == 15) << "frame " << f << " sets part of the palette";
        EXPECT_TRUE(f == 0 || palette != before) << "frame " << f << " changes nothing";
      } else if (type == 0x2005 && Le(b, d + 7, 2) == 1) {
        s.image.back() = s.image.at(Le(b, d + 16, 2));
      } else if (type == 0x2005) {
        EXPECT_EQ(Le(b, d, 4) | Le(b, d + 4, 2), 0u) << "layer 0 at 0, 0";
        std::vector<uint8_t>& pixels = s.images.emplace_back(Le(b, d + 16, 2) * Le(b, d + 18, 2));
        uLongf size = pixels.size() + 1;  // a spare byte shows a long stream
        pixels.push_back(0);
        EXPECT_EQ(uncompress(pixels.data(), &size, &b.at(d + 20), Le(b, at, 4) - 26), Z_OK);
        pixels.resize(size);
      } else if (type == 0x2004) {
        s.names += std::to_string(Le(b, d, 2) & 9) + " " + text(d + 16) + ", ";
      } else if (type == 0x2018) {
        for (const size_t field : {d, d + 10, d + 12})
          s.names += std::to_string(Le(b, field, 2)) + " ";
        s.names += std::to_string(b.at(d + 14)) + " " + text(d + 27);
      }
    }
    EXPECT_EQ(at, end) << "frame " << f << "'s chunks fill it";
    s.palettes.push_back(palette);
  }
  EXPECT_EQ(at, b.size());
  return s;
}

struct AseCase {
  const char* name;
  int set;  // of kRangeSets; -1: the default cycle
  int scale;
  int frames;  // 0: the set's loop
};

class AsepriteTest : public ::testing::TestWithParam<AseCase> {};

// A long loop is checked at 256 frames spread over it.
TEST_P(AsepriteTest, EveryFrameShowsItsBmpFrame) {
  const AseCase& c = GetParam();
  ReferenceFrames r = MakeReferenceFrames(kCycleCases[2], 7);
  const std::unique_ptr<Cycle> cycle =
      c.set < 0 ? std::move(r.cycle) : RangeCycle(kRangeSets[c.set]);
  if (c.frames != 0) cycle->frames = c.frames;
  std::vector<uint8_t> b;
  ASSERT_TRUE(EncodeAseprite(*cycle, 'Q', c.scale, b));
  EXPECT_LT(b.size(), 1u << 20);
  const Sprite s = Read(b);
  const uint32_t loop = cycle->frames, edge = 256 * c.scale;
  std::vector<uint32_t> header = {loop, edge, edge, 8, 1, 70, 0, 16};
  header.resize(8 + loop, 70);
  EXPECT_EQ(s.header, header);
  EXPECT_EQ(s.names, "9 Q, 1 0 " + std::to_string(loop - 1) + " 0 Q") << "a background";
  ASSERT_EQ(s.images.size(), 1u) << "the image is stored once";
  ASSERT_EQ(s.images[0].size(), edge * edge);
  ASSERT_EQ(s.palettes.size(), loop);
  for (uint32_t j = 0; j < loop; j += std::max(1u, loop / 256)) {
    const Picture expected = c.set < 0 ? r.frames[j] : ModelFrame(*cycle, j);
    ASSERT_EQ(s.image[j] + s.palettes[j].size(), 16u) << "frame " << j << " shows image 0";
    for (size_t i = 0; i < edge * edge; ++i)
      ASSERT_EQ(s.palettes[j].at(s.images[0][i]),
                expected[i / edge / c.scale * 256 + i % edge / c.scale])
          << "frame " << j << " pixel " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Cycles, AsepriteTest,
                         ::testing::Values(AseCase{"Default", -1, 1, 0},
                                           AseCase{"DefaultScale3", -1, 3, 0},
                                           AseCase{"TwoWays", 0, 1, 0},
                                           AseCase{"PingPongBlend", 1, 2, 0},
                                           AseCase{"StillAndShort", 3, 1, 0},
                                           AseCase{"SlowBlendsLongest", 4, 1, kMaxLoopFrames}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
