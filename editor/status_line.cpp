#include "editor/status_line.h"

#include <cstdio>

#include "editor/editor_texts.h"
#include "generator/frame_export.h"

namespace {

void Post(StatusLine& status, std::string text, bool untilKeyPress, uint64_t nowMs, bool keysUp) {
  status.text = std::move(text);
  status.untilKeyPress = untilKeyPress;
  status.shownUntilMs = nowMs + kStatusSuccessMs;
  status.keysUpSincePosted = keysUp;
}

// Code page 932: these bytes lead a two-byte character.
bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Without the canvas's own measure: a full-width character fills the cell, a half-width one
// takes about 5/8 of it in a proportional gothic face (file names and reasons are mostly
// lower-case letters, narrower still).
int32_t EstimatedWidth(const std::string& text, int font) {
  const int32_t cell = kFontHeights[font];
  int32_t width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
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

void ShowExported(StatusLine& status, char idLetter, uint64_t nowMs) {
  const std::string first = DataFolder::FrameFile(idLetter, 0);
  const std::string last = DataFolder::FrameFile(idLetter, kFrameCount - 1);
  // The second name without its folder: "result/AA.bmp 〜 AP.bmp".
  Post(status, kStatusExported + first + kStatusRange + last.substr(last.rfind('/') + 1), false,
       nowMs, false);
}

void ShowExportedAll(StatusLine& status, char idLetter, int count, uint64_t nowMs) {
  char files[64];
  std::snprintf(files, sizeof files, kStatusAllFilesFormat, count);
  Post(status, kStatusExported + std::string(DataFolder::kResults) + "/" + idLetter + "*" + files,
       false, nowMs, false);
}

void ShowSaved(StatusLine& status, const std::string& file, uint64_t nowMs) {
  Post(status, kStatusSaved + file, false, nowMs, false);
}

void ShowSaveFailure(StatusLine& status, const Result& failure) {
  Post(status, kStatusSaveFailed + failure.message, true, 0, false);
}

void ShowExportFailure(StatusLine& status, const Result& failure) {
  Post(status, kStatusExportFailed + failure.message, true, 0, false);
}

void ShowRecoveryFiles(StatusLine& status, const std::vector<std::string>& files) {
  if (files.empty()) return;
  std::string text = kStatusRecovery + files.front();
  if (files.size() > 1) {
    char more[64];
    std::snprintf(more, sizeof more, kStatusMoreFormat, static_cast<int>(files.size() - 1));
    text += more;
  }
  Post(status, std::move(text), true, 0, true);
}

void AgeStatus(StatusLine& status, const uint8_t* keys, uint64_t nowMs) {
  if (status.text.empty()) return;
  if (!status.untilKeyPress) {
    if (nowMs >= status.shownUntilMs) status.text.clear();
    return;
  }
  bool anyDown = false;
  for (int key = 0; key < 256; ++key) anyDown = anyDown || (keys[key] & 0x80) != 0;
  if (!anyDown) {
    status.keysUpSincePosted = true;
  } else if (status.keysUpSincePosted) {
    status.text.clear();
  }
}

void DrawStatus(const StatusLine& status, const EditorCanvas& canvas) {
  if (status.text.empty() || canvas.drawText == nullptr) return;
  constexpr int32_t room = kStatusRight - kStatusX;
  std::string shown = status.text;
  if (Width(canvas, shown) > room) {
    // Whole characters come off the end until the rest and the ellipsis fit.
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < status.text.size(); ++i) {
      if (IsLeadByte(static_cast<unsigned char>(status.text[i])) && i + 1 < status.text.size()) ++i;
      ends.push_back(i + 1);
    }
    // The longest prefix that fits, found by halving: widths grow with the prefix.
    std::size_t fits = 0;  // characters known to fit
    std::size_t tooMany = ends.size();
    while (tooMany - fits > 1) {
      const std::size_t middle = (fits + tooMany) / 2;
      if (Width(canvas, status.text.substr(0, ends[middle - 1]) + kEllipsis) <= room)
        fits = middle;
      else
        tooMany = middle;
    }
    shown = (fits > 0 ? status.text.substr(0, ends[fits - 1]) : std::string()) + kEllipsis;
  }
  canvas.drawText(canvas.target, kStatusX, kStatusY, shown.c_str(), kStatusFont);
}
