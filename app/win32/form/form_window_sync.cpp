#include "app/win32/form/form_window.h"

#include <commctrl.h>

#include <algorithm>

#include "app/win32/form/form_window_internal.h"
#include "app/win32/form/probe_contract.h"
#include "app/win32/look/dpi.h"
#include "app/win32/look/paint.h"
#include "common/win32/handles.h"

namespace zeph::win32 {

using namespace form_detail;

// ---------------------------------------------------------------------------
// Model -> windows

void FormWindow::Changed(ui::Component& component, ui::Property property) {
  if (View* view = ViewOf(&component)) Sync(*view, property);
}

void FormWindow::SyncAll(View& view) {
  using P = ui::Property;
  switch (view.kind) {
    case Kind::Form:
      Sync(view, P::Font);
      return;
    case Kind::Timer:
      Sync(view, P::Timer);
      return;
    case Kind::Menu:
    case Kind::MenuItem:
    case Kind::Other:
      return;
    default:
      break;
  }
  // A new window has not painted: its font needs no redraw, and its place (which
  // measures a label's text in that font) is set once; a font and a label's place
  // wait while the first controls' fonts do.
  if (view.hwnd && !fontsPending_) {
    const HFONT font = FontFor(static_cast<ui::Control&>(*view.model));
    SendMessageW(view.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  for (P p : {P::Bounds, P::Enabled}) Sync(view, p);
  switch (view.kind) {
    case Kind::CheckBox: Sync(view, P::Checked); break;
    case Kind::Combo: Sync(view, P::Items); break;
    case Kind::Edit: Sync(view, P::Text); break;
    case Kind::Progress: Sync(view, P::Position); break;
    case Kind::Indicator: Sync(view, P::Animate); break;
    default: break;
  }
}

void FormWindow::Sync(View& view, ui::Property property) {
  using P = ui::Property;
  ui::Component& model = *view.model;
  if (!hwnd_) return;  // the window is gone; the model may still change on its way out

  switch (view.kind) {
    case Kind::Timer:
      if (property == P::Timer) UpdateTimer(view);
      return;
    case Kind::Menu:
      if (property == P::Popup) TrackMenu(static_cast<ui::PopupMenu&>(model));
      return;
    case Kind::MenuItem:
    case Kind::Other:
      return;
    default:
      break;
  }

  const HWND hwnd = view.kind == Kind::Form ? hwnd_ : view.hwnd;
  if (!hwnd) return;
  auto& control = static_cast<ui::Control&>(model);
  switch (property) {
    case P::Caption:
      SetWindowTextW(hwnd, model.Caption().c_str());
      if (view.kind == Kind::Label) Place(view);
      if (view.kind != Kind::Form) InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case P::Bounds:
      if (view.kind != Kind::Form) Place(view);
      break;
    case P::Visible:
      if (view.kind == Kind::Form) break;  // the application shows and hides the main window
      ShowWindow(hwnd, control.Visible() ? SW_SHOWNA : SW_HIDE);
      if (view.kind == Kind::Indicator) {
        UpdateTimer(view);
        RingShownChanged(view);
      }
      if (!control.Visible()) KeepFocusUsable();
      break;
    case P::Enabled: {
      const bool hadFocus = GetFocus() == hwnd;
      EnableWindow(hwnd, control.Enabled());
      EnabledChanged(view, hadFocus);
      break;
    }
    case P::Font:
      if (fontsPending_) break;
      SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control)), TRUE);
      if (view.kind == Kind::Label || view.kind == Kind::Combo) Place(view);
      if (view.kind == Kind::Group) InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case P::FontColor:
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case P::Down:
      InvalidateRect(hwnd, nullptr, TRUE);
      PageTabDownChanged(view);
      break;
    case P::Checked:
      SendMessageW(hwnd, BM_SETCHECK, static_cast<ui::CheckBox&>(model).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case P::Items: {
      auto& combo = static_cast<ui::ComboBox&>(model);
      SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
      for (const std::wstring& item : combo.Items()) {
        SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
      }
      SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(combo.ItemIndex()), 0);
      break;
    }
    case P::ItemIndex:
      SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(static_cast<ui::ComboBox&>(model).ItemIndex()), 0);
      break;
    case P::Text:
      SetWindowTextW(hwnd, static_cast<ui::Edit&>(model).Text().c_str());
      break;
    case P::Position:
      SendMessageW(hwnd, PBM_SETPOS, static_cast<WPARAM>(static_cast<ui::ProgressBar&>(model).Position()), 0);
      break;
    case P::Animate:
      UpdateTimer(view);
      break;
    case P::ActiveCard:
      CreateHiddenPages();
      for (ui::Control* card : control.Children()) {
        if (View* cardView = ViewOf(card)) Sync(*cardView, P::Visible);
      }
      KeepFocusUsable();
      break;
    case P::ActiveControl: {
      const ui::Control* active = form_.ActiveControl();
      const View* target = active ? ViewOf(active) : nullptr;
      if (target && target->later) CreateHiddenPages();
      SetFocus(target && target->hwnd ? target->hwnd : hwnd_);
      break;
    }
    case P::Closed:
      // The window is destroyed from the main loop: a close that arrives while the
      // tray menu is open would otherwise destroy the window inside the menu's own
      // loop, which swallows the quit message and leaves the process running.
      if (destroyPosted_) break;
      if (menuOpen_) EndMenu();
      destroyPosted_ = PostMessageW(hwnd_, kDestroyLater, 0, 0) != FALSE;
      if (!destroyPosted_) DestroyWindow(hwnd_);
      break;
    default:
      break;
  }
}

