#include "editor/palette_browser.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "editor/editor_frame.h"
#include "editor/look_panel.h"
#include "editor/overlay.h"
#include "editor/screen_encoding.h"
#include "editor/screen_texts.h"
#include "generator/key_codes.h"
#include "store/paths.h"

struct PaletteBrowsing {
  // What Escape puts back, and the palette panel's row the preview goes into.
  PaletteLook original;
  int32_t row = kLookColours;
  // What is typed: a filter of the names, or a path.
  std::string typed;
  // The folders the rows come from, each listed once until the typed text names others.
  struct Listing {
    PaletteFolder folder;
    std::vector<FolderEntry> entries;
    std::string why;  // why it could not be listed
  };
  std::vector<PaletteFolder> listed;
  std::vector<Listing> listings;
  // A row: a folder's heading (Return opens it), a folder in it, or a palette file.
  struct Row {
    std::string path;
    std::string name;  // UTF-8
    bool folder = false;
    bool heading = false;
    std::string why;
  };
  std::vector<Row> rows;
  int32_t cursor = 0;
  int32_t top = 0;
  // Each file's colours, or why it cannot be read, read when its row first shows.
  struct Colours {
    bool read = false;
    std::vector<Rgb> colours;
    std::string why;
  };
  std::map<std::string, Colours> cache;
  // The file whose colours show now; empty while what was there shows.
  std::string previewed;
};

namespace {

// The cache gives way whole past this many files: their colours are read again as they show.
constexpr size_t kMaxCachedFiles = 2048;
// A filter is a line of typing, not a file.
constexpr size_t kMaxTypedBytes = 1024;

constexpr uint32_t kStripHeight = 10;

// A name or typed text as the screen draws it, at most `most` bytes: a longer one keeps its
// end ("...end"), cut between whole characters.
std::string Shown(const std::string& text, size_t most) {
  const std::string shown = ToScreenText(text);
  if (shown.size() <= most) return shown;
  const std::vector<size_t> ends = ScreenCharacterEnds(shown);
  size_t from = 0;
  for (size_t end : ends) {
    if (shown.size() - end + 3 <= most) break;
    from = end;
  }
  for (size_t end : ends)
    if (end >= from && shown.size() - end + 3 <= most) return "..." + shown.substr(end);
  return "...";
}

bool Matches(const std::string& name, const std::string& filter) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return std::search(name.begin(), name.end(), filter.begin(), filter.end(),
                     [&](char a, char b) { return lower(a) == lower(b); }) != name.end();
}

// A reader's refusal in a few words: the file's name and the details after ';' left out.
std::string ShortReason(const Result& read, const std::string& path) {
  std::string why =
      read.message.rfind(path + ": ", 0) == 0 ? read.message.substr(path.size() + 2) : read.message;
  why = why.substr(0, why.find(';'));
  return Shown(why, why.size());
}

PaletteBrowsing& Browsing(PatternGenerator& g) {
  return *g.session.browsing;
}

const PaletteBrowsing::Colours& ColoursOf(PatternGenerator& g, const std::string& path) {
  PaletteBrowsing& b = Browsing(g);
  if (auto found = b.cache.find(path); found != b.cache.end()) return found->second;
  if (b.cache.size() >= kMaxCachedFiles) b.cache.clear();
  PaletteBrowsing::Colours colours;
  ImportedPalette imported;
  if (Result read = g.session.paletteShelf->Read(path, imported); read) {
    colours.read = true;
    colours.colours = std::move(imported.colours);
  } else {
    colours.why = ShortReason(read, path);
  }
  return b.cache.emplace(path, std::move(colours)).first->second;
}

// The palette under the cursor into the panel's row, as an import puts it there; what was
// there when the cursor is on no readable file.
void Preview(PatternGenerator& g) {
  PaletteBrowsing& b = Browsing(g);
  std::string wanted;
  const PaletteBrowsing::Colours* colours = nullptr;
  if (b.cursor < static_cast<int32_t>(b.rows.size()) && !b.rows[b.cursor].folder) {
    colours = &ColoursOf(g, b.rows[b.cursor].path);
    if (colours->read) wanted = b.rows[b.cursor].path;
  }
  if (wanted == b.previewed) return;
  g.look = b.original;
  if (!wanted.empty()) ApplyPalette(g, colours->colours, wanted, b.row);
  g.RebuildPalette();
  b.previewed = wanted;
}

void MoveCursor(PatternGenerator& g, int32_t to) {
  PaletteBrowsing& b = Browsing(g);
  const int32_t last = std::max(0, static_cast<int32_t>(b.rows.size()) - 1);
  b.cursor = std::clamp(to, 0, last);
  b.top = std::clamp(b.top, b.cursor - kBrowserRows + 1, b.cursor);
  Preview(g);
}

