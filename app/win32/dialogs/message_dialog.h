#pragma once
// The program's message box in the window's theme: a real dialog (class #32770, a
// Static for the text, one Button a choice, each with the choice's id) that behaves
// like the system's message box: the default button has the focus, Enter presses
// it, Escape and the close box give the cancel choice, Alt+letter presses the
// button whose text has that mnemonic, the icon shows with its sound, and the owner
// is disabled while it is open. It is laid out for the DPI of the monitor it opens
// on and paints with the palette it is given (light, dark or the system's).
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/win32/look/palette.h"

namespace zeph::win32 {

enum class DialogIcon { None, Error, Warning, Question, Information };

// The dialog while it is open, for a button's handler: its status line, its
// buttons, and the way back to it from another thread.
class OpenDialog {
 public:
  // Work for the dialog's thread.
  using Task = std::function<void(OpenDialog& dialog)>;
  // Runs `task` on the dialog's thread while the dialog is open; false, and the task
  // dropped, once it has closed. Safe to keep and to call from any thread.
  using Poster = std::function<bool(Task task)>;

  // The status line's text (DialogSpec::statusLine).
  virtual void SetStatus(const std::wstring& text) = 0;
  // A button disabled while it has the focus gives it to the default button.
  virtual void EnableButton(int id, bool enabled) = 0;
  virtual Poster MakePoster() = 0;
  virtual HWND Window() const = 0;

 protected:
  ~OpenDialog() = default;
};

struct DialogButton {
  int id = 0;         // what ShowMessageDialog answers (IDOK, IDYES, ...; or the caller's own)
  std::wstring text;  // "&Yes": '&' marks the Alt+letter mnemonic
};

struct DialogSpec {
  HWND owner = nullptr;
  std::wstring caption;
  std::wstring text;
  DialogIcon icon = DialogIcon::None;
  std::vector<DialogButton> buttons;  // left to right
  int defaultId = 0;                  // has the focus at first; Enter presses it
  int cancelId = 0;                   // Escape and the close box; 0: neither closes the dialog
  bool setForeground = false;         // MB_SETFOREGROUND
  bool topmost = false;               // MB_TOPMOST
  // A read-only, selectable multi-line text under the message (a crash report's
  // details); empty: none.
  std::wstring details;
  // Room for two lines under the details for what a button's work reports while
  // the dialog stays open (OpenDialog::SetStatus); empty at first.
  bool statusLine = false;
  // Runs for each button pressed; false keeps the dialog open (a "Copy" button).
  // Unset: every button closes the dialog.
  std::function<bool(int id, OpenDialog& dialog)> onButton;
};

// Shows the dialog and returns the id of the button that closed it, 0 when the
// dialog could not be created.
int ShowMessageDialog(const DialogSpec& box, const Palette& palette);

// The dialog that stands for MessageBoxW(owner, text, caption, flags), its buttons
// in the program's language. Covers OK and Yes/No with any one icon, the second
// button as the default, MB_SETFOREGROUND and MB_TOPMOST; nothing for any other
// flag, which the system's own box then shows.
std::optional<DialogSpec> MessageBoxDialog(HWND owner, const std::wstring& text, const std::wstring& caption,
                                           UINT flags);

}  // namespace zeph::win32
