// Writing a set of formats is all or nothing: whichever file cannot be written, no file of the
// set is replaced and no temporary is left.

#include "formats/export_set.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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
  RequestAllFormats("out", 'A', requests);
  ExportPlan plan;
  ASSERT_TRUE(PlanExport(*r.cycle, 'A', FormatSettings{}, requests, plan));
  // The one file that cannot be written: a folder stands where it goes.
  fs::create_directories(fs::path("out") / GetParam() / "in the way");
  const Result written = WriteExport(plan);
  ASSERT_FALSE(written);
  EXPECT_NE(written.message.find(GetParam()), std::string::npos) << written.message;
  for (const auto& entry : fs::recursive_directory_iterator("out"))
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

}  // namespace
