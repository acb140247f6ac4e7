// Writing a set of formats is all or nothing: whichever file cannot be written, no file of the
// set is replaced and no temporary is left.

#include "formats/export_set.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "formats/export_job.h"
#include "store/read_file.h"
#include "tests/formats/reference_frames.h"

namespace fs = std::filesystem;

namespace {

class FailedWriteTest : public ::testing::TestWithParam<const char*> {
 protected:
  TempFolder folder;
};

TEST_P(FailedWriteTest, NothingOfTheSetIsWritten) {
  const ReferenceFrames r = MakeReferenceFrames(kCycleCases[0]);
  std::vector<ExportRequest> requests;
  RequestAllFormats(folder.File("out"), 'A', requests);
  ExportPlan plan;
  ASSERT_TRUE(PlanExport(*r.cycle, 'A', FormatSettings{}, requests, plan));
  // The one file that cannot be written: a folder stands where it goes.
  fs::create_directories(folder.File("out/" + std::string(GetParam()) + "/in the way"));
  const Result written = WriteExport(plan);
  ASSERT_FALSE(written);
  EXPECT_NE(written.message.find(GetParam()), std::string::npos) << written.message;
  for (const auto& entry : fs::recursive_directory_iterator(folder.File("out")))
    EXPECT_TRUE(entry.is_directory()) << entry.path() << " was written";
}

INSTANTIATE_TEST_SUITE_P(Formats, FailedWriteTest,
                         ::testing::Values("AP.png", "A-sheet.png", "A-shader/index.png",
                                           "A-shader/cycle.gdshader", "A.iff", "A.json", "A.gpl",
                                           "A.pal", "A.hex", "A.act", "A.gif", "A-anim.png",
                                           "A.webp"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// The Tiled folder's sheet, encoded alone or copied from the set's sprite sheet at the
// default columns, whether the sheet's bytes are in memory or spilled, is one file, written
// whole twice; at other columns the Tiled folder encodes its own.
TEST(ExportSetTest, TheTiledSheetIsTheSheetAtTheDefaultColumns) {
  TempFolder folder;
  const std::unique_ptr<Cycle> cycle = RangeCycle(kRangeSets[1]);
  const std::vector<ExportRequest> tiledAlone = {
      {FindExportFormat("--tiled"), folder.File("alone")}};
  ExportPlan alone;
  ASSERT_TRUE(PlanExport(*cycle, 'A', FormatSettings{}, tiledAlone, alone));
  const std::vector<uint8_t>& expected = alone.files[0].bytes;
  const std::vector<ExportRequest> both = {{FindExportFormat("--sheet"), folder.File("s.png")},
                                           {FindExportFormat("--tiled"), folder.File("t")}};
  for (const int columns : {16, 4})
    for (const uint64_t spillAfter : {kSpillAfterBytes, uint64_t{0}}) {
      SCOPED_TRACE(testing::Message() << columns << " columns, spill after " << spillAfter);
      const Spilling spilling(spillAfter);
      ExportJob job(std::make_shared<Cycle>(*cycle), 'A', FormatSettings{.sheetColumns = columns},
                    both);
      EXPECT_EQ(job.Requests()[1].stepsTotal, columns == 16 ? 1 : (kRangeSets[1].loop + 15) / 16);
      while (!job.Done()) ASSERT_TRUE(job.Advance(1000));
      ExportPlan plan;
      ASSERT_TRUE(job.TakePlan(plan));
      ASSERT_TRUE(WriteExport(plan));
      std::string sheet, tiled;
      ASSERT_TRUE(ReadFileBytes(folder.File("s.png"), std::numeric_limits<size_t>::max(), sheet));
      ASSERT_TRUE(
          ReadFileBytes(folder.File("t/A-sheet.png"), std::numeric_limits<size_t>::max(), tiled));
      EXPECT_TRUE(tiled == std::string(expected.begin(), expected.end()));
      EXPECT_EQ(sheet == tiled, columns == 16);
    }
}

}  // namespace
