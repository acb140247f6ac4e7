// The slot files' table, and loading and saving a slot through it. The slot files scan any
// bytes safely, like the C library's "%d" and "," conversions: a number that is missing,
// malformed or does not fit in 32 bits stops the scan and leaves its field (and the rest of
// that line's fields) as they were.

#include "generator/slot_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>

#include "generator/pattern_fields.h"

namespace {

// A slot file's bytes read the way a text-mode stream of the original platform reads them: a
// CR directly before an LF vanishes, so files with CR LF line ends load like LF files.
class TextReader {
 public:
  explicit TextReader(std::string_view bytes) : bytes_(bytes) {}

  int Get() {
    const int c = Next();
    if (c == '\n') ++line_;
    return c;
  }

  void Unget(int c) {
    if (c == '\n') --line_;
    if (c != EOF) pushed_ = c;
  }

  // The line the next character is on, from 1.
  int line() const { return line_; }

  // One "%d": skips white space, reads an optional sign and decimal digits.
  bool ScanInt(int32_t& out) {
    int c = Get();
    while (c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r') c = Get();
    bool negative = false;
    if (c == '+' || c == '-') {
      negative = (c == '-');
      c = Get();
    }
    if (c < '0' || c > '9') {
      Unget(c);
      return false;
    }
    int64_t magnitude = 0;
    bool fits = true;
    const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                   : std::numeric_limits<int32_t>::max();
    while (c >= '0' && c <= '9') {
      if (fits) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) fits = false;
      }
      c = Get();
    }
    Unget(c);
    if (!fits) return false;
    out = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
  }

  bool Expect(char literal) {
    const int c = Get();
    if (c == literal) return true;
    Unget(c);
    return false;
  }

  // Scans "%d,%d,...,%d" into fields in order; stops at the first failure and returns the
  // index of the field it could not read, or count when all were read.
  int ScanList(int32_t* const* fields, int count) {
    for (int i = 0; i < count; ++i) {
      if (i > 0 && !Expect(',')) return i;
      if (!ScanInt(*fields[i])) return i;
    }
    return count;
  }

 private:
  // A byte as the C library's getc gives it (0..255), or EOF past the end.
  int Next() {
    if (pushed_ != kNone) {
      const int c = pushed_;
      pushed_ = kNone;
      return c;
    }
    if (at_ == bytes_.size()) return EOF;
    const int c = static_cast<unsigned char>(bytes_[at_++]);
    if (c == '\r' && at_ < bytes_.size() && bytes_[at_] == '\n') {
      ++at_;
      return '\n';
    }
    return c;
  }

  static constexpr int kNone = -2;
  std::string_view bytes_;
  std::size_t at_ = 0;
  int pushed_ = kNone;
  int line_ = 1;
};

// The fields a pattern file holds, scanned in file order; a field whose number is missing
// or malformed keeps the value it had.
void ScanPattern(TextReader& reader, PatternFields& pattern) {
  for (auto& p : pattern.points) {
    int32_t* fields[kPointFieldCount];
    for (int f = 0; f < kPointFieldCount; ++f) fields[f] = &(p.*kPointFieldTable[f].member);
    reader.ScanList(fields, kPointFieldCount);
  }
  int32_t* shape[kShapeFieldCount];
  for (int f = 0; f < kShapeFieldCount; ++f) shape[f] = &(pattern.*kShapeFieldTable[f].value);
  reader.ScanList(shape, kShapeFieldCount);
}

// Unvalidated, as the file format has always been read: past the end each digit is
// EOF - '0' = -49, any other character its code minus '0'.
void ScanPalette(TextReader& reader, PaletteKeys& keys) {
  for (int channel = 0; channel < kChannels; ++channel)
    for (int entry = 0; entry < kPaletteEntries; ++entry) keys[entry][channel] = reader.Get() - '0';
}

Result ParsePattern(std::string_view bytes, Document& document) {
  TextReader reader(bytes);
  ScanPattern(reader, document.pattern.fields);
  return Result::Ok();
}

Result ParsePalette(std::string_view bytes, Document& document) {
  TextReader reader(bytes);
  ScanPalette(reader, document.palette.keys);
  return Result::Ok();
}

