// Pattern and palette save files. Loading reads any bytes safely: it scans like the C
// library's "%d" and "," conversions, where a number that is missing, malformed or does not
// fit in 32 bits stops the scan and leaves its field (and the rest of that line's fields)
// as they were.

#include "generator/save_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>

#include "generator/pattern_generator.h"
#include "generator/read_file.h"
#include "generator/safe_file.h"

namespace {

// A slot file's bytes read the way a text-mode stream of the original platform reads them: a
// CR directly before an LF vanishes, so files with CR LF line ends load like LF files.
class TextReader {
 public:
  explicit TextReader(const std::string& bytes) : bytes_(bytes) {}

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
  const std::string& bytes_;
  std::size_t at_ = 0;
  int pushed_ = kNone;
  int line_ = 1;
};

// A slot file's bytes, read whole (slot files are small: a larger one is refused unread).
// Missing is not a problem: a missing slot is all zeros. Any other failure is in `problem`,
// naming the file and why.
SlotRead ReadSlotFile(const std::string& path, std::string& bytes, Result& problem) {
  problem = ReadFileBytes(path, kMaxSmallFileBytes, bytes);
  if (problem) return SlotRead::kRead;
  // A missing savedata/ (or a file in its place) holds no slot either.
  if (problem.error == ENOENT || problem.error == ENOTDIR) {
    problem = Result::Ok();
    return SlotRead::kMissing;
  }
  return SlotRead::kRefused;
}

// The fields a pattern file holds, scanned in file order; a field whose number is missing
// or malformed keeps the value it had.
void ScanPattern(TextReader& reader, PatternFields& pattern) {
  for (auto& p : pattern.points) {
    int32_t* fields[std::size(kControlPointFields)];
    for (size_t f = 0; f < std::size(kControlPointFields); ++f)
      fields[f] = &(p.*kControlPointFields[f].member);
    reader.ScanList(fields, static_cast<int>(std::size(fields)));
  }
  int32_t* shape[std::size(kShapeFields)];
  for (size_t f = 0; f < std::size(kShapeFields); ++f)
    shape[f] = &(pattern.*kShapeFields[f].member);
  reader.ScanList(shape, static_cast<int>(std::size(shape)));
}

// A slot file's bytes for a comparison with memory: false when it cannot be read (it holds
// nothing memory could match); present tells a file from a missing one.
bool ReadToCompare(const std::string& path, std::string& bytes, bool& present) {
  Result problem;
  const SlotRead read = ReadSlotFile(path, bytes, problem);
  present = read == SlotRead::kRead;
  return read != SlotRead::kRefused;
}

// Unvalidated, as the file format has always been read: past the end each digit is
// EOF - '0' = -49, any other character its code minus '0'.
void ScanPalette(TextReader& reader, PaletteKeys& keys) {
  for (int channel = 0; channel < kChannels; ++channel)
    for (int entry = 0; entry < kPaletteEntries; ++entry) keys[entry][channel] = reader.Get() - '0';
}

}  // namespace

namespace {

void KeepPatternBaseline(PatternGenerator& g) {
  g.baseline.pattern = g.Pattern();
}

void KeepPaletteBaseline(PatternGenerator& g) {
  std::memcpy(g.baseline.keys, g.keys, sizeof g.keys);
  g.baseline.cycles = g.cycles;
  g.baseline.look = g.look;
}

}  // namespace

SlotRead ReadPatternSlot(int n, PatternFields& pattern, Result& problem) {
  std::string bytes;
  const SlotRead read = ReadSlotFile(DataFolder::PatternFile(n), bytes, problem);
  if (read != SlotRead::kRead) {
    pattern = PatternFields{};  // a missing or unreadable file: zeros
    return read;
  }
  TextReader reader(bytes);
  ScanPattern(reader, pattern);
  return read;
}

void PatternGenerator::LoadPattern(int n) {
  PatternFields pattern = Pattern();
  ReadPatternSlot(n, pattern, baseline.patternProblem);
  SetPattern(pattern);
  KeepPatternBaseline(*this);
}

void PatternGenerator::SetPattern(const PatternFields& pattern) {
  std::copy(std::begin(pattern.points), std::end(pattern.points), points);
  reverseX = pattern.reverseX;
  reverseY = pattern.reverseY;
  distortX = pattern.distortX;
  distortY = pattern.distortY;
}