// The rows anew from the typed text: a filter over the places' files, or a path: a folder
// (all of it), a file (alone), or a folder and the start of a name in it.
void Rebuild(PatternGenerator& g) {
  PaletteBrowsing& b = Browsing(g);
  const PaletteShelf& shelf = *g.session.paletteShelf;
  std::vector<PaletteFolder> folders;
  std::string filter = b.typed;
  std::string file;
  if (LooksLikePath(b.typed)) {
    filter.clear();
    const std::string path = shelf.Expand(b.typed);
    const PathKind kind = shelf.Kind(path);
    if (kind == PathKind::kFolder) {
      folders.push_back({path, Shown(path, 40)});
    } else if (kind == PathKind::kFile) {
      file = path;
    } else if (shelf.Kind(FolderOf(path)) == PathKind::kFolder) {
      folders.push_back({FolderOf(path), Shown(FolderOf(path), 40)});
      filter = BaseName(path);
    }
  } else {
    folders = shelf.Places(g.session.paletteFolders);
  }
  if (folders != b.listed) {
    b.listed = folders;
    b.listings.clear();
    for (const PaletteFolder& folder : folders) {
      if (shelf.Kind(folder.path) != PathKind::kFolder) continue;
      PaletteBrowsing::Listing listing{folder, {}, {}};
      if (Result listed = shelf.List(folder.path, listing.entries); !listed)
        listing.why = ShortReason(listed, folder.path);
      b.listings.push_back(std::move(listing));
    }
  }
  b.rows.clear();
  if (!file.empty()) b.rows.push_back({file, BaseName(file), false, false, {}});
  for (const PaletteBrowsing::Listing& listing : b.listings) {
    const PaletteBrowsing::Row heading{listing.folder.path, listing.folder.label, true, true,
                                       listing.why};
    if (!listing.why.empty() && filter.empty()) b.rows.push_back(heading);
    bool headed = false;
    for (const FolderEntry& entry : listing.entries) {
      if (!Matches(entry.name, filter)) continue;
      if (!headed) b.rows.push_back(heading);
      headed = true;
      b.rows.push_back(
          {JoinPath(listing.folder.path, entry.name), entry.name, entry.folder, false, {}});
    }
  }
  // On the first file, or the first row.
  int32_t first = 0;
  while (first < static_cast<int32_t>(b.rows.size()) && b.rows[first].folder) ++first;
  b.top = 0;
  MoveCursor(g, first < static_cast<int32_t>(b.rows.size()) ? first : 0);
}

// Every key held as the browser closes acts only when pressed again: a letter typed last does
// not act in the editor.
void Close(PatternGenerator& g, const uint8_t* keys) {
  for (int key = 0; key < kKeyCodeCount; ++key)
    if ((keys[key] & 0x80) != 0) KeyTriggered(key, keys, false);
  CloseOverlay(g, kBrowserOverlay);
}

// Return: a folder opens; a file's colours are kept as an import keeps them.
void Choose(PatternGenerator& g, const uint8_t* keys, uint64_t nowMs) {
  PaletteBrowsing& b = Browsing(g);
  if (b.cursor >= static_cast<int32_t>(b.rows.size())) return;
  const PaletteBrowsing::Row row = b.rows[b.cursor];
  if (row.folder) {
    b.typed = row.path;
    if (b.typed.empty() || b.typed.back() != '/') b.typed += '/';
    Rebuild(g);
    return;
  }
  const PaletteBrowsing::Colours& colours = ColoursOf(g, row.path);
  if (!colours.read) return;
  const std::vector<Rgb> kept = colours.colours;
  const int32_t into = b.row;
  g.look = b.original;
  b.previewed.clear();
  Close(g, keys);
  KeepPalette(g, kept, row.path, into, nowMs);
}

void BrowserText(PatternGenerator& g, const std::string& typed) {
  PaletteBrowsing& b = Browsing(g);
  bool changed = false;
  for (char c : typed) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || b.typed.size() >= kMaxTypedBytes)
      continue;
    b.typed += c;
    changed = true;
  }
  if (changed) Rebuild(g);
}