Result CheckPattern(std::string_view bytes) {
  TextReader reader(bytes);
  int32_t values[kPointFieldCount];
  int32_t* fields[kPointFieldCount];
  for (int f = 0; f < kPointFieldCount; ++f) fields[f] = &values[f];
  for (int line = 0; line <= kPointCount; ++line) {
    const bool shape = line == kPointCount;
    const int count = shape ? kShapeFieldCount : kPointFieldCount;
    const int read = reader.ScanList(fields, count);
    if (read < count)
      return Result::Fail("line " + std::to_string(reader.line()) + ": cannot read " +
                          (shape ? std::string("the shape field ") + kShapeFieldTable[read].name
                                 : "field " + std::string(kPointFieldTable[read].name) +
                                       " of point " + std::to_string(line)) +
                          " (a whole number)");
  }
  return Result::Ok();
}

Result CheckPalette(std::string_view bytes) {
  TextReader reader(bytes);
  static const char* const kChannelNames[] = {"red", "green", "blue"};
  for (int i = 0; i < kChannels * kPaletteEntries; ++i) {
    const int c = reader.Get();
    if (c < '0' || c > '9')
      return Result::Fail("character " + std::to_string(i + 1) + " (the " +
                          kChannelNames[i / kPaletteEntries] + " key of entry " +
                          std::to_string(i % kPaletteEntries) + ") is " +
                          (c == EOF ? std::string("missing") : "not a digit 0..9"));
  }
  return Result::Ok();
}

Result ParseCycles(std::string_view bytes, Document& document) {
  return ParseCycleRanges(std::string(bytes), document.palette.cycles);
}

Result ParseLook(std::string_view bytes, Document& document) {
  return ParsePaletteLook(std::string(bytes), document.palette.look);
}

Result ParseLabel(std::string_view bytes, Document& document) {
  return ParsePatternLabel(bytes, document.pattern.label);
}

// A part of the document a slot file holds, (document.*slot).*member: how a missing file
// leaves it, how it is copied and compared.
template <auto slot, auto member>
void ResetPart(Document& d) {
  (d.*slot).*member = {};
}
template <auto slot, auto member>
void CopyPart(const Document& from, Document& to) {
  (to.*slot).*member = (from.*slot).*member;
}
template <auto slot, auto member>
bool PartIsDefault(const Document& d) {
  return ((d.*slot).*member).IsDefault();
}
template <auto slot, auto member>
bool PartDiffers(const Document& a, const Document& b) {
  return !((a.*slot).*member == (b.*slot).*member);
}

// The key digits, an array: filled, copied and compared whole.
void ResetKeys(Document& d) {
  std::fill_n(&d.palette.keys[0][0], kPaletteEntries * kChannels, 0);
}
void CopyKeys(const Document& from, Document& to) {
  std::copy_n(&from.palette.keys[0][0], kPaletteEntries * kChannels, &to.palette.keys[0][0]);
}
bool KeysDiffer(const Document& a, const Document& b) {
  return std::memcmp(a.palette.keys, b.palette.keys, sizeof a.palette.keys) != 0;
}

constexpr auto kPattern = &Document::pattern;
constexpr auto kFields = &PatternSlot::fields;
constexpr auto kLabel = &PatternSlot::label;
constexpr auto kPalette = &Document::palette;
constexpr auto kCycles = &PaletteSlot::cycles;
constexpr auto kLook = &PaletteSlot::look;

}  // namespace

// kind, suffix, text, parse, check, reset, copy, isDefault, differs, style
const SlotFile kSlotFiles[5] = {
    {SlotKind::kPattern, "", [](const Document& d) { return PatternText(d.pattern.fields); },
     ParsePattern, CheckPattern, ResetPart<kPattern, kFields>, CopyPart<kPattern, kFields>, nullptr,
     PartDiffers<kPattern, kFields>, SlotProblemStyle::kSlot},
    {SlotKind::kPalette, "", [](const Document& d) { return PaletteText(d.palette.keys); },
     ParsePalette, CheckPalette, ResetKeys, CopyKeys, nullptr, KeysDiffer, SlotProblemStyle::kSlot},
    {SlotKind::kPalette, ".cycles",
     [](const Document& d) { return CycleRangesText(d.palette.cycles); }, ParseCycles, nullptr,
     ResetPart<kPalette, kCycles>, CopyPart<kPalette, kCycles>, PartIsDefault<kPalette, kCycles>,
     PartDiffers<kPalette, kCycles>, SlotProblemStyle::kCycles},
    {SlotKind::kPalette, ".look", [](const Document& d) { return PaletteLookText(d.palette.look); },
     ParseLook, nullptr, ResetPart<kPalette, kLook>, CopyPart<kPalette, kLook>,
     PartIsDefault<kPalette, kLook>, PartDiffers<kPalette, kLook>, SlotProblemStyle::kLook},
    {SlotKind::kPattern, ".name",
     [](const Document& d) { return PatternLabelText(d.pattern.label); }, ParseLabel, nullptr,
     ResetPart<kPattern, kLabel>, CopyPart<kPattern, kLabel>, PartIsDefault<kPattern, kLabel>,
     PartDiffers<kPattern, kLabel>, SlotProblemStyle::kSlot},
};

