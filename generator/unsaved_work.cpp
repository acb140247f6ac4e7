#include "generator/unsaved_work.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "generator/file_system.h"
#include "generator/paths.h"
#include "generator/read_file.h"
#include "generator/safe_file.h"
#include "generator/save_files.h"

namespace {

constexpr const char* kRecoveryMark = ".unsaved";
constexpr const char* kSlotSuffix = ".txt";
// More copies of one slot's edits than anyone keeps by hand; past it, something is wrong.
constexpr int kMaxRecoveryCopies = 999;

}  // namespace

// A recovery file never replaces another: the same edits kept already count as kept, other
// edits go to the next free name beside them.
Result KeepRecoveryFile(const std::string& slotFile, const std::string& text,
                        std::vector<std::string>& written) {
  if (Result folder = EnsureDirectory(DataFolder::kSlots); !folder) return folder;
  std::string held;
  for (int copy = 1; copy <= kMaxRecoveryCopies; ++copy) {
    const std::string name = RecoveryFileName(slotFile, copy);
    // A recovery file holds a slot's text: one too large for that holds other things.
    if (ReadFileBytes(name, kMaxSmallFileBytes, held)) {
      if (held != text) continue;
      written.push_back(name);
      return Result::Ok();
    }
    const Result saved = WriteNewFile(name, text.data(), text.size());
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

bool FindUnsavedWork(const PatternGenerator& g, SlotKind kind, std::string& slotFile,
                     std::string& text) {
  text.clear();
  if (kind == SlotKind::kPattern) {
    slotFile = DataFolder::PatternFile(g.patternNumber);
    if (!g.PatternEdited() || PatternFileMatches(g, slotFile)) return false;
    text = PatternText(g);
    return true;
  }
  if (kind == SlotKind::kPalette) {
    slotFile = DataFolder::PaletteFile(g.paletteNumber);
    if (!g.PaletteEdited() || PaletteFileMatches(g, slotFile)) return false;
    text = PaletteText(g);
    return true;
  }
  if (kind == SlotKind::kLook) {
    slotFile = DataFolder::LookFile(g.paletteNumber);
    PaletteLook held;
    if (!g.LookEdited() || (ReadLookFile(slotFile, held) && held == g.look)) return false;
    text = PaletteLookText(g.look);
    return true;
  }
  slotFile = DataFolder::CyclesFile(g.paletteNumber);
  CycleRanges held;
  if (!g.CyclesEdited() || (ReadCyclesFile(slotFile, held) && held == g.cycles)) return false;
  // No ranges at all is an empty text, which reads back as no ranges.
  text = CycleRangesText(g.cycles);
  return true;
}

std::string UnsavedText(const PatternGenerator& g, SlotKind kind, std::string& slotFile) {
  std::string text;
  static_cast<void>(FindUnsavedWork(g, kind, slotFile, text));
  return text;
}

Result KeepUnsavedWork(const PatternGenerator& g, std::vector<std::string>& written) {
  Result result = Result::Ok();
  for (const SlotKind kind :
       {SlotKind::kPattern, SlotKind::kPalette, SlotKind::kCycles, SlotKind::kLook}) {
    std::string slotFile;
    std::string text;
    if (!FindUnsavedWork(g, kind, slotFile, text)) continue;
    // Each is tried when another failed: whatever can be kept is kept.
    Result kept = KeepRecoveryFile(slotFile, text, written);
    if (result) result = std::move(kept);
  }
  return result;
}

std::vector<std::string> FindRecoveryFiles() {
  std::vector<std::string> names, found;
  if (!os::ListFolder(DataFolder::kSlots, names)) return found;
  for (const std::string& name : names)
    if (IsRecoveryFile(name.c_str())) found.push_back(JoinPath(DataFolder::kSlots, name));
  std::sort(found.begin(), found.end());
  return found;
}
