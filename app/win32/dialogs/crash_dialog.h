#pragma once
// To add a crash-dialog button: give it a name and an id in TIDEWELL_BUTTON_IDS
// (probe_contract.h: twprobe and the end-to-end tests read it too), push
// its caption in ShowReportDialog (crash_dialog.cpp) as a ProgramText key with a
// ko=/en= block in translate/program_texts.txt, and handle it in the onButton switch
// there: "return false" keeps the dialog open; a button that closes it also needs its
// answer in Win32ErrorReporter::Show. The host test program_text_keys_test checks the key.
//
// The crash reporter's two dialogs in the window's theme: the error box of a C++
// error no code caught (Continue, Restart, Close, Open the report folder, Copy the
// details, Print and Send the report) and the crash dialog (the same without
// Continue), and the wiring of the crash handler into the program.
#include <windows.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/win32/form/probe_contract.h"  // the buttons' ids, kCrashContinue ... kCrashSend
#include "crash/error_reporter.h"
#include "crash/report.h"

namespace zeph::win32 {

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
