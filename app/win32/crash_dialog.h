#pragma once
// The crash reporter's two dialogs in the window's theme: the error box of a C++
// error no code caught (Continue, Restart, Close, Open the report folder, Copy the
// details) and the crash dialog (the same without Continue), and the wiring of
// the crash handler into the program.
#include <windows.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/win32/palette.h"
#include "crash/error_reporter.h"

namespace zeph::win32 {

// The dialogs' buttons. Continue keeps IDOK, the system box's id for going on.
inline constexpr int kCrashContinue = IDOK;
inline constexpr int kCrashRestart = 100;
inline constexpr int kCrashClose = 101;
inline constexpr int kCrashOpenFolder = 102;
inline constexpr int kCrashCopy = 103;

class Win32ErrorReporter final : public crash::ErrorReporter {
 public:
  explicit Win32ErrorReporter(const Palette& palette) : palette_(palette) {}
  std::wstring SaveReport(const std::wstring& message) override;
  crash::ErrorChoice Show(std::uintptr_t owner, const std::wstring& text, const std::wstring& caption,
                          const std::wstring& details) override;
  void Restart() override;
  void Close() override;

 private:
  Palette palette_;
};

// Installs the crash handler with the crash dialog, on the UI thread at start.
// `application` gives the dialog its caption; `beforeExit` takes the tray icon away.
void InstallCrashReporting(const app::Application& application, const Palette& palette, void (*beforeExit)());

// True when this process was started as the crash watcher of a main copy (its first
// argument names a hand-over block prepared for it), once the watch has ended; false
// for any other arguments, which start the program as usual.
bool RunCrashWatcherIfAsked(const std::vector<std::wstring>& args);

}  // namespace zeph::win32
