#include "editor/screen_texts.h"

const ScreenTexts& TextsFor(Language language) {
  return language == Language::kEnglish ? kEnglishTexts : kJapaneseTexts;
}