PatternFields PatternGenerator::Pattern() const {
  PatternFields fields;
  std::copy(std::begin(points), std::end(points), fields.points);
  fields.reverseX = reverseX;
  fields.reverseY = reverseY;
  fields.distortX = distortX;
  fields.distortY = distortY;
  return fields;
}

bool PatternGenerator::PatternEdited() const {
  return !(Pattern() == baseline.pattern);
}

bool PatternGenerator::PaletteEdited() const {
  return std::memcmp(keys, baseline.keys, sizeof keys) != 0;
}

namespace {

// A file beside the palette slot: missing is the default; unreadable or malformed fails,
// naming the file.
template <typename Value, typename Parse>
Result ReadBesideSlot(const std::string& path, Value& value, Parse parse) {
  std::string text;
  Result problem;
  switch (ReadSlotFile(path, text, problem)) {
    case SlotRead::kMissing:
      value = Value{};
      return Result::Ok();
    case SlotRead::kRefused:
      return problem;
    case SlotRead::kRead:
      break;
  }
  if (Result parsed = parse(text, value); !parsed)
    return Result::Fail(path + ": " + parsed.message);
  return Result::Ok();
}

}  // namespace

Result ReadCyclesFile(const std::string& path, CycleRanges& cycles) {
  return ReadBesideSlot(path, cycles, ParseCycleRanges);
}

Result ReadLookFile(const std::string& path, PaletteLook& look) {
  return ReadBesideSlot(path, look, ParsePaletteLook);
}

std::string PatternText(const PatternGenerator& g) {
  std::string text;
  char line[96];
  for (const auto& p : g.points) {
    std::snprintf(line, sizeof line, "%d,%d,%d,%d,%d\n", p.x, p.y, p.scaleX, p.scaleY, p.weight);
    text += line;
  }
  std::snprintf(line, sizeof line, "%d,%d,%d,%d", g.reverseX, g.reverseY, g.distortX, g.distortY);
  return text + line;
}

Result PatternGenerator::SavePattern(int n) {
  const std::string text = PatternText(*this);
  if (Result folder = EnsureDirectory(DataFolder::kSlots); !folder) return folder;
  Result saved = WriteFileAtomically(DataFolder::PatternFile(n), text.data(), text.size());
  if (saved) KeepPatternBaseline(*this);
  return saved;
}

bool PatternFileMatches(const PatternGenerator& g, const std::string& path) {
  std::string bytes;
  bool present = false;
  if (!ReadToCompare(path, bytes, present)) return false;
  PatternFields held;
  TextReader reader(bytes);
  ScanPattern(reader, held);
  return held == g.Pattern();
}

SlotRead ReadPaletteSlot(int n, PaletteSlot& slot, Result& problem) {
  std::string bytes;
  const SlotRead read = ReadSlotFile(DataFolder::PaletteFile(n), bytes, problem);
  if (read == SlotRead::kRead) {
    TextReader reader(bytes);
    ScanPalette(reader, slot.keys);
  } else {
    for (auto& entry : slot.keys)
      for (auto& digit : entry) digit = 0;
  }
  slot.cycles = CycleRanges{};
  slot.cyclesProblem.clear();
  if (Result ranges = ReadCyclesFile(DataFolder::CyclesFile(n), slot.cycles); !ranges) {
    slot.cycles = CycleRanges{};
    slot.cyclesProblem = ranges.message;
  }
  slot.look = PaletteLook{};
  slot.lookProblem.clear();
  if (Result looked = ReadLookFile(DataFolder::LookFile(n), slot.look); !looked) {
    slot.look = PaletteLook{};
    slot.lookProblem = looked.message;
  }
  return read;
}

void PatternGenerator::LoadPalette(int n) {
  PaletteSlot slot;
  ReadPaletteSlot(n, slot, baseline.paletteProblem);
  std::memcpy(keys, slot.keys, sizeof keys);
  cycles = std::move(slot.cycles);
  look = std::move(slot.look);
  baseline.cyclesProblem = std::move(slot.cyclesProblem);
  baseline.lookProblem = std::move(slot.lookProblem);
  KeepPaletteBaseline(*this);
}

bool PatternGenerator::CyclesEdited() const {
  return !(cycles == baseline.cycles);
}

bool PatternGenerator::LookEdited() const {
  return !(look == baseline.look);
}

std::string PaletteText(const PatternGenerator& g) {
  std::string text;
  for (int channel = 0; channel < kChannels; ++channel)
    for (int entry = 0; entry < kPaletteEntries; ++entry)
      // Only the low 8 bits of an out-of-range digit reach the file.
      text += static_cast<char>(static_cast<uint32_t>('0') +
                                static_cast<uint32_t>(g.keys[entry][channel]));
  return text;
}

