#include "generator/paths.h"

#include "generator/file_system.h"

namespace {

// Where the name starts: past the last separator.
std::size_t NameStart(const std::string& path) {
  std::size_t start = path.size();
  while (start > 0 && !os::IsSeparator(path[start - 1])) --start;
  return start;
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
  std::string name;
  for (char c : BaseName(path)) name += c >= 0x20 && c < 0x7F ? c : '?';
  return name.size() > 24 ? name.substr(0, 21) + "..." : name;
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
