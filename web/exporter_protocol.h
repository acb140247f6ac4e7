#pragma once
// The numbers the editor's module (web/page_exporter.cpp), web/exporter.js and the format
// module (web/export_module.cpp) pass each other about an export. The page's JavaScript reads
// them from page_constants.js, which the build writes from this file.

// How far an export is: what exporter_advance and Exporter.advance answer.
enum class ExportState : int { kFailed = -1, kEncoding = 0, kDone = 1 };

// The texts Exporter.text hands over: the path being encoded; the failure's message, file
// and system reason (also exporter_failure's parts); folder i; file i's path.
enum class ExportText : int {
  kPath = 0,
  kMessage = 1,
  kFile = 2,
  kReason = 3,
  kFolder = 4,
  kFilePath = 5,
};

// The lists Exporter.count counts: the folders to make, the files to write.
enum class ExportList : int { kFolders = 0, kFiles = 1 };
