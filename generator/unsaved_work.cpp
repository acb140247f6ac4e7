#include "generator/unsaved_work.h"

#include <dirent.h>

#include <algorithm>
#include <cstring>

#include "generator/safe_file.h"
#include "generator/save_files.h"

namespace {

constexpr const char* kRecoverySuffix = ".unsaved.txt";

Result Keep(const std::string& slotFile, const std::string& text,
            std::vector<std::string>& written) {
  const std::string name = RecoveryFileName(slotFile);
  if (Result folder = EnsureDirectory(DataFolder::kSlots); !folder) return folder;
  if (Result saved = WriteFileAtomically(name, text.data(), text.size()); !saved) return saved;
  written.push_back(name);
  return Result::Ok();
}

}  // namespace

std::string RecoveryFileName(const std::string& slotFile) {
  const std::string plain = ".txt";
  const bool hasTxt = slotFile.size() >= plain.size() &&
                      slotFile.compare(slotFile.size() - plain.size(), plain.size(), plain) == 0;
  return (hasTxt ? slotFile.substr(0, slotFile.size() - plain.size()) : slotFile) + kRecoverySuffix;
}

Result KeepUnsavedWork(const PatternGenerator& g, std::vector<std::string>& written) {
  Result result = Result::Ok();
  const std::string pattern = DataFolder::PatternFile(g.patternNumber);
  if (!PatternFileMatches(g, pattern)) result = Keep(pattern, PatternText(g), written);
  const std::string palette = DataFolder::PaletteFile(g.paletteNumber);
  if (!PaletteFileMatches(g, palette)) {
    // Still tried when the pattern failed: whatever can be kept is kept.
    Result kept = Keep(palette, PaletteText(g), written);
    if (result) result = std::move(kept);
  }
  return result;
}

std::vector<std::string> FindRecoveryFiles() {
  std::vector<std::string> found;
  DIR* dir = ::opendir(DataFolder::kSlots);
  if (dir == nullptr) return found;
  const std::size_t suffix = std::strlen(kRecoverySuffix);
  while (const dirent* entry = ::readdir(dir)) {
    const std::size_t length = std::strlen(entry->d_name);
    if (length > suffix && std::strcmp(entry->d_name + length - suffix, kRecoverySuffix) == 0)
      found.push_back(std::string(DataFolder::kSlots) + "/" + entry->d_name);
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end());
  return found;
}
