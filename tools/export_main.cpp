// quilmorante-export: the editor's export (its M and E keys) without a screen. Loads a
// pattern and a palette slot, sets the tile size and mosaic, and writes the sixteen
// colour-cycle frames, and whichever other formats the options ask for.

#include <limits.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/export_set.h"
#include "formats/scale.h"
#include "generator/data_folder.h"
#include "generator/frame_export.h"
#include "generator/pattern_generator.h"

namespace {

constexpr const char* kUsage =
    "usage: quilmorante-export [options]\n"
    "Writes the sixteen colour-cycle frames result/<id>A.bmp .. result/<id>P.bmp.\n"
    "  --data DIR     folder with savedata/ and a.bmp; receives result/\n"
    "                 (default: the folder of this program, or when installed\n"
    "                 $XDG_DATA_HOME/quilmorante, ~/.local/share/quilmorante)\n"
    "  --pattern N    pattern file savedata/patN.txt, 0..99 (default 0)\n"
    "  --palette N    palette file savedata/palN.txt, 0..99 (default 0)\n"
    "  --id L         identification letter A..Z, first letter of the file names (default A)\n"
    "  --size WxH     tile size, each a power of two 16..256 (default 64x64)\n"
    "  --mosaic L     mosaic level 0..4 (default 0)\n"
    "Also, in any combination (paths relative to the current folder):\n"
    "  --png DIR      sixteen 4-bit PNG frames DIR/<id>A.png .. <id>P.png\n"
    "  --sheet FILE   one PNG sprite sheet of the sixteen frames\n"
    "  --sheet-columns N  frames per row of the sheet: 1, 2, 4, 8 or 16 (default 16)\n"
    "  --shader DIR   index.png, palette.png, cycle.glsl and cycle.gdshader in DIR\n"
    "  --ilbm FILE    IFF ILBM with a colour-cycling range (DPaint, GrafX2)\n"
    "  --json FILE    colour-cycling JSON for web players\n"
    "  --palette-file FILE  the 16 colours as .gpl, .pal (JASC), .hex or .act, by extension\n"
    "  --gif FILE     one looping animated GIF\n"
    "  --apng FILE    one looping animated PNG\n"
    "  --webp FILE    one looping animated WebP (lossless)\n"
    "  --all DIR      every format above into DIR, named after the id letter\n"
    "  --delay CS     hundredths of a second per palette step, 1..100 (default 2):\n"
    "                 the speed of every animated format\n"
    "  --scale N      enlarge the PNG frames, sheet, GIF, APNG and WebP N times:\n"
    "                 1, 2, 3, 4 or 8 (default 1)\n"
    "  --help         show this text\n"
    "  --version      show the version\n";

struct Options {
  std::string dataDir;
  int pattern = 0;
  int palette = 0;
  char id = 'A';
  int sizeExpX = 6;
  int sizeExpY = 6;
  int mosaic = 0;
  int delay = kDefaultDelayCentiseconds;
  int scale = 1;
  int sheetColumns = 16;
  // Output paths as given, empty when not asked for.
  std::string png, sheet, shader, ilbm, json, paletteFile, gif, apng, webp, all;
};

[[noreturn]] void UsageError(const std::string& message) {
  std::fprintf(stderr, "quilmorante-export: %s\n%s", message.c_str(), kUsage);
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

std::string Absolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return path;
  return std::string(cwd) + "/" + path;
}

// Where an output option's path goes; nullptr for any other flag.
std::string* OutputOption(Options& options, const std::string& flag) {
  if (flag == "--png") return &options.png;
  if (flag == "--sheet") return &options.sheet;
  if (flag == "--shader") return &options.shader;
  if (flag == "--ilbm") return &options.ilbm;
  if (flag == "--json") return &options.json;
  if (flag == "--palette-file") return &options.paletteFile;
  if (flag == "--gif") return &options.gif;
  if (flag == "--apng") return &options.apng;
  if (flag == "--webp") return &options.webp;
  if (flag == "--all") return &options.all;
  return nullptr;
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
      if (flag == "--help")
        std::fputs(kUsage, stdout);
      else
        std::printf("quilmorante-export %s\n", QUILMORANTE_VERSION);
      std::exit(0);
    }
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= argc) UsageError("option " + flag + " needs a value");
      return argv[++i];
    };
    if (flag == "--data") {
      options.dataDir = value();
      if (options.dataDir.empty()) UsageError("--data needs a folder name");
    } else if (flag == "--pattern" || flag == "--palette") {
      const std::string text = value();
      const std::optional<int> n = ParseInt(text, 0, 99);
      if (!n) UsageError(flag + " must be a number 0..99, not '" + text + "'");
      (flag == "--pattern" ? options.pattern : options.palette) = *n;
    } else if (flag == "--id") {
      const std::string text = value();
      if (text.size() != 1 || text[0] < 'A' || text[0] > 'Z')
        UsageError("--id must be one capital letter A..Z, not '" + text + "'");
      options.id = text[0];
    } else if (flag == "--size") {
      const std::string text = value();
      const std::size_t x = text.find('x');
      const std::optional<int> ex =
          x == std::string::npos ? std::nullopt : ParseEdgeExponent(text.substr(0, x));
      const std::optional<int> ey =
          x == std::string::npos ? std::nullopt : ParseEdgeExponent(text.substr(x + 1));
      if (!ex || !ey)
        UsageError("--size must be WxH with powers of two 16..256 (e.g. 64x64), not '" + text +
                   "'");
      options.sizeExpX = *ex;
      options.sizeExpY = *ey;
    } else if (flag == "--mosaic") {
      const std::string text = value();
      const std::optional<int> n = ParseInt(text, 0, 4);
      if (!n) UsageError("--mosaic must be a level 0..4, not '" + text + "'");
      options.mosaic = *n;
    } else if (std::string* path = OutputOption(options, flag)) {
      *path = value();
      if (path->empty()) UsageError(flag + " needs a file or folder name");
    } else if (flag == "--scale") {
      const std::string text = value();
      const std::optional<int> n = ParseInt(text, 1, 8);
      if (!n || !ValidScale(*n)) UsageError("--scale must be 1, 2, 3, 4 or 8, not '" + text + "'");
      options.scale = *n;
    } else if (flag == "--sheet-columns") {
      const std::string text = value();
      const std::optional<int> n = ParseInt(text, 1, 16);
      if (!n || (*n & (*n - 1)) != 0)
        UsageError("--sheet-columns must be 1, 2, 4, 8 or 16, not '" + text + "'");
      options.sheetColumns = *n;
    } else if (flag == "--delay") {
      const std::string text = value();
      const std::optional<int> n = ParseInt(text, 1, 100);
      if (!n) UsageError("--delay must be 1..100 hundredths of a second, not '" + text + "'");
      options.delay = *n;
    } else {
      UsageError("unknown option '" + std::string(argv[i]) + "'");
    }
  }
  if (!options.paletteFile.empty()) {
    const std::string& path = options.paletteFile;
    const std::size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? "" : path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".gpl" && extension != ".pal" && extension != ".hex" && extension != ".act")
      UsageError("--palette-file must end in .gpl, .pal, .hex or .act, not '" + path + "'");
  }
  return options;
}

