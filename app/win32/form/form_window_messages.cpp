#include "app/win32/form/form_window.h"

#include <commctrl.h>

#include <algorithm>

#include "app/win32/form/form_window_internal.h"
#include "app/win32/form/keyboard.h"
#include "app/win32/form/probe_contract.h"
#include "app/win32/look/dpi.h"
#include "app/win32/look/paint.h"

namespace zeph::win32 {

using namespace form_detail;

// ---------------------------------------------------------------------------
// Windows -> model

void FormWindow::OnCommand(WORD id, WORD code, HWND control) {
  // Escape, through IsDialogMessage: the same close attempt as the close box. No
  // control has this id (they start at kFirstControlId).
  if (id == IDCANCEL && code == 0 && !control) {
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    return;
  }
  // Return where IsDialogMessage finds no default button: the focused push button.
  if (id == IDOK && code == 0 && control) {
    if (View* focused = ViewOf(control)) Activate(*focused);
    return;
  }
  if (!control) {
    if (code != 0 || !lastMenu_ || id < kFirstMenuCommand) return;
    const auto& items = lastMenu_->Items();
    const std::size_t index = id - kFirstMenuCommand;
    if (index < items.size()) Guard([&] { items[index]->Click(); });
    return;
  }
  View* view = ViewOfId(id);
  if (!view || view->hwnd != control) return;
  const bool ownerDrawn = (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
  // An owner-drawn button reports the second click of a quick pair as a double click.
  const bool clicked = code == BN_CLICKED || (ownerDrawn && code == BN_DOUBLECLICKED);
  switch (view->kind) {
    case Kind::Button:
      if (clicked) Guard([&] { static_cast<ui::Button&>(*view->model).Click(); });
      break;
    case Kind::SpeedButton:
      if (clicked) Guard([&] { static_cast<ui::SpeedButton&>(*view->model).Click(); });
      break;
    case Kind::CheckBox:
      if (code == BN_CLICKED) {
        const bool checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        Guard([&] { static_cast<ui::CheckBox&>(*view->model).SetChecked(checked); });
      }
      break;
    case Kind::Combo:
      if (code == CBN_SELCHANGE) {
        const int index = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
        Guard([&] { static_cast<ui::ComboBox&>(*view->model).UserSelect(index); });
      }
      break;
    default:
      break;
  }
}

void FormWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  View* view = ViewOfId(static_cast<int>(item.CtlID));
  if (!view || (view->kind != Kind::Button && view->kind != Kind::SpeedButton)) return;
  ButtonLook look;
  look.enabled = (item.itemState & ODS_DISABLED) == 0;
  look.pressed = (item.itemState & ODS_SELECTED) != 0;
  // The focus mark is for keyboard users: hidden after the mouse was used, until
  // the keyboard navigates again (the window's UI state).
  const bool hideFocus = (item.itemState & ODS_NOFOCUSRECT) != 0 || FocusMarksHidden(hwnd_);
  look.focus = (item.itemState & ODS_FOCUS) != 0 && !hideFocus;
  look.hot = hot_ == item.hwndItem && look.enabled;
  const std::wstring caption = view->model->Caption();
  HFONT font = FontFor(static_cast<ui::Control&>(*view->model));
  Buffered(item.hDC, item.rcItem, [&](HDC dc) {
    if (view->kind == Kind::SpeedButton) {
      look.down = static_cast<ui::SpeedButton&>(*view->model).Down();
      PaintHeaderButton(dc, item.rcItem, caption, font, look, palette_, view->background, dpi_);
    } else {
      PaintPushButton(dc, item.rcItem, caption, font, look, palette_, view->background, dpi_);
    }
  });
}

COLORREF FormWindow::TextColorFor(const View& view) const {
  const auto* control = dynamic_cast<const ui::Control*>(view.model);
  // A colour of the control's own (the grey status labels) wins over the theme.
  if (control && control->FontColor()) return ToColorref(*control->FontColor());
  if (control && !control->Enabled()) return palette_.disabledText;
  return palette_.text;
}

HBRUSH FormWindow::OnCtlColor(HDC dc, HWND control) {
  View* view = ViewOf(control);
  if (!view) return nullptr;
  SetTextColor(dc, TextColorFor(*view));
  SetBkColor(dc, view->background);
  SetBkMode(dc, TRANSPARENT);
  return BrushFor(view->background);
}

void FormWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  // The old fonts stay alive until every control has its new one.
  auto oldFonts = std::move(fonts_);
  fonts_.clear();
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  for (View& view : views_) {
    if (view.kind == Kind::Form || view.hwnd) {
      Sync(view, ui::Property::Font);
      Sync(view, ui::Property::Bounds);
    }
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
}

// ---------------------------------------------------------------------------
// Window procedures

LRESULT CALLBACK FormWindow::FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* params = static_cast<CreateParams*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    params->self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(params->self));
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return self->OnFormMessage(msg, wParam, lParam);
}

