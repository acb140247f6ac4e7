#pragma once
// Where the editor's exports into result/ are encoded and written: M's frames of a cycle with
// ranges, and everything E writes. The front-end gives the generator one: the desktop program
// encodes with the format library in its own process (format_export_runner.h), the page in a
// module it loads on the first export. One export runs at a time, a slice a frame, from its
// own copy of the cycle.

#include <string>

#include "generator/cycle.h"
#include "generator/result.h"

struct ExportRunProgress {
  int framesDone = 0;  // the whole export's progress, counted in frames of the loop
  int frames = 0;      // the loop's
  std::string path;    // what is being encoded
};

class ExportRunner {
 public:
  virtual ~ExportRunner() = default;
  // Starts encoding a copy of the cycle: with everyFormat E's files (the formats' named after
  // the pattern's name, as ExportStem makes it fit a file name), otherwise M's frames.
  virtual Result Start(const Cycle& cycle, char id, const std::string& name, bool everyFormat) = 0;
  // From Start until Commit, or until Advance fails.
  virtual bool Running() const = 0;
  // Encodes for about budgetMs; done tells whether every file is encoded. A failure ends the
  // export.
  virtual Result Advance(double budgetMs, bool& done) = 0;
  virtual ExportRunProgress Progress() const = 0;
  // Writes the encoded files as one batch and ends the export; fileCount receives how many.
  virtual Result Commit(int& fileCount) = 0;
};
