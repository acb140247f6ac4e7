#pragma once
// Paths as text, the one place the programs take them apart and put them together, and what
// a path leads to. Separators are the system's (os::IsSeparator): '/' on POSIX, '/' and '\' on
// Windows.

#include <cstddef>
#include <string>
#include <string_view>

// folder + "/" + name; name alone when folder is empty; no second separator when the folder
// ends in one.
std::string JoinPath(const std::string& folder, const std::string& name);
// The name after the last separator: "out/x.gif" -> "x.gif".
std::string BaseName(const std::string& path);
// A name a screen text can hold: the file's base name as UTF-8, a control character or a byte
// that is no UTF-8 as '?', at most 24 characters (a longer one cut after 21, on a character,
// and "..."). What the screen draws of it is ToScreenText's (editor/screen_encoding.h).
std::string ShownName(const std::string& path);
// The longest stem SafeFileStem gives, in bytes.
constexpr std::size_t kMaxFileStemBytes = 64;
// A name (UTF-8) made fit to start a file's name on every system: '/', '\\', the characters
// Windows refuses, control characters and bytes that are no UTF-8 become '_'; leading dots
// and spaces go, and so do trailing ones; at most kMaxFileStemBytes bytes, cut on a character;
// a Windows device name (CON, NUL, COM1, ...) gets a leading '_'. Empty when nothing is left.
std::string SafeFileStem(std::string_view name);
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
