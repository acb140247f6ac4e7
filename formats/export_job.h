#pragma once
// An export encoded a little at a time, for a program that keeps drawing while it runs: the
// requests of export_set.h, encoded step by step (a frame a step for the long formats) from a
// snapshot of the cycle that the job holds, so the caller may change its own state meanwhile.
// The job touches nothing but the snapshot. At the end it gives the ExportPlan, the same as
// PlanExport's, which the caller writes as one batch with WriteExport.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/encoding.h"
#include "formats/export_set.h"
#include "formats/format_table.h"
#include "generator/cycle.h"
#include "generator/result.h"

// How far one request is.
struct RequestProgress {
  std::string label;  // the format's option ("--gif"), or "BMP frames"
  std::string path;
  int stepsDone = 0;
  int stepsTotal = 0;
};

// How far the job is: the request being encoded (the last one once done) and the whole.
struct ExportProgress {
  std::string label;
  std::string path;
  int stepsDone = 0;
  int stepsTotal = 0;
  int allStepsDone = 0;
  int allStepsTotal = 0;
  bool done = false;   // finished or failed
  int loopFrames = 0;  // L, the cycle's frames

  // The steps as frames of L, the unit a user knows: a sheet steps by rows, a GIF by frames.
  int FramesDone() const { return AsFrames(stepsDone, stepsTotal); }
  int AllFramesDone() const { return AsFrames(allStepsDone, allStepsTotal); }

 private:
  int AsFrames(int done, int total) const {
    if (total <= 0) return 0;
    return static_cast<int>(int64_t{done} * loopFrames / total);
  }
};

class ExportJob {
 public:
  // Starts every request's encoding, which checks its settings, counts its steps and judges
  // its size (a long APNG or WebP at a large scale by encoding a few frames, a fraction of a
  // second). A request that cannot start fails the job: Advance returns its failure.
  ExportJob(std::shared_ptr<const Cycle> cycle, char id, const FormatSettings& settings,
            std::vector<ExportRequest> requests);
  ExportJob(const ExportJob&) = delete;
  ExportJob& operator=(const ExportJob&) = delete;

  // Runs steps, at least one while any is left, until budgetMs milliseconds have passed or the
  // job is done. A failure ends the job and names the path; later calls return it again.
  Result Advance(double budgetMs);

  bool Done() const;
  ExportProgress Progress() const;
  const std::vector<RequestProgress>& Requests() const { return progress_; }

  // Once the job is done without failure, the export, with requestOfFile as PlanExport gives
  // it; fails while steps are left or after a failure. The job gives its plan once.
  Result TakePlan(ExportPlan& plan, std::vector<size_t>* requestOfFile = nullptr);

 private:
  std::shared_ptr<const Cycle> cycle_;
  char id_;
  std::vector<ExportRequest> requests_;
  std::vector<Encoding> encodings_;
  std::vector<RequestProgress> progress_;
  size_t current_ = 0;
  Result failure_;  // ok unless the job failed
  ExportPlan plan_;
  std::vector<size_t> origins_;
  bool taken_ = false;
};
