#include "formats/format_table.h"

#include <functional>
#include <memory>
#include <utility>

#include "formats/cycle_apng.h"
#include "formats/cycle_aseprite.h"
#include "formats/cycle_gif.h"
#include "formats/cycle_ilbm.h"
#include "formats/cycle_json.h"
#include "formats/cycle_webp.h"
#include "formats/frame_files.h"
#include "formats/palette_file.h"
#include "formats/png_frames.h"
#include "formats/png_sheet.h"
#include "formats/shader_pair.h"
#include "formats/spill.h"
#include "formats/tiled_map.h"
#include "generator/frame_template.h"
#include "store/data_folder.h"
#include "store/paths.h"

namespace {

std::string Stem(const std::string& path) {
  const std::string base = BaseName(path);
  const std::size_t dot = base.rfind('.');
  return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

// Failures of the encoding name the path.
void NameFailures(const std::string& path, Encoding& encoding) {
  auto named = [path](Result result) {
    return result ? result : Result::Fail(path + ": " + result.message);
  };
  encoding.step = [named, step = std::move(encoding.step)](int s) { return named(step(s)); };
  encoding.finish = [named, finish = std::move(encoding.finish)](std::vector<ExportFile>& files) {
    return named(finish(files));
  };
}

// A format that makes one file in one step: its bytes go to path, its failure names path.
template <typename Encode>
Result OneFile(const std::string& path, Encoding& encoding, Encode encode) {
  OneStep(encoding, [path, encode](std::vector<ExportFile>& files) {
    ExportFile file{path, {}};
    if (Result encoded = encode(file.bytes); !encoded)
      return Result::Fail(path + ": " + encoded.message);
    files.push_back(std::move(file));
    return Result::Ok();
  });
  return Result::Ok();
}

// A format encoded a frame (or a row of frames) a step; its failures name path.
template <typename Start>
Result Stepped(const std::string& path, Encoding& encoding, Start start) {
  if (Result started = start(encoding); !started)
    return Result::Fail(path + ": " + started.message);
  NameFailures(path, encoding);
  return Result::Ok();
}

Result StartFrames(const Cycle& cycle, char id, const FormatSettings&, const std::string& dir,
                   Encoding& encoding) {
  return StartBmpFrameFiles(cycle, id, dir, encoding);
}

Result StartPngFrames(const Cycle& cycle, char id, const FormatSettings& settings,
                      const std::string& dir, Encoding& encoding) {
  return StartPngFrameFiles(cycle, id, settings.scale, dir, encoding);
}

Result StartSheet(const Cycle& cycle, char, const FormatSettings& settings, const std::string& path,
                  Encoding& encoding) {
  return Stepped(path, encoding, [&](Encoding& e) {
    return StartSpriteSheet(cycle, settings.sheetColumns, settings.scale, path, e);
  });
}

std::string SheetNotes(const Cycle& cycle, const FormatSettings& settings) {
  SheetLayout layout;
  if (!PlanSheet(cycle, settings.sheetColumns, settings.scale, layout) ||
      layout.columns <= settings.sheetColumns)
    return {};
  return "sprite sheet: " + std::to_string(layout.columns) + " columns, not " +
         std::to_string(settings.sheetColumns) + ", so that the " + std::to_string(cycle.frames) +
         " frames stay within " + std::to_string(kMaxSheetEdge) + " pixels";
}

Result StartShaderPair(const Cycle& cycle, char, const FormatSettings&, const std::string& dir,
                       Encoding& encoding) {
  OneStep(encoding, [&cycle, dir](std::vector<ExportFile>& files) {
    std::vector<ExportFile> pair;
    using Encoder = Result (*)(const Cycle&, std::vector<uint8_t>&);
    const std::pair<const char*, Encoder> textures[] = {{"index.png", EncodeIndexPng},
                                                        {"palette.png", EncodePalettePng},
                                                        {"palettes.png", EncodePaletteAtlasPng}};
    for (const auto& [name, encode] : textures) {
      ExportFile file{JoinPath(dir, name), {}};
      if (const Result encoded = encode(cycle, file.bytes); !encoded)
        return Result::Fail(file.path + ": " + encoded.message);
      pair.push_back(std::move(file));
    }
    for (const ShaderKind kind : kShaderKinds) {
      const std::string text = ShaderText(kind, cycle);
      pair.push_back(ExportFile{JoinPath(dir, ShaderFileName(kind)), {text.begin(), text.end()}});
    }
    for (ExportFile& file : pair) files.push_back(std::move(file));
    return Result::Ok();
  });
  return Result::Ok();
}

Result StartPaletteAtlas(const Cycle& cycle, char, const FormatSettings&, const std::string& path,
                         Encoding& encoding) {
  return OneFile(path, encoding, [&cycle](std::vector<uint8_t>& bytes) {
    return EncodePaletteAtlasPng(cycle, bytes);
  });
}

Result StartIlbm(const Cycle& cycle, char, const FormatSettings&, const std::string& path,
                 Encoding& encoding) {
  return OneFile(path, encoding,
                 [&cycle](std::vector<uint8_t>& bytes) { return EncodeIlbm(cycle, bytes); });
}

std::string IlbmNotes(const Cycle& cycle, const FormatSettings&) {
  return IlbmLosses(cycle);
}

// The JSON's "filename" is the file's own name.
Result StartJson(const Cycle& cycle, char, const FormatSettings&, const std::string& path,
                 Encoding& encoding) {
  return OneFile(path, encoding, [&cycle, name = BaseName(path)](std::vector<uint8_t>& bytes) {
    return EncodeCycleJson(cycle, name, bytes);
  });
}

// The format follows the extension; the palette is named after the file.
Result StartPaletteFile(const Cycle& cycle, char, const FormatSettings&, const std::string& path,
                        Encoding& encoding) {
  return OneFile(path, encoding, [&cycle, path](std::vector<uint8_t>& bytes) {
    return EncodePaletteFile(cycle, path, Stem(path), bytes);
  });
}

void PaletteFilePaths(const std::string& dir, const std::string& stem,
                      std::vector<std::string>& paths) {
  for (const char* extension : kPaletteExtensions) paths.push_back(JoinPath(dir, stem + extension));
}

// One step: the frames share one LZW stream, so the rest is copying.
Result StartGif(const Cycle& cycle, char, const FormatSettings& settings, const std::string& path,
                Encoding& encoding) {
  return Stepped(path, encoding,
                 [&](Encoding& e) { return StartCycleGif(cycle, settings.scale, path, e); });
}

Result StartApngFile(const Cycle& cycle, char, const FormatSettings& settings,
                     const std::string& path, Encoding& encoding) {
  return Stepped(path, encoding,
                 [&](Encoding& e) { return StartApng(cycle, settings.scale, path, e); });
}

Result StartWebpFile(const Cycle& cycle, char, const FormatSettings& settings,
                     const std::string& path, Encoding& encoding) {
  return Stepped(path, encoding,
                 [&](Encoding& e) { return StartWebp(cycle, settings.scale, path, e); });
}

// The layer and the tag are named after the id letter.
Result StartAsepriteFile(const Cycle& cycle, char id, const FormatSettings& settings,
                         const std::string& path, Encoding& encoding) {
  return Stepped(path, encoding,
                 [&](Encoding& e) { return StartAseprite(cycle, id, settings.scale, path, e); });
}

// The sheet in the sheet's default layout, which the tileset describes; --sheet-columns is
// the --sheet's.
Result StartTiled(const Cycle& cycle, char id, const FormatSettings& settings,
                  const std::string& dir, Encoding& encoding) {
  return Stepped(dir, encoding, [&](Encoding& e) {
    return StartTiledMap(cycle, id, settings.stem.empty() ? std::string(1, id) : settings.stem,
                         FormatSettings{}.sheetColumns, settings.scale, settings.tileSize, dir,
                         settings.sheetMadeEarlier, e);
  });
}

// A size in tenths of the unit the limit is said in (GiB, MiB, KiB), rounded up so that a size
// past the limit is never said to meet it; the limit itself rounded down, whole units bare.
std::string SizeText(uint64_t bytes, uint64_t limit, bool up) {
  constexpr const char* kUnits[] = {" KiB", " MiB", " GiB"};
  int unit = 0;
  while (unit < 2 && limit >= uint64_t{1} << (10 * (unit + 2))) ++unit;
  const uint64_t size = uint64_t{1} << (10 * (unit + 1));
  const uint64_t tenths = (bytes * 10 + (up ? size - 1 : 0)) / size;
  std::string text = std::to_string(tenths / 10);
  if (up || tenths % 10 != 0) text.append(1, '.').append(1, static_cast<char>('0' + tenths % 10));
  return text.append(kUnits[unit]);
}

// "<path>: --gif: 3840 frames at scale 8", what the limit's messages are about.
std::string WhatPasses(const ExportFormat& format, const Cycle& cycle,
                       const FormatSettings& settings, const std::string& path) {
  const std::string label = *format.option != '\0' ? format.option : "BMP frames";
  return path + ": " + label + ": " + std::to_string(cycle.frames) + " frames" +
         (format.takesScale ? " at scale " + std::to_string(settings.scale) : "");
}

// In the order --all writes them (and the usage text lists them); the BMP frames first.
constexpr ExportFormat kFormats[] = {
    {.option = "",
     .argument = "DIR",
     .summary = "the loop's 4-bit BMP frames DIR/<id>A.bmp .. <id>P.bmp",
     .makesFolder = true,
     .start = StartFrames,
     .frameExtension = DataFolder::kFrameExtension},
    {.option = "--png",
     .argument = "DIR",
     .summary = "the loop's 4-bit PNG frames DIR/<id>A.png .. <id>P.png",
     .allNames = "`<id>A.png` … `<id>P.png`",
     .allPaths = [](const std::string& dir, const std::string&,
                    std::vector<std::string>& paths) { paths.push_back(dir); },
     .makesFolder = true,
     .takesScale = true,
     .start = StartPngFrames,
     .frameExtension = ".png"},
    {.option = "--sheet",
     .summary = "one PNG sprite sheet of the loop's frames",
     .allSuffix = "-sheet.png",
     .takesScale = true,
     .takesColumns = true,
     .start = StartSheet,
     .notes = SheetNotes,
     .tilesetSheet = TilesetSheet::kMakes},
    {.option = "--shader",
     .argument = "DIR",
     .summary = "index.png, palette.png, palettes.png, cycle.glsl, cycle.gdshader,\n"
                "                 atlas.glsl and atlas.gdshader in DIR",
     .allSuffix = "-shader",
     .makesFolder = true,
     .takesDelay = true,
     .start = StartShaderPair},
    {.option = "--palette-atlas",
     .summary = "the palette atlas: 16 x L RGB PNG, row j frame j's 16 colours",
     .allSuffix = "-palettes.png",
     .start = StartPaletteAtlas},
    {.option = "--ilbm",
     .summary = "IFF ILBM with a colour-cycling range for each range (DPaint, GrafX2)",
     .allSuffix = ".iff",
     .takesDelay = true,
     .start = StartIlbm,
     .notes = IlbmNotes},
    {.option = "--json",
     .summary = "colour-cycling JSON for web players",
     .allSuffix = ".json",
     .takesDelay = true,
     .start = StartJson},
    {.option = "--palette-file",
     .summary = "the 16 colours as .gpl, .pal (JASC), .hex or .act, by extension",
     .allNames = "`<id>.gpl`, `.pal`, `.hex`, `.act`",
     .allPaths = PaletteFilePaths,
     .checkPath = CheckPaletteFileName,
     .start = StartPaletteFile},
    {.option = "--gif",
     .summary = "one looping animated GIF",
     .allSuffix = ".gif",
     .takesScale = true,
     .takesDelay = true,
     .start = StartGif},
    {.option = "--apng",
     .summary = "one looping animated PNG",
     .allSuffix = "-anim.png",
     .takesScale = true,
     .takesDelay = true,
     .start = StartApngFile},
    {.option = "--webp",
     .summary = "one looping animated WebP (lossless)",
     .allSuffix = ".webp",
     .takesScale = true,
     .takesDelay = true,
     .start = StartWebpFile},
    {.option = "--aseprite",
     .summary = "one indexed Aseprite file; Aseprite plays its palette changes as frames,\n"
                "                 LibreSprite, Pixelorama and Unity's importer read it",
     .allSuffix = ".aseprite",
     .takesScale = true,
     .takesDelay = true,
     .start = StartAsepriteFile},
    {.option = "--tiled",
     .argument = "DIR",
     .summary = "a Tiled map of the tile cycling: <id>.tmx, <id>.tsx and <id>-sheet.png\n"
                "                 in DIR",
     .allSuffix = "-tiled",
     .makesFolder = true,
     .takesScale = true,
     .takesDelay = true,
     .start = StartTiled,
     .tilesetSheet = TilesetSheet::kCopies},
};

}  // namespace

std::span<const ExportFormat> ExportFormats() {
  return kFormats;
}

void AllPaths(const ExportFormat& format, const std::string& dir, const std::string& stem,
              std::vector<std::string>& paths) {
  if (format.allSuffix != nullptr)
    paths.push_back(JoinPath(dir, stem + format.allSuffix));
  else if (format.allPaths != nullptr)
    format.allPaths(dir, stem, paths);
}

std::string AllNames(const ExportFormat& format) {
  if (format.allSuffix == nullptr) return format.allNames;
  return std::string("`<id>") + format.allSuffix + (format.makesFolder ? "/`" : "`");
}

const ExportFormat* FindExportFormat(std::string_view option) {
  if (option.empty()) return nullptr;
  for (const ExportFormat& format : kFormats)
    if (option == format.option) return &format;
  return nullptr;
}

const ExportFormat& BmpFrames() {
  return kFormats[0];
}

Result StartFormat(const ExportFormat& format, const Cycle& cycle, char id,
                   const FormatSettings& settings, const std::string& path, Encoding& encoding,
                   uint64_t limit) {
  Encoding started;
  if (Result begun = format.start(cycle, id, settings, path, started); !begun) return begun;
  uint64_t bytes = started.bytes;
  // A bound past the limit says little of files that compress: a few frames encoded now do.
  if (bytes > limit && !started.bytesExact && started.estimate)
    if (Result judged = started.estimate(bytes); !judged)
      return Result::Fail(path + ": " + judged.message);
  if (bytes > limit)
    return Result::Fail(WhatPasses(format, cycle, settings, path) + " would be about " +
                        SizeText(bytes, limit, true) + "; the limit is " +
                        SizeText(limit, limit, false));
  LimitEncoding(format, cycle, settings, path, limit, started);
  encoding = std::move(started);
  return Result::Ok();
}

void LimitEncoding(const ExportFormat& format, const Cycle& cycle, const FormatSettings& settings,
                   const std::string& path, uint64_t limit, Encoding& encoding) {
  const std::string passed = WhatPasses(format, cycle, settings, path) + " passed " +
                             SizeText(limit, limit, false) + ", the limit";
  if (encoding.made)
    encoding.step = [step = std::move(encoding.step), made = encoding.made, steps = encoding.steps,
                     frames = cycle.frames, limit, passed](int s) -> Result {
      if (Result stepped = step(s); !stepped) return stepped;
      if (made() <= limit) return Result::Ok();
      const int64_t frame = (int64_t{s} + 1) * frames / steps;
      return Result::Fail(passed + ", by frame " + std::to_string(frame));
    };
  encoding.finish = [finish = std::move(encoding.finish), limit,
                     passed](std::vector<ExportFile>& files) -> Result {
    const size_t before = files.size();
    if (Result finished = finish(files); !finished) return finished;
    uint64_t bytes = 0;
    for (size_t f = before; f < files.size(); ++f) bytes += ContentsSize(files[f]);
    if (bytes <= limit) return Result::Ok();
    files.erase(files.begin() + static_cast<std::ptrdiff_t>(before), files.end());
    return Result::Fail(passed + ": " + SizeText(bytes, limit, true) + " in all");
  };
}

Result EncodeFormat(const ExportFormat& format, const Cycle& cycle, char id,
                    const FormatSettings& settings, const std::string& path,
                    std::vector<ExportFile>& files) {
  Encoding encoding;
  if (Result started = StartFormat(format, cycle, id, settings, path, encoding); !started)
    return started;
  return RunEncoding(encoding, files);
}
