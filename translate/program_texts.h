#pragma once
// The program's own texts beyond the translation table: dialog buttons, the crash
// report, the names screen readers hear. They live in a second table of the same
// format (translate/program_texts.txt, carried as RCDATA "PROGRAMTEXT"), keyed by
// their Korean text and looked up the same way. Until the window has been
// translated (CurrentLanguage() empty) they follow the user's locale language, so a
// box shown before the settings are read already speaks the user's language.
#include <string>
#include <string_view>

#include "translate/translate.h"

namespace zeph::translate {

// Once at program start, before any window exists.
void LoadProgramTexts(const ResourceSource& resources, const LocaleSource& locale);
void LoadProgramTextsFromBytes(std::string_view utf8WithBom, std::wstring fallbackLanguage);
void ClearProgramTexts();

// `korean` in CurrentLanguage() (or the locale's language before that); the text
// itself when the table has no translation.
std::wstring ProgramText(const std::wstring& korean);

}  // namespace zeph::translate
