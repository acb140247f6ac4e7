#include "store/data_folder.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "store/file_system.h"
#include "store/paths.h"
#include "store/read_file.h"
#include "store/safe_file.h"

namespace {

constexpr const char* kProgramFolder = "quilmorante";
// Relative to the executable's folder in the installed layout (P/bin -> P/share/quilmorante).
constexpr const char* kInstalledData = "share/quilmorante";
// The example slots in the installed data folder.
constexpr const char* kExampleFolder = "examples";

using os::IsFile;
using os::IsFolder;

std::string Describe(const std::string& path, const char* what, int error) {
  return path + ": " + what + ": " + std::strerror(error);
}

// Creates the folder and every missing parent. New folders are private to the user, as the
// XDG Base Directory rules ask for the folders they name.
Result MakeFolders(const std::string& path) {
  std::size_t at = 0;
  while (at != std::string::npos) {
    at = path.find('/', at + 1);
    const std::string prefix = path.substr(0, at);
    if (prefix.empty() || IsFolder(prefix)) continue;
    if (!os::MakeFolder(prefix, 0700) && !(errno == EEXIST && IsFolder(prefix)))
      return Result::Fail(
          Describe(prefix, "cannot create folder", errno == EEXIST ? ENOTDIR : errno));
  }
  return {};
}

// The example slots shipped in `folder`, sorted; none when the folder is missing.
Result ExampleSlots(const std::string& folder, std::vector<std::string>& names) {
  std::vector<std::string> entries;
  names.clear();
  if (!os::ListFolder(folder, entries)) {
    if (errno == ENOENT) return {};
    return Result::Fail(Describe(folder, "cannot list", errno));
  }
  for (const std::string& name : entries) {
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0 &&
        IsFile(JoinPath(folder, name)))
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return {};
}

}  // namespace

LayoutEnvironment LayoutEnvironment::FromProcess() {
  LayoutEnvironment environment;
  if (const char* value = std::getenv("XDG_DATA_HOME")) environment.xdgDataHome = value;
  if (const char* value = std::getenv("HOME")) environment.home = value;
#ifndef _WIN32
  if (environment.home.empty()) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr)
      environment.home = found->pw_dir;
  }
#endif
  return environment;
}

std::string ExecutableFolder() {
  const std::string path = os::ExecutablePath();
  if (std::none_of(path.begin(), path.end(), os::IsSeparator)) return {};
  return ParentFolder(path);
}

std::string UserDataFolder(const LayoutEnvironment& environment) {
  if (!environment.xdgDataHome.empty() && environment.xdgDataHome[0] == '/')
    return JoinPath(environment.xdgDataHome, kProgramFolder);
  if (!environment.home.empty() && environment.home[0] == '/')
    return JoinPath(JoinPath(environment.home, ".local/share"), kProgramFolder);
  return {};
}

DataLayout DecideDataLayout(const std::string& executableFolder,
                            const LayoutEnvironment& environment) {
  const DataLayout beside{executableFolder, executableFolder, false};
#ifdef _WIN32
  // A Windows program keeps everything in its own folder, the unpacked zip.
  static_cast<void>(environment);
  return beside;
#endif
  if (executableFolder.empty()) return beside;
  if (IsFile(JoinPath(executableFolder, kWhiteTextureFile))) return beside;
  const std::string installed = JoinPath(ParentFolder(executableFolder), kInstalledData);
  if (IsFile(JoinPath(installed, kWhiteTextureFile)))
    return DataLayout{UserDataFolder(environment), installed, true};
  return beside;
}

DataLayout ProcessDataLayout() {
  return DecideDataLayout(ExecutableFolder(), LayoutEnvironment::FromProcess());
}

std::string ResourcePath(const DataLayout& layout, const char* name) {
  return JoinPath(layout.resourceFolder, name);
}

namespace {

const DataFolder& Folder(const SlotStore& store) {
  return static_cast<const DataFolder&>(store);
}

std::string SlotPath(const SlotStore& store, const SlotFile& file, int n) {
  return Folder(store).Path(SlotFileName(file, n));
}

SlotRead ReadSlot(const SlotStore& store, const SlotFile& file, int n, std::string& bytes,
                  Result& problem) {
  problem = ReadFileBytes(SlotPath(store, file, n), kMaxSmallFileBytes, bytes);
  if (problem) return SlotRead::kRead;
  // A missing savedata/ (or a file in its place) holds no slot either.
  if (problem.error == ENOENT || problem.error == ENOTDIR) {
    problem = Result::Ok();
    return SlotRead::kMissing;
  }
  return SlotRead::kRefused;
}

Result WriteSlots(const SlotStore& store, const std::vector<SlotText>& files) {
  if (Result folder = EnsureDirectory(Folder(store).Path(DataFolder::kSlots)); !folder)
    return folder;
  AtomicWriteBatch batch;
  for (const SlotText& file : files)
    if (Result added =
            batch.Add(SlotPath(store, *file.file, file.n), file.text.data(), file.text.size());
        !added)
      return added;
  return batch.Commit();
}

}  // namespace

