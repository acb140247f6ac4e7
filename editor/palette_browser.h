#pragma once
// The palette browser (B in the palette panel; kBrowserOverlay, a row of editor/overlay.h): a
// list of palette files to import from the keyboard alone. It covers the window beside the
// preview, the swatches and the palette panel, which stay in view. Typing filters the names
// (or, with a separator, opens a typed path); the arrows, PgUp, PgDn, Home, End and the wheel
// move the cursor, and the palette under it shows at once in the palette panel's row, as an
// import would put it there. Return keeps it (one undo step) or opens the folder under the
// cursor; Escape puts back what was there. A file's colours are read when its row first shows.

#include <memory>
#include <string>
#include <vector>

#include "formats/palette_reader.h"
#include "generator/pattern_generator.h"
#include "generator/result.h"
#include "store/palette_folders.h"

// Where the browser finds palette files: the disk's (DiskPaletteShelf), or a test's list.
class PaletteShelf {
 public:
  virtual ~PaletteShelf() = default;
  // The folders the browser lists when nothing typed names one, in order.
  virtual std::vector<PaletteFolder> Places(const std::vector<std::string>& remembered) const = 0;
  // A typed path made whole ("~/x" from the home folder), and what a path leads to.
  virtual std::string Expand(const std::string& typed) const = 0;
  virtual PathKind Kind(const std::string& path) const = 0;
  // A folder's palette files and folders, sorted (ListPaletteFolder).
  virtual Result List(const std::string& folder, std::vector<FolderEntry>& entries) const = 0;
  // A file's colours (ReadPaletteFile).
  virtual Result Read(const std::string& path, ImportedPalette& palette) const = 0;
};

// The disk: the data folder's palettes/, GIMP's and Aseprite's folders of the environment.
std::shared_ptr<PaletteShelf> DiskPaletteShelf(const std::string& dataFolder,
                                               const PaletteFolderEnvironment& environment);

// Opens the browser over the palette panel's row (B in the panel).
void OpenPaletteBrowser(PatternGenerator& g);

// While the browser is open its preview is no edit yet: the look it covers, which the frame's
// edits are judged with in place of the preview; null while it is closed.
const PaletteLook* CoveredLook(const PatternGenerator& g);
PaletteLook* CoveredLook(PatternGenerator& g);
