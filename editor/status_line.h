#pragma once
// The status line under the preview: what M wrote, which slot a switch saved, why a save or
// an export failed, and whether recovery files wait in savedata/. A success shows for about
// three seconds; a failure or the recovery notice until the next key press.

#include <cstdint>
#include <string>
#include <vector>

#include "editor/editor_canvas.h"
#include "editor/screen_layout.h"
#include "generator/frame_template.h"
#include "generator/pattern_generator.h"

constexpr uint64_t kStatusSuccessMs = 3000;

// The line stands at (kStatusX, kStatusY) (screen_layout.h), under the preview, in font slot 3.
constexpr int kStatusFont = 3;

// After M: the first and the last frame written (frames of them, numbered for any cycle but
// the default one).
void ShowExported(StatusLine& status, char idLetter, uint64_t nowMs, int frames = kFrameCount,
                  bool numbered = false);
// After E: every format, count files in all; the formats' named after the pattern's name when
// it has one.
void ShowExportedAll(StatusLine& status, char idLetter, const std::string& name, int count,
                     uint64_t nowMs);
// While an export runs: its frames done of the loop's, and the file it is at. Shown only
// while nothing else is, so a save or a failure during the export stays readable.
void ShowExporting(StatusLine& status, int framesDone, int frames, const std::string& path,
                   uint64_t nowMs);
void ShowSaved(StatusLine& status, const std::string& file, uint64_t nowMs);
// Failures show their reason first, then the file they concern.
void ShowSaveFailure(StatusLine& status, const Result& failure);
void ShowExportFailure(StatusLine& status, const Result& failure);
// A window close refused because the unsaved edits could not be kept.
void ShowCloseRefused(StatusLine& status, const Result& failure);
// The recovery files found: the first named, the others counted; with `offered`, some are of
// the slots on screen, and the keys that restore or discard them are named too.
void ShowRecoveryFiles(StatusLine& status, const std::vector<std::string>& files,
                       bool offered = false);
// After Ctrl+R or Ctrl+D: the recovery files taken back, or removed.
void ShowRecoveryHandled(StatusLine& status, bool restored, const std::vector<std::string>& files,
                         uint64_t nowMs);
// A palette file that could not be imported: its name, then why, shortened where the line is
// too long.
void ShowImportFailure(StatusLine& status, const std::string& name, const std::string& why);
// Which slots' load problems ShowSlotProblem looks at.
enum class SlotProblemOf { kPattern, kPalette, kBoth };
// A slot file the last load could not read (the pattern's first, then the palette's, then
// its ranges file's, then its look's): the reason, then the file. The slot loaded as zeros
// (the ranges as the default cycle, the look as none), and the file is not written until its
// part is edited. Stays until a key goes down after it is shown. Whether there was one.
bool ShowSlotProblem(StatusLine& status, const PatternGenerator& g, SlotProblemOf which);
// A short note (undo, redo), shown for about three seconds.
void ShowNote(StatusLine& status, const std::string& text, uint64_t nowMs);
// On the first start: where the key help is, for ten seconds or until a key goes down.
constexpr uint64_t kFirstHintMs = 10000;
void ShowFirstHint(StatusLine& status, uint64_t nowMs);

// At the start of every editor frame: ends a success whose time is over, and a failure or
// notice once a key goes down that was not already down when it was posted.
void AgeStatus(StatusLine& status, const uint8_t* keys, uint64_t nowMs);

// The longest start of the text, in whole code page 932 characters, that fits in room
// pixels of the line's font with `after` behind it: the whole text when it fits.
std::string FittingStart(const EditorCanvas& canvas, const std::string& text, int32_t room,
                         const std::string& after = {});

// Draws the session's message where the screen has its line (StatusPlaceOf, overlay.h: under
// the preview, or a line of its own under an overlay over the whole window), shortened with
// "…" so that it ends before the place's right.
void DrawStatus(const EditorSession& session, const EditorCanvas& canvas);
