#pragma once
// The crash reporter's two dialogs in the window's theme: the error box of a C++
// error no code caught (Continue, Restart, Close, Open the report folder, Copy the
// details, Print and Send the report) and the crash dialog (the same without
// Continue), and the wiring of the crash handler into the program.
#include <windows.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "crash/error_reporter.h"
#include "crash/report.h"

namespace zeph::win32 {

// The dialogs' buttons. Continue keeps IDOK, the system box's id for going on.
inline constexpr int kCrashContinue = IDOK;
inline constexpr int kCrashRestart = 100;
inline constexpr int kCrashClose = 101;
inline constexpr int kCrashOpenFolder = 102;
inline constexpr int kCrashCopy = 103;
inline constexpr int kCrashPrint = 104;  // only when the report was saved to a file
inline constexpr int kCrashSend = 105;

// Both dialogs take the look the window has at the moment they open (the system's
// light, dark or high-contrast choice), not the one it had at start.
class Win32ErrorReporter final : public crash::ErrorReporter {
 public:
  std::wstring SaveReport(const std::wstring& message) override;
  crash::ErrorChoice Show(std::uintptr_t owner, const std::wstring& text, const std::wstring& caption,
                          const std::wstring& details) override;
  void Restart() override;
  void Close() override;
};

// The crash dialog: the crash's facts (facts.reportFile names the saved report for
// Print), the report's text and the folder it is in. Send posts the text to
// `sendAddress`. Answers the button that closed it: kCrashRestart or kCrashClose, 0
// when it could not be shown.
int ShowCrashReport(const crash::ReportFacts& facts, const wchar_t* report, const wchar_t* folder,
                    const std::wstring& caption, const std::wstring& sendAddress);

// Installs the crash handler with the crash dialog, on the UI thread at start.
// `application` gives the dialog its caption; `beforeExit` takes the tray icon away.
void InstallCrashReporting(const app::Application& application, void (*beforeExit)());

// True when this process was started as the crash watcher of a main copy (its first
// argument names a hand-over block prepared for it), once the watch has ended; false
// for any other arguments, which start the program as usual.
bool RunCrashWatcherIfAsked(const std::vector<std::wstring>& args);

}  // namespace zeph::win32
