#pragma once
// The screen's texts in the two languages it speaks. Japanese is the editor's own: its texts
// are the code page 932 bytes of editor_texts.h. English is the same set at the same places in
// the same fonts, shortened where a box is narrow. L switches between them.

#include <cstdint>

// The values of PatternGenerator::language.
enum class Language : uint8_t { kJapanese = 0, kEnglish = 1 };

struct ScreenTexts {
  // The editor frame's texts.
  const char* heading;
  const char* help[4];
  const char* reverseFormat;
  const char* distortFormat;
  const char* patternFormat;
  const char* paletteFormat;
  const char* idLetterFormat;
  const char* mosaicFormat;
  const char* scaleXFormat;
  const char* scaleYFormat;
  // The status line.
  const char* exported;
  const char* range;
  const char* allFilesFormat;
  const char* saved;
  const char* saveFailed;
  const char* exportFailed;
  const char* closeRefused;
  const char* recovery;
  const char* moreFormat;
  const char* ellipsis;
  const char* cyclesUnreadable;
  const char* slotUnreadable;
  const char* exportingFormat;
  const char* undo;
  const char* redo;
  const char* nothingToUndo;
  const char* nothingToRedo;
  const char* firstHint;
  // What an undo step changed (%d: the point, the slot).
  const char* editPointPosition;
  const char* editPointScaleX;
  const char* editPointScaleY;
  const char* editPointWeight;
  const char* editReverseX;
  const char* editReverseY;
  const char* editDistortX;
  const char* editDistortY;
  const char* editKey;
  const char* editMosaic;
  const char* editSizeX;
  const char* editSizeY;
  const char* editIdLetter;
  const char* editCycles;
  const char* editPatternSlot;
  const char* editPaletteSlot;
  // The cycles panel.
  const char* cyclesTitleFormat;
  const char* cyclesTooLong;
  const char* cyclesModes[3];  // forward, reverse, ping-pong
  const char* cyclesBlend;
  const char* cyclesRemove;
  const char* cyclesAdd;
  // The help overlay (F1): lines, the last one null.
  const char* const* helpOverlay;
  // A second editor on the same data folder (a message box, UTF-8).
  const char* secondEditorBox;
};

const ScreenTexts& TextsFor(Language language);
inline const ScreenTexts& TextsFor(uint8_t language) {
  return TextsFor(language == static_cast<uint8_t>(Language::kEnglish) ? Language::kEnglish
                                                                       : Language::kJapanese);
}
