#include "formats/spill.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "store/file_system.h"

#ifndef __EMSCRIPTEN__
#include <filesystem>
#endif

namespace {

#ifdef __EMSCRIPTEN__
std::atomic<uint64_t> threshold{std::numeric_limits<uint64_t>::max()};
#else
std::atomic<uint64_t> threshold{kSpillAfterBytes};
#endif

// A spilled file's bytes are written and read back in pieces of this size.
constexpr size_t kPieceBytes = size_t{1} << 20;

#ifndef __EMSCRIPTEN__
// Paths are UTF-8 to the os:: calls on every system.
std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}
#endif

// A failure with the system's error number, which the batch names with the file it writes.
Result Failed(const char* what, int error) {
  Result result = Result::Fail(std::string(what) + ": " + std::strerror(error));
  result.error = error;
  return result;
}

// What writeContents holds: the contents, written into the batch's file.
struct WriteOutside {
  std::shared_ptr<OutsideContents> contents;
  Result operator()(int fd) const {
    return contents->Emit([fd](const uint8_t* data, size_t size) {
      if (os::WriteAll(fd, data, size)) return Result::Ok();
      return Failed("cannot write", errno);
    });
  }
};

}  // namespace

// An unnamed temporary file: written from the start, then read back from the start as often
// as it is asked for.
// Its name goes as soon as it is open where the system lets an open file lose its name
// (POSIX); elsewhere (Windows) when the file is closed.
class SpillFile final : public OutsideContents {
 public:
  static Result Create(std::unique_ptr<SpillFile>& made);
  SpillFile(const SpillFile&) = delete;
  SpillFile& operator=(const SpillFile&) = delete;
  ~SpillFile() override;

  Result Write(const void* data, size_t size);
  // No more writes: the writing descriptor closes.
  Result Seal();
  uint64_t Size() const override { return size_; }
  Result Emit(const Put& put) override;

 private:
  SpillFile() = default;
  std::string name_;  // while the file still has it
  int writer_ = -1;
  int reader_ = -1;
  uint64_t size_ = 0;
};

Result SpillFile::Create(std::unique_ptr<SpillFile>& made) {
#ifdef __EMSCRIPTEN__
  static_cast<void>(made);
  return Result::Fail("the page keeps its exports in memory");
#else
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) return Result::Fail("no folder for temporary files: " + error.message());
  static std::atomic<unsigned> serial{0};
  std::unique_ptr<SpillFile> spill(new SpillFile);
  // A name another program holds is passed over.
  for (int attempt = 0; attempt < 100 && spill->writer_ < 0; ++attempt) {
    spill->name_ = Utf8(folder / ("quilmorante-spill-" + std::to_string(os::CurrentProcess()) +
                                  "-" + std::to_string(serial++)));
    spill->writer_ = os::CreateNew(spill->name_);
    if (spill->writer_ < 0 && errno != EEXIST) break;
  }
  if (spill->writer_ < 0) {
    const int failure = errno;
    spill->name_.clear();
    return Result::FileFailure(Utf8(folder), "cannot create a file for a large export", failure);
  }
  spill->reader_ = os::OpenForReading(spill->name_);
  if (spill->reader_ < 0)
    return Result::FileFailure(spill->name_, "cannot read back a large export", errno);
  if (os::Remove(spill->name_)) spill->name_.clear();
  made = std::move(spill);
  return Result::Ok();
#endif
}

SpillFile::~SpillFile() {
  if (writer_ >= 0) os::Close(writer_);
  if (reader_ >= 0) os::Close(reader_);
  if (!name_.empty()) os::Remove(name_);
}

Result SpillFile::Write(const void* data, size_t size) {
  if (writer_ < 0) return Failed("cannot write a large export's temporary file", EBADF);
  if (!os::WriteAll(writer_, data, size))
    return Failed("cannot write a large export's temporary file", errno);
  size_ += size;
  return Result::Ok();
}

Result SpillFile::Seal() {
  if (writer_ < 0) return Result::Ok();
  const bool closed = os::Close(writer_);
  writer_ = -1;
  if (closed) return Result::Ok();
  return Failed("cannot write a large export's temporary file", errno);
}

