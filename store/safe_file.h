#pragma once
// Crash-safe writing of files the user owns: the new contents go to a temporary file in the
// same folder, are flushed to the disk, and only then renamed over the old file. A failed or
// interrupted write leaves the old file as it was and no truncated file behind. A set of
// files is all or nothing even across a crash: a journal of the renames, synced before the
// first of them, lets the next start finish them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "generator/result.h"

struct ExportFile;

// Several files replaced together: every temporary is written first, then all are synced
// (one wait for the disk instead of one per file); with more than one file a journal listing
// the renames is written and synced beside the first; then the renames; then the journal
// goes. Should any write fail, no file is replaced. A batch that is not committed removes
// its temporaries. A temporary is ".<name>.quilmorante-<pid>.tmp" beside its file.
//
// A file replaces the name it is given, whatever stands there: a symbolic link is replaced
// by the file (standard error says so), never written through; a FIFO or a device there is
// refused. Only a path the user named (`named`, an export tool option) is written where it
// leads: through its links (crash-safe at the target), and into a FIFO or a device as it is,
// before any rename. "-" is standard output.
class AtomicWriteBatch {
 public:
  AtomicWriteBatch() = default;
  AtomicWriteBatch(const AtomicWriteBatch&) = delete;
  AtomicWriteBatch& operator=(const AtomicWriteBatch&) = delete;
  ~AtomicWriteBatch();

  Result Add(const std::string& path, const void* data, std::size_t size, bool named = false);
  Result Add(const ExportFile& file);
  // Removes the file (the name itself, a link as a link) as part of the set: it goes when the
  // others are replaced, and stays when the set fails. Nothing there is nothing to do.
  Result Remove(const std::string& path);
  Result Commit();
  // Gives up the set: temporaries removed, files moved aside put back. Nothing is replaced.
  void Abandon();
  // Whether the file is written in place rather than replaced: standard output, or a named
  // path that leads to a FIFO or a device. Add opens such a file at once, which for a FIFO
  // waits until a reader opens it.
  static bool WritesInPlace(const ExportFile& file);

 private:
  struct Pending {
    std::string path;    // as given, for messages
    std::string target;  // what is replaced, as the batch reaches it
    std::string whole;   // the target as an absolute path: the journal's name for it
    std::string temp;    // empty for a direct write
    int fd;              // the temporary, or the file a direct write goes into
    std::function<Result(int fd)> direct;  // writes the contents of a direct write
    bool replacesLink;
    bool removal;  // a file the set removes: temp is where it is moved aside
    bool moved;    // the removal's file is moved aside
  };
  Result Add(const std::string& path, bool named, const std::function<Result(int fd)>& write);
  // Commit's steps, in order.
  struct Journal {
    std::string path;  // empty for a set of one file
    int fd = -1;
  };
  Result SyncTemporaries(std::vector<Pending*>& renamed);
  Result WriteInPlace();
  Result StartJournal(const std::vector<Pending*>& renamed, const std::vector<Pending*>& removed,
                      Journal& journal);
  Result MoveRemovalsAside(const std::vector<Pending*>& removed);
  Result EndJournal(Journal& journal, const std::vector<std::string>& folders);
  std::vector<Pending> pending_;
  std::unordered_set<std::string> targets_;
};

Result WriteFileAtomically(const std::string& path, const void* data, std::size_t size);

// Writes a file that must not exist yet, crash-safe: fails with error EEXIST, leaving the
// file there as it is, when the name is taken.
Result WriteNewFile(const std::string& path, const void* data, std::size_t size);

// One file of a set: where it goes (relative to the working directory or absolute) and its
// contents.
struct ExportFile {
  ExportFile() = default;
  ExportFile(std::string to, std::vector<uint8_t> contents)
      : path(std::move(to)), bytes(std::move(contents)) {}

  std::string path;
  std::vector<uint8_t> bytes;
  // Contents too large to hold in memory, kept elsewhere while they were encoded: when set,
  // the batch has it write the file's bytes into the open temporary, in place of `bytes`.
  std::function<Result(int fd)> writeContents;
  // A path the user named for this file (an export tool option): a symbolic link there is
  // written through to its target and a FIFO or a device is written as it is. Every other
  // file, and so every file of the data folder, replaces whatever name stands there, a link
  // itself rather than its target, and is never written into a special file.
  bool named = false;
};

// How long a writer waits for another writer's lock on a folder before it gives up.
constexpr int kFolderLockWaitMs = 5000;

// Writes a set of files as one batch: opens the FIFOs and devices it writes into (waiting for
// a FIFO's reader before anything else), takes the lock of every folder it writes into, each
// once however its path is spelled (waiting up to kFolderLockWaitMs), finishes every journal
// a killed writer left there and only then removes the stale temporaries of the files it
// writes, creates the folders (one level each, in order), then commits every file as one
// AtomicWriteBatch. A failure leaves nothing: no file replaced, no folder it made, no link it
// moved aside.
Result WriteFileSet(const std::vector<std::string>& folders, const std::vector<ExportFile>& files,
                    const std::vector<std::string>& removals = {});

// Finishes what killed writers left in the folder: a journal whose renames may have begun is
// rolled forward (every temporary it lists that still exists is renamed over its file), one
// that was not wholly written is undone (its temporaries removed); then the temporaries
// (".<name>.quilmorante-<pid>.tmp") of processes that have ended are removed. Those of
// running processes stay. A journal is trusted only as far as it lists the writer's own
// temporaries beside their files, both plain files; it is read only when it is a regular
// file of at most 1 MiB. Returns how many journals and temporaries were dealt with.
int RecoverFolder(const std::string& folder);

// Only the temporaries part of RecoverFolder; returns how many were removed.
int RemoveStaleTemporaries(const std::string& folder);

// Creates the folder when it is missing; fails when the name is taken by something else.
Result EnsureDirectory(const std::string& path);

// An advisory lock held while the object lives. Folder locks are taken on the folder itself
// and serialise writers into it; a file lock is taken on a lock file, created when missing.
// Whatever else stands at the lock file's name (a link, a folder, a FIFO, a file that cannot
// be opened) is replaced by a lock file, a folder renamed aside to "<name>.moved-<pid>";
// only where that cannot be done does taking the lock fail.
class FileLock {
 public:
  FileLock() = default;
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

  // Waits up to waitMs (0: not at all). Fails with error EWOULDBLOCK when another holder
  // keeps it that long.
  static Result OnFolder(const std::string& folder, int waitMs, FileLock& lock);
  static Result OnFile(const std::string& path, int waitMs, FileLock& lock);
  bool held() const { return fd_ >= 0; }

 private:
  static Result Take(const std::string& path, bool folder, int waitMs, FileLock& lock);
  int fd_ = -1;
};
