#pragma once
// The crash reporter on Windows. Once installed, a crash on any thread (a structured
// exception no code handled, std::terminate, a pure virtual call, an invalid
// parameter handed to the C runtime, a hardware fault a catch (...) caught) writes
// a text report and a minidump to %ProgramData%\Tidewell\Crashes at once, keeps the
// newest ten, shows the crash dialog and then restarts or ends the program. A crash
// inside the reporter ends the process on the spot.
//
// Once the crash watcher runs (StartWatcher, crash/win32/watcher.h) the crashed
// process hands the crash to it and does nothing else; before that, or when it has
// failed, a reporter thread of the crashed process does the work, every wait on it
// bounded: the program never hangs on a crash.
#include <windows.h>

#include <cstddef>
#include <string>

#include "crash/report.h"

namespace zeph::crash {

// The crash dialog, shown on a thread of the reporter's own: the facts, the report's
// text and the folder it is in. True: restart the program; false: close it.
using CrashDialog = bool (*)(const ReportFacts& facts, const wchar_t* report, const wchar_t* folder);

struct CrashHandlerSetup {
  // Passed on to the fresh copy a restart starts; null or empty: none.
  const wchar_t* firstArgument = nullptr;
  CrashDialog dialog = nullptr;
  // Runs before the process ends (the tray icon leaves the tray, so no ghost stays).
  void (*beforeExit)() = nullptr;
  // At a crash, on the crashed thread: the dialog's language ("ko", "en") and caption
  // into the buffers. It may only copy memory: no allocation, no lock.
  void (*describe)(wchar_t* language, std::size_t languageCapacity, wchar_t* caption,
                   std::size_t captionCapacity) = nullptr;
};

// Call once at start on the UI thread, before any window exists.
void InstallCrashHandler(const CrashHandlerSetup& setup);

// Only the vectored handler that keeps each thread's last fault, and the hand-over
// of faults a catch (...) caught to the reporter (what the tests need alone).
void InstallFaultRecorder();

// Starts the crash watcher (crash/win32/watcher.h) for the installed handler, with
// the tray icon's identity (window, id) it removes after a crash. Once the window
// shows, off the UI thread; false when it could not start.
bool StartWatcher(HWND trayWindow, UINT trayId);

// The single-instance mutex this copy holds; a restart closes it first, so the
// fresh copy becomes the main one.
void SetInstanceMutex(HANDLE mutex);

// The crash folder, "...\Tidewell\Crashes"; empty before InstallCrashHandler.
const wchar_t* CrashFolder();

// A report of a C++ error no code caught, written as a text file (no dump: the
// program goes on). Answers the report's text, also when it could not be written.
std::wstring SaveErrorReport(const std::wstring& message);

// The last structured exception the calling thread raised, as the vectored handler
// kept it; false when there was none.
bool LastFault(EXCEPTION_RECORD& record, CONTEXT& context);

// The ways out. Both remove what beforeExit removes and end the process at once.
[[noreturn]] void RestartProgram();
[[noreturn]] void CloseProgram();

// The reporter's entries that are not structured exceptions.
[[noreturn]] void ReportPureVirtualCall();

}  // namespace zeph::crash
