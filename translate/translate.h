#pragma once
// Unit Zeph.Translate: the translation table carried as the resource "TRANSLATE",
// the current UI language and the lookup of one text.
#include <string>
#include <string_view>
#include <vector>

namespace zeph::translate {

// What the unit needs of the platform: the locale's ISO 639 name and the resource bytes.
class LocaleSource {
 public:
  virtual ~LocaleSource() = default;
  // GetLocaleInfoW(GetUserDefaultLCID(), LOCALE_SISO639LANGNAME): false on failure.
  virtual bool UserIso639Name(std::wstring& name) const = 0;
};

class ResourceSource {
 public:
  virtual ~ResourceSource() = default;
  // The bytes of RCDATA "TRANSLATE" in the program's own module; false when there is none.
  virtual bool ReadTranslateResource(std::string& bytes) const = 0;
  // The bytes of RCDATA "PROGRAMTEXT" (translate/program_texts.h); false when there is none.
  virtual bool ReadProgramTextResource(std::string& /*bytes*/) const { return false; }
};

// The table's lines in order, empty lines kept (they delimit blocks). Filled once at
// program start, before any window exists; read-only afterwards.
const std::vector<std::wstring>& TranslationTable();
void LoadTranslationTable(const ResourceSource& resources);
void LoadTranslationTableFromBytes(std::string_view utf8WithBom);
void ClearTranslationTable();  // program end (and between tests)

// "ko" or "en" once the window has been translated; empty before.
const std::wstring& CurrentLanguage();
void SetCurrentLanguage(const std::wstring& language);

// The text in CurrentLanguage, or the text itself; "\n" pairs become a carriage return.
std::wstring TranslateText(const std::wstring& text);

// The user's locale language ("ko", "en", "haw", ...), "en" when it cannot be read.
std::wstring GetUserLanguage(const LocaleSource& locale);

}  // namespace zeph::translate
