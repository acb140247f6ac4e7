#include "store/paths.h"

#include <algorithm>
#include <vector>

#include "generator/utf8_text.h"
#include "store/file_system.h"

namespace {

// Where the name starts: past the last separator.
std::size_t NameStart(const std::string& path) {
  std::size_t start = path.size();
  while (start > 0 && !os::IsSeparator(path[start - 1])) --start;
  return start;
}

// How long a chain of symbolic links is followed: the system gives up at 40 as well.
constexpr int kMaxLinkHops = 40;

// The root an absolute path starts with: "/", "C:\\", "\\\\server\\share\\" (Windows).
std::size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && os::IsSeparator(path[2])) return 3;
  if (path.size() >= 2 && os::IsSeparator(path[0]) && os::IsSeparator(path[1]) &&
      os::IsSeparator('\\')) {
    // A UNC root ends after its share's name.
    std::size_t at = 2;
    for (int part = 0; part < 2 && at < path.size(); ++part) {
      while (at < path.size() && !os::IsSeparator(path[at])) ++at;
      if (at < path.size()) ++at;
    }
    return at;
  }
  return path.empty() || !os::IsSeparator(path[0]) ? 0 : 1;
}

// The path's parts from `from` on, the last first, without empty parts and ".".
void PushParts(const std::string& path, std::size_t from, std::vector<std::string>& parts) {
  std::vector<std::string> read;
  for (std::size_t at = from; at < path.size();) {
    std::size_t end = at;
    while (end < path.size() && !os::IsSeparator(path[end])) ++end;
    if (end > at && path.compare(at, end - at, ".") != 0) read.push_back(path.substr(at, end - at));
    at = end + 1;
  }
  parts.insert(parts.end(), read.rbegin(), read.rend());
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return os::IsSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

std::string BaseName(const std::string& path) {
  return path.substr(NameStart(path));
}

std::string ShownName(const std::string& path) {
  constexpr int kShown = 24;  // characters; a longer name keeps 21 and "..."
  const std::string base = BaseName(path);
  std::string name;
  std::size_t cut = 0;
  int characters = 0;
  for (std::size_t at = 0; at < base.size();) {
    const std::size_t from = at;
    char32_t c;
    const bool whole = NextCharacter(base, at, c);
    if (++characters == kShown - 2) cut = name.size();
    if (whole && !IsControlCharacter(c))
      name.append(base, from, at - from);
    else
      name += '?';
  }
  return characters > kShown ? name.substr(0, cut) + "..." : name;
}

std::string SafeFileStem(std::string_view name) {
  constexpr std::string_view kRefused = "/\\:*?\"<>|";
  std::string safe;
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t from = at;
    char32_t c;
    const bool whole = NextCharacter(name, at, c);
    if (!whole || IsControlCharacter(c) ||
        (c < 0x80 && kRefused.find(static_cast<char>(c)) != std::string_view::npos))
      safe += '_';
    else
      safe.append(name, from, at - from);
  }
  // Windows drops trailing dots and spaces; a leading dot hides the file; spaces at either
  // end are easily lost.
  const std::size_t first = safe.find_first_not_of(". ");
  safe = first == std::string::npos ? "" : safe.substr(first);
  safe = std::string(CutAtCharacter(safe, kMaxFileStemBytes));
  while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) safe.pop_back();
  // Windows' device names, whatever follows their first dot.
  std::string device = safe.substr(0, safe.find('.'));
  while (!device.empty() && device.back() == ' ') device.pop_back();
  for (char& c : device) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  static constexpr std::string_view kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  bool reserved = std::find(std::begin(kDevices), std::end(kDevices), device) != std::end(kDevices);
  if (device.size() == 4 && (device.starts_with("COM") || device.starts_with("LPT")) &&
      device[3] >= '0' && device[3] <= '9')
    reserved = true;
  return reserved ? "_" + safe : safe;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = NameStart(path);
  if (slash == 0) return ".";
  // A root keeps its separator: "/", "C:\\".
  const std::string folder = path.substr(0, slash - 1);
  const std::string root = path.substr(0, slash);
  return !os::IsAbsolutePath(folder) && os::IsAbsolutePath(root) ? root : folder;
}

std::string ParentFolder(const std::string& folder) {
  std::string path = folder;
  while (path.size() > 1 && os::IsSeparator(path.back())) path.pop_back();
  return FolderOf(path);
}

std::string AbsolutePath(const std::string& path) {
  if (os::IsAbsolutePath(path)) return path;
  const std::string cwd = os::CurrentFolder();
  if (cwd.empty()) return path;
  return JoinPath(cwd, path);
}

std::string ResolvedPath(const std::string& path) {
  const std::string whole = AbsolutePath(path);
  std::size_t root = RootLength(whole);
  std::string resolved = whole.substr(0, root);
  std::vector<std::string> rest;  // the parts still to walk, the next one last
  PushParts(whole, root, rest);
  int hops = 0;
  while (!rest.empty()) {
    const std::string name = std::move(rest.back());
    rest.pop_back();
    if (name == "..") {
      // The part before is no link (links are replaced as they are met): its folder.
      std::size_t cut = resolved.size();
      while (cut > root && !os::IsSeparator(resolved[cut - 1])) --cut;
      resolved.resize(cut > root ? cut - 1 : root);
      continue;
    }
    const std::string next = JoinPath(resolved, name);
    os::FileKind kind = os::FileKind::kMissing;
    std::string target;
    if (hops < kMaxLinkHops && os::LookAt(next, kind) && kind == os::FileKind::kLink &&
        os::ReadLink(next, target)) {
      ++hops;
      if (os::IsAbsolutePath(target)) {
        root = RootLength(target);
        resolved = target.substr(0, root);
      }
      PushParts(target, os::IsAbsolutePath(target) ? root : 0, rest);
      continue;
    }
    resolved = next;
  }
  return resolved;
}

std::string FileIdentity(const std::string& path) {
  if (path == "-") return path;
  // Looked at as given first: a path too long for the system as a whole is still reached
  // through the working directory.
  if (const std::string key = os::FileKey(path); !key.empty()) return "file " + key;
  const std::string resolved = ResolvedPath(path);
  if (const std::string key = os::FileKey(resolved); !key.empty()) return "file " + key;
  return "name " + resolved;
}

bool IsWithin(const std::string& path, const std::string& folder) {
  const std::string inner = ResolvedPath(path), outer = ResolvedPath(folder);
  if (inner.size() < outer.size() || inner.compare(0, outer.size(), outer) != 0) return false;
  return inner.size() == outer.size() || os::IsSeparator(outer.back()) ||
         os::IsSeparator(inner[outer.size()]);
}
