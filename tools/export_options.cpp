#include "tools/export_options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "formats/palette_reader.h"
#include "formats/scale.h"
#include "formats/tiled_map.h"
#include "generator/messages.h"
#include "generator/pattern_label.h"
#include "generator/program_limits.h"
#include "generator/random_pattern.h"
#include "store/paths.h"

namespace {

// The options that are not formats; the formats' lines come from the format table.
static_assert(kSlotCount == 100 && kMaxMosaic == 4 && kMinDepthBits == 1 && kMaxDepthBits == 8 &&
                  kMaxLookColours == 256 && kMaxRandomSeed == 9999999 && kMinTileEdge == 8 &&
                  kMaxTileEdge == 256,
              "the usage text names 0..99, 0..4, 1..8, 256, 0..9999999 and 8..256");
constexpr const char* kUsageHead =
    "usage: quilmorante-export [options]\n"
    "Writes the colour-cycle frames of one loop: result/<id>A.bmp .. result/<id>P.bmp,\n"
    "or result/<id>-0000.bmp onward for any cycle but the default one.\n"
    "  --data DIR     folder with savedata/ and a.bmp; receives result/\n"
    "                 (default: the folder of this program, or when installed\n"
    "                 $XDG_DATA_HOME/quilmorante, ~/.local/share/quilmorante)\n"
    "  --pattern N    pattern file savedata/patN.txt, 0..99 (default 0)\n"
    "  --palette N    palette file savedata/palN.txt, 0..99 (default 0)\n"
    "  --id L         identification letter A..Z, first letter of the file names (default A)\n"
    "  --name NAME    what --all names the formats' files after (the BMP and PNG frames keep\n"
    "                 the letter), up to 64 bytes of UTF-8 (default: the pattern slot's name,\n"
    "                 else the letter); characters a file name cannot hold become '_'\n"
    "  --size WxH     tile size, each a power of two 16..256 (default 64x64)\n"
    "  --mosaic L     mosaic level 0..4 (default 0)\n"
    "  --cycle LOW,HIGH,K,MODE[,blend]  a cycle range instead of the palette slot's (repeat\n"
    "                 for more): entries LOW..HIGH (0..15), K/16 palette steps a frame\n"
    "                 (K 0..64), MODE forward, reverse or pingpong, blend to fade between\n"
    "                 steps; the ranges may not overlap\n"
    "  --colors FILE[:START]  the palette's entries from a palette file (GIMP, hex list,\n"
    "                 JASC-PAL, RIFF, .act, Paint.NET, or a PNG's, GIF's or BMP's palette):\n"
    "                 its colours from entry START (default 0) on; the key ramp keeps the\n"
    "                 entries past the file's end\n"
    "  --snap FILE    every colour becomes the nearest of a palette file's (up to 256)\n"
    "  --depth BITS   bits a channel every colour is limited to, 1..8 (8: as it is)\n"
    "                 --colors, --snap and --depth each replace that part of the palette\n"
    "                 slot's look for this run (files relative to the current folder)\n"
    "  --random SEED  the pattern the editor's R draws from SEED (0..9999999) in place of\n"
    "                 the pattern slot's\n"
    "  --random-palette SEED  the palette keys Shift+R draws from SEED, in place of the slot's\n"
    "Also, in any combination (paths relative to the current folder):\n";
constexpr const char* kUsageTail =
    "  --all DIR      every format above into DIR, named after the name or the id letter\n"
    "  --no-frames    leave result/ as it is: write only the other outputs asked for\n"
    "  --delay CS     hundredths of a second per frame, 1..100 (default 2; a frame is one\n"
    "                 palette step of the default cycle): the speed of the formats marked delay\n"
    "  --scale N      enlarge the formats marked scale N times: 1, 2, 3, 4 or 8 (default 1)\n"
    "  --sheet-columns N  frames per row of the sheet: 1, 2, 4, 8 or 16 (default 16)\n"
    "  --tile-size N  the Tiled map's tiles N pixels square at the scale, each playing the\n"
    "                 loop: 8, 16, 32, 64, 128 or 256 (default: one tile of the whole picture)\n"
    "  --help         show this text\n"
    "  --version      show the version\n";

[[noreturn]] void UsageError(const std::string& message) {
  std::fprintf(stderr, "quilmorante-export: %s\n%s", message.c_str(), Usage().c_str());
  std::exit(2);
}

std::optional<int> ParseInt(const std::string& text, int low, int high) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  const int value = std::atoi(text.c_str());
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<int> ParseEdgeExponent(const std::string& text) {
  const std::optional<int> edge = ParseInt(text, 16, 256);
  if (!edge) return std::nullopt;
  for (int e = kMinTileExp; e <= kMaxTileExp; ++e)
    if (*edge == (1 << e)) return e;
  return std::nullopt;
}

// A number low..high, or the usage error naming the option and what it takes.
int NumberOption(const std::string& flag, const std::string& text, int low, int high,
                 const std::string& takes) {
  const std::optional<int> n = ParseInt(text, low, high);
  if (!n) UsageError(flag + " must be " + takes + ", not '" + text + "'");
  return *n;
}

// The options that take a value, each checking its own; the formats' options come from the
// format table.
using OptionParser = void (*)(const std::string& flag, const std::string& text, Options& options);
struct ValueOption {
  const char* flag;
  OptionParser parse;
};

void ParseSlot(const std::string& flag, const std::string& text, Options& options) {
  (flag == "--pattern" ? options.pattern : options.palette) =
      NumberOption(flag, text, 0, kSlotCount - 1, "a number 0.." + std::to_string(kSlotCount - 1));
}

void ParseSize(const std::string&, const std::string& text, Options& options) {
  const std::size_t x = text.find('x');
  const std::optional<int> ex =
      x == std::string::npos ? std::nullopt : ParseEdgeExponent(text.substr(0, x));
  const std::optional<int> ey =
      x == std::string::npos ? std::nullopt : ParseEdgeExponent(text.substr(x + 1));
  if (!ex || !ey)
    UsageError("--size must be WxH with powers of two 16..256 (e.g. 64x64), not '" + text + "'");
  options.sizeExpX = *ex;
  options.sizeExpY = *ey;
}

void ParseCycle(const std::string&, const std::string& text, Options& options) {
  CycleRange range;
  if (Result parsed = ParseCycleRange(text, range); !parsed)
    UsageError("--cycle " + parsed.message);
  options.cycles.push_back(range);
  CycleRanges all;
  all.count = 0;
  for (const CycleRange& given : options.cycles)
    if (all.count < kMaxCycleRanges) all.ranges[all.count++] = given;
  if (options.cycles.size() > static_cast<size_t>(kMaxCycleRanges))
    UsageError("--cycle: at most " + std::to_string(kMaxCycleRanges) + " ranges");
  if (Result checked = CheckCycleRanges(all); !checked) UsageError("--cycle: " + checked.message);
}

// FILE[:START]: START only when what follows the last ':' is all digits, so "C:\p.gpl" and
// other names that hold a ':' stay whole.
void ParseColours(const std::string& flag, const std::string& text, Options& options) {
  const std::size_t colon = text.rfind(':');
  const std::string start = colon == std::string::npos ? "" : text.substr(colon + 1);
  const bool numbered = !start.empty() && std::all_of(start.begin(), start.end(),
                                                      [](char c) { return c >= '0' && c <= '9'; });
  LookOptions& look = options.look;
  look.colours = {numbered ? text.substr(0, colon) : text, {}};
  if (look.colours.path.empty()) UsageError(flag + " needs a palette file");
  look.colourStart = numbered ? NumberOption(flag + " START", start, 0, kMaxLookColours - 1,
                                             "an entry 0.." + std::to_string(kMaxLookColours - 1))
                              : 0;
}

constexpr ValueOption kValueOptions[] = {
    {"--data",
     [](const std::string&, const std::string& text, Options& options) {
       if (text.empty()) UsageError("--data needs a folder name");
       options.dataDir = text;
     }},
    {"--pattern", ParseSlot},
    {"--palette", ParseSlot},
    {"--id",
     [](const std::string&, const std::string& text, Options& options) {
       if (text.size() != 1 || text[0] < 'A' || text[0] > 'Z')
         UsageError("--id must be one capital letter A..Z, not '" + text + "'");
       options.id = text[0];
     }},
    {"--name",
     [](const std::string& flag, const std::string& text, Options& options) {
       if (Result checked = CheckSlotName(text); !checked)
         UsageError(flag + ": " + checked.message + ", not '" + QuoteName(text) + "'");
       options.name = text;
     }},
    {"--size", ParseSize},
    {"--mosaic",
     [](const std::string& flag, const std::string& text, Options& options) {
       options.mosaic =
           NumberOption(flag, text, 0, kMaxMosaic, "a level 0.." + std::to_string(kMaxMosaic));
     }},
    {"--all",
     [](const std::string& flag, const std::string& text, Options& options) {
       if (text.empty()) UsageError(flag + " needs a file or folder name");
       if (text == "-") UsageError("--all names a folder; '-' (standard output) is for one file");
       options.all = text;
     }},
    {"--scale",
     [](const std::string&, const std::string& text, Options& options) {
       const std::optional<int> n = ParseInt(text, 1, 8);
       if (!n || !ValidScale(*n)) UsageError("--scale must be 1, 2, 3, 4 or 8, not '" + text + "'");
       options.settings.scale = *n;
     }},
    {"--sheet-columns",
     [](const std::string&, const std::string& text, Options& options) {
       const std::optional<int> n = ParseInt(text, 1, 16);
       if (!n || (*n & (*n - 1)) != 0)
         UsageError("--sheet-columns must be 1, 2, 4, 8 or 16, not '" + text + "'");
       options.settings.sheetColumns = *n;
     }},
    {"--tile-size",
     [](const std::string&, const std::string& text, Options& options) {
       const std::optional<int> n = ParseInt(text, kMinTileEdge, kMaxTileEdge);
       if (!n || !ValidTileEdge(*n))
         UsageError("--tile-size must be " + TileEdgesText() + ", not '" + text + "'");
       options.settings.tileSize = *n;
     }},
    {"--cycle", ParseCycle},
    {"--delay",
     [](const std::string& flag, const std::string& text, Options& options) {
       options.delay = NumberOption(flag, text, 1, 100, "1..100 hundredths of a second");
     }},
    {"--random",
     [](const std::string& flag, const std::string& text, Options& options) {
       options.randomPattern =
           static_cast<uint32_t>(NumberOption(flag, text, 0, static_cast<int>(kMaxRandomSeed),
                                              "a seed 0.." + std::to_string(kMaxRandomSeed)));
     }},
    {"--random-palette",
     [](const std::string& flag, const std::string& text, Options& options) {
       options.randomPalette =
           static_cast<uint32_t>(NumberOption(flag, text, 0, static_cast<int>(kMaxRandomSeed),
                                              "a seed 0.." + std::to_string(kMaxRandomSeed)));
     }},
    {"--colors", ParseColours},
    {"--snap",
     [](const std::string& flag, const std::string& text, Options& options) {
       if (text.empty()) UsageError(flag + " needs a palette file");
       options.look.snap = {text, {}};
     }},
    {"--depth",
     [](const std::string& flag, const std::string& text, Options& options) {
       options.look.depthBits = NumberOption(flag, text, kMinDepthBits, kMaxDepthBits,
                                             std::to_string(kMinDepthBits) + ".." +
                                                 std::to_string(kMaxDepthBits) + " bits a channel");
     }},
};

void ParseFormatOption(const ExportFormat& format, const std::string& flag, const std::string& path,
                       Options& options) {
  if (path.empty()) UsageError(flag + " needs a file or folder name");
  if (path == "-" && format.makesFolder)
    UsageError(flag + " names a folder; '-' (standard output) is for one file");
  if (format.checkPath != nullptr && path != "-")
    if (Result checked = format.checkPath(path); !checked) UsageError(flag + " " + checked.message);
  options.requests.push_back(ExportRequest{&format, path});
}

[[noreturn]] void ShowAndExit(const std::string& flag) {
  if (flag == "--help")
    std::fputs(Usage().c_str(), stdout);
  else
    std::printf("quilmorante-export %s\n", QUILMORANTE_VERSION);
  std::exit(0);
}

}  // namespace

