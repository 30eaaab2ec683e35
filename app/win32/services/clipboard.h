#pragma once
// The program's one way onto the clipboard.
#include <windows.h>

#include <string>

namespace zeph::win32 {

// Puts `text` on the clipboard as Unicode text, owned by `owner` (the box or dialog
// the user pressed Copy in): opened without an owner, EmptyClipboard leaves none and
// Windows then refuses SetClipboardData. False when the clipboard could not be had
// (another program holds it) or took nothing.
bool CopyTextToClipboard(HWND owner, const std::wstring& text);

}  // namespace zeph::win32