// Every format the options ask for.
Result CollectFormats(const Options& options, const Cycle& cycle, std::vector<ExportFile>& files) {
  const int scale = options.scale;
  Result r = Result::Ok();
  if (r && !options.png.empty()) r = AddPngFrames(cycle, options.id, scale, options.png, files);
  if (r && !options.sheet.empty())
    r = AddSpriteSheet(cycle, options.sheetColumns, scale, options.sheet, files);
  if (r && !options.shader.empty()) r = AddShaderPair(cycle, options.shader, files);
  if (r && !options.ilbm.empty()) r = AddIlbm(cycle, options.ilbm, files);
  if (r && !options.json.empty()) r = AddCycleJson(cycle, options.json, files);
  if (r && !options.paletteFile.empty()) r = AddPaletteFile(cycle, options.paletteFile, files);
  if (r && !options.gif.empty()) r = AddGif(cycle, scale, options.gif, files);
  if (r && !options.apng.empty()) r = AddApng(cycle, scale, options.apng, files);
  if (r && !options.webp.empty()) r = AddWebp(cycle, scale, options.webp, files);
  if (r && !options.all.empty()) {
    const ExportSettings settings{scale, options.sheetColumns};
    r = AddAllFormats(cycle, options.id, settings, options.all, files);
  }
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  Options options = Parse(argc, argv);
  // The same layout rule as the editor's (data_folder.h); --data names the folder instead.
  const DataLayout layout = ProcessDataLayout();
  std::string templatePath;
  if (options.dataDir.empty()) {
    if (Result prepared = PrepareWorkFolder(layout); !prepared) {
      std::fprintf(stderr, "quilmorante-export: %s\n", prepared.message.c_str());
      return 1;
    }
    if (layout.installed)
      std::fprintf(stderr,
                   "quilmorante-export: slots (savedata/) and exports (result/) are in %s\n",
                   layout.workFolder.c_str());
    options.dataDir = layout.workFolder.empty() ? "." : layout.workFolder;
    templatePath = ResourcePath(layout, kFrameTemplateFile);
  } else {
    templatePath = FrameTemplateForDataFolder(layout, options.dataDir);
  }
  // Output paths name places relative to where the tool was started; it works in the data
  // folder.
  for (std::string* path :
       {&options.png, &options.sheet, &options.shader, &options.ilbm, &options.json,
        &options.paletteFile, &options.gif, &options.apng, &options.webp, &options.all})
    *path = Absolute(*path);
  if (::chdir(options.dataDir.c_str()) != 0) {
    std::fprintf(stderr, "quilmorante-export: %s: cannot enter folder: %s\n",
                 options.dataDir.c_str(), std::strerror(errno));
    return 1;
  }

  auto generator = std::make_unique<PatternGenerator>();
  PatternGenerator& g = *generator;
  g.patternNumber = static_cast<uint8_t>(options.pattern);
  g.paletteNumber = static_cast<uint8_t>(options.palette);
  g.LoadPattern(options.pattern);
  g.LoadPalette(options.palette);
  g.idLetter = options.id;
  g.sizeExpX = options.sizeExpX;
  g.sizeExpY = options.sizeExpY;
  g.UpdateTileSize();
  g.mosaicLevel = options.mosaic;
  g.templatePath = templatePath;

  if (Result result = g.ExportFrames(); !result) {
    // Messages name paths relative to the data folder, or absolute ones.
    const char* folder = result.message.rfind('/', 0) == 0 ? "" : options.dataDir.c_str();
    std::fprintf(stderr, "quilmorante-export: %s%s%s\n", folder, *folder != '\0' ? "/" : "",
                 result.message.c_str());
    return 1;
  }
  std::printf("wrote %s/%s .. %s (%d frames of %d bytes)\n", options.dataDir.c_str(),
              FrameFileName(g.idLetter, 0).c_str(),
              FrameFileName(g.idLetter, kFrameCount - 1).c_str(), kFrameCount, kFrameBytes);

  // The other formats are encoded whole before any is written, then written as one batch.
  std::vector<ExportFile> files;
  auto cycle = std::make_unique<Cycle>();
  Result result = CycleOf(g, options.delay, *cycle);
  if (result) result = CollectFormats(options, *cycle, files);
  std::vector<std::string> folders;
  for (const std::string* folder : {&options.png, &options.shader, &options.all})
    if (!folder->empty()) folders.push_back(*folder);
  if (!options.all.empty()) folders.push_back(AllShaderFolder(options.all, options.id));
  if (result && !files.empty()) result = WriteExportFiles(folders, files);
  if (!result) {
    std::fprintf(stderr, "quilmorante-export: %s\n", result.message.c_str());
    return 1;
  }
  for (const ExportFile& file : files)
    std::printf("wrote %s (%zu bytes)\n", file.path.c_str(), file.bytes.size());
  return 0;
}
