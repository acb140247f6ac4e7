#pragma once
// Paths as text, the one place the programs take them apart and put them together. Separators
// are the system's (os::IsSeparator): '/' on POSIX, '/' and '\' on Windows.

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
