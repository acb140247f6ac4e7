// An export a step at a time gives PlanExport's files exactly, whatever the budget, from a
// snapshot of the cycle the job alone holds; its progress counts a step a frame (a row of
// cells for the sheet) for the long formats; a format that cannot start fails it by path.

#include "formats/export_job.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "formats/png_sheet.h"
#include "tests/formats/reference_frames.h"

namespace {

TEST(ExportJobTest, GivesPlanExportsFilesAtAnyBudget) {
  TempFolder folder;
  for (const RangeSet* set :
       {&kRangeSets[1], &kRangeSets[3], static_cast<const RangeSet*>(nullptr)}) {
    const std::unique_ptr<Cycle> cycle =
        set != nullptr ? RangeCycle(*set) : std::move(MakeReferenceFrames(kCycleCases[0]).cycle);
    ASSERT_NE(cycle, nullptr);
    std::vector<ExportRequest> requests = {{&BmpFrames(), "result"}};
    RequestAllFormats("out", 'A', requests);
    ExportPlan expected;
    ASSERT_TRUE(PlanExport(*cycle, 'A', FormatSettings{}, requests, expected));
    SheetLayout sheet;
    ASSERT_TRUE(PlanSheet(*cycle, 16, 1, sheet));
    const std::map<std::string, int> steps = {
        {"--apng", cycle->frames}, {"--webp", cycle->frames}, {"--sheet", sheet.rows}};
    for (const double budget : {0.0, 1e9}) {
      auto snapshot = std::make_shared<Cycle>(*cycle);
      ExportJob job(snapshot, 'A', FormatSettings{}, requests);
      snapshot.reset();
      int total = 0, calls = 0;
      for (const RequestProgress& request : job.Requests()) {
        EXPECT_EQ(request.stepsTotal, steps.contains(request.label) ? steps.at(request.label) : 1)
            << request.label;
        total += request.stepsTotal;
      }
      while (!job.Done()) {
        ASSERT_TRUE(job.Advance(budget));
        EXPECT_EQ(job.Progress().allStepsDone, budget == 0 ? ++calls : total);
      }
      EXPECT_TRUE(job.Progress().done && job.Progress().allStepsTotal == total);
      ExportPlan plan;
      ASSERT_TRUE(job.TakePlan(plan));
      EXPECT_FALSE(job.TakePlan(plan)) << "a second time";
      EXPECT_EQ(plan.folders, expected.folders);
      ASSERT_EQ(plan.files.size(), expected.files.size());
      for (size_t f = 0; f < plan.files.size(); ++f)
        EXPECT_TRUE(plan.files[f].path == expected.files[f].path &&
                    plan.files[f].bytes == expected.files[f].bytes)
            << expected.files[f].path;
    }
  }
}

TEST(ExportJobTest, AFormatThatCannotStartFailsTheJob) {
  std::vector<ExportRequest> requests;
  RequestAllFormats("out", 'A', requests);
  ExportJob job(std::make_shared<Cycle>(), 'A', FormatSettings{.scale = 5}, requests);
  const Result result = job.Advance(1e9);
  EXPECT_FALSE(result);
  EXPECT_NE(result.message.find("out/A-sheet.png: sprite sheet: the scale"), std::string::npos)
      << result.message;
  ExportPlan plan;
  EXPECT_TRUE(job.Done() && !job.TakePlan(plan));
}

}  // namespace