void BrowserKeys(PatternGenerator& g, const uint8_t* keys, uint64_t nowMs) {
  PaletteBrowsing& b = Browsing(g);
  if (KeyTriggered(DIK_ESCAPE, keys, false)) {
    Close(g, keys);
    return;
  }
  if (KeyTriggered(DIK_RETURN, keys, false) || KeyTriggered(DIK_NUMPADENTER, keys, false)) {
    Choose(g, keys, nowMs);
    return;
  }
  if (KeyTriggered(DIK_BACK, keys, false) && !b.typed.empty()) {
    // A whole UTF-8 character.
    size_t end = b.typed.size() - 1;
    while (end > 0 && (static_cast<unsigned char>(b.typed[end]) & 0xC0) == 0x80) --end;
    b.typed.resize(end);
    Rebuild(g);
  }
  int32_t to = b.cursor;
  if (KeyTriggered(DIK_UP, keys, false)) --to;
  if (KeyTriggered(DIK_DOWN, keys, false)) ++to;
  if (KeyTriggered(DIK_PRIOR, keys, false)) to -= kBrowserRows;
  if (KeyTriggered(DIK_NEXT, keys, false)) to += kBrowserRows;
  if (KeyTriggered(DIK_HOME, keys, false)) to = 0;
  if (KeyTriggered(DIK_END, keys, false)) to = static_cast<int32_t>(b.rows.size()) - 1;
  if (to != b.cursor) MoveCursor(g, to);
}

uint32_t Argb(const Rgb& c) {
  return 0xFF000000u | uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
}

// The editor's preview, swatches and palette panel as ever, and the list beside them; a
// visible file's colours are read as its row first shows.
void BrowserRects(PatternGenerator& g, const ScreenDraw& screen) {
  AdvancePreview(g, screen);
  DrawSwatches(g, screen);
  kLookOverlay.rects(g, screen);
  PaletteBrowsing& b = Browsing(g);
  screen.Rect(kBrowserBox, kGridOverlayColour, kBack);
  if (b.rows.empty()) return;
  screen.Rect(BrowserRow(b.cursor - b.top), kCursorColour, kFront);
  const int32_t end = std::min(static_cast<int32_t>(b.rows.size()), b.top + kBrowserRows);
  for (int32_t r = b.top; r < end; ++r) {
    if (b.rows[r].folder) continue;
    const PaletteBrowsing::Colours& colours = ColoursOf(g, b.rows[r].path);
    if (!colours.read || colours.colours.empty()) continue;
    const int32_t count = static_cast<int32_t>(colours.colours.size());
    const int32_t w = std::clamp(kBrowserStripWidth / count, 2, 8);
    const int32_t shown = std::min(count, kBrowserStripWidth / w);
    const ScreenBox row = BrowserRow(r - b.top);
    for (int32_t k = 0; k < shown; ++k)
      screen.Rect(kBrowserStripX + w * k, row.y + 3, w, kStripHeight, Argb(colours.colours[k]),
                  kFront);
  }
}

int32_t Width(const ScreenDraw& screen, const std::string& text) {
  const EditorCanvas& canvas = screen.canvas;
  return canvas.textWidth != nullptr ? canvas.textWidth(canvas.target, text.c_str(), kFontSmall)
                                     : 0;
}

// A shown (ASCII) text cut to the room, "..." marking the cut: at its end, or with `tail` at
// its start (a path's end says most).
std::string Fitted(const ScreenDraw& screen, std::string text, int32_t room, bool tail = false) {
  if (Width(screen, text) <= room) return text;
  // Whole characters off one end until the rest and "..." fit.
  while (!text.empty() && Width(screen, tail ? "..." + text : text + "...") > room) {
    const std::vector<size_t> ends = ScreenCharacterEnds(text);
    if (tail)
      text.erase(0, ends.front());
    else
      text.resize(ends.size() > 1 ? ends[ends.size() - 2] : 0);
  }
  return tail ? "..." + text : text + "...";
}

void BrowserTexts(const PatternGenerator& g, const ScreenDraw& screen) {
  kLookOverlay.texts(g, screen);
  const PaletteBrowsing& b = *g.session.browsing;
  const ScreenTexts& t = TextsFor(g.session.language);
  const int32_t right = kBrowserBox.x + kBrowserBox.w - 4;
  char line[2048];
  std::string typed = Shown(b.typed, kMaxTypedBytes);
  std::snprintf(line, sizeof line, t.browserTitleFormat, typed.c_str());
  const int32_t title = Width(screen, line) - Width(screen, typed);
  std::snprintf(line, sizeof line, t.browserTitleFormat,
                Fitted(screen, typed, right - kBrowserTitleAt.x - title, true).c_str());
  screen.Text(kBrowserTitleAt, line, kFontSmall);
  screen.Text(kBrowserKeysAt, t.browserKeys, kFontSmall);
  if (b.rows.empty())
    screen.Text({kBrowserTitleAt.x, BrowserRow(0).y + 1}, t.browserNone, kFontSmall);
  const int32_t end = std::min(static_cast<int32_t>(b.rows.size()), b.top + kBrowserRows);
  for (int32_t r = b.top; r < end; ++r) {
    const PaletteBrowsing::Row& row = b.rows[r];
    const ScreenBox box = BrowserRow(r - b.top);
    // The file's whole name is kept; the screen shows what it can of it.
    const int32_t x = row.heading ? kBrowserTitleAt.x : kBrowserTitleAt.x + 8;
    const std::string name = row.heading  ? row.name + ":"
                             : row.folder ? ToScreenText(ShownName(row.name)) + "/"
                                          : ToScreenText(ShownName(row.name));
    const int32_t room = (row.heading && row.why.empty() ? right : kBrowserStripX - 4) - x;
    screen.Text({x, box.y + 1}, Fitted(screen, name, room).c_str(), kFontSmall);
    std::string why = row.why;
    if (!row.folder) {
      auto found = b.cache.find(row.path);
      if (found != b.cache.end()) why = found->second.why;
    }
    if (!why.empty())
      screen.Text({kBrowserStripX, box.y + 1}, Fitted(screen, why, right - kBrowserStripX).c_str(),
                  kFontSmall);
  }
}

