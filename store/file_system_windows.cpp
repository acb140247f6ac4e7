// The Win32 side of file_system.h. Paths arrive as UTF-8 and go to the wide-character calls,
// whatever the ANSI code page. Descriptors are the C library's over Win32 handles, always in
// binary mode: text mode would write every '\n' of a BMP or PNG as "\r\n".

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "store/file_system.h"

namespace os {
namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string Narrow(const wchar_t* text, std::size_t size) {
  if (size == 0) return {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), narrow.data(), length, nullptr,
                      nullptr);
  return narrow;
}

// The POSIX error number for the last Win32 error, so callers test and report one kind.
int ErrnoOfLastError() {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_LOCK_VIOLATION:
    case ERROR_IO_PENDING:
      return EWOULDBLOCK;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_CANT_RESOLVE_FILENAME:
      return ELOOP;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    default:
      return EIO;
  }
}

bool Failed() {
  errno = ErrnoOfLastError();
  return false;
}

// A C library descriptor over the handle; the descriptor owns it from then on.
int Descriptor(HANDLE handle, int flags) {
  if (handle == INVALID_HANDLE_VALUE) {
    errno = ErrnoOfLastError();
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    errno = EMFILE;
  }
  return fd;
}

// Windows has neither FIFOs nor device files in folders: its devices are the reserved names
// (NUL, CON, COM1, ..., with any extension, in any folder) and the \\.\ namespace, which
// holds the named pipes.
bool NamesDevice(const std::string& path) {
  if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0) return true;
  std::size_t start = path.size();
  while (start > 0 && !IsSeparator(path[start - 1]) && path[start - 1] != ':') --start;
  std::string stem = path.substr(start, path.find('.', start) - start);
  for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (stem == "NUL" || stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "CONIN$" ||
      stem == "CONOUT$")
    return true;
  return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

bool IsAbsolutePath(const std::string& path) {
  // "\\server\share" and "\folder" (on the current drive) count too.
  if (path.size() >= 3 && path[1] == ':' && IsSeparator(path[2])) return true;
  return !path.empty() && IsSeparator(path[0]);
}

std::string CurrentFolder() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return {};
  std::wstring folder(size, L'\0');
  const DWORD length = GetCurrentDirectoryW(size, folder.data());
  if (length == 0 || length >= size) return {};
  return Narrow(folder.data(), length);
}

bool EnterFolder(const std::string& path) {
  return SetCurrentDirectoryW(Wide(path).c_str()) != 0 || Failed();
}

long CurrentProcess() {
  return static_cast<long>(GetCurrentProcessId());
}

bool ProcessRuns(long pid) {
  HANDLE process =
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  // Access denied: it runs under another user.
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return runs;
}

bool LookAt(const std::string& path, FileKind& kind) {
  kind = FileKind::kMissing;
  if (NamesDevice(path)) {
    kind = FileKind::kOther;
    return true;
  }
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    errno = ErrnoOfLastError();
    return errno == ENOENT;
  }
  // A symbolic link or a junction is followed; other reparse points (cloud files,
  // deduplicated files) read and write as the files they stand for.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(Wide(path).c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      FindClose(search);
      if (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
          found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT) {
        kind = FileKind::kLink;
        return true;
      }
    }
  }
  kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kFolder
         : (attributes & FILE_ATTRIBUTE_DEVICE) != 0  ? FileKind::kOther
                                                      : FileKind::kRegular;
  return true;
}

bool ReadLink(const std::string& path, std::string& target) {
  HANDLE file =
      CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failed();
  wchar_t buffer[MAX_PATH * 4];
  const DWORD length = GetFinalPathNameByHandleW(file, buffer, MAX_PATH * 4, FILE_NAME_NORMALIZED);
  CloseHandle(file);
  if (length == 0 || length >= MAX_PATH * 4) return Failed();
  std::wstring final(buffer, length);
  // "\\?\C:\..." is "C:\..."; "\\?\UNC\server\..." is "\\server\...".
  if (final.rfind(L"\\\\?\\UNC\\", 0) == 0)
    final = L"\\" + final.substr(7);
  else if (final.rfind(L"\\\\?\\", 0) == 0)
    final = final.substr(4);
  target = Narrow(final.data(), final.size());
  return true;
}

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int CreateForWriting(const std::string& path) {
  return Descriptor(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
                    _O_WRONLY);
}