LRESULT FormWindow::OnFormMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = hwnd_;
  LRESULT result = 0;
  if (hook_) {
    bool handled = false;
    Guard([&] { handled = hook_(msg, wParam, lParam, result); });
    if (handled) return result;
  }
  if (OnParentMessage(msg, wParam, lParam, result)) return result;
  if (OnUiState(msg, wParam, lParam, result)) return result;
  switch (msg) {
    case WM_TIMER:
      if (View* view = ViewOfId(static_cast<int>(wParam)); view && view->kind == Kind::Timer) {
        Guard([&] { static_cast<ui::Timer&>(*view->model).Tick(); });
        return 0;
      }
      break;
    case WM_CLOSE:  // the close box, Alt+F4, the system menu: the form decides
      Guard([&] { form_.Close(); });
      return 0;
    case kDestroyLater:
      // Any process can post this number; only the close this window posted itself
      // destroys it.
      if (destroyPosted_) DestroyWindow(hwnd);
      return 0;
    case kFinishCreation:
      FinishCreation();
      return 0;
    case WM_SHOWWINDOW:
      if (wParam) ApplyFontsAndPlaces();  // shown by others than Show (back from the tray)
      break;
    case WM_GETOBJECT:
      // A screen reader walks the window's controls from here: all of them exist first.
      CreateHiddenPages();
      break;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, BrushFor(views_.empty() ? palette_.window : views_[0].background));
      return 1;
    }
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ACTIVATE:
      OnActivate(wParam);
      return 0;
    case WM_DESTROY:
      Destroying();
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      accessHost_.reset();  // screen readers that still hold an object learn it is gone
      hwnd_ = nullptr;
      lastFocus_ = nullptr;
      parkedFrom_ = nullptr;
      for (View& view : views_) view.hwnd = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool FormWindow::OnParentMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      result = 0;
      return true;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (HBRUSH brush = OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) {
        result = reinterpret_cast<LRESULT>(brush);
        return true;
      }
      return false;
    case WM_CTLCOLORLISTBOX:
      // The drop-downs' field and open list: the system's white, except on the dark palette.
      if (!palette_.dark) return false;
      SetTextColor(reinterpret_cast<HDC>(wParam), palette_.text);
      SetBkColor(reinterpret_cast<HDC>(wParam), palette_.buttonFace);
      result = reinterpret_cast<LRESULT>(BrushFor(palette_.buttonFace));
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK FormWindow::ChildProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* params = static_cast<CreateParams*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    static_cast<View*>(params->view)->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(params->self));
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  View* view = self ? self->ViewOf(hwnd) : nullptr;
  if (!view) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return self->OnChildMessage(*view, msg, wParam, lParam);
}

