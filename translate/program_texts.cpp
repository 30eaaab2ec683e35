#include "translate/program_texts.h"

#include <vector>

#include "translate/table.h"

namespace zeph::translate {
namespace {

struct ProgramTable {
  std::vector<std::wstring> lines;
  std::wstring fallbackLanguage;
};

ProgramTable& Texts() {
  static ProgramTable texts;
  return texts;
}

}  // namespace

void LoadProgramTexts(const ResourceSource& resources, const LocaleSource& locale) {
  std::string bytes;
  resources.ReadProgramTextResource(bytes);
  LoadProgramTextsFromBytes(bytes, GetUserLanguage(locale));
}

void LoadProgramTextsFromBytes(std::string_view utf8WithBom, std::wstring fallbackLanguage) {
  Texts() = {SplitTableLines(utf8WithBom), std::move(fallbackLanguage)};
}

void ClearProgramTexts() { Texts() = {}; }

std::wstring ProgramText(const std::wstring& korean) {
  const ProgramTable& texts = Texts();
  const std::wstring& language = CurrentLanguage().empty() ? texts.fallbackLanguage : CurrentLanguage();
  return LookUpText(texts.lines, korean, language);
}

}  // namespace zeph::translate
