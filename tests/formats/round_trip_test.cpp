// The new formats read back by decoders that are not ours and compared with the BMP frames:
// ILBM by netpbm's ilbmtoppm, JSON by Python's json module, APNG chunk by chunk with zlib's
// crc32 and inflate and as a still picture by libpng, WebP by libwebp's animation decoder.

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <webp/demux.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "formats/cycle_apng.h"
#include "formats/cycle_gif.h"
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

// An APNG read chunk by chunk (CRCs and sequence numbers checked): the chunks' order, IHDR's
// and acTL's data, each fcTL's data after its sequence number, and each frame's rows
// inflated (unfiltered, as written) and shown through the PLTE, or as truecolour: 3 bytes a
// pixel.
struct ApngRead {
  std::string order, ihdr, actl;
  std::vector<std::string> controls;
  std::vector<std::vector<uint8_t>> frames;
};

ApngRead ReadApng(const std::vector<uint8_t>& b) {
  ApngRead a;
  std::string palette;
  std::vector<std::string> streams;
  uint32_t sequence = 0;
  for (const Chunk& c : PngChunks(b)) {
    a.order += c.id + " ";
    const bool numbered = c.id == "fcTL" || c.id == "fdAT";
    if (numbered) {
      EXPECT_EQ(Big(&b[c.at], 4), sequence++) << c.id << " out of sequence";
    }
    const std::string data(&b[c.at + (numbered ? 4 : 0)], &b[c.at + c.size]);
    if (c.id == "IHDR") a.ihdr = data;
    if (c.id == "PLTE") palette = data;
    if (c.id == "acTL") a.actl = data;
    if (c.id == "fcTL") a.controls.push_back(data), streams.emplace_back();
    if ((c.id == "IDAT" || c.id == "fdAT") && !streams.empty()) streams.back() += data;
  }
  if (a.ihdr.size() != 13) return a;
  const uint32_t edge = Big(reinterpret_cast<const uint8_t*>(a.ihdr.data()), 4);
  const int depth = a.ihdr[8], truecolour = a.ihdr[9] == 2;
  const size_t rowBytes = 1 + edge * (truecolour ? 24 : depth) / 8;
  for (const std::string& stream : streams) {
    std::vector<uint8_t> raw(rowBytes * edge + 1), &rgb = a.frames.emplace_back();
    uLongf size = raw.size();  // a spare byte shows a long stream
    EXPECT_EQ(
        uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(stream.data()), stream.size()),
        Z_OK);
    if (size != rowBytes * edge) return ADD_FAILURE() << "frame size " << size, a;
    for (size_t y = 0; y < edge; ++y) {
      const uint8_t* row = &raw[y * rowBytes];
      if (row[0] != 0) return ADD_FAILURE() << "a filtered row", a;
      for (size_t x = 0; x < edge; ++x) {
        const size_t k =
            depth == 4 ? (x % 2 == 0 ? row[1 + x / 2] >> 4 : row[1 + x / 2] & 15) : row[1 + x];
        const std::string colour =
            truecolour ? std::string(&row[1 + 3 * x], &row[4 + 3 * x]) : palette.substr(3 * k, 3);
        rgb.insert(rgb.end(), colour.begin(), colour.end());
      }
    }
  }
  return a;
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
  std::vector<std::vector<uint8_t>> files(1);
  ASSERT_TRUE(EncodeCycleJson(*r.cycle, "say \"hi\"\\ \n \xc3\xa9 \xff.json", files[0]).ok);
  EXPECT_EQ(ParseJson(files), R"("say \"hi\"\\ \n \u00e9 \ufffd.json")"
                              "\n[{\"reverse\": 2, \"rate\": 4000, \"low\": 0, \"high\": 15}]\n");
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
    const ApngRead a = ReadApng(b);
    std::string expected = "IHDR PLTE acTL fcTL IDAT ";
    for (int f = 1; f < 16; ++f) expected += "fcTL fdAT ";
    ASSERT_EQ(a.order, expected + "IEND ");
    const uint32_t edge = 256 * scale;
    EXPECT_EQ(a.ihdr, Be32(edge) + Be32(edge) + std::string("\4\3\0\0\0", 5));
    EXPECT_EQ(a.actl, Be32(16) + Be32(0)) << "16 frames, looping forever";
    ASSERT_EQ(a.frames.size(), 16u);
    for (int f = 0; f < 16; ++f) {
      EXPECT_EQ(a.controls[f],
                Be32(edge) + Be32(edge) + Be32(0) + Be32(0) + std::string("\0\7\0\x64\0\0", 6));
      EXPECT_TRUE(Shows(a.frames[f].data(), 3, r.frames[f], scale)) << "frame " << f;
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
  const struct {
    int delay;
    uint32_t crng;
    const char* json;
  } kSpeeds[] = {{1, 27307, "28000"},
                 {3, 9102, "9333.333333333334"},
                 {7, 3901, "4000"},
                 {30, 910, "933.3333333333334"},
                 {100, 273, "280"}};
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
    rates.append("\"\"\n[{\"reverse\": 2, \"rate\": ")
        .append(speed.json)
        .append(", \"low\": 0, \"high\": 15}]\n");
  }
  EXPECT_EQ(ParseJson(jsons), rates);
}

