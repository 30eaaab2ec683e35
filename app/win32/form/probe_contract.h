#pragma once
// What the window shows to tools outside the process (the test suite's twprobe):
// every child control carries its model name ("BtnClean") as the window property
// kNameProperty, whose value is a global atom holding the name; a tool reads it
// with GetPropW + GlobalGetAtomNameW. Control ids are kFirstControlId + the
// control's index in the window's ownership order, and the tray menu's items
// have the command ids kFirstMenuCommand + their index in the menu.
#include <windows.h>

namespace zeph::win32 {

inline constexpr wchar_t kNameProperty[] = L"TidewellName";
inline constexpr int kFirstControlId = 100;
inline constexpr UINT kFirstMenuCommand = 0x7000;

}  // namespace zeph::win32