Result SpillFile::Emit(const Put& put) {
  // From the start each time: two files of one export may share the contents.
  if (!os::Rewind(reader_))
    return Failed("cannot read back a large export's temporary file", errno);
  std::vector<uint8_t> piece(kPieceBytes);
  uint64_t read = 0;
  for (;;) {
    const long long got = os::ReadSome(reader_, piece.data(), piece.size());
    if (got < 0) return Failed("cannot read back a large export's temporary file", errno);
    if (got == 0) break;
    read += static_cast<uint64_t>(got);
    if (Result out = put(piece.data(), static_cast<size_t>(got)); !out) return out;
  }
  if (read != size_) return Failed("cannot read back a large export's temporary file", EIO);
  return Result::Ok();
}

uint64_t SpillThreshold() {
  return threshold.load();
}

void SetSpillThreshold(uint64_t bytes) {
  threshold.store(bytes);
}

void SetOutsideContents(ExportFile& file, std::shared_ptr<OutsideContents> contents) {
  file.bytes.clear();
  file.writeContents = WriteOutside{std::move(contents)};
}

uint64_t ContentsSize(const ExportFile& file) {
  // The page, built without run-time type information, never puts contents outside memory.
#if defined(__cpp_rtti)
  if (const WriteOutside* outside = file.writeContents.target<WriteOutside>())
    return outside->contents->Size();
#endif
  return file.bytes.size();
}

Result ContentsBytes(ExportFile& file, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (!file.writeContents) {
    bytes = std::move(file.bytes);
    return Result::Ok();
  }
#if defined(__cpp_rtti)
  if (const WriteOutside* outside = file.writeContents.target<WriteOutside>()) {
    bytes.reserve(static_cast<size_t>(outside->contents->Size()));
    return outside->contents->Emit([&bytes](const uint8_t* data, size_t size) {
      bytes.insert(bytes.end(), data, data + size);
      return Result::Ok();
    });
  }
#endif
  return Result::Fail(file.path + ": its contents cannot be read back");
}

FileSink FileSink::InMemory() {
  FileSink sink;
  sink.maySpill_ = false;
  return sink;
}

FileSink::FileSink() = default;
FileSink::FileSink(FileSink&&) noexcept = default;
FileSink& FileSink::operator=(FileSink&&) noexcept = default;
FileSink::~FileSink() = default;

Result FileSink::Append(const void* data, size_t size) {
  if (!failure_) return failure_;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (spill_ == nullptr && maySpill_ && size_ + size > SpillThreshold()) {
    if (Result made = SpillFile::Create(spill_); !made) return failure_ = made;
    // What memory held goes first; from now on memory only gathers pieces for the spill.
    if (Result moved = spill_->Write(bytes_.data(), bytes_.size()); !moved) return failure_ = moved;
    std::vector<uint8_t>().swap(bytes_);
  }
  size_ += size;
  if (spill_ == nullptr || bytes_.size() + size <= kPieceBytes) {
    bytes_.insert(bytes_.end(), bytes, bytes + size);
    return Result::Ok();
  }
  if (Result flushed = Flush(); !flushed) return flushed;
  if (size >= kPieceBytes) {
    if (Result written = spill_->Write(bytes, size); !written) return failure_ = written;
    return Result::Ok();
  }
  bytes_.assign(bytes, bytes + size);
  return Result::Ok();
}

Result FileSink::Flush() {
  if (spill_ == nullptr || bytes_.empty()) return Result::Ok();
  if (Result written = spill_->Write(bytes_.data(), bytes_.size()); !written)
    return failure_ = written;
  bytes_.clear();
  return Result::Ok();
}

Result FileSink::Finish(const std::string& path, ExportFile& file) {
  if (!failure_) return failure_;
  file = ExportFile{path, {}};
  size_ = 0;
  if (spill_ == nullptr) {
    file.bytes = std::move(bytes_);
    bytes_.clear();
    return Result::Ok();
  }
  if (Result flushed = Flush(); !flushed) return flushed;
  std::vector<uint8_t>().swap(bytes_);
  if (Result sealed = spill_->Seal(); !sealed) return failure_ = sealed;
  SetOutsideContents(file, std::shared_ptr<SpillFile>(std::move(spill_)));
  return Result::Ok();
}

Result FileSink::Take(std::vector<uint8_t>& bytes) {
  ExportFile file;
  if (Result finished = Finish("", file); !finished) return finished;
  return ContentsBytes(file, bytes);
}
