#pragma once
// The editor's settings file, settings.txt in the data folder: one "key=value" a line. What it
// keeps: the screen's language, the slots the editor closed on (it reopens them), and the
// folders palettes were opened from. A line this program does not know (a newer version's) is
// kept as it is when the file is written again.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "generator/program_limits.h"
#include "generator/result.h"
#include "store/data_folder.h"

struct Settings {
  std::optional<Language> language;
  std::optional<int> patternSlot;
  std::optional<int> paletteSlot;
  // Most recent first.
  std::vector<std::string> paletteFolders;
  // Lines of keys this program does not know, in their order.
  std::vector<std::string> otherLines;

  bool operator==(const Settings&) const = default;
};

// How many palette folders are remembered; an older one gives way.
constexpr std::size_t kMaxRememberedFolders = 8;

// What a settings file's text says; a line that cannot be read (a slot past 0..99, a
// language of neither) is no setting, and kept among the other lines.
Settings ParseSettings(std::string_view text);
std::string SettingsText(const Settings& settings);

// The data folder's settings.txt; none (all unset) when there is no file or it cannot be read
// (see ReadFileBytes).
std::optional<Settings> ReadSettings(const DataFolder& folder);
// Written whole, crash-safe.
Result WriteSettings(const DataFolder& folder, const Settings& settings);

// Puts the folder first among the remembered ones, once.
void RememberFolder(Settings& settings, const std::string& folder);
void RememberFolder(std::vector<std::string>& folders, const std::string& folder);