void LookOptions::ApplyTo(PaletteLook& look) const {
  if (!colours.path.empty()) {
    look.colours = colours.colours;
    look.colourStart = colourStart;
    look.coloursName = ShownName(colours.path);
  }
  if (!snap.path.empty()) {
    look.snap = snap.colours;
    look.snapName = ShownName(snap.path);
  }
  if (depthBits != 0) look.depthBits = depthBits;
}

std::string Usage() {
  std::string text = kUsageHead;
  for (const ExportFormat& format : ExportFormats()) {
    if (*format.option == '\0') continue;
    std::string line = std::string("  ") + format.option + " " + format.argument;
    line.resize(std::max<size_t>(line.size() + 1, 17), ' ');
    line += format.summary;
    if (format.takesScale || format.takesDelay)
      line += format.takesScale && format.takesDelay ? " [scale, delay]"
              : format.takesScale                    ? " [scale]"
                                                     : " [delay]";
    text += line + "\n";
  }
  return text + kUsageTail;
}

Options Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string flag = argv[i];
    std::optional<std::string> inlineValue;
    if (const std::size_t eq = flag.find('=');
        flag.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = flag.substr(eq + 1);
      flag = flag.substr(0, eq);
    }
    // The options that take no value.
    if (flag == "--help" || flag == "--version" || flag == "--no-frames") {
      if (inlineValue) UsageError("option " + flag + " takes no value");
      if (flag != "--no-frames") ShowAndExit(flag);
      options.frames = false;
      continue;
    }
    const ExportFormat* format = FindExportFormat(flag);
    const ValueOption* option = nullptr;
    for (const ValueOption& known : kValueOptions)
      if (flag == known.flag) option = &known;
    if (format == nullptr && option == nullptr)
      UsageError("unknown option '" + std::string(argv[i]) + "'");
    if (!inlineValue && i + 1 >= argc) UsageError("option " + flag + " needs a value");
    const std::string value = inlineValue ? *inlineValue : argv[++i];
    if (format != nullptr)
      ParseFormatOption(*format, flag, value, options);
    else
      option->parse(flag, value, options);
  }
  if (!options.frames && options.requests.empty() && options.all.empty())
    UsageError("--no-frames leaves nothing to write: name an output, such as --gif or --all");
  // Ranges given on the command line that loop too long are a mistake in the options.
  if (!options.cycles.empty()) {
    CycleRanges given;
    given.count = static_cast<int>(options.cycles.size());
    std::copy(options.cycles.begin(), options.cycles.end(), given.ranges);
    int frames = 0;
    if (Result loop = LoopFrames(given, frames); !loop) UsageError("--cycle: " + loop.message);
  }
  return options;
}

Result ReadLookFiles(LookOptions& look) {
  for (LookFile* file : {&look.colours, &look.snap}) {
    if (file->path.empty()) continue;
    ImportedPalette imported;
    if (Result read = ReadPaletteFile(file->path, imported); !read) return read;
    file->colours = std::move(imported.colours);
  }
  const int count = static_cast<int>(look.colours.colours.size());
  if (!look.colours.path.empty() && look.colourStart >= count)
    UsageError("--colors START " + std::to_string(look.colourStart) + " is past the end of " +
               look.colours.path + ", which has " + Counted(count, "colour") + " (0.." +
               std::to_string(count - 1) + ")");
  return Result::Ok();
}
