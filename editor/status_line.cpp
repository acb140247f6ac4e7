#include "editor/status_line.h"

#include <cstdio>

#include "editor/editor_texts.h"
#include "editor/overlay.h"
#include "editor/screen_encoding.h"
#include "editor/screen_texts.h"
#include "generator/frame_template.h"
#include "store/data_folder.h"

namespace {

void Post(StatusLine& status, std::string text, bool untilKeyPress, uint64_t nowMs, bool keysUp,
          std::string file = {}) {
  status.text = std::move(text);
  status.file = std::move(file);
  status.untilKeyPress = untilKeyPress;
  status.shownUntilMs = nowMs + kStatusSuccessMs;
  status.keysUpSincePosted = keysUp;
  status.expires = false;
  status.progress = false;
}

const ScreenTexts& Texts(const StatusLine& status) {
  return TextsFor(status.language);
}

// Without the canvas's own measure: a full-width character fills the cell, a half-width one
// takes about 5/8 of it in a proportional gothic face (file names and reasons are mostly
// lower-case letters, narrower still).
int32_t EstimatedWidth(const std::string& text, int font) {
  const int32_t cell = kFontHeights[font];
  int32_t width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsScreenLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      width += cell;
      ++i;
    } else {
      width += cell * 5 / 8;
    }
  }
  return width;
}

int32_t Width(const EditorCanvas& canvas, const std::string& text) {
  if (canvas.textWidth != nullptr)
    return canvas.textWidth(canvas.target, text.c_str(), kStatusFont);
  return EstimatedWidth(text, kStatusFont);
}

}  // namespace

void ShowExported(StatusLine& status, char idLetter, uint64_t nowMs, int frames, bool numbered) {
  const std::string first = DataFolder::FrameFile(idLetter, 0, numbered);
  const std::string last = DataFolder::FrameFile(idLetter, frames - 1, numbered);
  // The second name without its folder: "result/AA.bmp 〜 AP.bmp".
  const ScreenTexts& t = Texts(status);
  Post(status, t.exported + first + t.range + last.substr(last.rfind('/') + 1), false, nowMs,
       false);
}

void ShowExportedAll(StatusLine& status, char idLetter, const std::string& name, int count,
                     uint64_t nowMs) {
  char files[64];
  std::snprintf(files, sizeof files, Texts(status).allFilesFormat, count);
  std::string named;
  if (!name.empty()) named.append(" ").append(ToScreenText(name)).append("*");
  Post(status,
       Texts(status).exported + std::string(DataFolder::kResults) + "/" + idLetter + "*" + named +
           files,
       false, nowMs, false);
}

void ShowExporting(StatusLine& status, int framesDone, int frames, const std::string& path,
                   uint64_t nowMs) {
  if (!status.text.empty() && !status.progress) return;
  char count[64];
  std::snprintf(count, sizeof count, Texts(status).exportingFormat, framesDone, frames);
  Post(status, count, false, nowMs, false, path);
  status.progress = true;
}

void ShowSaved(StatusLine& status, const std::string& file, uint64_t nowMs) {
  Post(status, Texts(status).saved + file, false, nowMs, false);
}

// The reason first, then the file it concerns.
void PostFailure(StatusLine& status, const char* prefix, const Result& failure) {
  if (failure.file.empty()) {
    Post(status, prefix + failure.message, true, 0, false);
  } else {
    Post(status, prefix + failure.reason + ": ", true, 0, false, failure.file);
  }
}

void ShowSaveFailure(StatusLine& status, const Result& failure) {
  PostFailure(status, Texts(status).saveFailed, failure);
}

void ShowExportFailure(StatusLine& status, const Result& failure) {
  PostFailure(status, Texts(status).exportFailed, failure);
}

void ShowCloseRefused(StatusLine& status, const Result& failure) {
  PostFailure(status, Texts(status).closeRefused, failure);
}

namespace {

// The first file, and how many more.
std::string FirstAndMore(const StatusLine& status, const std::vector<std::string>& files) {
  std::string text = files.front();
  if (files.size() > 1) {
    char more[64];
    std::snprintf(more, sizeof more, Texts(status).moreFormat, static_cast<int>(files.size() - 1));
    text += more;
  }
  return text;
}

}  // namespace

namespace {

// "savedata/pal3.cycles.unsaved-2.txt" -> "pal3.cycles": short enough to leave the keys room.
std::string SlotOfRecoveryFile(const std::string& file) {
  std::string name = file.substr(file.rfind('/') + 1);
  return name.substr(0, name.find(".unsaved"));
}

}  // namespace

void ShowRecoveryFiles(StatusLine& status, const std::vector<std::string>& files, bool offered) {
  if (files.empty()) return;
  if (!offered) {
    Post(status, Texts(status).recovery + FirstAndMore(status, files), true, 0, true);
    return;
  }
  std::vector<std::string> slots;
  for (const std::string& file : files) slots.push_back(SlotOfRecoveryFile(file));
  Post(status,
       Texts(status).recoveryOffer + FirstAndMore(status, slots) + Texts(status).recoveryKeys, true,
       0, true);
}

