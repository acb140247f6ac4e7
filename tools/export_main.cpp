// quilmorante-export: the editor's export (its M key) without a screen. Loads a pattern and
// a palette slot, sets the tile size and mosaic, and writes the sixteen colour-cycle frames,
// optionally also as one animated GIF.

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "cycle_gif.h"
#include "data_folder.h"
#include "frame_export.h"
#include "pattern_generator.h"

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
    "  --gif FILE     also write the cycle as one looping animated GIF\n"
    "  --delay CS     GIF frame delay in hundredths of a second, 1..100 (default 2)\n"
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
  std::string gif;
  int delay = 2;
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
    } else if (flag == "--gif") {
      options.gif = value();
      if (options.gif.empty()) UsageError("--gif needs a file name");
    } else if (flag == "--delay") {
      const std::string text = value();
      const std::optional<int> n = ParseInt(text, 1, 100);
      if (!n) UsageError("--delay must be 1..100 hundredths of a second, not '" + text + "'");
      options.delay = *n;
    } else {
      UsageError("unknown option '" + std::string(argv[i]) + "'");
    }
  }
  return options;
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
  const std::string gifPath = Absolute(options.gif);
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

  if (!gifPath.empty()) {
    uint8_t header[kHeaderBytes];
    Result result = ReadFrameTemplate(header, templatePath);
    if (result) result = WriteCycleGif(gifPath, g, header, options.delay);
    if (!result) {
      std::fprintf(stderr, "quilmorante-export: %s\n", result.message.c_str());
      return 1;
    }
    std::printf("wrote %s (%d frames, %d/100 s each)\n", gifPath.c_str(), kFrameCount,
                options.delay);
  }
  return 0;
}
