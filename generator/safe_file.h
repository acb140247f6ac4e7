#pragma once
// Crash-safe writing of files the user owns: the new contents go to a temporary file in the
// same folder, are flushed to the disk, and only then renamed over the old file. A failed or
// interrupted write leaves the old file as it was and no truncated file behind.

#include <cstddef>
#include <string>
#include <vector>

#include "generator/pattern_generator.h"

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

// Removes from the folder the temporaries ("<name>.tmp<pid>") that a process which has ended
// left behind when it was killed mid-write; those of running processes stay. Returns
// how many were removed.
int RemoveStaleTemporaries(const std::string& folder);

// Creates the folder when it is missing; fails when the name is taken by something else.
Result EnsureDirectory(const std::string& path);
