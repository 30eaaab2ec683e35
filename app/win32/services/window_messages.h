#pragma once
// Every private window message number the program uses, in one place, so no two
// collide. Each window knows only its own; the numbers are in WM_APP's range, which
// no system class uses.
#include <windows.h>

namespace zeph::win32::window_messages {

// Tasks posted to a message dialog: the message only says there are some.
inline constexpr UINT kDialogRunTasks = WM_APP + 0x40;
// Work handed to the UI thread through WindowDispatcher.
inline constexpr UINT kDispatcherWork = WM_APP + 0x101;
// The tray icon's mouse events, from the shell.
inline constexpr UINT kTrayCallback = WM_APP + 0x102;
// The form window destroys itself from the message loop.
inline constexpr UINT kFormDestroyLater = WM_APP + 0x110;
// The form window finishes its controls (fonts, places, hidden pages) from the loop.
inline constexpr UINT kFormFinishCreation = WM_APP + 0x111;
// A screen reader's "do the default action", posted to a control.
inline constexpr UINT kDefaultAction = WM_APP + 0x120;

}  // namespace zeph::win32::window_messages