std::string SlotFileName(const SlotFile& file, int n) {
  return std::string(kSlotsFolder) + (file.kind == SlotKind::kPattern ? "/pat" : "/pal") +
         std::to_string(n) + file.suffix + ".txt";
}

bool IsSlotFileName(const std::string& name, const SlotFile** file, int* n) {
  for (const SlotFile& row : kSlotFiles)
    for (int slot = 0; slot < kSlotCount; ++slot)
      if (name == SlotFileName(row, slot)) {
        if (file != nullptr) *file = &row;
        if (n != nullptr) *n = slot;
        return true;
      }
  return false;
}

SlotRead LoadSlot(const SlotStore* store, SlotKind kind, int n, Document& document,
                  Result (&problems)[kSlotFileCount]) {
  SlotRead slotFile = SlotRead::kMissing;
  for (const SlotFile& file : kSlotFiles) {
    if (file.kind != kind) continue;
    Result& problem = problems[SlotFileIndex(file)];
    problem = Result::Ok();
    std::string bytes;
    const SlotRead read =
        store != nullptr ? store->Read(file, n, bytes, problem) : SlotRead::kMissing;
    if (file.isDefault == nullptr) slotFile = read;
    if (read != SlotRead::kRead) {
      file.reset(document);
      continue;
    }
    Document parsed = document;
    if (Result ok = file.parse(bytes, parsed); !ok) {
      problem = Result::Fail(store->Where(file, n) + ": " + ok.message);
      file.reset(document);
      continue;
    }
    document = std::move(parsed);
  }
  return slotFile;
}

namespace {

// The files of slot n of the kind that a save writes (see SaveSlot).
void PlanSave(const SlotStore& store, SlotKind kind, int n, const Document& document,
              const SlotBaseline& baseline, std::vector<SlotText>& files) {
  for (const SlotFile& file : kSlotFiles) {
    if (file.kind != kind) continue;
    const bool edited = file.differs(document, baseline.document);
    if (!baseline.ProblemOf(file) && !edited) continue;
    if (file.isDefault != nullptr && file.isDefault(document)) {
      std::string bytes;
      Result problem;
      if (store.Read(file, n, bytes, problem) != SlotRead::kRead) continue;
    }
    files.push_back({&file, n, file.text(document)});
  }
}

Result SaveKinds(const SlotStore& store, std::initializer_list<std::pair<SlotKind, int>> slots,
                 const Document& document, SlotBaseline& baseline) {
  std::vector<SlotText> files;
  for (const auto& [kind, n] : slots) PlanSave(store, kind, n, document, baseline, files);
  if (Result written = store.Write(files); !written) return written;
  for (const auto& [kind, n] : slots) CopySlot(kind, document, baseline.document);
  for (const SlotText& written : files)
    baseline.problems[SlotFileIndex(*written.file)] = Result::Ok();
  return Result::Ok();
}

}  // namespace

Result SaveSlot(const SlotStore& store, SlotKind kind, int n, const Document& document,
                SlotBaseline& baseline) {
  return SaveKinds(store, {{kind, n}}, document, baseline);
}

Result SaveSlots(const SlotStore& store, int patternSlot, int paletteSlot, const Document& document,
                 SlotBaseline& baseline) {
  return SaveKinds(store, {{SlotKind::kPattern, patternSlot}, {SlotKind::kPalette, paletteSlot}},
                   document, baseline);
}

Result ReadSlotWhole(const SlotStore& store, const SlotFile& file, int n, Document& document) {
  std::string bytes;
  Result problem;
  switch (store.Read(file, n, bytes, problem)) {
    case SlotRead::kMissing:
      file.reset(document);
      return Result::Ok();
    case SlotRead::kRefused:
      return problem;
    case SlotRead::kRead:
      break;
  }
  Result read = file.check != nullptr ? file.check(bytes) : Result::Ok();
  if (read) read = file.parse(bytes, document);
  if (!read) return Result::Fail(store.Where(file, n) + ": " + read.message);
  return Result::Ok();
}

