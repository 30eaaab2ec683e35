#pragma once
// The crash watcher: a second process of this exe, started by the main copy once its
// window shows, that does a crash's work from a context that did not crash. The main
// copy prepares the hand-over block (an unnamed section), two events ("crashed",
// "handled") and a handle of its own process with the rights a dump and a stack walk
// need, and the watcher inherits exactly these. It takes no mutex, makes no window
// and waits until the main copy crashes or ends.
//
// At a crash the crashed process only copies the fault into the block, sets
// "crashed" and waits, bounded, to be ended (no allocation, no thread, no library).
// The watcher walks the crashed thread's stack, writes the text report, shows the
// crash dialog and writes the minidump meanwhile; Close ends the crashed process,
// Restart ends it, waits until it has ended, and starts a fresh copy.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "crash/report.h"

namespace zeph::crash {

// ---- The main copy

struct WatcherStart {
  const wchar_t* firstArgument = nullptr;  // the main copy's, for a restart
  DWORD uiThread = 0;
  HWND trayWindow = nullptr;  // the tray icon's identity, removed after a crash
  UINT trayId = 0;
};

// Prepares the block and starts the watcher; false when it could not (the in-process
// reporter then stays the only one). Any thread; once.
bool StartCrashWatcher(const WatcherStart& start);

// What the crashed process hands over.
struct CrashNotice {
  CrashKind kind = CrashKind::Exception;
  DWORD threadId = 0;
  const EXCEPTION_RECORD* record = nullptr;
  const CONTEXT* context = nullptr;
  const std::uintptr_t* frames = nullptr;  // walked at the fault (the stack has unwound since); null: none
  std::size_t frameCount = 0;
  const wchar_t* message = nullptr;
  const wchar_t* language = nullptr;  // the dialog's language and caption
  const wchar_t* caption = nullptr;
};

// At a crash, on the crashed thread: false when no watcher is running; otherwise
// hands the crash over and ends the process, never returning.
bool HandCrashToWatcher(const CrashNotice& notice);

// Not a crash (the error box's Restart): the watcher ends this process, waits until
// it has ended and starts a fresh copy. Returns (false) only when no watcher did.
bool HandRestartToWatcher();

// ---- The watcher

// The dialog and what it needs: `prepare` with the crashed copy's language and window
// caption, then `dialog` (true: restart).
struct WatcherDialog {
  void (*prepare)(const wchar_t* language, const wchar_t* caption) = nullptr;
  bool (*dialog)(const ReportFacts& facts, const wchar_t* report, const wchar_t* folder) = nullptr;
};

// True when this process was started as the watcher of its parent (`firstArgument`
// names a block prepared for it), once its watch has ended; false for every other
// argument, which then starts the program as usual.
bool RunCrashWatcherIfAsked(const wchar_t* firstArgument, const WatcherDialog& dialog);

}  // namespace zeph::crash
