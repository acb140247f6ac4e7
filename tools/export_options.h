#pragma once
// The export tool's command line: its options, their checks and the usage text, which lists
// the formats from the format table.

#include <string>
#include <vector>

#include "formats/export_set.h"
#include "formats/format_table.h"
#include "generator/cycle.h"
#include "generator/cycle_ranges.h"

struct Options {
  std::string dataDir;
  int pattern = 0;
  int palette = 0;
  char id = 'A';
  int sizeExpX = 6;
  int sizeExpY = 6;
  int mosaic = 0;
  int delay = kDefaultDelayCentiseconds;
  FormatSettings settings;
  // --cycle: the ranges instead of the slot's; empty when not given.
  std::vector<CycleRange> cycles;
  // The formats asked for, by their options, with their paths as given.
  std::vector<ExportRequest> requests;
  std::string all;  // --all's folder; empty when not asked for
};

// The usage text: the options, then every format's line from the format table.
std::string Usage();

// Reads the command line; --help and --version print and exit 0, a mistake prints what is
// wrong and the usage text and exits 2.
Options Parse(int argc, char** argv);