int FormWindow::ScaleToWindow(int value96) const { return Scale(value96, dpi_); }

void FormWindow::Place(View& view) {
  auto* control = As<ui::Control>(view.model);
  if (!control || !view.hwnd) return;
  if (view.kind == Kind::Label && fontsPending_) return;  // its size is its text's in its font
  const ui::Bounds b = control->GetBounds();
  int width = ScaleToWindow(b.Width), height = ScaleToWindow(b.Height);
  if (view.kind == Kind::Label && As<ui::Label>(view.model)->AutoSize) {
    // An auto-sized label is as large as its text in its font.
    const std::wstring text = view.model->Caption();
    RECT r{0, 0, 0, 0};
    {
      const WindowDc dc(view.hwnd);
      const SelectedObject font(dc.get(), FontFor(*control));
      DrawTextW(dc.get(), text.empty() ? L" " : text.c_str(), text.empty() ? 1 : static_cast<int>(text.size()), &r,
                DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    }
    width = text.empty() ? 0 : r.right;
    height = r.bottom;
  }
  if (view.kind == Kind::Combo) height += ScaleToWindow(kDropDownListHeight);
  SetWindowPos(view.hwnd, nullptr, ScaleToWindow(b.Left), ScaleToWindow(b.Top), width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::UpdateTimer(View& view) {
  if (view.kind == Kind::Timer) {
    auto& timer = static_cast<ui::Timer&>(*view.model);
    if (timer.Enabled() && timer.Interval() > 0) {
      SetTimer(hwnd_, static_cast<UINT_PTR>(view.id), static_cast<UINT>(timer.Interval()), nullptr);
    } else {
      KillTimer(hwnd_, static_cast<UINT_PTR>(view.id));
    }
    return;
  }
  if (view.kind != Kind::Indicator || !view.hwnd) return;
  auto& indicator = static_cast<ui::ActivityIndicator&>(*view.model);
  // The ring costs nothing while it stands still: the timer runs only while it moves.
  if (indicator.Animate() && indicator.Visible()) {
    SetTimer(view.hwnd, kIndicatorTimer, static_cast<UINT>(std::max(10, indicator.FrameDelay)), nullptr);
  } else {
    KillTimer(view.hwnd, kIndicatorTimer);
  }
  InvalidateRect(view.hwnd, nullptr, FALSE);
}

void FormWindow::TrackMenu(ui::PopupMenu& menu) {
  UniqueHmenu popup(CreatePopupMenu());
  if (!popup) return;
  const auto& items = menu.Items();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i]->IsSeparator()) {
      AppendMenuW(popup.get(), MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(popup.get(), MF_STRING, kFirstMenuCommand + i, items[i]->Caption().c_str());
    }
  }
  // The owner is the window the tray icon brought to the foreground, so the menu
  // closes when the user clicks elsewhere. The chosen command runs from the main
  // loop, after the menu's own loop has ended.
  const HWND owner = menuOwner_ ? menuOwner_ : hwnd_;
  const ui::PopupMenu::Point at = menu.PopupPoint();
  lastMenu_ = &menu;
  menuOpen_ = true;
  const UINT command = static_cast<UINT>(
      TrackPopupMenu(popup.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.X, at.Y, 0, owner, nullptr));
  menuOpen_ = false;
  PostMessageW(owner, WM_NULL, 0, 0);
  if (command != 0 && hwnd_ && !destroyPosted_) PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

}  // namespace zeph::win32
