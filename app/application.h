#pragma once
// The application as a whole: its title, its own top-level window (the owner of
// message boxes; a window without size that is never on the task bar, so showing
// and hiding it is harmless: the main window has its own task-bar button), the
// main window's handle once it exists, the flag that keeps the main window hidden
// when the message loop starts, minimise/restore, the command line, and the
// handler for errors no code caught.
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "app/tray/window_system.h"
#include "common/message_boxes.h"
#include "crash/error_reporter.h"
#include "crash/fault.h"

namespace zeph::app {

using tray::IconHandle;
using tray::WindowHandle;

using zeph::kIdNo;
using zeph::kIdOk;
using zeph::kIdYes;
using zeph::kMbDefButton2;
using zeph::kMbIconError;
using zeph::kMbIconQuestion;
using zeph::kMbOk;
using zeph::kMbSetForeground;
using zeph::kMbTopmost;
using zeph::kMbYesNo;
using zeph::MessageBoxes;

class Application {
 public:
  // args: the command-line arguments after the program's own name.
  Application(tray::WindowSystem& windows, MessageBoxes& boxes, std::vector<std::wstring> args);

  // ParamStr: 1 is the first argument; empty when there is no such argument.
  std::wstring ParamStr(std::size_t index) const;
  const std::vector<std::wstring>& Args() const { return args_; }

  // The program's name until LoadConfig sets the translated caption, so a box raised
  // before that (or after a settings error stopped it) still has a caption.
  const std::wstring& Title() const { return title_; }
  // Also the text of the application's own window, once that exists.
  void SetTitle(std::wstring title);

  // Set by the view once it has created the windows; 0 until then.
  WindowHandle Handle() const { return handle_; }
  void SetHandle(WindowHandle handle);
  WindowHandle MainWindow() const { return mainWindow_; }
  void SetMainWindow(WindowHandle window) { mainWindow_ = window; }

  // The program's main icon (the tray icon's picture).
  IconHandle Icon() const { return icon_; }
  void SetIcon(IconHandle icon) { icon_ = icon; }

  // Whether the main window is shown when the message loop starts.
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool show) { showMainForm_ = show; }

  // Minimise: the main window, when it is on screen, goes to the task bar.
  // Restore: undoes the application's own minimise (a window the user minimised
  // is restored by ForceForegroundWindow). Each is a no-op when already done.
  bool Minimized() const { return minimized_; }
  void Minimize();
  void Restore();

  // A message box owned by the application's own window.
  int MessageBox(const std::wstring& text, const std::wstring& caption, std::uint32_t flags);
  void ProcessMessages() { windows_.ProcessMessages(); }

  // The handler for errors that no code caught: shows the error's text (a
  // zeph::Error's message, a generic text for anything else) and returns, so the
  // program goes on. With an error reporter the box also carries the saved report
  // and offers to restart or close the program instead. Never throws. While its box is open, the timer and queued work
  // keep running inside the box's modal loop; an error they raise then is dropped
  // rather than stacked as a second box over the first.
  void HandleException(std::exception_ptr error) noexcept;
  // Runs `work`, handing anything it throws to HandleException. Every entry from the
  // platform into the program (window procedure, timer, dispatcher) goes through it,
  // so no exception crosses a Win32 callback. Returns false when `work` threw. A
  // hardware fault goes to the crash reporter, never to the error box.
  template <typename Work>
  bool Guard(Work&& work) noexcept {
    return crash::RunGuarded(static_cast<Work&&>(work),
                             [this](std::exception_ptr error) noexcept { HandleException(std::move(error)); });
  }

  tray::WindowSystem& Windows() { return windows_; }
  // Null (the default): the plain error box.
  void SetErrorReporter(crash::ErrorReporter* reporter) { reporter_ = reporter; }

 private:
  tray::WindowSystem& windows_;
  MessageBoxes& boxes_;
  crash::ErrorReporter* reporter_ = nullptr;
  std::vector<std::wstring> args_;
  std::wstring title_ = L"Tidewell";
  WindowHandle handle_ = 0;
  WindowHandle mainWindow_ = 0;
  IconHandle icon_ = 0;
  bool showMainForm_ = true;
  bool minimized_ = false;
  bool reportingError_ = false;  // the error handler's box is open
};

// What HandleException shows for an error that is not a zeph::Error.
std::wstring GenericErrorText(const std::exception_ptr& error);

}  // namespace zeph::app
