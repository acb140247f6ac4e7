// A format that cannot start fails the job, naming its path (the job's files and progress:
// round_trip_test.cpp).

#include "formats/export_job.h"

#include <gtest/gtest.h>

namespace {

TEST(ExportJobTest, AFormatThatCannotStartFailsTheJob) {
  std::vector<ExportRequest> requests;
  RequestAllFormats("out", 'A', requests);
  ExportJob job(std::make_shared<Cycle>(), 'A', FormatSettings{.scale = 5}, requests);
  const Result result = job.Advance(1e9);
  EXPECT_NE(result.message.find("out/A-sheet.png: sprite sheet: the scale"), std::string::npos)
      << result.message;
  ExportPlan plan;
  EXPECT_TRUE(!result && job.Done() && !job.TakePlan(plan));
}

}  // namespace
