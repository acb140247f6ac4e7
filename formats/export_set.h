#pragma once
// An export as one set of files: the formats asked for (from the format table) encoded whole
// from one cycle, then written together as one crash-safe batch. The export tool, the
// editor's E and the page all export through here, so the same settings give the same bytes.

#include <string>
#include <vector>

#include "formats/format_table.h"
#include "generator/cycle.h"
#include "store/data_folder.h"
#include "store/safe_file.h"

// One format to write, at a path (a file, or the folder of a folder format).
struct ExportRequest {
  const ExportFormat* format;
  std::string path;
};

// What --all and E name the formats' files after: the slot's name made safe for a file
// (SafeFileStem), or the id letter when that leaves nothing. The BMP frames keep the letter.
std::string ExportStem(const std::string& name, char id);

// Every format of --all into dir, named after the stem (the id letter alone: after it).
void RequestAllFormats(const std::string& dir, const std::string& stem,
                       std::vector<ExportRequest>& requests);
void RequestAllFormats(const std::string& dir, char id, std::vector<ExportRequest>& requests);

// The editor's exports into the results folder (a data folder's result/): M's BMP frames, or
// with everyFormat E's BMP frames and every format of --all named after the stem (the files
// `quilmorante-export --all result` writes).
void RequestResults(const std::string& results, const std::string& stem, bool everyFormat,
                    std::vector<ExportRequest>& requests);

// The settings requests[r] is encoded with: settings, and for a Tiled folder whose sheet an
// earlier request's sprite sheet is already (at the default columns), that sheet's path in
// sheetMadeEarlier, so that it is encoded once.
FormatSettings SettingsInSet(const FormatSettings& settings,
                             const std::vector<ExportRequest>& requests, size_t r);

// What an export writes: the folders to make (parents first) and every file's bytes.
struct ExportPlan {
  std::vector<std::string> folders;
  std::vector<ExportFile> files;
  // Files the export removes with its set: the id's frames of an earlier loop that the new
  // frames do not replace; and for each, the index of the request whose frames they are.
  std::vector<std::string> removals;
  std::vector<size_t> removalRequests;
};

// The folders the requests make, parents first, each once, and the frames of another loop
// of the id that the plan's frames leave behind.
void PlanFolders(const std::vector<ExportRequest>& requests, char id, ExportPlan& plan);

// Encodes every request whole (export_job.h encodes a step at a time); on failure the plan
// holds nothing and the message names the path.
// requestOfFile, when given, receives for each file of the plan the index of its request.
Result PlanExport(const Cycle& cycle, char id, const FormatSettings& settings,
                  const std::vector<ExportRequest>& requests, ExportPlan& plan,
                  std::vector<size_t>* requestOfFile = nullptr);

// Writes the plan as one batch: each file whole, old or new, and a failed write replaces
// none of them.
Result WriteExport(const ExportPlan& plan);