void ShowRecoveryHandled(StatusLine& status, bool restored, const std::vector<std::string>& files,
                         uint64_t nowMs) {
  if (files.empty()) return;
  Post(status,
       (restored ? Texts(status).restored : Texts(status).discarded) + FirstAndMore(status, files),
       false, nowMs, false);
}

void ShowImportFailure(StatusLine& status, const std::string& name, const std::string& why) {
  // All in the text: a line too long loses the end of the reason, never the name.
  Post(status, Texts(status).importFailed + name + ": " + why, true, 0, false);
}

bool ShowSlotProblem(StatusLine& status, const PatternGenerator& g, SlotProblemOf which) {
  for (const SlotFile& file : kSlotFiles) {
    const Result& problem = g.baseline.ProblemOf(file);
    if (problem || (which == SlotProblemOf::kPattern && file.kind != SlotKind::kPattern) ||
        (which == SlotProblemOf::kPalette && file.kind != SlotKind::kPalette))
      continue;
    // Until a key goes down after it: the key that loaded the slot may still be held.
    switch (file.style) {
      case SlotProblemStyle::kSlot:
        PostFailure(status, Texts(status).slotUnreadable, problem);
        break;
      case SlotProblemStyle::kCycles:
        Post(status, Texts(status).cyclesUnreadable + problem.message, true, 0, false);
        break;
      case SlotProblemStyle::kLook:
        Post(status, Texts(status).lookUnreadable + problem.message, true, 0, false);
        break;
    }
    return true;
  }
  return false;
}

void ShowNote(StatusLine& status, const std::string& text, uint64_t nowMs) {
  Post(status, text, false, nowMs, false);
}

void ShowFirstHint(StatusLine& status, uint64_t nowMs) {
  Post(status, Texts(status).firstHint, true, nowMs, true);
  status.shownUntilMs = nowMs + kFirstHintMs;
  status.expires = true;
}

void AgeStatus(StatusLine& status, const uint8_t* keys, uint64_t nowMs) {
  if (status.text.empty()) return;
  if (!status.untilKeyPress || status.expires) {
    if (nowMs >= status.shownUntilMs) {
      status.text.clear();
      return;
    }
    if (!status.untilKeyPress) return;
  }
  bool anyDown = false;
  for (int key = 0; key < 256; ++key) anyDown = anyDown || (keys[key] & 0x80) != 0;
  if (!anyDown) {
    status.keysUpSincePosted = true;
  } else if (status.keysUpSincePosted) {
    status.text.clear();
  }
}

namespace {

// The longest run of whole characters that fits, found by halving: widths grow with the
// run. fitsWith(k) says whether the run of k characters fits.
template <typename Fits>
std::size_t LongestFitting(std::size_t characters, Fits fitsWith) {
  std::size_t fits = 0;  // characters known to fit
  std::size_t tooMany = characters + 1;
  while (tooMany - fits > 1) {
    const std::size_t middle = (fits + tooMany) / 2;
    if (fitsWith(middle))
      fits = middle;
    else
      tooMany = middle;
  }
  return fits;
}

}  // namespace

std::string FittingStart(const EditorCanvas& canvas, const std::string& text, int32_t room,
                         const std::string& after) {
  if (Width(canvas, text + after) <= room) return text;
  const std::vector<std::size_t> ends = ScreenCharacterEnds(text);
  const std::size_t keep = LongestFitting(ends.size(), [&](std::size_t k) {
    return Width(canvas, text.substr(0, k > 0 ? ends[k - 1] : 0) + after) <= room;
  });
  return text.substr(0, keep > 0 ? ends[keep - 1] : 0);
}

void DrawStatus(const EditorSession& session, const EditorCanvas& canvas) {
  const StatusLine& status = session.status;
  if (status.text.empty() || canvas.drawText == nullptr) return;
  const StatusPlace& place = StatusPlaceOf(session);
  const int32_t room = place.right - place.at.x;
  std::string shown = status.text + status.file;
  if (Width(canvas, shown) > room) {
    const std::string& text = status.text;
    if (!status.file.empty() && Width(canvas, text + Texts(status).ellipsis) <= room) {
      // The file loses its beginning: "…ata/pat0.txt".
      const std::string& file = status.file;
      const std::vector<std::size_t> fileEnds = ScreenCharacterEnds(file);
      const std::size_t n = fileEnds.size();
      // The file's last k characters.
      const auto tail = [&](std::size_t k) {
        return file.substr(k == n ? 0 : fileEnds[n - k - 1]);
      };
      const std::size_t keep = LongestFitting(fileEnds.size(), [&](std::size_t k) {
        return Width(canvas, text + Texts(status).ellipsis + tail(k)) <= room;
      });
      shown = text + Texts(status).ellipsis + tail(keep);
    } else {
      // Whole characters come off the end until the rest and the ellipsis fit.
      shown = FittingStart(canvas, text, room, Texts(status).ellipsis) + Texts(status).ellipsis;
    }
  }
  canvas.drawText(canvas.target, place.at.x, place.at.y, shown.c_str(), kStatusFont);
}
