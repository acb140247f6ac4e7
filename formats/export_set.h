#pragma once
// The export formats as files: which files each format makes for a cycle, under which names,
// and writing a set of them together. The export tool's options and the editor's E key both
// come through here, so the same settings give the same bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "generator/cycle.h"

// One file of an export: where it goes (a path, relative to the working directory or
// absolute) and its contents.
struct ExportFile {
  std::string path;
  std::vector<uint8_t> bytes;
};

struct ExportSettings {
  int scale = 1;          // 1, 2, 3, 4 or 8: PNG frames, sheet, GIF, APNG and WebP
  int sheetColumns = 16;  // 1, 2, 4, 8 or 16
};

// "dir" + "/" + name, or just name when dir is empty.
std::string InFolder(const std::string& dir, const std::string& name);

// Each adds its files to `files`; on failure nothing is added and the message says why.
Result AddPngFrames(const Cycle& cycle, char id, int scale, const std::string& dir,
                    std::vector<ExportFile>& files);
Result AddSpriteSheet(const Cycle& cycle, int columns, int scale, const std::string& path,
                      std::vector<ExportFile>& files);
// index.png, palette.png, cycle.glsl and cycle.gdshader in dir.
Result AddShaderPair(const Cycle& cycle, const std::string& dir, std::vector<ExportFile>& files);
Result AddIlbm(const Cycle& cycle, const std::string& path, std::vector<ExportFile>& files);
// The JSON's "filename" is the file's own name.
Result AddCycleJson(const Cycle& cycle, const std::string& path, std::vector<ExportFile>& files);
// The format follows the extension (.gpl, .pal, .hex or .act); the palette is named after the
// file.
Result AddPaletteFile(const Cycle& cycle, const std::string& path, std::vector<ExportFile>& files);
Result AddGif(const Cycle& cycle, int scale, const std::string& path,
              std::vector<ExportFile>& files);
Result AddApng(const Cycle& cycle, int scale, const std::string& path,
               std::vector<ExportFile>& files);
Result AddWebp(const Cycle& cycle, int scale, const std::string& path,
               std::vector<ExportFile>& files);

// Every format into dir, named after the id letter: <id>A.png .. <id>P.png, <id>-sheet.png,
// <id>-shader/ (the shader pair), <id>.iff, <id>.json, <id>.gpl, <id>.pal, <id>.hex, <id>.act,
// <id>.gif, <id>-anim.png (APNG) and <id>.webp.
Result AddAllFormats(const Cycle& cycle, char id, const ExportSettings& settings,
                     const std::string& dir, std::vector<ExportFile>& files);

// Creates the folders (one level each, in order: a --png, --shader or --all folder, and the
// shader folder inside --all's; a single file's missing folder is a mistake to report, not to
// make), then writes the files as one crash-safe batch: each file is whole, old
// or new, and a failed write replaces none of them.
Result WriteExportFiles(const std::vector<std::string>& folders,
                        const std::vector<ExportFile>& files);

// The folder of the shader pair inside an --all folder.
std::string AllShaderFolder(const std::string& dir, char id);

// The generator's current cycle (its map and palette as they are) in the orientation of its
// frame template, read from templatePath and checked as the BMP export checks it.
Result CycleOf(const PatternGenerator& g, int delayCentiseconds, Cycle& cycle);
