// The new formats read back by decoders that are not ours and compared with the BMP frames:
// ILBM by netpbm's ilbmtoppm, JSON by Python's json module, APNG chunk by chunk with zlib's
// crc32 and inflate and as a still picture by libpng, WebP by libwebp's animation decoder.

#include <gtest/gtest.h>
#include <png.h>
#include <webp/demux.h>
#include <zlib.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "formats/cycle_apng.h"
#include "formats/cycle_ilbm.h"
#include "formats/cycle_json.h"
#include "formats/cycle_webp.h"
#include "tests/formats/reference_frames.h"

namespace {

// Writes bytes where an outside decoder reads them.
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  WriteText(path, std::string(bytes.begin(), bytes.end()));
}

uint32_t Big(const uint8_t* p, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | p[i];
  return value;
}

std::string Be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16 & 255), char(v >> 8 & 255), char(v & 255)};
}

// Whether pixels (red, green, blue and, when step is 4, an opaque alpha) show `frame`
// enlarged scale times.
::testing::AssertionResult Shows(const uint8_t* p, size_t step, const Picture& frame,
                                 uint32_t scale) {
  const size_t edge = 256 * scale;
  for (size_t i = 0; i < edge * edge; ++i, p += step)
    if ((uint32_t{p[0]} << 16 | p[1] << 8 | p[2]) !=
            frame[i / edge / scale * 256 + i % edge / scale] ||
        (step == 4 && p[3] != 255))
      return ::testing::AssertionFailure() << "pixel " << i % edge << ", " << i / edge;
  return ::testing::AssertionSuccess();
}

struct Chunk {
  std::string id;
  size_t at, size;  // the data
};

// A FORM ILBM's chunks in order; empty when its framing is wrong.
std::vector<Chunk> IffChunks(const std::vector<uint8_t>& b) {
  if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "FORM" ||
      Big(&b[4], 4) != b.size() - 8 || std::string(b.begin() + 8, b.begin() + 12) != "ILBM")
    return {};
  std::vector<Chunk> chunks;
  for (size_t at = 12, size; at < b.size(); at += 8 + size + size % 2) {
    size = b.size() - at < 8 ? b.size() : Big(&b[at + 4], 4);
    if (b.size() - at < 8 + size + size % 2) return {};
    chunks.push_back({std::string(&b[at], &b[at + 4]), at + 8, size});
  }
  return chunks;
}

// A PNG's chunks after the signature, each CRC checked; a cut chunk ends the list.
std::vector<Chunk> PngChunks(const std::vector<uint8_t>& b) {
  std::vector<Chunk> chunks;
  for (size_t at = 8, size; at < b.size(); at += 12 + size) {
    size = b.size() - at < 12 ? b.size() : Big(&b[at], 4);
    if (b.size() - at < 12 + size) break;
    EXPECT_EQ(crc32(0, &b[at + 4], size + 4), Big(&b[at + 8 + size], 4)) << "CRC at " << at;
    chunks.push_back({std::string(&b[at + 4], &b[at + 8]), at + 8, size});
  }
  return chunks;
}

// Python's reading of the files: "filename\nrate-type rate\n" each; empty when it refused
// one. The pictures land in 0.json.rgb, 1.json.rgb, ...
std::string ParseJson(const std::vector<std::vector<uint8_t>>& files) {
  std::string command = "python3 '" QUILMORANTE_JSON_CHECK "'";
  for (size_t n = 0; n < files.size(); ++n) {
    const std::string name = std::to_string(n) + ".json";
    WriteBytes(name, files[n]);
    command.append(" ").append(name);
  }
  return std::system((command + " > parsed.txt").c_str()) == 0 ? ReadText("parsed.txt") : "";
}

class RoundTripTest : public ::testing::TestWithParam<CycleCase> {
 protected:
  TempFolder folder;
  const ReferenceFrames r = MakeReferenceFrames(GetParam(), 7);
};

