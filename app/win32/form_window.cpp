#include "app/win32/form_window.h"

#include <commctrl.h>

#include <algorithm>

#include "app/win32/dpi.h"
#include "app/win32/paint.h"
#include "app/win32/probe_contract.h"

namespace zeph::win32 {
namespace {

constexpr wchar_t kPanelClass[] = L"TidewellPanel";
constexpr wchar_t kImageClass[] = L"TidewellImage";
constexpr wchar_t kIndicatorClass[] = L"TidewellIndicator";
constexpr UINT_PTR kIndicatorTimer = 1;
constexpr UINT_PTR kSubclassId = 1;
// A drop-down list's window height includes its open list: room for all seven items.
constexpr int kDropDownListHeight = 170;

struct CreateParams {
  FormWindow* self;
  void* view;
};

template <typename T>
T* As(ui::Component* component) {
  return dynamic_cast<T*>(component);
}

// Paints through an off-screen bitmap, so animated and owner-drawn controls never flicker.
template <typename Paint>
void Buffered(HDC target, const RECT& r, Paint&& paint) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  HDC mem = CreateCompatibleDC(target);
  UniqueHbitmap bitmap(CreateCompatibleBitmap(target, w, h));
  HGDIOBJ old = SelectObject(mem, bitmap.get());
  SetWindowOrgEx(mem, r.left, r.top, nullptr);
  paint(mem);
  SetWindowOrgEx(mem, 0, 0, nullptr);
  BitBlt(target, r.left, r.top, w, h, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
}

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

FormWindow::FormWindow(ui::Form& form, const Palette& palette, ErrorSink onError)
    : form_(form), palette_(palette), onError_(std::move(onError)) {}

FormWindow::~FormWindow() {
  for (View& view : views_) view.model->SetObserver(nullptr);
  if (hwnd_) DestroyWindow(hwnd_);
}

void FormWindow::Report(std::exception_ptr error) noexcept {
  try {
    if (onError_) onError_(error);
  } catch (...) {
  }
}

// ---------------------------------------------------------------------------
// Creation

void FormWindow::RegisterClasses(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpfnWndProc = ChildProc;
  for (const wchar_t* name : {kPanelClass, kImageClass, kIndicatorClass}) {
    wc.lpszClassName = name;
    RegisterClassExW(&wc);  // a second FormWindow finds them registered already
  }
}

HWND FormWindow::Create(HICON bigIcon, HICON smallIcon) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterClasses(instance);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = FormProc;
  wc.hInstance = instance;
  wc.hIcon = bigIcon;
  wc.hIconSm = smallIcon;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = form_.ClassName().c_str();
  RegisterClassExW(&wc);

  const auto& owned = form_.Components();
  views_.clear();
  views_.reserve(owned.size() + 1);  // Views are referenced by address from here on
  views_.emplace_back(&form_, Kind::Form, 0);
  for (std::size_t i = 0; i < owned.size(); ++i) {
    ui::Component* c = owned[i];
    Kind kind = Kind::Other;
    if (As<ui::Panel>(c)) kind = Kind::Container;
    else if (As<ui::GroupBox>(c)) kind = Kind::Group;
    else if (As<ui::Label>(c)) kind = Kind::Label;
    else if (As<ui::SpeedButton>(c)) kind = Kind::SpeedButton;
    else if (As<ui::Button>(c)) kind = Kind::Button;
    else if (As<ui::CheckBox>(c)) kind = Kind::CheckBox;
    else if (As<ui::ComboBox>(c)) kind = Kind::Combo;
    else if (As<ui::Edit>(c)) kind = Kind::Edit;
    else if (As<ui::ProgressBar>(c)) kind = Kind::Progress;
    else if (As<ui::ActivityIndicator>(c)) kind = Kind::Indicator;
    else if (As<ui::Image>(c)) kind = Kind::Image;
    else if (As<ui::Timer>(c)) kind = Kind::Timer;
    else if (As<ui::PopupMenu>(c)) kind = Kind::Menu;
    else if (As<ui::MenuItem>(c)) kind = Kind::MenuItem;
    views_.emplace_back(c, kind, kFirstControlId + static_cast<int>(i));
  }
  index_.clear();
  for (std::size_t i = 0; i < views_.size(); ++i) {
    index_[views_[i].model] = i;
    // Menu commands before the first pop-up (sent by a tool) go to the form's menu.
    if (views_[i].kind == Kind::Menu && !lastMenu_) lastMenu_ = static_cast<ui::PopupMenu*>(views_[i].model);
  }

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
  CreateParams params{this, &views_[0]};
  CreateWindowExW(exStyle, wc.lpszClassName, form_.Caption().c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                  nullptr, nullptr, instance, &params);
  if (!hwnd_) return nullptr;
  views_[0].hwnd = hwnd_;
  views_[0].background = palette_.themed ? palette_.window : ToColorref(form_.Background);

