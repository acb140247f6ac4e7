#include "formats/format_table.h"

#include <array>

#include "formats/cycle_apng.h"
#include "formats/cycle_gif.h"
#include "formats/cycle_ilbm.h"
#include "formats/cycle_json.h"
#include "formats/cycle_webp.h"
#include "formats/palette_file.h"
#include "formats/png_frames.h"
#include "formats/png_sheet.h"
#include "formats/shader_pair.h"
#include "generator/frame_export.h"

namespace {

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Stem(const std::string& path) {
  const std::string base = BaseName(path);
  const std::size_t dot = base.rfind('.');
  return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

// A format that makes one file: its bytes go to path, its failure names path.
template <typename Encode>
Result AddOne(const std::string& path, std::vector<ExportFile>& files, Encode encode) {
  ExportFile file{path, {}};
  if (Result encoded = encode(file.bytes); !encoded)
    return Result::Fail(path + ": " + encoded.message);
  files.push_back(std::move(file));
  return Result::Ok();
}

// The --all path "<id><suffix>" inside dir.
template <const char* kSuffix>
void NamedAfterId(const std::string& dir, char id, std::vector<std::string>& paths) {
  paths.push_back(InFolder(dir, id + std::string(kSuffix)));
}

constexpr char kSheet[] = "-sheet.png";
constexpr char kShader[] = "-shader";
constexpr char kIlbm[] = ".iff";
constexpr char kJson[] = ".json";
constexpr char kGif[] = ".gif";
constexpr char kApng[] = "-anim.png";
constexpr char kWebp[] = ".webp";

Result AddFrames(const Cycle& cycle, char id, const FormatSettings&, const std::string& dir,
                 std::vector<ExportFile>& files) {
  AddBmpFrames(cycle, id, dir, files);
  return Result::Ok();
}

Result AddPngFrames(const Cycle& cycle, char id, const FormatSettings& settings,
                    const std::string& dir, std::vector<ExportFile>& files) {
  std::array<std::vector<uint8_t>, kFrameCount> frames;
  if (Result encoded = EncodePngFrames(cycle, settings.scale, frames); !encoded)
    return Result::Fail(InFolder(dir, "") + ": " + encoded.message);
  for (int a = 0; a < kFrameCount; ++a) {
    const char name[] = {id, static_cast<char>('A' + a), '.', 'p', 'n', 'g', '\0'};
    files.push_back(ExportFile{InFolder(dir, name), std::move(frames[a])});
  }
  return Result::Ok();
}

Result AddSheet(const Cycle& cycle, char, const FormatSettings& settings, const std::string& path,
                std::vector<ExportFile>& files) {
  return AddOne(path, files, [&](std::vector<uint8_t>& bytes) {
    return EncodeSpriteSheet(cycle, settings.sheetColumns, settings.scale, bytes);
  });
}

Result AddShaderPair(const Cycle& cycle, char, const FormatSettings&, const std::string& dir,
                     std::vector<ExportFile>& files) {
  std::vector<ExportFile> pair;
  Result result = AddOne(InFolder(dir, "index.png"), pair,
                         [&](std::vector<uint8_t>& bytes) { return EncodeIndexPng(cycle, bytes); });
  if (result)
    result = AddOne(InFolder(dir, "palette.png"), pair,
                    [&](std::vector<uint8_t>& bytes) { return EncodePalettePng(cycle, bytes); });
  if (!result) return result;
  for (const ShaderKind kind : {ShaderKind::kGlsl, ShaderKind::kGodot}) {
    const std::string text = ShaderText(kind, cycle);
    pair.push_back(ExportFile{InFolder(dir, ShaderFileName(kind)), {text.begin(), text.end()}});
  }
  for (ExportFile& file : pair) files.push_back(std::move(file));
  return Result::Ok();
}

Result AddIlbm(const Cycle& cycle, char, const FormatSettings&, const std::string& path,
               std::vector<ExportFile>& files) {
  return AddOne(path, files, [&](std::vector<uint8_t>& bytes) { return EncodeIlbm(cycle, bytes); });
}

// The JSON's "filename" is the file's own name.
Result AddJson(const Cycle& cycle, char, const FormatSettings&, const std::string& path,
               std::vector<ExportFile>& files) {
  return AddOne(path, files, [&](std::vector<uint8_t>& bytes) {
    return EncodeCycleJson(cycle, BaseName(path), bytes);
  });
}

// The format follows the extension; the palette is named after the file.
Result AddPaletteFile(const Cycle& cycle, char, const FormatSettings&, const std::string& path,
                      std::vector<ExportFile>& files) {
  return AddOne(path, files, [&](std::vector<uint8_t>& bytes) {
    return EncodePaletteFile(cycle, path, Stem(path), bytes);
  });
}

void PaletteFilePaths(const std::string& dir, char id, std::vector<std::string>& paths) {
  for (const char* extension : kPaletteExtensions)
    paths.push_back(InFolder(dir, id + std::string(extension)));
}

Result AddGif(const Cycle& cycle, char, const FormatSettings& settings, const std::string& path,
              std::vector<ExportFile>& files) {
  return AddOne(path, files, [&](std::vector<uint8_t>& bytes) {
    return EncodeCycleGif(cycle, settings.scale, bytes);
  });
}

Result AddApng(const Cycle& cycle, char, const FormatSettings& settings, const std::string& path,
               std::vector<ExportFile>& files) {
  return AddOne(path, files, [&](std::vector<uint8_t>& bytes) {
    return EncodeApng(cycle, settings.scale, bytes);
  });
}

Result AddWebp(const Cycle& cycle, char, const FormatSettings& settings, const std::string& path,
               std::vector<ExportFile>& files) {
  return AddOne(path, files, [&](std::vector<uint8_t>& bytes) {
    return EncodeWebp(cycle, settings.scale, bytes);
  });
}

// In the order --all writes them (and the usage text lists them); the BMP frames first.
constexpr ExportFormat kFormats[] = {
    {.option = "",
     .argument = "DIR",
     .summary = "the sixteen 4-bit BMP frames DIR/<id>A.bmp .. <id>P.bmp",
     .allNames = "",
     .allPaths = nullptr,
     .makesFolder = true,
     .takesScale = false,
     .takesDelay = false,
     .takesColumns = false,
     .checkPath = nullptr,
     .add = AddFrames},
    {.option = "--png",
     .argument = "DIR",
     .summary = "sixteen 4-bit PNG frames DIR/<id>A.png .. <id>P.png",
     .allNames = "`<id>A.png` … `<id>P.png`",
     .allPaths = [](const std::string& dir, char,
                    std::vector<std::string>& paths) { paths.push_back(dir); },
     .makesFolder = true,
     .takesScale = true,
     .takesDelay = false,
     .takesColumns = false,
     .checkPath = nullptr,
     .add = AddPngFrames},
    {.option = "--sheet",
     .argument = "FILE",
     .summary = "one PNG sprite sheet of the sixteen frames",
     .allNames = "`<id>-sheet.png`",
     .allPaths = NamedAfterId<kSheet>,
     .makesFolder = false,
     .takesScale = true,
     .takesDelay = false,
     .takesColumns = true,
     .checkPath = nullptr,
     .add = AddSheet},
    {.option = "--shader",
     .argument = "DIR",
     .summary = "index.png, palette.png, cycle.glsl and cycle.gdshader in DIR",
     .allNames = "`<id>-shader/`",
     .allPaths = NamedAfterId<kShader>,
     .makesFolder = true,
     .takesScale = false,
     .takesDelay = true,
     .takesColumns = false,
     .checkPath = nullptr,
     .add = AddShaderPair},
    {.option = "--ilbm",
     .argument = "FILE",
     .summary = "IFF ILBM with a colour-cycling range (DPaint, GrafX2)",
     .allNames = "`<id>.iff`",
     .allPaths = NamedAfterId<kIlbm>,
     .makesFolder = false,
     .takesScale = false,
     .takesDelay = true,
     .takesColumns = false,
     .checkPath = nullptr,
     .add = AddIlbm},
    {.option = "--json",
     .argument = "FILE",
     .summary = "colour-cycling JSON for web players",
     .allNames = "`<id>.json`",
     .allPaths = NamedAfterId<kJson>,
     .makesFolder = false,
     .takesScale = false,
     .takesDelay = true,
     .takesColumns = false,
     .checkPath = nullptr,
     .add = AddJson},
    {.option = "--palette-file",
     .argument = "FILE",
     .summary = "the 16 colours as .gpl, .pal (JASC), .hex or .act, by extension",
     .allNames = "`<id>.gpl`, `.pal`, `.hex`, `.act`",
     .allPaths = PaletteFilePaths,
     .makesFolder = false,
     .takesScale = false,
     .takesDelay = false,
     .takesColumns = false,
     .checkPath = CheckPaletteFileName,
     .add = AddPaletteFile},
    {.option = "--gif",
     .argument = "FILE",
     .summary = "one looping animated GIF",
     .allNames = "`<id>.gif`",
     .allPaths = NamedAfterId<kGif>,
     .makesFolder = false,
     .takesScale = true,
     .takesDelay = true,
     .takesColumns = false,
     .checkPath = nullptr,
     .add = AddGif},
    {.option = "--apng",
     .argument = "FILE",
     .summary = "one looping animated PNG",
     .allNames = "`<id>-anim.png`",
     .allPaths = NamedAfterId<kApng>,
     .makesFolder = false,
     .takesScale = true,
     .takesDelay = true,
     .takesColumns = false,
     .checkPath = nullptr,
     .add = AddApng},
    {.option = "--webp",
     .argument = "FILE",
     .summary = "one looping animated WebP (lossless)",
     .allNames = "`<id>.webp`",
     .allPaths = NamedAfterId<kWebp>,
     .makesFolder = false,
     .takesScale = true,
     .takesDelay = true,
     .takesColumns = false,
     .checkPath = nullptr,
     .add = AddWebp},
};

}  // namespace

std::span<const ExportFormat> ExportFormats() {
  return kFormats;
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

std::string InFolder(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}
