#pragma once
// Paths as text, the one place the programs take them apart and put them together, and what
// a path leads to. Separators are the system's (os::IsSeparator): '/' on POSIX, '/' and '\' on
// Windows.

#include <string>

// folder + "/" + name; name alone when folder is empty; no second separator when the folder
// ends in one.
std::string JoinPath(const std::string& folder, const std::string& name);
// The name after the last separator: "out/x.gif" -> "x.gif".
std::string BaseName(const std::string& path);
// A name a screen text can hold: the file's base name, printable ASCII, at most 24 characters.
std::string ShownName(const std::string& path);
// The folder that holds the file: "out/x.gif" -> "out", "x.gif" -> ".", "/x" -> "/".
std::string FolderOf(const std::string& path);
// The folder that holds a folder, trailing separators ignored: "/usr/bin/" -> "/usr".
std::string ParentFolder(const std::string& folder);
// The path from the root, through the working directory (however long its path is); as
// given when it is absolute already or the working directory cannot be read.
std::string AbsolutePath(const std::string& path);

// The absolute path of the file a write to `path` opens: every symbolic link on the way is
// followed, the last one too whether or not its target exists, and "." and ".." are taken
// after the links before them, as the system takes them. From the first missing part on the
// path is taken as written. A trailing separator, "." and repeated separators change nothing.
std::string ResolvedPath(const std::string& path);
// What tells one file from another however its path is spelled: the file itself (device and
// inode) when something is there, else the path it resolves to. "-" is itself.
std::string FileIdentity(const std::string& path);
// Whether `path` is `folder` or lies inside it, both resolved.
bool IsWithin(const std::string& path, const std::string& folder);
