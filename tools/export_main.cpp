// quilmorante-export: the editor's export (its M and E keys) without a screen. Loads a
// pattern and a palette slot (with its cycle ranges), sets the tile size and mosaic, and
// writes the colour-cycle frames of one loop, and whichever other formats the options ask for.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/export_job.h"
#include "formats/export_set.h"
#include "formats/scale.h"
#include "formats/spill.h"
#include "generator/data_folder.h"
#include "generator/file_system.h"
#include "generator/frame_template.h"
#include "generator/paths.h"
#include "generator/pattern_generator.h"
#include "generator/program_limits.h"
#include "generator/save_files.h"

namespace {

// The options that are not formats; the formats' lines come from the format table.
static_assert(kSlotCount == 100 && kMaxMosaic == 4, "the usage text names 0..99 and 0..4");
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
    "  --size WxH     tile size, each a power of two 16..256 (default 64x64)\n"
    "  --mosaic L     mosaic level 0..4 (default 0)\n"
    "  --cycle LOW,HIGH,K,MODE[,blend]  a cycle range instead of the palette slot's (repeat\n"
    "                 for more): entries LOW..HIGH (0..15), K/16 palette steps a frame\n"
    "                 (K 0..64), MODE forward, reverse or pingpong, blend to fade between\n"
    "                 steps; the ranges may not overlap\n"
    "Also, in any combination (paths relative to the current folder):\n";
constexpr const char* kUsageTail =
    "  --all DIR      every format above into DIR, named after the id letter\n"
    "  --delay CS     hundredths of a second per frame, 1..100 (default 2; a frame is one\n"
    "                 palette step of the default cycle): the speed of the formats marked delay\n"
    "  --scale N      enlarge the formats marked scale N times: 1, 2, 3, 4 or 8 (default 1)\n"
    "  --sheet-columns N  frames per row of the sheet: 1, 2, 4, 8 or 16 (default 16)\n"
    "  --help         show this text\n"
    "  --version      show the version\n";

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
    {"--cycle", ParseCycle},
    {"--delay",
     [](const std::string& flag, const std::string& text, Options& options) {
       options.delay = NumberOption(flag, text, 1, 100, "1..100 hundredths of a second");
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
    if (flag == "--help" || flag == "--version") {
      if (inlineValue) UsageError("option " + flag + " takes no value");
      ShowAndExit(flag);
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

}  // namespace

// A folder's real path, or the path made absolute and tidied when it cannot be resolved.
std::filesystem::path FolderIdentity(const std::filesystem::path& folder) {
  std::error_code error;
  const std::filesystem::path whole =
      std::filesystem::absolute(folder.empty() ? "." : folder, error);
  const std::filesystem::path real = std::filesystem::weakly_canonical(whole, error);
  return error ? whole.lexically_normal() : real;
}

// A mistake in what the options ask for, found before anything is written.
[[noreturn]] void Refuse(const std::string& message) {
  std::fprintf(stderr, "quilmorante-export: %s\n", message.c_str());
  std::exit(2);
}

// What tells two paths of one file apart from two files: the file itself when something is
// there (through links: a link and its target are one file), otherwise its folder's real
// path and its name.
std::string FileIdentity(const std::string& path) {
  if (path == "-") return "-";
  if (const std::string key = os::FileKey(path); !key.empty()) return "file " + key;
  const std::filesystem::path whole = path;
  return "name " + (FolderIdentity(whole.parent_path()) / whole.filename()).string();
}

// Refuses a plan that writes one file twice or writes over what the tool reads: the frame
// template, the white texture, the slots (anything in savedata/).
void CheckOutputs(const ExportPlan& plan, const std::vector<size_t>& requestOfFile,
                  const std::vector<std::string>& labels, const DataFolder& folder) {
  std::map<std::string, size_t> written;  // identity -> request
  for (size_t i = 0; i < plan.files.size(); ++i) {
    const std::string& path = plan.files[i].path;
    const size_t request = requestOfFile[i];
    const auto [at, fresh] = written.emplace(FileIdentity(path), request);
    if (!fresh)
      Refuse(labels[at->second] + " and " + labels[request] + " both write " + path +
             "; give them different names");
  }
  const std::string inputs[] = {folder.frameTemplate, folder.whiteTexture};
  const std::filesystem::path slots = FolderIdentity(DataFolder::kSlots);
  for (size_t i = 0; i < plan.files.size(); ++i) {
    const std::string& path = plan.files[i].path;
    if (path == "-") continue;
    const std::string identity = FileIdentity(path);
    for (const std::string& input : inputs)
      if (FileIdentity(input) == identity)
        Refuse(labels[requestOfFile[i]] + " " + path + " would overwrite " + input +
               ", which the export reads");
    // Through links too: a link named as the output may lead into savedata/.
    if (FolderIdentity(std::filesystem::path(path).parent_path()) == slots ||
        FolderIdentity(path).parent_path() == slots)
      Refuse(labels[requestOfFile[i]] + " " + path + " would write into " + DataFolder::kSlots +
             "/, where the slots are");
  }
}

// Whether the message begins with a path the tool names relative to the data folder, where
// it works: a slot, a frame in result/, the frame template.
bool NamesDataFolderPath(const std::string& message) {
  const std::string head = message.substr(0, message.find(':'));
  for (const char* name : {DataFolder::kSlots, DataFolder::kResults, kFrameTemplateFile})
    if (head == name || head.rfind(std::string(name) + "/", 0) == 0) return true;
  return false;
}

// A path in the data folder is shown with the folder in front; any other message (absolute
// paths, or none) as it is.
int Failed(const Options& options, const Result& result) {
  const std::string folder = NamesDataFolderPath(result.message) ? options.dataDir + "/" : "";
  std::fprintf(stderr, "quilmorante-export: %s%s\n", folder.c_str(), result.message.c_str());
  return 1;
}

// Encodes every request; on a terminal, a line on stderr shows each format's frames done of
// the loop's while a long export runs, and is cleared at the end.
Result EncodeShowingProgress(std::shared_ptr<const Cycle> cycle, const Options& options,
                             const std::vector<ExportRequest>& requests, ExportPlan& plan,
                             std::vector<size_t>& requestOfFile) {
  constexpr double kProgressEveryMs = 100;
  ExportJob job(std::move(cycle), options.id, options.settings, requests);
  const bool terminal = os::StandardErrorIsTerminal();
  bool shown = false;
  Result advanced = Result::Ok();
  while (advanced && !job.Done()) {
    advanced = job.Advance(kProgressEveryMs);
    if (!terminal || job.Done()) continue;
    const ExportProgress progress = job.Progress();
    std::fprintf(stderr, "\r\x1b[Kexporting %s %s: %d/%d frames", progress.label.c_str(),
                 progress.path.c_str(), progress.FramesDone(), progress.loopFrames);
    shown = true;
  }
  if (shown) std::fputs("\r\x1b[K", stderr);
  if (!advanced) return advanced;
  return job.TakePlan(plan, &requestOfFile);
}

// Finds the data folder (--data's, or the layout's as for the editor), makes the output paths
// absolute (they name places relative to where the tool was started) and enters the folder.
Result EnterDataFolder(Options& options, DataFolder& folder) {
  const DataLayout layout = ProcessDataLayout();
  if (options.dataDir.empty()) {
    if (Result prepared = PrepareWorkFolder(layout); !prepared) return prepared;
    if (layout.installed)
      std::fprintf(stderr,
                   "quilmorante-export: slots (savedata/) and exports (result/) are in %s\n",
                   layout.workFolder.c_str());
    options.dataDir = layout.workFolder.empty() ? "." : layout.workFolder;
    folder = LayoutDataFolder(layout);
  } else {
    folder = NamedDataFolder(layout, options.dataDir);
  }
  for (ExportRequest& request : options.requests)
    if (request.path != "-") request.path = AbsolutePath(request.path);
  if (!options.all.empty()) options.all = AbsolutePath(options.all);
  if (!os::EnterFolder(options.dataDir))
    return Result::Fail(options.dataDir + ": cannot enter folder: " + std::strerror(errno));
  return Result::Ok();
}

// The slots the options name, loaded into a generator with the options' settings, synthesised.
// The editor loads a slot over the one before it; the tool has none before, so a slot file it
// cannot read whole would give made-up values: it is refused, named.
Result LoadSlots(const Options& options, const DataFolder& folder,
                 std::unique_ptr<PatternGenerator>& generator) {
  CycleRanges slotCycles;
  for (const Result& checked :
       {CheckPatternFile(DataFolder::PatternFile(options.pattern)),
        CheckPaletteFile(DataFolder::PaletteFile(options.palette)),
        options.cycles.empty() ? ReadCyclesFile(DataFolder::CyclesFile(options.palette), slotCycles)
                               : Result::Ok()})
    if (!checked) return checked;
  // A slot's ranges that loop too long are the file's fault: it is named.
  if (options.cycles.empty()) {
    int frames = 0;
    if (Result loop = LoopFrames(slotCycles, frames); !loop)
      return Result::Fail(DataFolder::CyclesFile(options.palette) + ": " + loop.message);
  }
  generator = std::make_unique<PatternGenerator>(options.pattern, options.palette);
  PatternGenerator& g = *generator;
  g.folder = folder;
  g.idLetter = options.id;
  g.sizeExpX = options.sizeExpX;
  g.sizeExpY = options.sizeExpY;
  g.UpdateTileSize();
  g.mosaicLevel = options.mosaic;
  if (!options.cycles.empty()) {
    g.cycles.count = static_cast<int>(options.cycles.size());
    std::copy(options.cycles.begin(), options.cycles.end(), g.cycles.ranges);
  }
  g.Synthesize();
  g.RebuildPalette();
  return Result::Ok();
}

// The BMP frames, then every format asked for in the table's order, then --all's; labels
// receives how each request is named in messages.
std::vector<ExportRequest> Requests(Options& options, std::vector<std::string>& labels) {
  const auto formats = ExportFormats();
  std::stable_sort(options.requests.begin(), options.requests.end(),
                   [&](const ExportRequest& a, const ExportRequest& b) {
                     return a.format - formats.data() < b.format - formats.data();
                   });
  std::vector<ExportRequest> requests = {{&BmpFrames(), DataFolder::kResults}};
  requests.insert(requests.end(), options.requests.begin(), options.requests.end());
  if (!options.all.empty()) RequestAllFormats(options.all, options.id, requests);
  labels = {"the BMP frames"};
  for (const ExportRequest& request : options.requests) labels.push_back(request.format->option);
  labels.resize(requests.size(), "--all");
  if (options.delay == 1)
    for (const ExportRequest& request : requests)
      if (request.format->option == std::string_view("--gif")) {
        std::fprintf(stderr,
                     "quilmorante-export: warning: --delay 1 gives 10 ms GIF frames, which "
                     "browsers and ffmpeg play at 100 ms (10 steps a second, not 100); 2 or "
                     "more plays as asked\n");
        break;
      }
  return requests;
}

// What was written, on standard output unless a file went there; then on standard error what
// a format could not hold of this cycle, or laid out otherwise than asked.
void Report(const Options& options, const Cycle& cycle, const std::vector<ExportRequest>& requests,
            const ExportPlan& plan) {
  std::FILE* report = stdout;
  for (const ExportFile& file : plan.files)
    if (file.path == "-") report = stderr;
  const bool numbered = cycle.NumberedFrames();
  std::fprintf(report, "wrote %s/%s .. %s/%s (%d frames of %d bytes)\n", options.dataDir.c_str(),
               DataFolder::FrameFile(options.id, 0, numbered).c_str(), options.dataDir.c_str(),
               DataFolder::FrameFile(options.id, cycle.frames - 1, numbered).c_str(), cycle.frames,
               kFrameBytes);
  // The frames come first in the plan.
  for (size_t i = static_cast<size_t>(cycle.frames); i < plan.files.size(); ++i)
    std::fprintf(report, "wrote %s (%llu bytes)\n", plan.files[i].path.c_str(),
                 static_cast<unsigned long long>(ContentsSize(plan.files[i])));
  for (const ExportRequest& request : requests) {
    if (request.format->notes == nullptr) continue;
    const std::string note = request.format->notes(cycle, options.settings);
    if (!note.empty())
      std::fprintf(stderr, "quilmorante-export: note: %s: %s\n", request.path.c_str(),
                   note.c_str());
  }
}

int main(int argc, char** argv) {
  Options options = Parse(argc, argv);
  DataFolder folder;
  if (Result entered = EnterDataFolder(options, folder); !entered) {
    std::fprintf(stderr, "quilmorante-export: %s\n", entered.message.c_str());
    return 1;
  }
  std::unique_ptr<PatternGenerator> generator;
  if (Result loaded = LoadSlots(options, folder, generator); !loaded)
    return Failed(options, loaded);
  // The frames and every format asked for, encoded whole before any is written, then written
  // as one batch.
  auto cycle = std::make_shared<Cycle>();
  if (Result made = CycleOf(*generator, options.delay, *cycle); !made) return Failed(options, made);
  std::vector<std::string> labels;
  const std::vector<ExportRequest> requests = Requests(options, labels);
  ExportPlan plan;
  std::vector<size_t> requestOfFile;
  if (Result planned = EncodeShowingProgress(cycle, options, requests, plan, requestOfFile);
      !planned)
    return Failed(options, planned);
  CheckOutputs(plan, requestOfFile, labels, folder);
  // A file an option names is written where its path leads (through a link, into a FIFO);
  // every file the tool names itself replaces whatever has its name.
  for (size_t i = 0; i < plan.files.size(); ++i) {
    const size_t request = requestOfFile[i];
    plan.files[i].named = request >= 1 && request <= options.requests.size() &&
                          !requests[request].format->makesFolder;
  }
  if (Result written = WriteExport(plan); !written) return Failed(options, written);
  Report(options, *cycle, requests, plan);
  return 0;
}
