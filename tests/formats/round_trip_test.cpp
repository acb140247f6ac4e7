// The new formats read back by decoders that are not ours and compared with the BMP frames:
// ILBM by netpbm's ilbmtoppm, JSON by Python's json module, APNG chunk by chunk with zlib's
// crc32 and inflate and as a still picture by libpng, WebP by libwebp's animation decoder.

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <webp/demux.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "formats/cycle_apng.h"
#include "formats/cycle_ilbm.h"
#include "formats/cycle_json.h"
#include "formats/cycle_webp.h"
#include "formats/export_job.h"
#include "tests/formats/reference_frames.h"
#include "tests/support/png_pixels.h"

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

// Python's reading of the files, written into the folder: "filename\nrate-type rate\n" each;
// empty when it refused one. The pictures land in the folder's 0.json.rgb, 1.json.rgb, ...
std::string ParseJson(const TempFolder& folder, const std::vector<std::vector<uint8_t>>& files) {
  std::string command = "python3 '" QUILMORANTE_JSON_CHECK "'";
  for (size_t n = 0; n < files.size(); ++n) {
    const std::string path = folder.File(std::to_string(n) + ".json");
    WriteBytes(path, files[n]);
    command.append(" '").append(path).append("'");
  }
  const std::string parsed = folder.File("parsed.txt");
  return std::system((command + " > '" + parsed + "'").c_str()) == 0 ? ReadText(parsed) : "";
}

// An APNG's acTL data, and its frames (sequence numbers checked) as libpng reads each one's
// data under the file's IHDR and PLTE, 3 bytes a pixel.
std::vector<std::vector<uint8_t>> ReadApng(const std::vector<uint8_t>& b, std::string& actl) {
  std::vector<std::vector<uint8_t>> frames;
  std::string head(b.begin(), b.begin() + 8), frame;
  auto chunk = [](const std::string& id, const std::string& data) {
    const std::string c = Be32(data.size()) + id + data;
    return c + Be32(crc32(0, reinterpret_cast<const Bytef*>(&c[4]), c.size() - 4));
  };
  auto read = [&] {
    const std::string png = head + chunk("IDAT", frame) + chunk("IEND", "");
    if (!frame.empty()) frames.push_back(ReadPngPixels({png.begin(), png.end()}));
    frame.clear();
  };
  uint32_t sequence = 0;
  for (const Chunk& c : PngChunks(b)) {
    const bool numbered = c.id == "fcTL" || c.id == "fdAT";
    EXPECT_TRUE(!numbered || Big(&b[c.at], 4) == sequence++) << c.id << " out of sequence";
    const std::string data(&b[c.at + (numbered ? 4 : 0)], &b[c.at + c.size]);
    if (c.id == "IHDR" || c.id == "PLTE") head += chunk(c.id, data);
    if (c.id == "acTL") actl = data;
    if (c.id == "fcTL") read();
    if (c.id == "IDAT" || c.id == "fdAT") frame += data;
  }
  read();
  return frames;
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
  const std::string iff = folder.File("cycle.iff"), ppmFile = folder.File("cycle.ppm");
  WriteBytes(iff, b);
  ASSERT_EQ(std::system(("ilbmtoppm '" + iff + "' > '" + ppmFile + "' 2> /dev/null").c_str()), 0);
  const std::string ppm = ReadText(ppmFile);
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
  EXPECT_EQ(ParseJson(folder, files),
            R"("say \"hi\"\\ \n \u00e9 \ufffd.json")"
            "\n[{\"reverse\": 2, \"rate\": 4000, \"low\": 0, \"high\": 15}]\n");
  const std::string rgb = ReadText(folder.File("0.json.rgb"));
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
    const std::vector<uint8_t> rgb = ReadPngPixels(b);
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
  EXPECT_EQ(ParseJson(folder, jsons), rates);
}

// Every format of --all (the sheet 4 frames a row) exported a step at a time by an ExportJob
// that alone holds the cycle: a step a frame for the APNG and WebP, a row of cells the sheet
// and the Tiled map's sheet (16 cells a row).
class RangeRoundTrip : public ::testing::TestWithParam<RangeSet> {
 protected:
  void SetUp() override {
    std::vector<ExportRequest> requests;
    RequestAllFormats("out", 'A', requests);
    ExportJob job(std::make_shared<Cycle>(*c), 'A', FormatSettings{.sheetColumns = 4}, requests);
    for (const RequestProgress& r : job.Requests())
      EXPECT_EQ(r.stepsTotal, r.label == "--sheet"                         ? (loop + 3) / 4
                              : r.label == "--tiled"                       ? (loop + 15) / 16
                              : r.label == "--apng" || r.label == "--webp" ? loop
                                                                           : 1);
    for (int done = 1; !job.Done(); ++done)
      ASSERT_TRUE(job.Advance(0) && job.Progress().allStepsDone == done);
    ExportPlan plan;
    ASSERT_TRUE(job.TakePlan(plan));
    for (ExportFile& file : plan.files) files[file.path] = std::move(file.bytes);
  }
  TempFolder folder;
  const std::unique_ptr<Cycle> c = RangeCycle(GetParam());
  const int loop = GetParam().loop;
  std::map<std::string, std::vector<uint8_t>> files;
};

