#pragma once
// Crash-safe writing of files the user owns: the new contents go to a temporary file in the
// same folder, are flushed to the disk, and only then renamed over the old file. A failed or
// interrupted write leaves the old file as it was and no truncated file behind.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "generator/result.h"

// Several files replaced together: every temporary is written first, then all are synced
// (one wait for the disk instead of one per file), then renamed. Should any write fail,
// no file is replaced. A batch that is not committed removes its temporaries.
class AtomicWriteBatch {
 public:
  AtomicWriteBatch() = default;
  AtomicWriteBatch(const AtomicWriteBatch&) = delete;
  AtomicWriteBatch& operator=(const AtomicWriteBatch&) = delete;
  ~AtomicWriteBatch();

  Result Add(const std::string& path, const void* data, std::size_t size);
  Result Commit();

 private:
  struct Pending {
    std::string path;
    std::string temp;
    int fd;
  };
  void Abandon();
  std::vector<Pending> pending_;
};

Result WriteFileAtomically(const std::string& path, const void* data, std::size_t size);

// One file of a set: where it goes (relative to the working directory or absolute) and its
// contents.
struct ExportFile {
  std::string path;
  std::vector<uint8_t> bytes;
};

// Writes a set of files as one batch: creates the folders (one level each, in order), removes
// stale temporaries beside every file, then adds and commits every file. Each file is whole,
// old or new, and a failed write replaces none of them.
Result WriteFileSet(const std::vector<std::string>& folders, const std::vector<ExportFile>& files);

// Removes from the folder the temporaries ("<name>.tmp<pid>") that a process which has ended
// left behind when it was killed mid-write; those of running processes stay. Returns
// how many were removed.
int RemoveStaleTemporaries(const std::string& folder);

// Creates the folder when it is missing; fails when the name is taken by something else.
Result EnsureDirectory(const std::string& path);
