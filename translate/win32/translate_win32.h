#pragma once
// The real locale query and resource read behind Zeph.Translate.
#include "translate/translate.h"

namespace zeph::translate {

class Win32LocaleSource final : public LocaleSource {
 public:
  bool UserIso639Name(std::wstring& name) const override;
};

// Reads RCDATA "TRANSLATE" and "PROGRAMTEXT" from the executable that started the process.
class Win32ResourceSource final : public ResourceSource {
 public:
  bool ReadTranslateResource(std::string& bytes) const override;
  bool ReadProgramTextResource(std::string& bytes) const override;
};

}  // namespace zeph::translate
