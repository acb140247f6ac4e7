#include "store/settings.h"

#include <algorithm>
#include <charconv>

#include "store/read_file.h"
#include "store/safe_file.h"

namespace {

constexpr std::string_view kLanguage = "language=";
constexpr std::string_view kPattern = "pattern=";
constexpr std::string_view kPalette = "palette=";
constexpr std::string_view kFolder = "palette-folder=";

std::optional<int> SlotNumber(std::string_view digits) {
  int n = -1;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (error != std::errc() || end != digits.data() + digits.size() || n < 0 || n >= kSlotCount)
    return std::nullopt;
  return n;
}

}  // namespace

Settings ParseSettings(std::string_view text) {
  Settings settings;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    // A language line has always been read by its beginning: "language=en" and more.
    if (line.starts_with("language=en")) {
      settings.language = Language::kEnglish;
    } else if (line.starts_with("language=ja")) {
      settings.language = Language::kJapanese;
    } else if (line.starts_with(kPattern) && SlotNumber(line.substr(kPattern.size()))) {
      settings.patternSlot = SlotNumber(line.substr(kPattern.size()));
    } else if (line.starts_with(kPalette) && SlotNumber(line.substr(kPalette.size()))) {
      settings.paletteSlot = SlotNumber(line.substr(kPalette.size()));
    } else if (line.starts_with(kFolder) && line.size() > kFolder.size() &&
               settings.paletteFolders.size() < kMaxRememberedFolders) {
      settings.paletteFolders.emplace_back(line.substr(kFolder.size()));
    } else {
      settings.otherLines.emplace_back(line);
    }
  }
  return settings;
}

std::string SettingsText(const Settings& settings) {
  std::string text;
  if (settings.language)
    text.append(kLanguage).append(*settings.language == Language::kEnglish ? "en\n" : "ja\n");
  if (settings.patternSlot)
    text.append(kPattern).append(std::to_string(*settings.patternSlot)).push_back('\n');
  if (settings.paletteSlot)
    text.append(kPalette).append(std::to_string(*settings.paletteSlot)).push_back('\n');
  for (const std::string& folder : settings.paletteFolders)
    text.append(kFolder).append(folder).push_back('\n');
  for (const std::string& line : settings.otherLines) text.append(line).push_back('\n');
  return text;
}

std::optional<Settings> ReadSettings(const DataFolder& folder) {
  std::string text;
  if (!ReadFileBytes(folder.Path(DataFolder::kSettings), kMaxSmallFileBytes, text))
    return std::nullopt;
  return ParseSettings(text);
}

Result WriteSettings(const DataFolder& folder, const Settings& settings) {
  const std::string text = SettingsText(settings);
  return WriteFileAtomically(folder.Path(DataFolder::kSettings), text.data(), text.size());
}

void RememberFolder(Settings& settings, const std::string& folder) {
  RememberFolder(settings.paletteFolders, folder);
}

void RememberFolder(std::vector<std::string>& folders, const std::string& folder) {
  folders.erase(std::remove(folders.begin(), folders.end(), folder), folders.end());
  folders.insert(folders.begin(), folder);
  if (folders.size() > kMaxRememberedFolders) folders.resize(kMaxRememberedFolders);
}
