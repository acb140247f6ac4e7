#pragma once
// What crash-safe writing and the data folder ask of the operating system, one implementation
// a system: file_system_posix.cpp and file_system_windows.cpp (CMake picks one). Paths are
// UTF-8 on both. File descriptors are the C library's on both; a call that fails returns false
// or -1 with errno set, as POSIX calls do, so the logic above them is shared.

#include <cstddef>
#include <string>
#include <vector>

namespace os {

// Whether c separates folders in a path: '/' on POSIX, '/' and '\' on Windows.
bool IsSeparator(char c);
// Absolute: "/..." on POSIX; "C:\...", "C:/...", "\\server\..." or "\..." on Windows.
bool IsAbsolutePath(const std::string& path);
// The working directory; empty when it cannot be read.
std::string CurrentFolder();
bool EnterFolder(const std::string& path);

long CurrentProcess();
// Whether the process runs (or may run: one of another user counts as running).
bool ProcessRuns(long pid);

enum class FileKind { kMissing, kRegular, kFolder, kLink, kOther };
// What the name itself is, a link not followed. Fails only when it cannot be looked at; a
// missing file is kMissing.
bool LookAt(const std::string& path, FileKind& kind);
// Where a link points (as written in it on POSIX, the final absolute path on Windows).
bool ReadLink(const std::string& path, std::string& target);
// Through links: whether a regular file or a folder is there.
bool IsFile(const std::string& path);
bool IsFolder(const std::string& path);

// A new or emptied file for writing, in binary mode, not inherited by child processes.
int CreateForWriting(const std::string& path);
// A file that must not exist yet, for writing: fails with EEXIST when anything has the name,
// a symbolic link included (which is never followed).
int CreateNew(const std::string& path);
// An existing file for reading, links followed, without waiting: a FIFO without a writer or
// a device opens at once (ReadKind then tells it is no regular file).
int OpenForReading(const std::string& path);
// What an open descriptor is (kRegular, kFolder or kOther) and, for a regular file, its size.
bool DescribeOpen(int fd, FileKind& kind, unsigned long long& size);
// Up to size bytes; 0 at the end of the file; -1 with errno on failure.
long long ReadSome(int fd, void* data, std::size_t size);
// Moves a regular file's position back to its start, for reading it again.
bool Rewind(int fd);
// An existing file (a FIFO, a device) opened for writing as it is.
int OpenForWriting(const std::string& path);
// Standard output, in binary mode.
int StandardOutput();
// Whether standard error is a terminal (where a progress line can be redrawn in place).
bool StandardErrorIsTerminal();
bool WriteAll(int fd, const void* data, std::size_t size);
// Flushes the file's data to the disk.
bool SyncData(int fd);
bool Close(int fd);

// Renames over whatever file has the new name.
bool Replace(const std::string& from, const std::string& to);
// Gives the file a second name that must be free: fails with EEXIST, replacing nothing.
// May take the old name away (Windows renames); the caller removes it either way.
bool AddNewName(const std::string& existing, const std::string& name);
bool Remove(const std::string& path);
// Removes a folder that is empty; fails with ENOTEMPTY (or EEXIST) otherwise.
bool RemoveFolder(const std::string& path);
bool MakeFolder(const std::string& path, int mode);
// Brings the folder's entries (renames, new and removed names) to the disk, where the system
// has a way to (POSIX); Windows writes them through as they happen.
void SyncFolder(const std::string& folder);
// The names in the folder, without "." and ".."; at most maxNames of them, the first the
// system gives.
bool ListFolder(const std::string& folder, std::vector<std::string>& names,
                std::size_t maxNames = static_cast<std::size_t>(-1));

// An exclusive advisory lock on a folder or on a lock file (created when missing): the
// descriptor it is taken on. Windows takes a folder's in the open, which then fails with
// EWOULDBLOCK while another holder keeps it. A lock file is opened for reading only (a
// read-only one serves), never through a symbolic link and without waiting; anything but a
// regular file there fails with EINVAL.
int OpenLockable(const std::string& path, bool folder);
// Fails with EWOULDBLOCK while another holder keeps it; closing the descriptor releases it.
bool TryLock(int fd);

// What tells files apart (device and inode, volume and file index): equal for two paths of one
// file. Empty when nothing is there.
std::string FileKey(const std::string& path);
// The running program's own path; empty when it cannot be found.
std::string ExecutablePath();

}  // namespace os
