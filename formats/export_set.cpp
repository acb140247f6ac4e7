#include "formats/export_set.h"

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
#include "generator/safe_file.h"

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

// A writer that makes one file: its bytes go to path, its failure names path.
template <typename Encode>
Result AddOne(const std::string& path, std::vector<ExportFile>& files, Encode encode) {
  ExportFile file{path, {}};
  if (Result encoded = encode(file.bytes); !encoded)
    return Result::Fail(path + ": " + encoded.message);
  files.push_back(std::move(file));
  return Result::Ok();
}

}  // namespace

std::string InFolder(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

Result AddPngFrames(const Cycle& cycle, char id, int scale, const std::string& dir,
                    std::vector<ExportFile>& files) {
  std::array<std::vector<uint8_t>, kFrameCount> frames;
  if (Result encoded = EncodePngFrames(cycle, scale, frames); !encoded)
    return Result::Fail(InFolder(dir, "") + ": " + encoded.message);
  for (int a = 0; a < kFrameCount; ++a) {
    const char name[] = {id, static_cast<char>('A' + a), '.', 'p', 'n', 'g', '\0'};
    files.push_back(ExportFile{InFolder(dir, name), std::move(frames[a])});
  }
  return Result::Ok();
}

Result AddSpriteSheet(const Cycle& cycle, int columns, int scale, const std::string& path,
                      std::vector<ExportFile>& files) {
  return AddOne(path, files, [&](std::vector<uint8_t>& bytes) {
    return EncodeSpriteSheet(cycle, columns, scale, bytes);
  });
}

Result AddShaderPair(const Cycle& cycle, const std::string& dir, std::vector<ExportFile>& files) {
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

Result AddIlbm(const Cycle& cycle, const std::string& path, std::vector<ExportFile>& files) {
  return AddOne(path, files, [&](std::vector<uint8_t>& bytes) { return EncodeIlbm(cycle, bytes); });
}

Result AddCycleJson(const Cycle& cycle, const std::string& path, std::vector<ExportFile>& files) {
  return AddOne(path, files, [&](std::vector<uint8_t>& bytes) {
    return EncodeCycleJson(cycle, BaseName(path), bytes);
  });
}

Result AddPaletteFile(const Cycle& cycle, const std::string& path, std::vector<ExportFile>& files) {
  return AddOne(path, files, [&](std::vector<uint8_t>& bytes) {
    return EncodePaletteFile(cycle, path, Stem(path), bytes);
  });
}

Result AddGif(const Cycle& cycle, int scale, const std::string& path,
              std::vector<ExportFile>& files) {
  return AddOne(path, files,
                [&](std::vector<uint8_t>& bytes) { return EncodeCycleGif(cycle, scale, bytes); });
}

Result AddApng(const Cycle& cycle, int scale, const std::string& path,
               std::vector<ExportFile>& files) {
  return AddOne(path, files,
                [&](std::vector<uint8_t>& bytes) { return EncodeApng(cycle, scale, bytes); });
}

Result AddWebp(const Cycle& cycle, int scale, const std::string& path,
               std::vector<ExportFile>& files) {
  return AddOne(path, files,
                [&](std::vector<uint8_t>& bytes) { return EncodeWebp(cycle, scale, bytes); });
}

Result AddAllFormats(const Cycle& cycle, char id, const ExportSettings& settings,
                     const std::string& dir, std::vector<ExportFile>& files) {
  const std::string stem = InFolder(dir, std::string(1, id));
  std::vector<ExportFile> all;
  Result result = AddPngFrames(cycle, id, settings.scale, dir, all);
  if (result)
    result = AddSpriteSheet(cycle, settings.sheetColumns, settings.scale, stem + "-sheet.png", all);
  if (result) result = AddShaderPair(cycle, AllShaderFolder(dir, id), all);
  if (result) result = AddIlbm(cycle, stem + ".iff", all);
  if (result) result = AddCycleJson(cycle, stem + ".json", all);
  for (const char* extension : {".gpl", ".pal", ".hex", ".act"})
    if (result) result = AddPaletteFile(cycle, stem + extension, all);
  if (result) result = AddGif(cycle, settings.scale, stem + ".gif", all);
  if (result) result = AddApng(cycle, settings.scale, stem + "-anim.png", all);
  if (result) result = AddWebp(cycle, settings.scale, stem + ".webp", all);
  if (!result) return result;
  for (ExportFile& file : all) files.push_back(std::move(file));
  return Result::Ok();
}

std::string AllShaderFolder(const std::string& dir, char id) {
  return InFolder(dir, std::string(1, id) + "-shader");
}

Result WriteExportFiles(const std::vector<std::string>& folders,
                        const std::vector<ExportFile>& files) {
  for (const std::string& folder : folders)
    if (Result made = EnsureDirectory(folder); !made) return made;
  AtomicWriteBatch batch;
  for (const ExportFile& file : files)
    if (Result added = batch.Add(file.path, file.bytes.data(), file.bytes.size()); !added)
      return added;
  return batch.Commit();
}

Result CycleOf(const PatternGenerator& g, int delayCentiseconds, Cycle& cycle) {
  uint8_t header[kHeaderBytes];
  if (Result read = ReadFrameTemplate(header, g.templatePath); !read) return read;
  MakeCycle(g, TemplateIsBottomUp(header), delayCentiseconds, cycle);
  return Result::Ok();
}