int CreateNew(const std::string& path) {
  // CREATE_NEW fails on any name that is taken, a link's included, and never follows it.
  return Descriptor(
      CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr),
      _O_WRONLY);
}

int OpenForReading(const std::string& path) {
  if (NamesDevice(path)) {
    errno = ENODEV;
    return -1;
  }
  return Descriptor(CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                    _O_RDONLY);
}

bool DescribeOpen(int fd, FileKind& kind, unsigned long long& size) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  size = 0;
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    kind = FileKind::kOther;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return Failed();
  kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kFolder
                                                                 : FileKind::kRegular;
  if (kind == FileKind::kRegular)
    size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return true;
}

long long ReadSome(int fd, void* data, std::size_t size) {
  const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
  return _read(fd, data, chunk);
}

bool Rewind(int fd) {
  return _lseeki64(fd, 0, SEEK_SET) == 0;
}

int OpenForWriting(const std::string& path) {
  return Descriptor(
      CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
      _O_WRONLY);
}

bool StandardErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

int StandardOutput() {
  const int fd = _fileno(stdout);
  _setmode(fd, _O_BINARY);
  return fd;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
    const int n = _write(fd, bytes, chunk);
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool SyncData(int fd) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  // Pipes and consoles have nothing to flush to a disk.
  if (GetFileType(handle) != FILE_TYPE_DISK) return true;
  return FlushFileBuffers(handle) != 0 || Failed();
}

bool Close(int fd) {
  return _close(fd) == 0;
}

bool Replace(const std::string& from, const std::string& to) {
  // Windows has no folder sync: the rename is written through to the disk instead. A file
  // that another program holds open without sharing its deletion cannot be replaced (access
  // denied): the caller reports it and keeps the old file.
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 ||
         Failed();
}

bool AddNewName(const std::string& existing, const std::string& name) {
  // Without MOVEFILE_REPLACE_EXISTING the rename fails when the name is taken.
  return MoveFileExW(Wide(existing).c_str(), Wide(name).c_str(), MOVEFILE_WRITE_THROUGH) != 0 ||
         Failed();
}

bool Remove(const std::string& path) {
  return DeleteFileW(Wide(path).c_str()) != 0 || Failed();
}

bool RemoveFolder(const std::string& path) {
  return RemoveDirectoryW(Wide(path).c_str()) != 0 || Failed();
}

bool MakeFolder(const std::string& path, int) {
  return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0 || Failed();
}

void SyncFolder(const std::string&) {}

bool ListFolder(const std::string& folder, std::vector<std::string>& names, std::size_t maxNames) {
  names.clear();
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(Wide(folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;  // an empty drive's root
    return Failed();
  }
  do {
    const std::string name = Narrow(found.cFileName, std::wcslen(found.cFileName));
    if (name != "." && name != "..") names.push_back(name);
  } while (names.size() < maxNames && FindNextFileW(search, &found));
  FindClose(search);
  return true;
}

int OpenLockable(const std::string& path, bool folder) {
  if (!folder) {
    // LockFileEx takes a handle open for reading; a link at the name is opened as itself and
    // then refused, as a folder is.
    const int fd = Descriptor(
        CreateFileW(Wide(path).c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr),
        _O_RDONLY);
    if (fd < 0) return fd;
    BY_HANDLE_FILE_INFORMATION info{};
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0)
      return fd;
    _close(fd);
    errno = EINVAL;
    return -1;
  }
  if (!IsFolder(path)) {
    errno = GetFileAttributesW(Wide(path).c_str()) == INVALID_FILE_ATTRIBUTES ? ENOENT : ENOTDIR;
    return -1;
  }
  // LockFileEx takes no folder: the folder's lock is the folder itself, opened for adding
  // files without sharing that access, so a second writer's open fails with a sharing
  // violation. Readers (a file browser) and the writes themselves go on.
  HANDLE handle =
      CreateFileW(Wide(path).c_str(), FILE_ADD_FILE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
    errno = EWOULDBLOCK;
    return -1;
  }
  return Descriptor(handle, _O_RDONLY);
}

bool TryLock(int fd) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(handle, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return true;  // taken by the open
  OVERLAPPED whole{};
  return LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                    MAXDWORD, &whole) != 0 ||
         Failed();
}

std::string FileKey(const std::string& path) {
  HANDLE file =
      CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  if (!known) return {};
  const unsigned long long index =
      (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(index);
}

std::string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return Narrow(path.data(), length);
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace os
