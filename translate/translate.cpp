#include "translate/translate.h"

#include "translate/table.h"

namespace zeph::translate {
namespace {

std::vector<std::wstring>& Table() {
  static std::vector<std::wstring> table;
  return table;
}

std::wstring& Language() {
  static std::wstring language;
  return language;
}

}  // namespace

const std::vector<std::wstring>& TranslationTable() { return Table(); }

void LoadTranslationTable(const ResourceSource& resources) {
  std::string bytes;
  if (!resources.ReadTranslateResource(bytes)) {
    ClearTranslationTable();
    return;
  }
  LoadTranslationTableFromBytes(bytes);
}

void LoadTranslationTableFromBytes(std::string_view utf8WithBom) { Table() = SplitTableLines(utf8WithBom); }

void ClearTranslationTable() { Table().clear(); }

const std::wstring& CurrentLanguage() { return Language(); }

void SetCurrentLanguage(const std::wstring& language) { Language() = language; }

std::wstring TranslateText(const std::wstring& text) {
  const std::wstring& language = Language();
  if (language.empty()) return text;
  return LookUpText(Table(), text, language);
}

std::wstring GetUserLanguage(const LocaleSource& locale) {
  std::wstring name;
  if (locale.UserIso639Name(name) && !name.empty()) return name;
  return L"en";
}

}  // namespace zeph::translate
