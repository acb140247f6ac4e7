#pragma once
// Export files too large to keep in memory while they wait for the batch that writes them
// (safe_file.h): their bytes go to an unnamed temporary file as they are made, or are made
// again from a small part when the batch asks, and ExportFile::writeContents copies them into
// the batch's file. Small files stay in memory, byte for byte the same either way. The page
// keeps every file in memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "generator/result.h"
#include "store/safe_file.h"

// How many bytes of one file, or of a set of frame files, stay in memory; past that a file
// spills. Large enough that exports of the default cycle never spill.
constexpr uint64_t kSpillAfterBytes = uint64_t{32} << 20;

// The bytes after which a file spills: kSpillAfterBytes, or on the page never. Tests set it:
// 0 spills every file, UINT64_MAX none.
uint64_t SpillThreshold();
void SetSpillThreshold(uint64_t bytes);

// Contents kept outside memory, handed over in order, in pieces, to put.
class OutsideContents {
 public:
  using Put = std::function<Result(const uint8_t* data, size_t size)>;
  virtual ~OutsideContents() = default;
  virtual uint64_t Size() const = 0;
  virtual Result Emit(const Put& put) = 0;
};

// The file's bytes come from contents: its writeContents writes them into the batch's file.
void SetOutsideContents(ExportFile& file, std::shared_ptr<OutsideContents> contents);
// The file's size in bytes, wherever its contents are.
uint64_t ContentsSize(const ExportFile& file);
// The file's bytes in memory: its bytes, or its outside contents read back.
Result ContentsBytes(ExportFile& file, std::vector<uint8_t>& bytes);

class SpillFile;

// One file's bytes as an encoder makes them, in order: in memory up to SpillThreshold(), then
// all of them in a spill file. Finish hands them over as an ExportFile.
class FileSink {
 public:
  // A sink that never spills, for a caller that wants the bytes themselves.
  static FileSink InMemory();
  FileSink();
  FileSink(FileSink&&) noexcept;
  FileSink& operator=(FileSink&&) noexcept;
  ~FileSink();

  // Fails when the spill file cannot be made or written; the sink takes nothing more then.
  Result Append(const void* data, size_t size);
  uint64_t Size() const { return size_; }
  // The file at path: bytes held in memory, or the spill as its outside contents. The sink is
  // empty after.
  Result Finish(const std::string& path, ExportFile& file);
  // The bytes, read back from the spill when there is one. The sink is empty after.
  Result Take(std::vector<uint8_t>& bytes);

 private:
  Result Flush();
  std::vector<uint8_t> bytes_;  // everything, or once spilled what waits to be written
  std::unique_ptr<SpillFile> spill_;
  uint64_t size_ = 0;
  bool maySpill_ = true;
  Result failure_;
};
