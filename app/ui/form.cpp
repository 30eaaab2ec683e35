#include "app/ui/form.h"

namespace zeph::ui {

Form::Form(std::wstring className, std::wstring name)
    : Control(nullptr, nullptr, std::move(className), std::move(name), true) {}

void Form::SetActiveControl(Control* control) {
  activeControl_ = control;
  Notify(Property::ActiveControl);
}

void Form::Close() {
  if (closed_) return;
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(*this, canClose);
  if (!canClose) return;
  closed_ = true;
  Notify(Property::Closed);
}

}  // namespace zeph::ui