Result PatternGenerator::SavePalette(int n) {
  const std::string text = PaletteText(*this);
  if (Result folder = EnsureDirectory(DataFolder::kSlots); !folder) return folder;
  // A file of the slot that could not be read is written only when its part was edited:
  // what it held (a line of a newer version, say) is not replaced unseen. The default cycle
  // and look need no file; one that is there (and readable) is kept current.
  const std::string cyclesFile = DataFolder::CyclesFile(n), lookFile = DataFolder::LookFile(n);
  std::string held;
  const bool keysWritten = baseline.paletteProblem || PaletteEdited();
  const bool cyclesWritten =
      (baseline.cyclesProblem.empty() || CyclesEdited()) &&
      (!cycles.IsDefault() || ReadFileBytes(cyclesFile, kMaxSmallFileBytes, held));
  const bool lookWritten = (baseline.lookProblem.empty() || LookEdited()) &&
                           (!look.IsDefault() || ReadFileBytes(lookFile, kMaxSmallFileBytes, held));
  AtomicWriteBatch batch;
  Result saved = Result::Ok();
  if (keysWritten) saved = batch.Add(DataFolder::PaletteFile(n), text.data(), text.size());
  if (saved && cyclesWritten) {
    const std::string ranges = CycleRangesText(cycles);
    saved = batch.Add(cyclesFile, ranges.data(), ranges.size());
  }
  if (saved && lookWritten) {
    const std::string lookText = PaletteLookText(look);
    saved = batch.Add(lookFile, lookText.data(), lookText.size());
  }
  if (saved) saved = batch.Commit();
  if (!saved) return saved;
  KeepPaletteBaseline(*this);
  if (keysWritten) baseline.paletteProblem = Result::Ok();
  if (cyclesWritten) baseline.cyclesProblem.clear();
  if (lookWritten) baseline.lookProblem.clear();
  return saved;
}

bool PaletteFileMatches(const PatternGenerator& g, const std::string& path) {
  std::string bytes;
  bool present = false;
  if (!ReadToCompare(path, bytes, present)) return false;
  PaletteKeys keys = {};
  // A missing file is all zeros; a short one reads past its end as the loader does.
  TextReader reader(bytes);
  if (present) ScanPalette(reader, keys);
  for (int entry = 0; entry < kPaletteEntries; ++entry)
    for (int channel = 0; channel < kChannels; ++channel)
      if (keys[entry][channel] != g.keys[entry][channel]) return false;
  return true;
}

Result CheckPatternFile(const std::string& path) {
  std::string bytes;
  Result problem;
  if (ReadSlotFile(path, bytes, problem) != SlotRead::kRead) return problem;
  TextReader reader(bytes);
  int32_t values[std::size(kControlPointFields)];
  int32_t* fields[std::size(values)];
  for (size_t f = 0; f < std::size(values); ++f) fields[f] = &values[f];
  std::string failure;
  for (int line = 0; line <= kPointCount && failure.empty(); ++line) {
    const bool shape = line == kPointCount;
    const int count = static_cast<int>(shape ? std::size(kShapeFields) : std::size(values));
    const int read = reader.ScanList(fields, count);
    if (read < count) {
      failure = path + ": line " + std::to_string(reader.line()) + ": cannot read " +
                (shape ? std::string("the shape field ") + kShapeFields[read].name
                       : "field " + std::string(kControlPointFields[read].name) + " of point " +
                             std::to_string(line));
    }
  }
  if (!failure.empty()) return Result::Fail(failure + " (a whole number)");
  return Result::Ok();
}

Result CheckPaletteFile(const std::string& path) {
  std::string bytes;
  Result problem;
  if (ReadSlotFile(path, bytes, problem) != SlotRead::kRead) return problem;
  TextReader reader(bytes);
  static const char* const kChannelNames[] = {"red", "green", "blue"};
  std::string failure;
  for (int i = 0; i < kChannels * kPaletteEntries && failure.empty(); ++i) {
    const int c = reader.Get();
    if (c < '0' || c > '9')
      failure = path + ": character " + std::to_string(i + 1) + " (the " +
                kChannelNames[i / kPaletteEntries] + " key of entry " +
                std::to_string(i % kPaletteEntries) + ") is " +
                (c == EOF ? std::string("missing") : "not a digit 0..9");
  }
  if (!failure.empty()) return Result::Fail(failure);
  return Result::Ok();
}
