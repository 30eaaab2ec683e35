#pragma once
// For the dialogs' Wine tests: what the clipboard holds as Unicode text now, or
// "(busy)" when another program holds it.
#include <windows.h>

#include <string>

namespace zeph::win32::testing {

inline std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"(busy)";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

}  // namespace zeph::win32::testing
