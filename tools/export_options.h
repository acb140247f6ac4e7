#pragma once
// The export tool's command line: its options, their checks and the usage text, which lists
// the formats from the format table.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/export_set.h"
#include "formats/format_table.h"
#include "generator/cycle.h"
#include "generator/cycle_ranges.h"
#include "generator/palette_look.h"
#include "generator/result.h"

// A palette file an option names and, once read, its colours.
struct LookFile {
  std::string path;  // as given; empty when the option is not
  std::vector<Rgb> colours;
};

// --colors, --snap and --depth: each in place of its own part of the palette slot's look.
struct LookOptions {
  LookFile colours;
  int colourStart = 0;
  LookFile snap;
  int depthBits = 0;  // 0 when not given

  // The slot's look with the parts given replaced.
  void ApplyTo(PaletteLook& look) const;
};

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
  std::string all;         // --all's folder; empty when not asked for
  bool frames = true;      // the BMP frames into result/; --no-frames leaves result/ alone
  std::string resultsDir;  // the data folder's result/, where the BMP frames go
  LookOptions look;
  // --random, --random-palette: the pattern (the palette keys) a seed gives, in place of the
  // slot's, as the editor's R (Shift+R) draws them.
  std::optional<uint32_t> randomPattern;
  std::optional<uint32_t> randomPalette;
  // --name: what the formats' files are named after in place of the pattern slot's name.
  std::optional<std::string> name;
};

// The usage text: the options, then every format's line from the format table.
std::string Usage();

// Reads the command line; --help and --version print and exit 0, a mistake prints what is
// wrong and the usage text and exits 2.
Options Parse(int argc, char** argv);

// Reads the palette files --colors and --snap name, relative to the current folder. A file
// that cannot be read or decoded fails with the reader's message; a START past the file's
// colours prints the usage error and exits 2.
Result ReadLookFiles(LookOptions& look);
