#pragma once
// Delphi's TForm as far as the main window needs it: the owner of every component
// placed on it, a caption, a font the controls inherit, an active control, and the
// close protocol (OnCloseQuery may refuse; an allowed close tells the view to
// destroy the window, which ends the program).
#include <string>

#include "app/ui/component.h"

namespace zeph::ui {

using CloseQueryEvent = std::function<void(Component& sender, bool& canClose)>;

class Form : public Control {
 public:
  Form(std::wstring className, std::wstring name);

  // The client area at 96 DPI; the frame has a single fixed border, the system
  // menu and the minimise box only, and is centred on the screen when first shown.
  int ClientWidth = 0;
  int ClientHeight = 0;
  Color Background = kWhite;

  // The control with the keyboard focus as far as the program is concerned; null
  // means none (the view then keeps the focus on the window itself).
  Control* ActiveControl() const { return activeControl_; }
  void SetActiveControl(Control* control);

  // Asks OnCloseQuery; when it allows, the form is closed and the view is told
  // (Property::Closed). A closed form ignores further closes.
  void Close();
  bool Closed() const { return closed_; }
  CloseQueryEvent OnCloseQuery;

 private:
  Control* activeControl_ = nullptr;
  bool closed_ = false;
};

}  // namespace zeph::ui
