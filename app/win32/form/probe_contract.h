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

// The buttons of the program's boxes, by name: X(name, id) defines the constant
// k<name> for the program, and twprobe prints them ("twprobe ids": TW_ID_<name>=<id>
// lines) for the end-to-end tests, which press and read buttons by these names.
//   Crash*: the crash dialog and the error box (crash_dialog.cpp); Continue
//           keeps IDOK, the system box's id for going on; Print shows only when the
//           report was saved to a file.
//   Box*:   the themed message box's answers, the system's own ids.
#define TIDEWELL_BUTTON_IDS(X) \
  X(CrashContinue, IDOK)       \
  X(CrashRestart, 100)         \
  X(CrashClose, 101)           \
  X(CrashOpenFolder, 102)      \
  X(CrashCopy, 103)            \
  X(CrashPrint, 104)           \
  X(CrashSend, 105)            \
  X(BoxYes, IDYES)             \
  X(BoxNo, IDNO)

#define TIDEWELL_BUTTON_ID_CONSTANT(name, id) inline constexpr int k##name = id;
TIDEWELL_BUTTON_IDS(TIDEWELL_BUTTON_ID_CONSTANT)
#undef TIDEWELL_BUTTON_ID_CONSTANT

}  // namespace zeph::win32
