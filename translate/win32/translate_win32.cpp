#include "translate/win32/translate_win32.h"

#include <windows.h>

namespace zeph::translate {

bool Win32LocaleSource::UserIso639Name(std::wstring& name) const {
  const LCID lcid = ::GetUserDefaultLCID();
  // The first call gives the length with its terminating null.
  const int length = ::GetLocaleInfoW(lcid, LOCALE_SISO639LANGNAME, nullptr, 0);
  if (length <= 0) return false;
  std::wstring buffer(static_cast<std::size_t>(length), L'\0');
  const int written = ::GetLocaleInfoW(lcid, LOCALE_SISO639LANGNAME, buffer.data(), length);
  if (written <= 0) return false;
  buffer.resize(static_cast<std::size_t>(written) - 1);
  name = std::move(buffer);
  return true;
}

namespace {

bool ReadRcData(const wchar_t* name, std::string& bytes) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(module, name, RT_RCDATA);
  if (!info) return false;
  // A loaded resource lives as long as its module: nothing to free.
  HGLOBAL loaded = ::LoadResource(module, info);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return false;
  bytes.assign(static_cast<const char*>(data), ::SizeofResource(module, info));
  return true;
}

}  // namespace

// Resource names do not depend on case: "translate" finds TRANSLATE.
bool Win32ResourceSource::ReadTranslateResource(std::string& bytes) const { return ReadRcData(L"translate", bytes); }

bool Win32ResourceSource::ReadProgramTextResource(std::string& bytes) const {
  return ReadRcData(L"PROGRAMTEXT", bytes);
}

}  // namespace zeph::translate