TEST_P(RoundTripTest, IlbmtoppmShowsFrameA) {
  if (std::system("command -v ilbmtoppm > /dev/null") != 0) GTEST_SKIP() << "needs netpbm";
  std::vector<uint8_t> b;
  ASSERT_TRUE(EncodeIlbm(*r.cycle, b).ok);
  WriteBytes("cycle.iff", b);
  ASSERT_EQ(std::system("ilbmtoppm cycle.iff > cycle.ppm 2> /dev/null"), 0);
  const std::string ppm = ReadText("cycle.ppm");
  const std::string header = "P6\n256 256\n255\n";
  ASSERT_EQ(ppm.size(), header.size() + 3 * 65536);
  ASSERT_EQ(ppm.substr(0, header.size()), header);
  EXPECT_TRUE(Shows(reinterpret_cast<const uint8_t*>(&ppm[header.size()]), 3, r.frames[0], 1));
  // Cycling editors would read a -128 control byte as data.
  const std::vector<Chunk> chunks = IffChunks(b);
  ASSERT_EQ(chunks.empty() ? "" : chunks.back().id, "BODY");
  for (size_t at = chunks.back().at; at < chunks.back().at + chunks.back().size;
       at += b[at] < 128 ? b[at] + 2 : 2)
    ASSERT_NE(b[at], 128) << at;
}

TEST_P(RoundTripTest, PythonReadsTheJson) {
#ifdef _WIN32
  GTEST_SKIP() << "Linux only: Python reads the JSON, and Wine runs no Linux program";
#endif
  std::vector<std::vector<uint8_t>> files(1);
  ASSERT_TRUE(EncodeCycleJson(*r.cycle, "say \"hi\"\\ \n \xc3\xa9 \xff.json", files[0]).ok);
  EXPECT_EQ(ParseJson(files), R"("say \"hi\"\\ \n \u00e9 \ufffd.json")"
                              "\nint 4000\n");
  const std::string rgb = ReadText("0.json.rgb");
  ASSERT_EQ(rgb.size(), 3u * 65536);
  EXPECT_TRUE(Shows(reinterpret_cast<const uint8_t*>(rgb.data()), 3, r.frames[0], 1));
}

TEST_P(RoundTripTest, ApngFramesThroughOnePalette) {
  for (const uint32_t scale : {1, 3}) {
    SCOPED_TRACE(scale);
    std::vector<uint8_t> b;
    ASSERT_TRUE(EncodeApng(*r.cycle, static_cast<int>(scale), b).ok);
    ASSERT_EQ(std::string(b.begin(), b.begin() + 8), "\x89PNG\r\n\x1a\n");
    const std::vector<Chunk> chunks = PngChunks(b);
    std::string order, expected = "IHDR PLTE acTL fcTL IDAT ";
    for (const Chunk& c : chunks) order += c.id + " ";
    for (int a = 1; a < 16; ++a) expected += "fcTL fdAT ";
    ASSERT_EQ(order, expected + "IEND ");
    auto data = [&](const Chunk& c, size_t skip = 0) {
      return std::string(&b[c.at + skip], &b[c.at + c.size]);
    };
    const uint32_t edge = 256 * scale, rowBytes = 1 + edge / 2;
    EXPECT_EQ(data(chunks[0]), Be32(edge) + Be32(edge) + std::string("\4\3\0\0\0", 5));
    EXPECT_EQ(data(chunks[2]), Be32(16) + Be32(0)) << "16 frames, looping forever";
    uint32_t sequence = 0;
    std::vector<std::string> streams;  // each frame's zlib stream
    for (size_t n = 3; n + 1 < chunks.size(); ++n) {
      const bool fdat = chunks[n].id == "fdAT";
      if (chunks[n].id == "fcTL") {
        EXPECT_EQ(data(chunks[n]), Be32(sequence++) + Be32(edge) + Be32(edge) + Be32(0) + Be32(0) +
                                       std::string("\0\7\0\x64\0\0", 6));
        streams.emplace_back();
      } else if (!fdat || Big(&b[chunks[n].at], 4) == sequence++) {
        streams.back() += data(chunks[n], fdat ? 4 : 0);
      } else {
        ADD_FAILURE() << "fdAT out of sequence";
      }
    }
    for (int a = 0; a < 16; ++a) {
      std::vector<uint8_t> raw(rowBytes * edge + 1), rgb;  // a spare byte shows a long stream
      uLongf size = raw.size();
      ASSERT_EQ(uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(streams[a].data()),
                           streams[a].size()),
                Z_OK);
      ASSERT_EQ(size, rowBytes * edge) << a;
      for (size_t y = 0; y < edge; ++y) {
        ASSERT_EQ(raw[y * rowBytes], 0) << "rows go unfiltered";
        for (size_t x = 0; x < edge; ++x) {
          const uint8_t pair = raw[y * rowBytes + 1 + x / 2];
          const uint8_t* colour = &b[chunks[1].at + 3 * (x % 2 == 0 ? pair >> 4 : pair & 15)];
          rgb.insert(rgb.end(), colour, colour + 3);
        }
      }
      EXPECT_TRUE(Shows(rgb.data(), 3, r.frames[a], scale)) << "frame " << a;
    }
    // A reader that knows no animation shows frame A.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, b.data(), b.size()));
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
    ASSERT_EQ(rgb.size(), 3u * edge * edge);
    EXPECT_TRUE(Shows(rgb.data(), 3, r.frames[0], scale));
  }
}

