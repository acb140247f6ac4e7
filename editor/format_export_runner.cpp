#include "editor/format_export_runner.h"

#include <memory>
#include <utility>
#include <vector>

#include "formats/export_job.h"
#include "formats/export_set.h"

namespace {

class FormatExportRunner : public ExportRunner {
 public:
  explicit FormatExportRunner(std::string results) : results_(std::move(results)) {}
  Result Start(const Cycle& cycle, char id, const std::string& name, bool everyFormat) override {
    const std::string stem = ExportStem(name, id);
    std::vector<ExportRequest> requests;
    RequestResults(results_, stem, everyFormat, requests);
    FormatSettings settings;
    settings.stem = stem;
    job_ = std::make_unique<ExportJob>(std::make_shared<const Cycle>(cycle), id, settings,
                                       std::move(requests));
    return Result::Ok();
  }
  bool Running() const override { return job_ != nullptr; }
  Result Advance(double budgetMs, bool& done) override {
    const Result advanced = job_->Advance(budgetMs);
    done = job_->Done();
    if (!advanced) job_.reset();
    return advanced;
  }
  ExportRunProgress Progress() const override {
    const ExportProgress progress = job_->Progress();
    return {progress.AllFramesDone(), progress.loopFrames, progress.path};
  }
  Result Commit(int& fileCount) override {
    ExportPlan plan;
    Result taken = job_->TakePlan(plan);
    job_.reset();
    if (!taken) return taken;
    if (Result written = WriteExport(plan); !written) return written;
    fileCount = static_cast<int>(plan.files.size());
    return Result::Ok();
  }

 private:
  std::string results_;
  std::unique_ptr<ExportJob> job_;
};

}  // namespace

std::shared_ptr<ExportRunner> MakeFormatExportRunner(const DataFolder& folder) {
  return std::make_shared<FormatExportRunner>(folder.Path(DataFolder::kResults));
}
