#include "store/unsaved_work.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "generator/slot_files.h"
#include "store/file_system.h"
#include "store/paths.h"
#include "store/read_file.h"
#include "store/safe_file.h"

namespace {

constexpr const char* kRecoveryMark = ".unsaved";
constexpr const char* kSlotSuffix = ".txt";
// More copies of one slot's edits than anyone keeps by hand; past it, something is wrong.
constexpr int kMaxRecoveryCopies = 999;

}  // namespace

// A recovery file never replaces another: the same edits kept already count as kept, other
// edits go to the next free name beside them.
Result KeepRecoveryFile(const DataFolder& folder, const std::string& slotFile,
                        const std::string& text, std::vector<std::string>& written) {
  if (Result made = EnsureDirectory(folder.Path(DataFolder::kSlots)); !made) return made;
  std::string held;
  for (int copy = 1; copy <= kMaxRecoveryCopies; ++copy) {
    const std::string name = RecoveryFileName(slotFile, copy);
    const std::string path = folder.Path(name);
    // A recovery file holds a slot's text: one too large for that holds other things.
    if (ReadFileBytes(path, kMaxSmallFileBytes, held)) {
      if (held != text) continue;
      written.push_back(name);
      return Result::Ok();
    }
    const Result saved = WriteNewFile(path, text.data(), text.size());
    if (saved) {
      written.push_back(name);
      return saved;
    }
    if (saved.error != EEXIST) return saved;  // taken meanwhile: the next name
  }
  return Result::Fail(RecoveryFileName(slotFile, kMaxRecoveryCopies) +
                      ": too many recovery files; move some away");
}

namespace {

bool IsRecoveryFile(const char* name) {
  const char* mark = std::strstr(name, kRecoveryMark);
  if (mark == nullptr || mark == name) return false;
  const char* rest = mark + std::strlen(kRecoveryMark);
  if (*rest == '-') {
    const char* digits = ++rest;
    while (*rest >= '0' && *rest <= '9') ++rest;
    if (rest == digits) return false;
  }
  return std::strcmp(rest, kSlotSuffix) == 0;
}

}  // namespace

std::string RecoveryFileName(const std::string& slotFile, int copy) {
  const std::string plain = kSlotSuffix;
  const bool hasTxt = slotFile.size() >= plain.size() &&
                      slotFile.compare(slotFile.size() - plain.size(), plain.size(), plain) == 0;
  std::string name = hasTxt ? slotFile.substr(0, slotFile.size() - plain.size()) : slotFile;
  name += kRecoveryMark;
  if (copy > 1) name.append("-").append(std::to_string(copy));
  return name.append(plain);
}

bool FindUnsavedWork(const PatternGenerator& g, const SlotFile& file, std::string& slotFile,
                     std::string& text) {
  text.clear();
  const int n = file.kind == SlotKind::kPattern ? g.patternNumber : g.paletteNumber;
  slotFile = SlotFileName(file, n);
  const Document now = g.AsDocument();
  if (!file.differs(now, g.baseline.document)) return false;
  if (g.store != nullptr && SlotFileMatches(*g.store, file, n, now)) return false;
  text = file.text(now);
  return true;
}

std::string UnsavedText(const PatternGenerator& g, const SlotFile& file, std::string& slotFile) {
  std::string text;
  static_cast<void>(FindUnsavedWork(g, file, slotFile, text));
  return text;
}

Result KeepUnsavedWork(const PatternGenerator& g, const DataFolder& folder,
                       std::vector<std::string>& written) {
  Result result = Result::Ok();
  for (const SlotFile& file : kSlotFiles) {
    std::string slotFile;
    std::string text;
    if (!FindUnsavedWork(g, file, slotFile, text)) continue;
    // Each is tried when another failed: whatever can be kept is kept.
    Result kept = KeepRecoveryFile(folder, slotFile, text, written);
    if (result) result = std::move(kept);
  }
  return result;
}

std::vector<std::string> FindRecoveryFiles(const DataFolder& folder) {
  std::vector<std::string> names, found;
  if (!os::ListFolder(folder.Path(DataFolder::kSlots), names)) return found;
  for (const std::string& name : names)
    if (IsRecoveryFile(name.c_str())) found.push_back(JoinPath(DataFolder::kSlots, name));
  std::sort(found.begin(), found.end());
  return found;
}

namespace {

// The copies of one slot file's recovery files that are there, the oldest first.
std::vector<std::string> CopiesOf(const std::string& slotFile,
                                  const std::vector<std::string>& found) {
  std::vector<std::string> copies;
  for (int copy = 1; copy <= kMaxRecoveryCopies; ++copy) {
    const std::string name = RecoveryFileName(slotFile, copy);
    if (std::find(found.begin(), found.end(), name) != found.end()) copies.push_back(name);
  }
  return copies;
}

int SlotOnScreen(const PatternGenerator& g, const SlotFile& file) {
  return file.kind == SlotKind::kPattern ? g.patternNumber : g.paletteNumber;
}

}  // namespace

std::vector<std::string> RecoveryFilesOnScreen(const PatternGenerator& g,
                                               const DataFolder& folder) {
  const std::vector<std::string> found = FindRecoveryFiles(folder);
  std::vector<std::string> onScreen;
  for (const SlotFile& file : kSlotFiles)
    for (std::string& copy : CopiesOf(SlotFileName(file, SlotOnScreen(g, file)), found))
      onScreen.push_back(std::move(copy));
  return onScreen;
}

Result RestoreUnsavedWork(PatternGenerator& g, const DataFolder& folder,
                          std::vector<std::string>& taken) {
  const std::vector<std::string> found = FindRecoveryFiles(folder);
  Document document = g.AsDocument();
  bool pattern = false, palette = false;
  std::vector<std::string> read;
  for (const SlotFile& file : kSlotFiles) {
    const std::vector<std::string> copies =
        CopiesOf(SlotFileName(file, SlotOnScreen(g, file)), found);
    if (copies.empty()) continue;
    std::string bytes;
    if (Result opened = ReadFileBytes(folder.Path(copies.back()), kMaxSmallFileBytes, bytes);
        !opened)
      return opened;
    Document kept = document;
    file.reset(kept);
    if (Result parsed = file.parse(bytes, kept); !parsed)
      return Result::Fail(copies.back() + ": " + parsed.message);
    // Only this file's part of the slot: the others stay as they are.
    file.copy(kept, document);
    (file.kind == SlotKind::kPattern ? pattern : palette) = true;
    read.push_back(copies.back());
  }
  if (pattern) g.TakeSlot(SlotKind::kPattern, document);
  if (palette) g.TakeSlot(SlotKind::kPalette, document);
  for (const std::string& name : read) {
    os::Remove(folder.Path(name));
    taken.push_back(name);
  }
  return Result::Ok();
}

Result DiscardUnsavedWork(const PatternGenerator& g, const DataFolder& folder,
                          std::vector<std::string>& removed) {
  for (const std::string& name : RecoveryFilesOnScreen(g, folder)) {
    if (!os::Remove(folder.Path(name)) && errno != ENOENT)
      return Result::FileFailure(name, "cannot remove", errno);
    removed.push_back(name);
  }
  return Result::Ok();
}