// Every frame of the loop in the APNG and the sheet (stored as the set needs: remapped 4-bit,
// shared 8-bit, truecolour; cells past the end in entry 0's colour), the PNG frames, the GIF
// and the WebP, where a decoded frame stands for all it lasts (libwebp merges equal frames).
TEST_P(RangeRoundTrip, AnimatedFormatsShowEveryFrame) {
  const std::vector<uint8_t>&apng = files["out/A-anim.png"], &sheet = files["out/A-sheet.png"];
  std::string actl;
  const std::vector<std::vector<uint8_t>> frames = ReadApng(apng, actl);
  EXPECT_EQ(actl, Be32(loop) + Be32(0));
  for (const auto* b : {&apng, &sheet})
    EXPECT_EQ((*b)[24] * ((*b)[25] == 2 ? 3 : 1), GetParam().depth) << "bits a pixel";
  const std::vector<uint8_t> cells = ReadPngPixels(sheet);  // 4 cells a row
  ASSERT_EQ(cells.size(), 3 * 65536 * size_t((loop + 3) / 4 * 4));
  WriteBytes(folder.File("a.gif"), files["out/A.gif"]);
  const std::unique_ptr<GifFileType, void (*)(GifFileType*)> gif(
      DGifOpenFileName(folder.File("a.gif").c_str(), nullptr),
      [](GifFileType* g) { DGifCloseFile(g, nullptr); });
  ASSERT_TRUE(gif != nullptr && DGifSlurp(gif.get()) == GIF_OK);
  const WebPData data{files["out/A.webp"].data(), files["out/A.webp"].size()};
  const std::unique_ptr<WebPAnimDecoder, void (*)(WebPAnimDecoder*)> decoder(
      WebPAnimDecoderNew(&data, nullptr), WebPAnimDecoderDelete);
  ASSERT_TRUE(decoder != nullptr);
  ASSERT_EQ(frames.size(), size_t(loop));
  ASSERT_EQ(gif->ImageCount, loop);
  uint8_t* rgba = nullptr;
  const uint8_t* empty = c->palette[0];
  for (int j = 0, end = 0; j < (loop + 3) / 4 * 4; ++j) {
    const Picture expected =
        j < loop ? ModelFrame(*c, j) : Picture(65536, empty[0] << 16 | empty[1] << 8 | empty[2]);
    std::vector<uint8_t> cell, gifRgb;
    for (size_t y = 0; y < 256; ++y) {
      const auto row = cells.begin() + 3 * ((j / 4 * 256 + y) * 1024 + j % 4 * 256);
      cell.insert(cell.end(), row, row + 768);
    }
    EXPECT_TRUE(Shows(cell.data(), 3, expected, 1)) << "sheet cell " << j;
    if (j >= loop) continue;
    EXPECT_TRUE(Shows(frames[j].data(), 3, expected, 1)) << "APNG frame " << j;
    const SavedImage& image = gif->SavedImages[j];
    for (int i = 0; i < 65536; ++i) {
      const GifColorType colour = image.ImageDesc.ColorMap->Colors[image.RasterBits[i]];
      gifRgb.insert(gifRgb.end(), {colour.Red, colour.Green, colour.Blue});
    }
    EXPECT_TRUE(Shows(gifRgb.data(), 3, expected, 1)) << "GIF frame " << j;
    ASSERT_TRUE(j * 70 < end || WebPAnimDecoderGetNext(decoder.get(), &rgba, &end));
    EXPECT_TRUE(Shows(rgba, 4, expected, 1)) << "WebP frame " << j;
    const std::vector<uint8_t>& png = files["out/" + DataFolder::FrameName('A', j, true, ".png")];
    EXPECT_TRUE(png[24] == 4 && png[25] == 3 && Shows(ReadPngPixels(png).data(), 3, expected, 1))
        << "PNG frame " << j;
  }
  EXPECT_FALSE(WebPAnimDecoderHasMoreFrames(decoder.get()));
}

// One JSON cycle and one CRNG chunk a range at its speed: 280 JSON units and 16384 / 60 CRNG
// units for a step a second, and (100 / 7) * k / 16 steps a second at delay 7. (The picture
// is the one the default cycle's tests read.)
TEST_P(RangeRoundTrip, JsonCyclesAndCrngChunksFollowTheRanges) {
  const std::vector<uint8_t>& b = files["out/A.iff"];
  std::string cycles, chunks = "BMHD CMAP ", got;  // chunks in order, a CRNG's with its data
  for (const CycleRange& g : GetParam().ranges) {
    cycles += std::string(cycles.empty() ? "" : ", ") +
              "{\"reverse\": " + "023"[static_cast<int>(g.mode)] +
              ", \"rate\": " + std::to_string(250 * g.speed) +
              ", \"low\": " + std::to_string(g.low) + ", \"high\": " + std::to_string(g.high) +
              (g.blend ? ", \"blend\": true}" : "}");
    const uint32_t rate = std::lround(16384.0 * (100.0 / 7 * g.speed / 16) / 60.0);
    chunks += "CRNG" + std::string(2, '\0') +
              Be32(rate << 16 | (g.speed > 0 ? 1 : 0) | (g.mode == M::kReverse ? 2 : 0)) +
              char(g.low) + char(g.high) + " ";
  }
#ifndef _WIN32  // Python reads the JSON on Linux only: Wine runs no Linux program
  EXPECT_EQ(ParseJson(folder, {files["out/A.json"]}), "\"A.json\"\n[" + cycles + "]\n");
#endif
  for (const Chunk& c : IffChunks(b))
    got += c.id + (c.id == "CRNG" ? std::string(&b[c.at], &b[c.at + c.size]) : "") + " ";
  EXPECT_EQ(got, chunks + "BODY ");
}

INSTANTIATE_TEST_SUITE_P(Sets, RangeRoundTrip, ::testing::ValuesIn(kRangeSets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
