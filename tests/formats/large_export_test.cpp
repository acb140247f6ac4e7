// Large exports: a file that spills out of memory is byte for byte the file kept in memory,
// the sizes exports are judged by hold, an export past the limit is refused before anything
// is encoded, with a message that says why, and one that passes it after all stops.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "formats/export_job.h"
#include "formats/export_set.h"
#include "formats/spill.h"
#include "store/read_file.h"
#include "tests/formats/reference_frames.h"

namespace {

// The reference picture with the ranges: 16 frames by default, or the given ones.
std::unique_ptr<Cycle> CycleWith(const std::vector<CycleRange>& ranges) {
  std::unique_ptr<Cycle> cycle = MakeReferenceFrames(kCycleCases[0]).cycle;
  if (ranges.empty()) return cycle;
  cycle->ranges.count = static_cast<int>(ranges.size());
  std::copy(ranges.begin(), ranges.end(), cycle->ranges.ranges);
  EXPECT_TRUE(LoopFrames(cycle->ranges, cycle->frames));
  return cycle;
}

struct SpillCase {
  const char* name;
  std::vector<CycleRange> ranges;
  int scale;
};

class SpillTest : public ::testing::TestWithParam<SpillCase> {
 protected:
  TempFolder folder;
};

// Every format written with its files spilled (the frame formats' made from frame 0) is
// what is kept in memory; the frame sets, the GIF, the APNG, the WebP and the two sheets (the
// sheet's and the Tiled map's) spill.
TEST_P(SpillTest, SpilledFilesAreTheFilesKeptInMemory) {
  const std::unique_ptr<Cycle> cycle = CycleWith(GetParam().ranges);
  std::vector<ExportRequest> requests = {{&BmpFrames(), folder.File("result")}};
  RequestAllFormats(folder.File("out"), 'A', requests);
  const FormatSettings settings{.scale = GetParam().scale, .sheetColumns = 4};
  ExportPlan kept, spilled;
  {
    Spilling never(std::numeric_limits<uint64_t>::max());
    const Result planned = PlanExport(*cycle, 'A', settings, requests, kept);
    ASSERT_TRUE(planned) << planned.message;
  }
  {
    Spilling always(0);
    const Result planned = PlanExport(*cycle, 'A', settings, requests, spilled);
    ASSERT_TRUE(planned) << planned.message;
  }
  const Result written = WriteExport(spilled);
  ASSERT_TRUE(written) << written.message;
  ASSERT_EQ(kept.files.size(), spilled.files.size());
  size_t outside = 0;
  for (size_t i = 0; i < kept.files.size(); ++i) {
    const ExportFile &k = kept.files[i], &s = spilled.files[i];
    ASSERT_EQ(k.path, s.path);
    EXPECT_FALSE(k.writeContents) << k.path;
    EXPECT_EQ(ContentsSize(s), k.bytes.size()) << k.path;
    outside += s.writeContents ? 1 : 0;
    std::string file;
    EXPECT_TRUE(ReadFileBytes(k.path, std::numeric_limits<size_t>::max(), file));
    EXPECT_TRUE(file == std::string(k.bytes.begin(), k.bytes.end())) << k.path;
  }
  EXPECT_EQ(outside, 2 * size_t(cycle->frames) + 5);
}

INSTANTIATE_TEST_SUITE_P(Loops, SpillTest,
                         ::testing::Values(SpillCase{"DefaultCycleScale2", {}, 2},
                                           SpillCase{"BlendedLoop240",
                                                     {{0, 4, 17, CycleMode::kForward, true},
                                                      {5, 7, 17, CycleMode::kReverse, false}},
                                                     1}),
                         [](const auto& info) { return std::string(info.param.name); });

// The size each format starts with against what it writes: exact for the frame sets and the
// GIF, from above for the others.
TEST(ExportSizeTest, StartSizesHold) {
  const std::unique_ptr<Cycle> cycle =
      CycleWith({{0, 4, 17, CycleMode::kForward, true}, {5, 7, 17, CycleMode::kReverse, false}});
  std::vector<ExportRequest> requests = {{&BmpFrames(), "result"}};
  RequestAllFormats("out", 'A', requests);
  for (const ExportRequest& request : requests) {
    Encoding encoding;
    ASSERT_TRUE(
        StartFormat(*request.format, *cycle, 'A', FormatSettings{}, request.path, encoding));
    std::vector<ExportFile> files;
    ASSERT_TRUE(RunEncoding(encoding, files));
    uint64_t bytes = 0;
    for (const ExportFile& file : files) bytes += ContentsSize(file);
    if (encoding.bytesExact) {
      EXPECT_EQ(bytes, encoding.bytes) << request.path;
    } else if (encoding.bytes != 0) {
      EXPECT_LE(bytes, encoding.bytes) << request.path;
    }
  }
}

struct LimitCase {
  const char* name;
  const char* option;
  int scale;
  const char* message;  // empty: the export starts
};

class LimitTest : public ::testing::TestWithParam<LimitCase> {};

// A loop of 3840 frames.
TEST_P(LimitTest, PastTheLimitIsRefusedBeforeEncoding) {
  std::unique_ptr<Cycle> cycle = CycleWith({{0, 7, 1, CycleMode::kPingPong, false},
                                            {8, 10, 1, CycleMode::kForward, false},
                                            {11, 15, 1, CycleMode::kForward, false}});
  ASSERT_EQ(cycle->frames, 3840);
  const ExportFormat* format = FindExportFormat(GetParam().option);
  ExportJob job(std::move(cycle), 'A', FormatSettings{.scale = GetParam().scale},
                {{format, "big"}});
  const std::string message = GetParam().message;
  if (message.empty()) {
    EXPECT_FALSE(job.Done());
    return;
  }
  const Result refused = job.Advance(0);
  EXPECT_EQ(refused.message.rfind("big: " + message, 0), 0u) << refused.message;
  EXPECT_NE(refused.message.find(" GiB; the limit is 1 GiB"), std::string::npos) << refused.message;
  EXPECT_EQ(job.Progress().allStepsDone, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LimitTest,
    ::testing::Values(LimitCase{"Gif", "--gif", 8, "--gif: 3840 frames at scale 8 would be about "},
                      LimitCase{"Apng", "--apng", 8, ""}, LimitCase{"Webp", "--webp", 4, ""},
                      LimitCase{"GifAtScale1", "--gif", 1, ""},
                      LimitCase{"PngFramesAtScale1", "--png", 1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct EstimateCase {
  const char* name;
  const char* option;
  std::vector<CycleRange> ranges;
  int scale;
  const char* stop;  // where the limit stops the encoding
};

class EstimateTest : public ::testing::TestWithParam<EstimateCase> {};

// The size judged from a few frames against the file's own, and the limit judged by it: twice
// the file starts though the bound passes it, a quarter is refused, and half, let through,
// stops the encoding with nothing added.
TEST_P(EstimateTest, JudgesTheFileFromItsFrames) {
  const EstimateCase& c = GetParam();
  const std::unique_ptr<Cycle> cycle = CycleWith(c.ranges);
  const ExportFormat& format = *FindExportFormat(c.option);
  const FormatSettings settings{.scale = c.scale};
  Encoding encoding, started, limited;
  uint64_t estimate = 0;
  std::vector<ExportFile> files;
  ASSERT_TRUE(format.start(*cycle, 'A', settings, "x", encoding));
  ASSERT_TRUE(encoding.estimate(estimate));
  ASSERT_TRUE(RunEncoding(encoding, files));
  const uint64_t real = ContentsSize(files[0]);
  EXPECT_TRUE(estimate <= 2 * real && real <= 2 * estimate) << estimate << " for " << real;

  ASSERT_GT(encoding.bytes, 2 * real);
  EXPECT_TRUE(StartFormat(format, *cycle, 'A', settings, "x", started, 2 * real));
  const std::string what = std::string("x: ") + c.option + ": " + std::to_string(cycle->frames) +
                           " frames at scale " + std::to_string(c.scale);
  const Result refused = StartFormat(format, *cycle, 'A', settings, "x", started, real / 4);
  EXPECT_EQ(refused.message.rfind(what + " would be about ", 0), 0u) << refused.message;

  ASSERT_TRUE(format.start(*cycle, 'A', settings, "x", limited));
  LimitEncoding(format, *cycle, settings, "x", real / 2, limited);
  files.clear();
  const Result stopped = RunEncoding(limited, files);
  EXPECT_EQ(stopped.message.rfind(what + " passed ", 0), 0u) << stopped.message;
  EXPECT_NE(stopped.message.find(c.stop), std::string::npos) << stopped.message;
  EXPECT_TRUE(files.empty());
}

const std::vector<CycleRange> kBlended = {{0, 4, 17, CycleMode::kForward, true},
                                          {5, 7, 17, CycleMode::kReverse, false}};
// 64 frames, a new one every eighth, which libwebp merges with those before.
const std::vector<CycleRange> kSlow = {{0, 3, 2, CycleMode::kForward, false},
                                       {4, 7, 1, CycleMode::kReverse, false}};

INSTANTIATE_TEST_SUITE_P(
    Formats, EstimateTest,
    ::testing::Values(EstimateCase{"ApngBlended", "--apng", kBlended, 1, ", by frame "},
                      EstimateCase{"ApngSlow", "--apng", kSlow, 2, ", by frame "},
                      EstimateCase{"WebpBlended", "--webp", kBlended, 1, " in all"},
                      EstimateCase{"WebpSlow", "--webp", kSlow, 2, " in all"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
