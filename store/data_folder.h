#pragma once
// Where the programs find their files: the one rule for both the editor and the export tool.
//
// Beside the executable (the build folder, an unpacked folder): siro.bmp lies in the
// executable's folder, which holds everything: siro.bmp, a.bmp, savedata/ and result/.
// Installed (executable in P/bin, data in P/share/quilmorante): siro.bmp and a.bmp are read
// from P/share/quilmorante; savedata/ and result/ live in the user's data folder,
// $XDG_DATA_HOME/quilmorante (default ~/.local/share/quilmorante), which is created on the
// first start and receives the example slots from P/share/quilmorante/examples.
// Neither: treated as beside the executable, so the programs fail there, naming the file
// they miss.

#include <string>
#include <vector>

#include "generator/frame_template.h"
#include "generator/result.h"
#include "generator/slot_files.h"

constexpr const char* kWhiteTextureFile = "siro.bmp";
// The exports' folder and the editor's settings (the screen language), beside savedata/.
constexpr const char* kResultsFolder = "result";
constexpr const char* kSettingsFile = "settings.txt";

// The files of the data folder the programs work in, each path made from its root: the slots
// and the recovery files in savedata/, the exports in result/, the settings, and the frame
// template and the white texture wherever the layout keeps them. The one place these names
// are made, and the slots' store (savedata/ under the root, each slot file read whole, at
// most 64 KiB): the generator loads and saves its slots through it.
class DataFolder : public SlotStore {
 public:
  // A folder whose root is the working directory: the editor's, which enters its data
  // folder at start.
  DataFolder() : DataFolder(std::string()) {}
  explicit DataFolder(std::string folder);

  // The data folder; empty for the working directory. Every path below starts with it.
  std::string root;
  std::string frameTemplate;
  std::string whiteTexture;

  static constexpr const char* kSlots = kSlotsFolder;
  static constexpr const char* kResults = kResultsFolder;
  static constexpr const char* kSettings = kSettingsFile;
  // Held by the editor for its whole run: one editor per data folder.
  static constexpr const char* kEditorLock = "savedata/.quilmorante-editor.lock";
  // The extension of M's frames, BMP files.
  static constexpr const char* kFrameExtension = ".bmp";

  // root/name: a file of the data folder named as the screen names it ("result/AA.bmp").
  std::string Path(const std::string& name) const;

  // The slot files' names: savedata/pat<n>.txt, savedata/pal<n>.txt and the palette's files
  // beside it, savedata/pal<n>.cycles.txt and savedata/pal<n>.look.txt (n in decimal).
  static std::string PatternFile(int n);
  static std::string PaletteFile(int n);
  static std::string CyclesFile(int n);
  static std::string LookFile(int n);
  // The frame files' names: <id><'A' + frame><extension> for the default cycle's sixteen,
  // <id>-<frame, four digits><extension> when numbered (any other cycle); the BMP frames
  // and the PNG frames alike. FrameFile: a BMP frame in result/.
  static std::string FrameName(char idLetter, int frame, bool numbered = false,
                               const char* extension = kFrameExtension);
  static std::string FrameFile(char idLetter, int frame, bool numbered = false);
  // Whether a file name is one of idLetter's frame names with the extension, in either
  // naming.
  static bool IsFrameName(const std::string& name, char idLetter, const std::string& extension);
};

// The files in `folder` that are frames of idLetter with the extension, in either naming, and
// not among `kept` (paths as "<folder>/<name>"): what a loop of another length or naming left.
// An export removes them with its set, so a folder never holds two loops' frames of one id.
std::vector<std::string> OtherFrameFiles(const std::string& folder, char idLetter,
                                         const std::string& extension,
                                         const std::vector<std::string>& kept);

struct DataLayout {
  // The data folder: savedata/ and result/ are in it. Empty when the executable's folder
  // could not be found (the current folder is used).
  std::string workFolder;
  // Where siro.bmp and a.bmp are read from; empty means the working directory.
  std::string resourceFolder;
  // The installed layout: the work folder is the user's data folder.
  bool installed = false;
};

// What the rule reads from the environment, passed in so tests can choose it.
struct LayoutEnvironment {
  std::string xdgDataHome;  // $XDG_DATA_HOME; empty when unset
  std::string home;         // $HOME, else the home folder of the user's password entry

  static LayoutEnvironment FromProcess();
};

// The folder of the running executable, from /proc/self/exe; empty when it cannot be read.
std::string ExecutableFolder();

// The user's data folder for QUILMORANTE: $XDG_DATA_HOME/quilmorante when XDG_DATA_HOME is an
// absolute path (a relative one is ignored, as the XDG Base Directory rules say), otherwise
// $HOME/.local/share/quilmorante. Empty when neither gives a folder.
std::string UserDataFolder(const LayoutEnvironment& environment);

// Decides the layout from the executable's folder and the environment; looks at the files
// <executableFolder>/siro.bmp and <executableFolder>/../share/quilmorante/siro.bmp.
DataLayout DecideDataLayout(const std::string& executableFolder,
                            const LayoutEnvironment& environment);

// The layout of this process: DecideDataLayout(ExecutableFolder(), FromProcess()).
DataLayout ProcessDataLayout();

// resourceFolder/name, or name alone when the resource folder is the working directory.
std::string ResourcePath(const DataLayout& layout, const char* name);

// The data folder of the layout, once its work folder is the working directory (the editor's
// start enters it): its root is the working directory.
DataFolder LayoutDataFolder(const DataLayout& layout);

// An explicitly named data folder (quilmorante-export --data), reached from the working
// directory. Its frame template is its own a.bmp when it has one, otherwise the installed
// a.bmp in the installed layout, otherwise its a.bmp (which then fails, naming it).
DataFolder NamedDataFolder(const DataLayout& layout, const std::string& dataFolder);

// In the installed layout: creates the work folder (and its parents, private to the user),
// savedata/ and result/ in it, and copies every example slot of resourceFolder/examples that
// the work folder does not have yet; a slot that exists is never overwritten. Each copy is
// written crash-safe. Does nothing in the other layouts.
Result PrepareWorkFolder(const DataLayout& layout);

// PrepareWorkFolder, then makes the work folder the working directory.
Result EnterWorkFolder(const DataLayout& layout);
