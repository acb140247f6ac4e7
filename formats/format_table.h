#pragma once
// Every export format, once: the export tool's options and usage text, its --all, the
// editor's E (and with it the page's E download) are all made from this table.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/encoding.h"
#include "generator/cycle.h"
#include "generator/result.h"
#include "store/safe_file.h"

// What the formats take beyond the cycle (which carries the delay).
struct FormatSettings {
  int scale = 1;          // 1, 2, 3, 4 or 8
  int sheetColumns = 16;  // 1, 2, 4, 8 or 16
  // The Tiled tileset's tiles, pixels square at the scale: 8, 16, 32, 64, 128 or 256, or 0
  // for one tile of the whole picture.
  int tileSize = 0;
  // Set by an export of several formats, never by the user: the path of the sprite sheet an
  // earlier format of the same export makes in the layout the Tiled folder's tileset
  // describes, which the Tiled folder copies rather than encode the same sheet again; empty
  // when there is none.
  std::string sheetMadeEarlier = {};
  // The name the files inside a folder format take (the Tiled map's): a slot's name made safe
  // for a file (ExportStem); empty for the id letter.
  std::string stem = {};
};

// How a format stands to the sprite sheet a Tiled folder's tileset shows (the frames at the
// default columns).
enum class TilesetSheet : uint8_t {
  kNone,
  kMakes,   // its file is that sheet when made at the default columns
  kCopies,  // copies that sheet from a format earlier in the same export rather than encode it
};

struct ExportFormat {
  // The tool's option ("--gif"); empty for the BMP frames, which every export writes into
  // result/.
  const char* option = "";
  const char* argument = "FILE";  // what the option names: "FILE" or "DIR"
  const char* summary = "";       // its line of the usage text
  // What --all writes inside its folder for the stem (the id letter or the slot's name): a
  // file (or, for a format that makes a folder, a folder) named the stem and this suffix
  // ("-sheet.png"); null for a format --all names otherwise or does not write.
  const char* allSuffix = nullptr;
  // For a format --all names otherwise: the names, as the README's table shows them, and the
  // paths it writes inside its folder dir for the stem.
  const char* allNames = "";
  void (*allPaths)(const std::string& dir, const std::string& stem,
                   std::vector<std::string>& paths) = nullptr;
  bool makesFolder = false;  // the path is a folder, made when missing (one level)
  // The settings the format uses.
  bool takesScale = false;
  bool takesDelay = false;
  bool takesColumns = false;
  // Checks an option's path before anything is encoded; null when any path serves.
  Result (*checkPath)(const std::string& path) = nullptr;
  // Starts encoding the format's files for one path: checks the settings and sets how many
  // steps the encoding takes (one, or one a frame for the long ones), whose finish adds the
  // files. The cycle must outlive the encoding. Failures name the path.
  Result (*start)(const Cycle& cycle, char id, const FormatSettings& settings,
                  const std::string& path, Encoding& encoding) = nullptr;
  // What the user should know of the format's file for this cycle (what it cannot hold, a
  // layout other than the one asked for); null, or empty, when nothing.
  std::string (*notes)(const Cycle& cycle, const FormatSettings& settings) = nullptr;
  // For a folder of one file a frame, named as the BMP frames are: their extension. An
  // export replaces the id's whole frame set there.
  const char* frameExtension = nullptr;
  TilesetSheet tilesetSheet = TilesetSheet::kNone;
};

std::span<const ExportFormat> ExportFormats();

// The paths --all writes inside dir for the stem and the format; none for a format --all
// does not write.
void AllPaths(const ExportFormat& format, const std::string& dir, const std::string& stem,
              std::vector<std::string>& paths);

// The names --all gives the format's files, as the README's table shows them ("`<id>.gif`").
std::string AllNames(const ExportFormat& format);

// The entry of a tool option ("--gif"), or null.
const ExportFormat* FindExportFormat(std::string_view option);

// The most an export of one format may write: past it an export is refused before its bulk
// is encoded, rather than fill the disk and take minutes.
constexpr uint64_t kMaxExportBytes = uint64_t{1} << 30;

// The format's start, refused when its files would pass limit: the message names the path,
// the format, the loop's frames, the scale and the size, exact or, where the start knows
// only a bound that passes the limit, judged from a few frames encoded now. The encoding then
// stops once its files pass limit after all (see LimitEncoding). Every export starts its
// formats here; tests pass a smaller limit.
Result StartFormat(const ExportFormat& format, const Cycle& cycle, char id,
                   const FormatSettings& settings, const std::string& path, Encoding& encoding,
                   uint64_t limit = kMaxExportBytes);

// Makes the format's started encoding fail, with what passed the limit, once the file it grows
// passes limit after a step, or its files do when it finishes; a failed finish adds nothing.
void LimitEncoding(const ExportFormat& format, const Cycle& cycle, const FormatSettings& settings,
                   const std::string& path, uint64_t limit, Encoding& encoding);

// Encodes the format's files for one path whole; on failure adds nothing.
Result EncodeFormat(const ExportFormat& format, const Cycle& cycle, char id,
                    const FormatSettings& settings, const std::string& path,
                    std::vector<ExportFile>& files);

// The BMP frames' entry.
const ExportFormat& BmpFrames();
