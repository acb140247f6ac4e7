#include "formats/export_job.h"

#include <chrono>
#include <utility>

ExportJob::ExportJob(std::shared_ptr<const Cycle> cycle, char id, const FormatSettings& settings,
                     std::vector<ExportRequest> requests)
    : cycle_(std::move(cycle)), id_(id), requests_(std::move(requests)) {
  encodings_.resize(requests_.size());
  for (size_t r = 0; r < requests_.size(); ++r) {
    const ExportRequest& request = requests_[r];
    const char* option = request.format->option;
    progress_.push_back(
        RequestProgress{*option != '\0' ? option : "BMP frames", request.path, 0, 0});
    if (!failure_) continue;
    failure_ = StartFormat(*request.format, *cycle_, id, SettingsInSet(settings, requests_, r),
                           request.path, encodings_[r]);
    progress_[r].stepsTotal = encodings_[r].steps;
  }
}

Result ExportJob::Advance(double budgetMs) {
  if (!failure_) return failure_;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point begun = Clock::now();
  const auto budget = std::chrono::duration<double, std::milli>(budgetMs);
  while (current_ < encodings_.size()) {
    Encoding& encoding = encodings_[current_];
    RequestProgress& progress = progress_[current_];
    Result result = Result::Ok();
    if (progress.stepsDone < encoding.steps) {
      result = encoding.step(progress.stepsDone);
      if (result) ++progress.stepsDone;
    }
    if (result && progress.stepsDone == encoding.steps) {
      result = encoding.finish(plan_.files);
      origins_.resize(plan_.files.size(), current_);
      encoding = Encoding{};  // frees the format's state
      ++current_;
    }
    if (!result) {
      failure_ = result;
      plan_ = ExportPlan{};
      origins_.clear();
      encodings_.clear();
      return result;
    }
    if (Clock::now() - begun >= budget) break;
  }
  return Result::Ok();
}

bool ExportJob::Done() const {
  return !failure_ || current_ == requests_.size();
}

ExportProgress ExportJob::Progress() const {
  ExportProgress progress;
  progress.done = Done();
  progress.loopFrames = cycle_->frames;
  for (const RequestProgress& request : progress_) {
    progress.allStepsDone += request.stepsDone;
    progress.allStepsTotal += request.stepsTotal;
  }
  if (progress_.empty()) return progress;
  const RequestProgress& now = progress_[current_ < progress_.size() ? current_ : current_ - 1];
  progress.label = now.label;
  progress.path = now.path;
  progress.stepsDone = now.stepsDone;
  progress.stepsTotal = now.stepsTotal;
  return progress;
}

Result ExportJob::TakePlan(ExportPlan& plan, std::vector<size_t>* requestOfFile) {
  if (!failure_) return failure_;
  if (current_ != requests_.size()) return Result::Fail("the export is not finished");
  if (taken_) return Result::Fail("the export's files were taken already");
  PlanFolders(requests_, id_, plan_);
  plan = std::move(plan_);
  if (requestOfFile != nullptr) *requestOfFile = std::move(origins_);
  taken_ = true;
  return Result::Ok();
}
