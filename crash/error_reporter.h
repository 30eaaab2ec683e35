#pragma once
// What the application's error handler needs to report a C++ error no code caught:
// a saved report, the error box with its choices, and the two ways out of the
// program. The real one is app/win32/dialogs/crash_dialog.h; tests use a fake.
#include <cstdint>
#include <string>

namespace zeph::crash {

enum class ErrorChoice { Continue, Restart, Close };

class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  // Saves a report of the error whose text is `message`; answers the report's text
  // (the box's details), also when it could not be saved.
  virtual std::wstring SaveReport(const std::wstring& message) = 0;
  // The error box: `text` with the error icon, `caption`, the report as details,
  // and the choices; Open the report folder and Copy the details keep it open.
  virtual ErrorChoice Show(std::uintptr_t owner, const std::wstring& text, const std::wstring& caption,
                           const std::wstring& details) = 0;
  // A fresh copy of the program takes over from this one. Does not return in the program.
  virtual void Restart() = 0;
  // Ends the program at once. Does not return in the program.
  virtual void Close() = 0;
};

}  // namespace zeph::crash