DataFolder::DataFolder(std::string folder)
    : SlotStore{ReadSlot, WriteSlots, SlotPath},
      root(std::move(folder)),
      frameTemplate(JoinPath(root, kFrameTemplateFile)),
      whiteTexture(JoinPath(root, kWhiteTextureFile)) {}

std::string DataFolder::Path(const std::string& name) const {
  return JoinPath(root, name);
}

std::string DataFolder::PatternFile(int n) {
  return SlotFileName(PatternSlotFile(), n);
}

std::string DataFolder::PaletteFile(int n) {
  return SlotFileName(PaletteSlotFile(), n);
}

std::string DataFolder::CyclesFile(int n) {
  return SlotFileName(kSlotFiles[2], n);
}

std::string DataFolder::LookFile(int n) {
  return SlotFileName(kSlotFiles[3], n);
}

std::string DataFolder::FrameName(char idLetter, int frame, bool numbered, const char* extension) {
  char name[24];
  if (numbered)
    std::snprintf(name, sizeof name, "%c-%04d", idLetter, frame);
  else
    std::snprintf(name, sizeof name, "%c%c", idLetter, static_cast<char>('A' + frame));
  return name + std::string(extension);
}

bool DataFolder::IsFrameName(const std::string& name, char idLetter, const std::string& extension) {
  if (name.size() <= extension.size() ||
      name.compare(name.size() - extension.size(), extension.size(), extension) != 0 ||
      name[0] != idLetter)
    return false;
  const std::string stem = name.substr(1, name.size() - extension.size() - 1);
  if (stem.size() == 1) return stem[0] >= 'A' && stem[0] <= 'P';  // the sixteen lettered frames
  return stem.size() == 5 && stem[0] == '-' &&
         std::all_of(stem.begin() + 1, stem.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> OtherFrameFiles(const std::string& folder, char idLetter,
                                         const std::string& extension,
                                         const std::vector<std::string>& kept) {
  std::vector<std::string> names, other;
  if (!os::ListFolder(folder, names)) return other;
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string path = JoinPath(folder, name);
    if (DataFolder::IsFrameName(name, idLetter, extension) &&
        std::find(kept.begin(), kept.end(), path) == kept.end())
      other.push_back(path);
  }
  return other;
}

std::string DataFolder::FrameFile(char idLetter, int frame, bool numbered) {
  return JoinPath(kResults, FrameName(idLetter, frame, numbered));
}

DataFolder LayoutDataFolder(const DataLayout& layout) {
  DataFolder folder;
  folder.frameTemplate = ResourcePath(layout, kFrameTemplateFile);
  folder.whiteTexture = ResourcePath(layout, kWhiteTextureFile);
  return folder;
}

DataFolder NamedDataFolder(const DataLayout& layout, const std::string& dataFolder) {
  DataFolder folder(dataFolder);
  if (layout.installed && !IsFile(folder.frameTemplate))
    folder.frameTemplate = ResourcePath(layout, kFrameTemplateFile);
  return folder;
}

Result PrepareWorkFolder(const DataLayout& layout) {
  if (!layout.installed) return {};
  if (layout.workFolder.empty())
    return Result::Fail(
        "cannot find your data folder: neither XDG_DATA_HOME nor HOME names an absolute "
        "folder");
  const std::string slots = JoinPath(layout.workFolder, DataFolder::kSlots);
  if (Result made = MakeFolders(layout.workFolder); !made) return made;
  if (Result made = EnsureDirectory(slots); !made) return made;
  if (Result made = EnsureDirectory(JoinPath(layout.workFolder, DataFolder::kResults)); !made)
    return made;

  const std::string examples = JoinPath(layout.resourceFolder, kExampleFolder);
  std::vector<std::string> names;
  if (Result listed = ExampleSlots(examples, names); !listed) return listed;
  std::string bytes;
  for (const std::string& name : names) {
    const std::string target = JoinPath(slots, name);
    os::FileKind kind;
    if (!os::LookAt(target, kind)) return Result::Fail(Describe(target, "cannot look at", errno));
    if (kind != os::FileKind::kMissing) continue;  // the user's slot stays as it is
    if (Result read = ReadFileBytes(JoinPath(examples, name), kMaxSmallFileBytes, bytes); !read)
      return read;
    if (Result written = WriteFileAtomically(target, bytes.data(), bytes.size()); !written)
      return written;
  }
  return {};
}

Result EnterWorkFolder(const DataLayout& layout) {
  if (Result prepared = PrepareWorkFolder(layout); !prepared) return prepared;
  if (layout.workFolder.empty())
    return Result::Fail("cannot find the program's own folder: /proc/self/exe cannot be read");
  if (!os::EnterFolder(layout.workFolder))
    return Result::Fail(Describe(layout.workFolder, "cannot enter folder", errno));
  return {};
}