class RangeRoundTrip : public ::testing::TestWithParam<RangeSet> {
 protected:
  TempFolder folder;
  const std::unique_ptr<Cycle> c = RangeCycle(GetParam());
  const int loop = GetParam().loop;
};

TEST_P(RangeRoundTrip, ApngShowsEveryFrameThroughOnePalette) {
  std::vector<uint8_t> b;
  ASSERT_TRUE(EncodeApng(*c, 1, b).ok);
  const ApngRead a = ReadApng(b);
  EXPECT_EQ(a.actl, Be32(loop) + Be32(0));
  const std::string layout = GetParam().depth == 4   ? "\4\3"
                             : GetParam().depth == 8 ? "\x8\3"
                                                     : "\x8\2";
  EXPECT_EQ(a.ihdr.substr(8, 2), layout);
  ASSERT_EQ(a.frames.size(), size_t(loop));
  for (int j = 0; j < loop; ++j)
    EXPECT_TRUE(Shows(a.frames[j].data(), 3, ModelFrame(*c, j), 1)) << "frame " << j;
}

int ReadGifFromMemory(GifFileType* gif, GifByteType* out, int length) {
  auto* left = static_cast<std::string_view*>(gif->UserData);
  const size_t n = std::min<size_t>(length, left->size());
  std::memcpy(out, left->data(), n);
  left->remove_prefix(n);
  return static_cast<int>(n);
}

TEST_P(RangeRoundTrip, GifAndWebpShowEveryFrame) {
  std::vector<uint8_t> gifBytes, webpBytes;
  ASSERT_TRUE(EncodeCycleGif(*c, 1, gifBytes).ok && EncodeWebp(*c, 1, webpBytes).ok);
  std::string_view left(reinterpret_cast<const char*>(gifBytes.data()), gifBytes.size());
  int error = 0;
  const std::unique_ptr<GifFileType, void (*)(GifFileType*)> gif(
      DGifOpen(&left, ReadGifFromMemory, &error),
      [](GifFileType* g) { DGifCloseFile(g, nullptr); });
  ASSERT_TRUE(gif != nullptr && DGifSlurp(gif.get()) == GIF_OK);
  ASSERT_EQ(gif->ImageCount, loop);
  for (int j = 0; j < loop; ++j) {
    const SavedImage& image = gif->SavedImages[j];
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 65536; ++i) {
      const GifColorType colour = image.ImageDesc.ColorMap->Colors[image.RasterBits[i]];
      rgb.insert(rgb.end(), {colour.Red, colour.Green, colour.Blue});
    }
    EXPECT_TRUE(Shows(rgb.data(), 3, ModelFrame(*c, j), 1)) << "GIF frame " << j;
  }
  // libwebp merges frames that look the same: each decoded frame stands for those it lasts.
  const WebPData data{webpBytes.data(), webpBytes.size()};
  WebPAnimDecoderOptions options;
  ASSERT_TRUE(WebPAnimDecoderOptionsInit(&options));
  options.color_mode = MODE_RGBA;
  const std::unique_ptr<WebPAnimDecoder, void (*)(WebPAnimDecoder*)> decoder(
      WebPAnimDecoderNew(&data, &options), WebPAnimDecoderDelete);
  ASSERT_TRUE(decoder != nullptr);
  int shown = 0;
  while (WebPAnimDecoderHasMoreFrames(decoder.get())) {
    uint8_t* rgba = nullptr;
    int end = 0;
    ASSERT_TRUE(WebPAnimDecoderGetNext(decoder.get(), &rgba, &end));
    for (; shown * 70 < end; ++shown)
      EXPECT_TRUE(Shows(rgba, 4, ModelFrame(*c, shown), 1)) << "WebP frame " << shown;
  }
  EXPECT_EQ(shown, loop);
}

