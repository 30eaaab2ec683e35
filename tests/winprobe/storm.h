#pragma once
// A storm of messages from the ranges a program numbers its own messages in,
// WM_USER (0x0400-0x7FFF), WM_APP (0x8000-0xBFFF) and registered (0xC000-0xFFFF),
// with arbitrary parameters, sent to a window from outside as a hostile process
// would. The same seed gives the same storm.
//
// First every message number in the first 0x200 of WM_USER and of WM_APP, where
// programs put their private messages, is posted with each of the request codes
// 0 to 3 in wParam; then COUNT messages drawn from all three ranges are sent
// (SendMessageTimeout, 200 ms, so the storm never hangs) or posted. Both parts are
// shuffled together. WM_USER with wParam 2 is never used: it is the program's
// documented request to remove its log-on task and quit.
//
// Prints "seed= messages= sent= answered= unanswered= posted= refused=" at the end.
// Exit 0 when the window still exists; 1, with "gone after=N", when it went away
// during the storm (N counts the messages given so far).
#include <windows.h>

namespace twprobe {

int Storm(HWND target, unsigned long long seed, int count);

}  // namespace twprobe