  // Centred on the (primary) screen, sized for the client area at the window's DPI.
  dpi_ = WindowDpi(hwnd_);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& screen = monitor.rcMonitor;
  const SIZE frame = FrameSizeForClient(form_.ClientWidth, form_.ClientHeight, style, exStyle, dpi_);
  SetWindowPos(hwnd_, nullptr, screen.left + (screen.right - screen.left - frame.cx) / 2,
               screen.top + (screen.bottom - screen.top - frame.cy) / 2, frame.cx, frame.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);

  for (std::size_t i = 1; i < views_.size(); ++i) CreateControl(views_[i]);
  for (View& view : views_) {
    SyncAll(view);
    if (view.hwnd) {
      view.nameAtom = GlobalAddAtomW(view.model->Name().c_str());
      SetPropW(view.hwnd, kNameProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(view.nameAtom)));
    }
    view.model->SetObserver(this);
  }
  return hwnd_;
}

void FormWindow::CreateControl(View& view) {
  auto* control = As<ui::Control>(view.model);
  if (!control) return;  // timers and menus have no window of their own
  View* parent = control->Parent() ? ViewOf(control->Parent()) : nullptr;
  if (!parent || !parent->hwnd) return;

  // Backgrounds: the body and pages take the theme's window colour, the panel at the
  // top of the form is the header band (and what sits in it shares its colour).
  view.background = parent->background;
  if (view.kind == Kind::Container) {
    auto* panel = As<ui::Panel>(view.model);
    const bool page = As<ui::CardPanel>(view.model) || As<ui::Card>(view.model);
    view.header = parent->header || (!page && parent->kind == Kind::Form);
    if (view.header && parent->header) view.background = parent->background;
    else if (palette_.themed) view.background = view.header ? palette_.header : palette_.window;
    else view.background = ToColorref(panel->Background);
  }

  const wchar_t* cls = nullptr;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (control->Visible() ? WS_VISIBLE : 0);
  DWORD exStyle = 0;
  switch (view.kind) {
    case Kind::Container:
    case Kind::Group:
      cls = kPanelClass;
      style |= WS_CLIPCHILDREN;
      exStyle = WS_EX_CONTROLPARENT;
      break;
    case Kind::Label: {
      cls = L"STATIC";
      const auto align = As<ui::Label>(view.model)->Alignment;
      style |= SS_NOPREFIX | (align == ui::TextAlignment::Center  ? SS_CENTER
                              : align == ui::TextAlignment::Right ? SS_RIGHT
                                                                  : SS_LEFTNOWORDWRAP);
      break;
    }
    case Kind::Button:
      cls = L"BUTTON";
      style |= WS_TABSTOP | (palette_.themed ? BS_OWNERDRAW : BS_PUSHBUTTON);
      break;
    case Kind::SpeedButton:
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_OWNERDRAW;
      break;
    case Kind::CheckBox:
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_AUTOCHECKBOX;
      break;
    case Kind::Combo:
      cls = L"COMBOBOX";
      style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
      break;
    case Kind::Edit: {
      cls = L"EDIT";
      auto* edit = As<ui::Edit>(view.model);
      style |= ES_AUTOHSCROLL | (edit->ReadOnly ? ES_READONLY : 0) | (edit->Border ? WS_BORDER : 0);
      break;
    }
    case Kind::Progress:
      cls = PROGRESS_CLASSW;
      break;
    case Kind::Indicator:
      cls = kIndicatorClass;
      break;
    case Kind::Image:
      cls = kImageClass;
      break;
    default:
      return;
  }
  CreateParams params{this, &view};
  const HWND hwnd =
      CreateWindowExW(exStyle, cls, view.model->Caption().c_str(), style, 0, 0, 0, 0, parent->hwnd,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(view.id)), GetModuleHandleW(nullptr), &params);
  view.hwnd = hwnd;
  if (!hwnd) return;

  switch (view.kind) {
    case Kind::Button:
    case Kind::SpeedButton:
      if ((style & BS_OWNERDRAW) != 0) SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
      break;
    case Kind::Edit:
      SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
      break;
    case Kind::Progress:
      SendMessageW(hwnd, PBM_SETRANGE32, 0, 100);
      if (palette_.themed) {
        // Visual styles would ignore the theme's colours; the classic bar takes them.
        using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
        if (HMODULE uxtheme = LoadLibraryW(L"uxtheme.dll")) {
          if (auto set = reinterpret_cast<SetWindowThemeFn>(
                  reinterpret_cast<void*>(GetProcAddress(uxtheme, "SetWindowTheme")))) {
            set(hwnd, L"", L"");
          }
        }
        SendMessageW(hwnd, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(palette_.accent));
        SendMessageW(hwnd, PBM_SETBKCOLOR, 0, static_cast<LPARAM>(Blend(palette_.window, palette_.groupFrame, 45)));
      }
      break;
    case Kind::Indicator: {
      // It sits over the clean button: it paints that button's (disabled) face and
      // stays above it.
      const ui::Bounds b = control->GetBounds();
      for (ui::Control* sibling : control->Parent()->Children()) {
        const ui::Bounds s = sibling->GetBounds();
        if (As<ui::Button>(sibling) && b.Left >= s.Left && b.Top >= s.Top && b.Left + b.Width <= s.Left + s.Width &&
            b.Top + b.Height <= s.Top + s.Height) {
          view.background = DisabledButtonFace(palette_);
        }
      }
      SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      break;
    }
    case Kind::Image:
      view.picture = Picture::FromResource(As<ui::Image>(view.model)->Picture.c_str());
      break;
    default:
      break;
  }
}