bool BrowserRowAt(const PatternGenerator& g, int32_t x, int32_t y, OverlayItem& item) {
  if (!kBrowserBox.Contains(x, y)) return false;
  const PaletteBrowsing& b = *g.session.browsing;
  item.index = -1;
  item.box = kBrowserBox;
  for (int32_t r = 0; r < kBrowserRows && b.top + r < static_cast<int32_t>(b.rows.size()); ++r) {
    if (!BrowserRow(r).Contains(x, y)) continue;
    item.index = b.top + r;
    item.box = BrowserRow(r);
  }
  return true;
}

// A click puts the cursor on the row; the wheel moves it, a row a notch.
void ClickBrowserRow(PatternGenerator& g, const OverlayItem& item, uint64_t) {
  if (item.index >= 0) MoveCursor(g, item.index);
}

void WheelBrowser(PatternGenerator& g, const OverlayItem&, int32_t a, uint64_t) {
  MoveCursor(g, Browsing(g).cursor - a);
}

// Opening ends a drag under way, as the list covers the panels; closing puts back what was
// there unless Return kept a palette.
void Opened(PatternGenerator& g) {
  EditorSession& s = g.session;
  if (s.dragPoint >= 0) {
    s.dragPoint = -1;
    s.history.Close();
  }
  auto browsing = std::make_shared<PaletteBrowsing>();
  browsing->original = g.look;
  browsing->row = DropRow(g);
  s.browsing = std::move(browsing);
  Rebuild(g);
}

void Closed(PatternGenerator& g) {
  if (!g.session.browsing->previewed.empty()) {
    g.look = g.session.browsing->original;
    g.RebuildPalette();
  }
  g.session.browsing.reset();
}

}  // namespace

constinit const Overlay kBrowserOverlay = {
    .key = 0,
    .place = OverlayPlace::kWindow,
    .opened = Opened,
    .closed = Closed,
    .keys = BrowserKeys,
    .rects = BrowserRects,
    .texts = BrowserTexts,
    .itemAt = BrowserRowAt,
    .click = ClickBrowserRow,
    .wheel = WheelBrowser,
    .text = BrowserText,
    .status = nullptr,
};

void OpenPaletteBrowser(PatternGenerator& g) {
  if (g.session.paletteShelf != nullptr) OpenOverlay(g, kBrowserOverlay);
}

const PaletteLook* CoveredLook(const PatternGenerator& g) {
  return IsOpen(g.session, kBrowserOverlay) ? &g.session.browsing->original : nullptr;
}

PaletteLook* CoveredLook(PatternGenerator& g) {
  return IsOpen(g.session, kBrowserOverlay) ? &g.session.browsing->original : nullptr;
}

namespace {

class DiskShelf : public PaletteShelf {
 public:
  DiskShelf(const std::string& dataFolder, const PaletteFolderEnvironment& environment)
      : dataFolder_(dataFolder), environment_(environment) {}
  std::vector<PaletteFolder> Places(const std::vector<std::string>& remembered) const override {
    return PaletteFolders(environment_, dataFolder_, remembered);
  }
  std::string Expand(const std::string& typed) const override {
    return ExpandTypedPath(environment_, typed);
  }
  PathKind Kind(const std::string& path) const override { return KindOfPath(path); }
  Result List(const std::string& folder, std::vector<FolderEntry>& entries) const override {
    return ListPaletteFolder(folder, entries);
  }
  Result Read(const std::string& path, ImportedPalette& palette) const override {
    return ReadPaletteFile(path, palette);
  }

 private:
  std::string dataFolder_;
  PaletteFolderEnvironment environment_;
};

}  // namespace

std::shared_ptr<PaletteShelf> DiskPaletteShelf(const std::string& dataFolder,
                                               const PaletteFolderEnvironment& environment) {
  return std::make_shared<DiskShelf>(dataFolder, environment);
}