bool SlotFileMatches(const SlotStore& store, const SlotFile& file, int n,
                     const Document& document) {
  std::string bytes;
  Result problem;
  Document held = document;
  file.reset(held);
  switch (store.Read(file, n, bytes, problem)) {
    case SlotRead::kRefused:
      return false;
    case SlotRead::kMissing:
      break;
    case SlotRead::kRead:
      if (!file.parse(bytes, held)) return false;
      break;
  }
  return !file.differs(held, document);
}

std::string PatternText(const PatternFields& pattern) {
  // A line a point, its fields separated by commas; the shape flags' line has no line end.
  std::string text;
  for (const auto& p : pattern.points) {
    for (const PointFieldRow& field : kPointFieldTable)
      text.append(&field == kPointFieldTable ? "" : ",").append(std::to_string(p.*field.member));
    text += '\n';
  }
  for (const ShapeFieldRow& field : kShapeFieldTable)
    text.append(&field == kShapeFieldTable ? "" : ",").append(std::to_string(pattern.*field.value));
  return text;
}

std::string PaletteText(const PaletteKeys& keys) {
  std::string text;
  for (int channel = 0; channel < kChannels; ++channel)
    for (int entry = 0; entry < kPaletteEntries; ++entry)
      // Only the low 8 bits of an out-of-range digit reach the file.
      text += static_cast<char>(static_cast<uint32_t>('0') +
                                static_cast<uint32_t>(keys[entry][channel]));
  return text;
}

void CopySlot(SlotKind kind, const Document& from, Document& to) {
  for (const SlotFile& file : kSlotFiles)
    if (file.kind == kind) file.copy(from, to);
}

// The generator's slot operations: the table, through its store, on its fields.

Document PatternGenerator::AsDocument() const {
  Document document;
  document.pattern.fields = Pattern();
  document.pattern.label = label;
  std::memcpy(document.palette.keys, keys, sizeof keys);
  document.palette.cycles = cycles;
  document.palette.look = look;
  document.sizeExpX = sizeExpX;
  document.sizeExpY = sizeExpY;
  document.mosaicLevel = mosaicLevel;
  document.idLetter = idLetter;
  return document;
}

void PatternGenerator::TakeSlot(SlotKind kind, const Document& document) {
  if (kind == SlotKind::kPattern) {
    SetPattern(document.pattern.fields);
    label = document.pattern.label;
    return;
  }
  std::memcpy(keys, document.palette.keys, sizeof keys);
  cycles = document.palette.cycles;
  look = document.palette.look;
}

namespace {

void LoadSlotOf(PatternGenerator& g, SlotKind kind, int n) {
  Document document = g.AsDocument();
  LoadSlot(g.store, kind, n, document, g.baseline.problems);
  g.TakeSlot(kind, document);
  CopySlot(kind, document, g.baseline.document);
}

Result SaveSlotOf(PatternGenerator& g, SlotKind kind, int n) {
  if (g.store == nullptr) return Result::Fail("no data folder to save the slot in");
  return SaveSlot(*g.store, kind, n, g.AsDocument(), g.baseline);
}

}  // namespace

void PatternGenerator::LoadPattern(int n) {
  LoadSlotOf(*this, SlotKind::kPattern, n);
}

Result PatternGenerator::SavePattern(int n) {
  return SaveSlotOf(*this, SlotKind::kPattern, n);
}

Result PatternGenerator::SaveCurrentSlots() {
  if (store == nullptr) return Result::Fail("no data folder to save the slots in");
  return SaveSlots(*store, patternNumber, paletteNumber, AsDocument(), baseline);
}

void PatternGenerator::LoadPalette(int n) {
  LoadSlotOf(*this, SlotKind::kPalette, n);
}

Result PatternGenerator::SavePalette(int n) {
  return SaveSlotOf(*this, SlotKind::kPalette, n);
}

void PatternGenerator::SetPattern(const PatternFields& pattern) {
  std::copy(std::begin(pattern.points), std::end(pattern.points), points);
  for (const ShapeFieldRow& field : kShapeFieldTable) this->*field.member = pattern.*field.value;
}

PatternFields PatternGenerator::Pattern() const {
  PatternFields fields;
  std::copy(std::begin(points), std::end(points), fields.points);
  for (const ShapeFieldRow& field : kShapeFieldTable) fields.*field.value = this->*field.member;
  return fields;
}

bool PatternGenerator::Edited(const SlotFile& file) const {
  return file.differs(AsDocument(), baseline.document);
}