// One JSON cycle and one CRNG chunk a range, at its speed: 280 JSON units and 16384 / 60 CRNG
// units for a step a second, (100 / 7) * k / 16 steps a second at delay 7.
TEST_P(RangeRoundTrip, JsonCyclesAndCrngChunksFollowTheRanges) {
  std::vector<std::vector<uint8_t>> files(1);
  std::vector<uint8_t> b;
  ASSERT_TRUE(EncodeCycleJson(*c, "a.json", files[0]).ok && EncodeIlbm(*c, b).ok);
  std::string cycles, crngs, chunks;
  bool loses = GetParam().depth != 4;
  for (const CycleRange& g : GetParam().ranges) {
    const char* reverse = g.mode == M::kForward ? "0" : g.mode == M::kReverse ? "2" : "3";
    cycles += std::string(cycles.empty() ? "" : ", ") + "{\"reverse\": " + reverse +
              ", \"rate\": " + std::to_string(250 * g.speed) +
              ", \"low\": " + std::to_string(g.low) + ", \"high\": " + std::to_string(g.high) +
              (g.blend ? ", \"blend\": true}" : "}");
    const uint32_t rate = std::lround(16384.0 * (100.0 / 7 * g.speed / 16) / 60.0);
    const uint32_t flags = (g.speed > 0 ? 1 : 0) | (g.mode == M::kReverse ? 2 : 0);
    crngs += std::string(2, '\0') + Be32(rate << 16 | flags) + char(g.low) + char(g.high);
    loses = loses || (g.mode == M::kPingPong && g.speed > 0);
  }
  EXPECT_EQ(ParseJson(files), "\"a.json\"\n[" + cycles + "]\n");
  const std::string rgb = ReadText("0.json.rgb");
  ASSERT_EQ(rgb.size(), 3u * 65536);
  EXPECT_TRUE(Shows(reinterpret_cast<const uint8_t*>(rgb.data()), 3, ModelFrame(*c, 0), 1));
  std::string order = "BMHD CMAP ", got;
  for (const Chunk& chunk : IffChunks(b)) {
    if (chunk.id == "CRNG") got.append(&b[chunk.at], &b[chunk.at + chunk.size]);
    chunks += chunk.id + " ";
  }
  for (size_t r = 0; r < GetParam().ranges.size(); ++r) order += "CRNG ";
  EXPECT_EQ(chunks, order + "BODY ");
  EXPECT_EQ(got, crngs);
  EXPECT_EQ(IlbmLosses(*c).empty(), !loses) << IlbmLosses(*c);
  if (std::system("command -v ilbmtoppm > /dev/null") != 0) return;
  WriteBytes("cycle.iff", b);
  ASSERT_EQ(std::system("ilbmtoppm cycle.iff > cycle.ppm 2> /dev/null"), 0);
  const std::string ppm = ReadText("cycle.ppm");
  ASSERT_EQ(ppm.size(), 15 + 3u * 65536);
  EXPECT_TRUE(Shows(reinterpret_cast<const uint8_t*>(&ppm[15]), 3, ModelFrame(*c, 0), 1));
}

INSTANTIATE_TEST_SUITE_P(Sets, RangeRoundTrip, ::testing::ValuesIn(kRangeSets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
