#pragma once
// Where palette files from other programs are looked for, and a folder's listing as the palette
// browser shows it. A folder may come from anyone: a listing never waits (nothing is opened,
// only looked at), holds only regular files and folders (a link counts as what it leads to, a
// dangling one, a FIFO or a device is left out) and at most kMaxListedEntries names.

#include <cstddef>
#include <string>
#include <vector>

#include "generator/result.h"

// A folder the browser offers, and the short name it shows for it.
struct PaletteFolder {
  std::string path;
  std::string label;
  bool operator==(const PaletteFolder&) const = default;
};

// What the places are made from, passed in so tests can choose it.
struct PaletteFolderEnvironment {
  std::string xdgConfigHome;  // $XDG_CONFIG_HOME; empty when unset
  std::string home;           // $HOME
  std::string appData;        // %APPDATA% (Windows)

  static PaletteFolderEnvironment FromProcess();
};

// The places, in order, whether or not they exist: the data folder's palettes/, the user's
// GIMP (2.10, 3.0) and Aseprite palette folders (the XDG config folder, $XDG_CONFIG_HOME when
// absolute, else ~/.config; %APPDATA% on Windows), the system's GIMP palettes, then the
// remembered folders (most recent first); a folder named twice once.
std::vector<PaletteFolder> PaletteFolders(const PaletteFolderEnvironment& environment,
                                          const std::string& dataFolder,
                                          const std::vector<std::string>& remembered);

struct FolderEntry {
  std::string name;  // UTF-8, as the system gives it
  bool folder = false;
  bool operator==(const FolderEntry&) const = default;
};

constexpr std::size_t kMaxListedEntries = 10000;

// The folder's regular files and folders, names sorted byte by byte, hidden ones (a leading
// '.') left out; at most kMaxListedEntries of the names the system gives first. Fails, saying
// why, when the folder cannot be read.
Result ListPaletteFolder(const std::string& folder, std::vector<FolderEntry>& entries);

enum class PathKind { kNone, kFile, kFolder };
// What a path leads to, links followed, without opening it: a regular file, a folder, or
// neither.
PathKind KindOfPath(const std::string& path);
// Whether typed text names a path rather than filters names: it holds a separator or starts
// with "~".
bool LooksLikePath(const std::string& typed);
// A typed path: "~" and "~/..." from the home folder, a relative one from the working folder.
std::string ExpandTypedPath(const PaletteFolderEnvironment& environment, const std::string& typed);