void FormWindow::Show() {
  if (!hwnd_) return;
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  UpdateWindow(hwnd_);
}

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
  for (P p : {P::Font, P::Bounds, P::Enabled}) Sync(view, p);
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
      if (view.kind == Kind::Indicator) UpdateTimer(view);
      break;
    case P::Enabled:
      EnableWindow(hwnd, control.Enabled());
      break;
    case P::Font:
      SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control)), TRUE);
      if (view.kind == Kind::Label || view.kind == Kind::Combo) Place(view);
      if (view.kind == Kind::Group) InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case P::FontColor:
    case P::Down:
      InvalidateRect(hwnd, nullptr, TRUE);
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
      for (ui::Control* card : control.Children()) {
        if (View* cardView = ViewOf(card)) Sync(*cardView, P::Visible);
      }
      break;
    case P::ActiveControl: {
      const ui::Control* active = form_.ActiveControl();
      const View* target = active ? ViewOf(active) : nullptr;
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
  const ui::Bounds b = control->GetBounds();
  int width = ScaleToWindow(b.Width), height = ScaleToWindow(b.Height);
  if (view.kind == Kind::Label && As<ui::Label>(view.model)->AutoSize) {
    // An auto-sized label is as large as its text in its font.
    const std::wstring text = view.model->Caption();
    HDC dc = GetDC(view.hwnd);
    HGDIOBJ old = SelectObject(dc, FontFor(*control));
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, text.empty() ? L" " : text.c_str(), text.empty() ? 1 : static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(view.hwnd, dc);
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

// ---------------------------------------------------------------------------
// Windows -> model

void FormWindow::OnCommand(WORD id, WORD code, HWND control) {
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
  // A button that took the focus from a mouse click shows no focus mark: it is
  // for keyboard users, who reach the button with Tab.
  const bool hideFocus = (item.itemState & ODS_NOFOCUSRECT) != 0 || item.hwndItem == clickFocused_;
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
  return palette_.themed ? palette_.text : GetSysColor(COLOR_WINDOWTEXT);
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
      DestroyWindow(hwnd);
      return 0;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, BrushFor(views_.empty() ? palette_.window : views_[0].background));
      return 1;
    }
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DESTROY:
      Destroying();
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
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
      if (view.kind == Kind::Image) SetCapture(hwnd);
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
      self->clickFocused_ = hwnd;
      break;
    case WM_KILLFOCUS:
      if (self->clickFocused_ == hwnd) self->clickFocused_ = nullptr;
      break;
    case WM_SETFOCUS:
      if (view && view->kind == Kind::Edit) {
        const LRESULT r = DefSubclassProc(hwnd, msg, wParam, lParam);
        HideCaret(hwnd);
        return r;
      }
      break;
    case WM_NCDESTROY:
      if (self->hot_ == hwnd) self->hot_ = nullptr;
      if (self->clickFocused_ == hwnd) self->clickFocused_ = nullptr;
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
      case Kind::Indicator:
        PaintIndicator(mem, client, view.frame, ToColorref(static_cast<ui::ActivityIndicator&>(*view.model).DotColor),
                       view.background);
        break;
      case Kind::Image: {
        FillRect(mem, &client, BrushFor(view.background));
        if (!view.picture) break;
        const int w = ScaleToWindow(view.picture->Width()), h = ScaleToWindow(view.picture->Height());
        const bool center = As<ui::Image>(view.model)->Center;
        const int x = center ? (client.right - w) / 2 : 0, y = center ? (client.bottom - h) / 2 : 0;
        view.picture->Draw(mem, RECT{x, y, x + w, y + h});
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

// ---------------------------------------------------------------------------
// Look-ups and caches

FormWindow::View* FormWindow::ViewOf(const ui::Component* component) {
  const auto it = index_.find(component);
  return it == index_.end() ? nullptr : &views_[it->second];
}

FormWindow::View* FormWindow::ViewOf(HWND hwnd) {
  if (!hwnd) return nullptr;
  for (View& view : views_) {
    if (view.hwnd == hwnd) return &view;
  }
  return nullptr;
}

FormWindow::View* FormWindow::ViewOfId(int id) {
  const int index = id - kFirstControlId + 1;
  if (index < 1 || index >= static_cast<int>(views_.size())) return nullptr;
  return &views_[static_cast<std::size_t>(index)];
}

HFONT FormWindow::FontFor(const ui::Control& control) {
  const ui::Font font = control.EffectiveFont();
  for (const auto& [key, handle] : fonts_) {
    if (key == font) return handle.get();
  }
  fonts_.emplace_back(font, UniqueHfont(CreateFontAt(font, dpi_)));
  return fonts_.back().second.get();
}

HBRUSH FormWindow::BrushFor(COLORREF color) {
  for (const auto& [key, brush] : brushes_) {
    if (key == color) return brush.get();
  }
  brushes_.emplace_back(color, UniqueHbrush(CreateSolidBrush(color)));
  return brushes_.back().second.get();
}

}  // namespace zeph::win32