TEST_P(RoundTripTest, WebpFramesAndTiming) {
  for (const uint32_t scale : {1, 2}) {
    SCOPED_TRACE(scale);
    std::vector<uint8_t> b;
    ASSERT_TRUE(EncodeWebp(*r.cycle, static_cast<int>(scale), b).ok);
    const WebPData data{b.data(), b.size()};
    WebPAnimDecoderOptions options;
    ASSERT_TRUE(WebPAnimDecoderOptionsInit(&options));
    options.color_mode = MODE_RGBA;
    const std::unique_ptr<WebPAnimDecoder, void (*)(WebPAnimDecoder*)> decoder(
        WebPAnimDecoderNew(&data, &options), WebPAnimDecoderDelete);
    WebPAnimInfo info;
    ASSERT_TRUE(decoder && WebPAnimDecoderGetInfo(decoder.get(), &info));
    const uint32_t edge = 256 * scale;
    ASSERT_EQ(std::vector<uint32_t>(
                  {info.canvas_width, info.canvas_height, info.loop_count, info.frame_count}),
              std::vector<uint32_t>({edge, edge, 0, 16}));
    for (int a = 0; a < 16; ++a) {
      uint8_t* rgba = nullptr;
      int end = 0;
      ASSERT_TRUE(WebPAnimDecoderGetNext(decoder.get(), &rgba, &end));
      EXPECT_EQ(end, 70 * (a + 1)) << "frame " << a << " ends, in milliseconds";
      EXPECT_TRUE(Shows(rgba, 4, r.frames[a], scale)) << "frame " << a;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, RoundTripTest, ::testing::ValuesIn(kCycleCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The speed in each format's units: CRNG's 16384 for 60 steps a second (flags 3: active,
// reversed like our cycle), the JSON players' 280 for one.
TEST(CycleSpeedTest, RatesFollowTheDelay) {
#ifdef _WIN32
  GTEST_SKIP() << "Linux only: Python reads the JSON, and Wine runs no Linux program";
#endif
  const struct {
    int delay;
    uint32_t crng;
    const char* json;
  } kSpeeds[] = {{1, 27307, "int 28000"},
                 {3, 9102, "float 9333.333333333334"},
                 {7, 3901, "int 4000"},
                 {30, 910, "float 933.3333333333334"},
                 {100, 273, "int 280"}};
  TempFolder folder;
  std::vector<std::vector<uint8_t>> jsons;
  std::string rates;
  for (const auto& speed : kSpeeds) {
    auto cycle = std::make_unique<Cycle>();
    cycle->delayCentiseconds = speed.delay;
    std::vector<uint8_t> b;
    ASSERT_TRUE(EncodeIlbm(*cycle, b).ok && EncodeCycleJson(*cycle, "", jsons.emplace_back()).ok);
    std::string order;
    for (const Chunk& c : IffChunks(b)) order += c.id + " ";
    ASSERT_EQ(order, "BMHD CMAP CRNG BODY ");
    const Chunk crng = IffChunks(b)[2];
    EXPECT_EQ(std::string(&b[crng.at], &b[crng.at + crng.size]),
              std::string("\0\0", 2) + Be32(speed.crng << 16 | 3) + std::string("\0\x0f", 2))
        << speed.delay;
    rates.append("\"\"\n").append(speed.json).append("\n");
  }
  EXPECT_EQ(ParseJson(jsons), rates);
}

}  // namespace