LRESULT FormWindow::OnChildMessage(View& view, UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = view.hwnd;
  LRESULT result = 0;
  // Containers pass their children's notifications on to the form.
  if (OnParentMessage(msg, wParam, lParam, result)) return result;
  if (OnControlKey(view, msg, wParam, lParam, result)) return result;
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills everything
    case WM_PAINT:
      PaintChild(view);
      return 0;
    case WM_TIMER:
      if (view.kind == Kind::Indicator && wParam == kIndicatorTimer) {
        view.frame = (view.frame + 1) % kIndicatorDots;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
      }
      break;
    case WM_SETCURSOR:
      if (view.kind == Kind::Image && As<ui::Image>(view.model)->HandCursor) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
      if (view.kind == Kind::Image) {
        SetCapture(hwnd);
        if (Reachable(hwnd)) SetFocus(hwnd);
      }
      return 0;
    case WM_LBUTTONUP:
      if (view.kind == Kind::Image) {
        if (GetCapture() == hwnd) ReleaseCapture();
        RECT r;
        GetClientRect(hwnd, &r);
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (PtInRect(&r, at)) Guard([&] { static_cast<ui::Image&>(*view.model).Click(); });
      }
      return 0;
    case WM_DESTROY:
      if (view.kind == Kind::Indicator) KillTimer(hwnd, kIndicatorTimer);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK FormWindow::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
  auto* self = reinterpret_cast<FormWindow*>(ref);
  View* view = self->ViewOf(hwnd);
  if (LRESULT result = 0; view && self->OnControlKey(*view, msg, wParam, lParam, result)) return result;
  switch (msg) {
    case WM_MOUSEMOVE:
      if (self->hot_ != hwnd) {
        if (self->hot_) InvalidateRect(self->hot_, nullptr, FALSE);
        self->hot_ = hwnd;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      break;
    case WM_MOUSELEAVE:
      if (self->hot_ == hwnd) {
        self->hot_ = nullptr;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // The version field never takes the focus from a click, so no caret appears;
      // the click is the program's (EditInfoClick).
      if (view && view->kind == Kind::Edit) {
        self->Guard([&] { static_cast<ui::Edit&>(*view->model).Click(); });
        return 0;
      }
      break;
    case WM_ERASEBKGND:
    case WM_PAINT:
      // The theme's progress bar is drawn here: the control's own drawing keeps the
      // visual style's colours wherever the style cannot be taken off it (Wine).
      if (view && view->kind == Kind::Progress && self->palette_.themed) {
        if (msg == WM_PAINT) self->PaintChild(*view);
        return msg == WM_PAINT ? 0 : 1;
      }
      break;
    case WM_NCDESTROY:
      if (self->hot_ == hwnd) self->hot_ = nullptr;
      RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

void FormWindow::PaintChild(View& view) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(view.hwnd, &ps);
  RECT client;
  GetClientRect(view.hwnd, &client);
  Buffered(dc, client, [&](HDC mem) {
    switch (view.kind) {
      case Kind::Group:
        PaintGroupBox(mem, client, WindowText(view.hwnd), FontFor(static_cast<ui::Control&>(*view.model)), palette_,
                      view.background, dpi_);
        break;
      case Kind::Progress:
        PaintProgressBar(mem, client, static_cast<ui::ProgressBar&>(*view.model).Position(), palette_);
        break;
      case Kind::Indicator:
        // Black dots vanish on a dark face: then they take the palette's text colour.
        PaintIndicator(mem, client, view.frame,
                       ReadableOn(ToColorref(static_cast<ui::ActivityIndicator&>(*view.model).DotColor), view.background),
                       view.background);
        break;
      case Kind::Image: {
        FillRect(mem, &client, BrushFor(view.background));
        if (!view.picture) break;
        const int w = ScaleToWindow(view.picture->Width()), h = ScaleToWindow(view.picture->Height());
        const bool center = As<ui::Image>(view.model)->Center;
        const int x = center ? (client.right - w) / 2 : 0, y = center ? (client.bottom - h) / 2 : 0;
        view.picture->Draw(mem, RECT{x, y, x + w, y + h});
        if (GetFocus() == view.hwnd && !FocusMarksHidden(hwnd_)) {
          DrawFocusRect(mem, &client);
        }
        break;
      }
      default: {
        FillRect(mem, &client, BrushFor(view.background));
        // The header band ends in a hairline that sets it off from the page; a panel
        // inside the band that reaches its bottom carries the line on.
        const auto& control = static_cast<ui::Control&>(*view.model);
        const ui::Control* parent = control.Parent();
        const ui::Bounds b = control.GetBounds();
        const bool atBandBottom = parent == &form_ || (parent && b.Top + b.Height >= parent->GetBounds().Height);
        if (view.header && palette_.themed && atBandBottom) {
          RECT line = client;
          line.top = line.bottom - std::max(1, ScaleToWindow(1));
          FillRect(mem, &line, BrushFor(palette_.headerLine));
        }
        break;
      }
    }
  });
  EndPaint(view.hwnd, &ps);
}

void FormWindow::Destroying() {
  for (View& view : views_) {
    if (view.kind == Kind::Timer) KillTimer(hwnd_, static_cast<UINT_PTR>(view.id));
    if (view.nameAtom) {
      RemovePropW(view.kind == Kind::Form ? hwnd_ : view.hwnd, kNameProperty);
      GlobalDeleteAtom(view.nameAtom);
      view.nameAtom = 0;
    }
  }
  if (onDestroy_) Guard(onDestroy_);
}

}  // namespace zeph::win32
