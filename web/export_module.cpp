// The page's exporter: the format library in a module of its own, which the page loads on the
// first export so that the editor's own download stays small. The editor's module hands it
// the cycle's bytes (web/page_exporter.cpp); it encodes them as the desktop program does, a
// slice at a time, and hands back the folders and the files, which the editor writes.

#include <emscripten/emscripten.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "formats/export_job.h"
#include "formats/export_set.h"
#include "generator/cycle.h"
#include "web/exporter_protocol.h"

namespace {

Cycle cycle;  // written by the page before exporter_start
std::unique_ptr<ExportJob> job;
ExportPlan plan;
Result failure;
std::string path;

}  // namespace

extern "C" {

// Where the page writes the cycle, and its size, which must be the size the editor's module
// gives it (both are built from the same sources).
EMSCRIPTEN_KEEPALIVE Cycle* exporter_cycle() {
  return &cycle;
}
EMSCRIPTEN_KEEPALIVE int exporter_cycle_size() {
  return sizeof(Cycle);
}

// E's files into result/ (the formats' named after the pattern's name), or M's frames.
EMSCRIPTEN_KEEPALIVE void exporter_start(int id, const char* name, int everyFormat) {
  const std::string stem = ExportStem(name, static_cast<char>(id));
  std::vector<ExportRequest> requests;
  // The module's file system is the page's data folder, its working directory.
  RequestResults(DataFolder::kResults, stem, everyFormat != 0, requests);
  plan = ExportPlan{};
  failure = Result::Ok();
  FormatSettings settings;
  settings.stem = stem;
  job = std::make_unique<ExportJob>(std::make_shared<const Cycle>(cycle), static_cast<char>(id),
                                    settings, std::move(requests));
}

// An ExportState: encoding, every file encoded, or failed (exporter_failure says why).
EMSCRIPTEN_KEEPALIVE int exporter_advance(double budgetMs) {
  const auto answer = [](ExportState state) { return static_cast<int>(state); };
  if (job == nullptr) return answer(failure ? ExportState::kFailed : ExportState::kDone);
  failure = job->Advance(budgetMs);
  if (failure && !job->Done()) return answer(ExportState::kEncoding);
  if (failure) failure = job->TakePlan(plan);
  path = job->Progress().path;
  job.reset();
  return answer(failure ? ExportState::kDone : ExportState::kFailed);
}

// How far the export is, in frames of the loop, and what it encodes.
EMSCRIPTEN_KEEPALIVE int exporter_frames_done() {
  return job != nullptr ? job->Progress().AllFramesDone() : 0;
}
EMSCRIPTEN_KEEPALIVE const char* exporter_path() {
  if (job != nullptr) path = job->Progress().path;
  return path.c_str();
}

// Why the export failed: the ExportText of the message, the file or the system's reason.
EMSCRIPTEN_KEEPALIVE const char* exporter_failure(int part) {
  switch (static_cast<ExportText>(part)) {
    case ExportText::kMessage:
      return failure.message.c_str();
    case ExportText::kFile:
      return failure.file.c_str();
    default:
      return failure.reason.c_str();
  }
}

// The finished export: the folders to make, then the files.
EMSCRIPTEN_KEEPALIVE int exporter_folder_count() {
  return static_cast<int>(plan.folders.size());
}
EMSCRIPTEN_KEEPALIVE const char* exporter_folder(int i) {
  return plan.folders[i].c_str();
}
EMSCRIPTEN_KEEPALIVE int exporter_file_count() {
  return static_cast<int>(plan.files.size());
}
EMSCRIPTEN_KEEPALIVE const char* exporter_file_path(int i) {
  return plan.files[i].path.c_str();
}
EMSCRIPTEN_KEEPALIVE const uint8_t* exporter_file_bytes(int i) {
  return plan.files[i].bytes.data();
}
EMSCRIPTEN_KEEPALIVE int exporter_file_size(int i) {
  return static_cast<int>(plan.files[i].bytes.size());
}

// Lets the export's memory go.
EMSCRIPTEN_KEEPALIVE void exporter_end() {
  job.reset();
  plan = ExportPlan{};
}

}  // extern "C"
