#include "store/palette_folders.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "store/file_system.h"
#include "store/paths.h"

PaletteFolderEnvironment PaletteFolderEnvironment::FromProcess() {
  PaletteFolderEnvironment environment;
  if (const char* value = std::getenv("XDG_CONFIG_HOME")) environment.xdgConfigHome = value;
  if (const char* value = std::getenv("HOME")) environment.home = value;
  if (const char* value = std::getenv("APPDATA")) environment.appData = value;
  return environment;
}

std::vector<PaletteFolder> PaletteFolders(const PaletteFolderEnvironment& environment,
                                          const std::string& dataFolder,
                                          const std::vector<std::string>& remembered) {
  std::vector<PaletteFolder> folders;
  const auto add = [&folders](const std::string& path, const std::string& label) {
    if (path.empty()) return;
    for (const PaletteFolder& folder : folders)
      if (folder.path == path) return;
    folders.push_back({path, label});
  };
  add(AbsolutePath(JoinPath(dataFolder, "palettes")), "palettes");
  // The user's configuration folder, as GIMP and Aseprite keep it.
  std::string config;
#ifdef _WIN32
  config = environment.appData;
  const std::string aseprite = "Aseprite";
#else
  if (os::IsAbsolutePath(environment.xdgConfigHome))
    config = environment.xdgConfigHome;
  else if (!environment.home.empty())
    config = JoinPath(environment.home, ".config");
  const std::string aseprite = "aseprite";
#endif
  if (!config.empty()) {
    add(JoinPath(config, "GIMP/2.10/palettes"), "GIMP 2.10");
    add(JoinPath(config, "GIMP/3.0/palettes"), "GIMP 3.0");
    add(JoinPath(config, aseprite + "/palettes"), "Aseprite");
  }
#ifndef _WIN32
  add("/usr/share/gimp/2.0/palettes", "GIMP");
  add("/usr/share/gimp/3.0/palettes", "GIMP");
#endif
  for (const std::string& folder : remembered) add(folder, ShownName(folder));
  return folders;
}

PathKind KindOfPath(const std::string& path) {
  if (os::IsFolder(path)) return PathKind::kFolder;
  if (os::IsFile(path)) return PathKind::kFile;
  return PathKind::kNone;
}

Result ListPaletteFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  std::vector<std::string> names;
  errno = 0;
  if (KindOfPath(folder) != PathKind::kFolder || !os::ListFolder(folder, names, kMaxListedEntries))
    return Result::FileFailure(folder, "cannot list", errno != 0 ? errno : ENOTDIR);
  std::sort(names.begin(), names.end());
  for (std::string& name : names) {
    if (name.empty() || name[0] == '.') continue;
    const PathKind kind = KindOfPath(JoinPath(folder, name));
    if (kind == PathKind::kNone) continue;
    entries.push_back({std::move(name), kind == PathKind::kFolder});
  }
  return Result::Ok();
}

bool LooksLikePath(const std::string& typed) {
  return (!typed.empty() && typed[0] == '~') ||
         std::any_of(typed.begin(), typed.end(), os::IsSeparator);
}

std::string ExpandTypedPath(const PaletteFolderEnvironment& environment, const std::string& typed) {
  if (typed == "~") return environment.home;
  if (typed.size() > 1 && typed[0] == '~' && os::IsSeparator(typed[1]) && !environment.home.empty())
    return JoinPath(environment.home, typed.substr(2));
  return AbsolutePath(typed);
}
