#pragma once
// The slot files: one table of every file a pattern or a palette slot keeps (the slot file
// and the files beside it), each row its name, its text, how its bytes are read, what a
// missing file means and when it is written. Loading, saving, the crash-safe set, the
// recovery files, the status line, the gallery and the page all walk the table, so a new
// file beside a slot is one row and its reader. The files are reached through a SlotStore (the
// data folder's, in store/): nothing here touches a file system.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "generator/document.h"
#include "generator/result.h"

// The folder of the slot files in the data folder, and how a slot file is named there.
constexpr const char* kSlotsFolder = "savedata";

enum class SlotKind : uint8_t { kPattern, kPalette };

// How the status line says that a file of the row could not be read: the slot files as the
// reason then the file, the files beside a palette slot by their own heading.
enum class SlotProblemStyle : uint8_t { kSlot, kCycles, kLook };

struct SlotFile {
  SlotKind kind;
  // After "pat<n>" or "pal<n>" and before ".txt": "" for the slot file, ".cycles" beside it.
  const char* suffix;
  // What a file of the row holds, from the document's part.
  std::string (*text)(const Document& document);
  // Reads a file's bytes into the document's part. The slot files scan as they always have
  // (a malformed number keeps its field, and never fails); the files beside them fail, saying
  // which line, and leave the part alone.
  Result (*parse)(std::string_view bytes, Document& document);
  // Whether every field of a slot file could be read, for a reader that has no earlier value
  // to keep (the export tool): the first line and field it could not. Null where parse
  // already refuses.
  Result (*check)(std::string_view bytes);
  // Sets the part as a missing file leaves it: zeros, the default cycle, the default look.
  void (*reset)(Document& document);
  // Copies the part from one document into another.
  void (*copy)(const Document& from, Document& to);
  // For a file beside a slot: whether its part is the default, which needs no file (one that
  // is there is kept current). Null for the slot file, which is always written.
  bool (*isDefault)(const Document& document);
  // Whether two documents' parts differ: an edit since the load, a file that does not match.
  bool (*differs)(const Document& a, const Document& b);
  SlotProblemStyle style;
};

// The pattern slot file, the palette slot file, its ranges, its look, the pattern's name.
extern const SlotFile kSlotFiles[5];
constexpr int kSlotFileCount = static_cast<int>(std::size(kSlotFiles));
inline const SlotFile& PatternSlotFile() {
  return kSlotFiles[0];
}
inline const SlotFile& PaletteSlotFile() {
  return kSlotFiles[1];
}
inline const SlotFile& CyclesSlotFile() {
  return kSlotFiles[2];
}
inline const SlotFile& LookSlotFile() {
  return kSlotFiles[3];
}
inline const SlotFile& LabelSlotFile() {
  return kSlotFiles[4];
}
inline int SlotFileIndex(const SlotFile& file) {
  return static_cast<int>(&file - kSlotFiles);
}

// "savedata/pat3.txt", "savedata/pal3.cycles.txt": the file's name in the data folder, as
// the status line shows it.
std::string SlotFileName(const SlotFile& file, int n);
// Whether name is a slot file's name of some slot 0..99 (and which row and slot).
bool IsSlotFileName(const std::string& name, const SlotFile** file = nullptr, int* n = nullptr);

// How a slot file's read went: read, missing (the part's default), or there but refused.
enum class SlotRead { kRead, kMissing, kRefused };

struct SlotText {
  const SlotFile* file;
  int n;  // the slot
  std::string text;
};

// Where the slot files are kept: three functions given by whoever keeps the files (the data
// folder, in store/; a test's or a fuzzer's memory), each called with the store it belongs to.
// The generator loads and saves through them and so never touches a file itself.
struct SlotStore {
  // The bytes of slot n's file of the row. A missing file is kMissing; one that is there but
  // cannot be read (a folder, a FIFO, too large for a slot file) is kRefused, with problem
  // naming it and why.
  SlotRead (*read)(const SlotStore& store, const SlotFile& file, int n, std::string& bytes,
                   Result& problem) = nullptr;
  // Writes the files, each with its text, as one crash-safe set.
  Result (*write)(const SlotStore& store, const std::vector<SlotText>& files) = nullptr;
  // The file's path as messages name it.
  std::string (*path)(const SlotStore& store, const SlotFile& file, int n) = nullptr;

  SlotRead Read(const SlotFile& file, int n, std::string& bytes, Result& problem) const {
    return read(*this, file, n, bytes, problem);
  }
  Result Write(const std::vector<SlotText>& files) const { return write(*this, files); }
  std::string Where(const SlotFile& file, int n) const { return path(*this, file, n); }
};

// The slot files as last loaded or saved (an edit is a difference from them), and what could
// not be read of each: ok, or the file and why (the part then loaded as a missing file's).
struct SlotBaseline {
  Document document;
  Result problems[kSlotFileCount];

  const Result& ProblemOf(const SlotFile& file) const { return problems[SlotFileIndex(file)]; }
};

// Loads the files of the kind of slot n into the document's parts (the others stay), noting
// in `problems` what could not be read; how the slot file itself was read. Without a store
// every file counts as missing.
SlotRead LoadSlot(const SlotStore* store, SlotKind kind, int n, Document& document,
                  Result (&problems)[kSlotFileCount]);

// Saves the document's parts of the kind as slot n's files in one crash-safe set: a file
// that could not be read at the load is written only when its part was edited since
// (`baseline`), so what it held (a line of a newer version) is never replaced unseen; a file
// beside the slot whose part is the default is written only when one is there. On success
// the baseline takes the saved parts, and the written files' problems are gone.
Result SaveSlot(const SlotStore& store, SlotKind kind, int n, const Document& document,
                SlotBaseline& baseline);
// The same for a pattern slot and a palette slot together, in one crash-safe set.
Result SaveSlots(const SlotStore& store, int patternSlot, int paletteSlot, const Document& document,
                 SlotBaseline& baseline);

// Reads the file of slot n whole into the document's part, for a reader that has no earlier
// values (the export tool): a file that is there but cannot be read, or holds a number or a
// line that cannot be read, fails, naming the file and the first line and field.
Result ReadSlotWhole(const SlotStore& store, const SlotFile& file, int n, Document& document);

// Whether loading the file would give the document's part. A missing file loads as the
// default; a malformed number counts as 0, so a file that states less than memory holds does
// not match, and neither does one that cannot be read.
bool SlotFileMatches(const SlotStore& store, const SlotFile& file, int n, const Document& document);

// Copies the parts of the kind: the pattern slot's, or the palette slot's.
void CopySlot(SlotKind kind, const Document& from, Document& to);

// The pattern file's text: four lines "x,y,scaleX,scaleY,weight" and the line
// "reverseX,reverseY,distortX,distortY" without a line end. The palette file's: the 48 key
// digits, channel-major, each the low 8 bits of '0' + d.
std::string PatternText(const PatternFields& pattern);
std::string PaletteText(const PaletteKeys& keys);
