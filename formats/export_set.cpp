#include "formats/export_set.h"

#include <algorithm>
#include <memory>

#include "store/paths.h"

std::string ExportStem(const std::string& name, char id) {
  const std::string stem = SafeFileStem(name);
  return stem.empty() ? std::string(1, id) : stem;
}

void RequestAllFormats(const std::string& dir, const std::string& stem,
                       std::vector<ExportRequest>& requests) {
  std::vector<std::string> paths;
  for (const ExportFormat& format : ExportFormats()) {
    paths.clear();
    AllPaths(format, dir, stem, paths);
    for (std::string& path : paths) requests.push_back(ExportRequest{&format, std::move(path)});
  }
}

void RequestAllFormats(const std::string& dir, char id, std::vector<ExportRequest>& requests) {
  RequestAllFormats(dir, std::string(1, id), requests);
}

void RequestResults(const std::string& results, const std::string& stem, bool everyFormat,
                    std::vector<ExportRequest>& requests) {
  requests = {{&BmpFrames(), results}};
  if (everyFormat) RequestAllFormats(results, stem, requests);
}

FormatSettings SettingsInSet(const FormatSettings& settings,
                             const std::vector<ExportRequest>& requests, size_t r) {
  FormatSettings inSet = settings;
  inSet.sheetMadeEarlier.clear();
  // The sheet a maker writes is the tileset's only at the default columns.
  if (requests[r].format->tilesetSheet != TilesetSheet::kCopies ||
      settings.sheetColumns != FormatSettings{}.sheetColumns)
    return inSet;
  for (size_t q = 0; q < r; ++q)
    if (requests[q].format->tilesetSheet == TilesetSheet::kMakes)
      inSet.sheetMadeEarlier = requests[q].path;
  return inSet;
}

void PlanFolders(const std::vector<ExportRequest>& requests, char id, ExportPlan& plan) {
  plan.folders.clear();
  plan.removals.clear();
  plan.removalRequests.clear();
  std::vector<std::string> paths;
  for (const ExportFile& file : plan.files) paths.push_back(file.path);
  for (size_t r = 0; r < requests.size(); ++r)
    if (requests[r].format->frameExtension != nullptr)
      for (std::string& path :
           OtherFrameFiles(requests[r].path, id, requests[r].format->frameExtension, paths)) {
        plan.removals.push_back(std::move(path));
        plan.removalRequests.push_back(r);
      }
  for (const ExportRequest& request : requests)
    if (request.format->makesFolder &&
        std::find(plan.folders.begin(), plan.folders.end(), request.path) == plan.folders.end())
      plan.folders.push_back(request.path);
  // A folder inside another one (--all's shader folder) is made after it.
  std::stable_sort(plan.folders.begin(), plan.folders.end(),
                   [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
}

Result PlanExport(const Cycle& cycle, char id, const FormatSettings& settings,
                  const std::vector<ExportRequest>& requests, ExportPlan& plan,
                  std::vector<size_t>* requestOfFile) {
  ExportPlan made;
  std::vector<size_t> origins;
  for (size_t r = 0; r < requests.size(); ++r) {
    const ExportRequest& request = requests[r];
    if (Result added = EncodeFormat(*request.format, cycle, id,
                                    SettingsInSet(settings, requests, r), request.path, made.files);
        !added)
      return added;
    origins.resize(made.files.size(), r);
  }
  PlanFolders(requests, id, made);
  plan = std::move(made);
  if (requestOfFile != nullptr) *requestOfFile = std::move(origins);
  return Result::Ok();
}

Result WriteExport(const ExportPlan& plan) {
  return WriteFileSet(plan.folders, plan.files, plan.removals);
}
