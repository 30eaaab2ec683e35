#include "app/win32/form/form_window.h"

#include <commctrl.h>

#include <algorithm>

#include "app/look/appearance.h"
#include "app/win32/form/form_window_internal.h"
#include "app/win32/form/keyboard.h"
#include "app/win32/form/probe_contract.h"
#include "app/win32/look/dpi.h"
#include "app/win32/look/paint.h"
#include "app/win32/look/title_bar.h"
#include "common/win32/optional_functions.h"

namespace zeph::win32 {

using namespace form_detail;

namespace {

// The logo's word mark (resources/make-art.sh): dark slate, lost on a dark header.
constexpr std::uint32_t kLogoInk = 0x1F3B57;

void SetTheme(HWND hwnd, const wchar_t* app, const wchar_t* ids) {
  const auto set = Uxtheme().SetWindowTheme;
  if (set) set(hwnd, app, ids);
}

Rgb ToRgb(COLORREF c) { return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)}; }

}  // namespace

FormWindow::FormWindow(ui::Form& form, const Palette& palette, ErrorSink onError)
    : form_(form), palette_(palette), onError_(std::move(onError)) {}

FormWindow::~FormWindow() {
  for (View& view : views_) view.model->SetObserver(nullptr);
  if (hwnd_) DestroyWindow(hwnd_);
}

void FormWindow::Report(std::exception_ptr error) noexcept {
  crash::RunGuarded([&] {
    if (onError_) onError_(error);
  });
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
  views_[0].background = BackgroundFor(views_[0]);
  // Before the window shows; a light caption is the default and needs no request.
  if (palette_.dark) UseDarkTitleBar(hwnd_, true);

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

  StartAccessibility();
  // A page that does not show (parents come before their children in views_).
  bool later = false;
  for (std::size_t i = 1; i < views_.size(); ++i) {
    View& view = views_[i];
    auto* control = As<ui::Control>(view.model);
    const View* parent = control && control->Parent() ? ViewOf(control->Parent()) : nullptr;
    view.later = (parent && parent->later) || (As<ui::Card>(view.model) && !control->Visible());
    later = later || view.later;
  }
  fontsPending_ = true;
  for (std::size_t i = 1; i < views_.size(); ++i) {
    if (!views_[i].later) CreateControl(views_[i]);
  }
  for (View& view : views_) {
    if (!view.later) Realize(view);
    view.model->SetObserver(this);
  }
  pagesPending_ = later;  // from now on, when the pages' parents exist
  ResetFocusMarks(hwnd_);
  // Posted messages come before painting: the loop's first one, once Show has painted
  // (or at once, for a window that stays hidden).
  if (!PostMessageW(hwnd_, kFinishCreation, 0, 0)) FinishCreation();
  return hwnd_;
}

void FormWindow::FinishCreation() {
  ApplyFontsAndPlaces();
  CreateHiddenPages();
}

void FormWindow::Realize(View& view) {
  SyncAll(view);
  if (!view.hwnd) return;
  view.nameAtom = GlobalAddAtomW(view.model->Name().c_str());
  SetPropW(view.hwnd, kNameProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(view.nameAtom)));
}

// The controls of the pages that did not show at creation, in ownership order and so
// in the same Tab and z order as if they had been made with the others; they take the
// model's state of now, the palette and DPI of now, and the window's focus-mark state.
void FormWindow::CreateHiddenPages() {
  if (!pagesPending_ || !hwnd_) return;
  ApplyFontsAndPlaces();
  pagesPending_ = false;
  for (View& view : views_) {
    if (view.later) CreateControl(view);
  }
  for (View& view : views_) {
    if (!view.later) continue;
    view.later = false;
    Realize(view);
    if (view.hwnd && As<ui::Card>(view.model)) {
      // On to every control of the page, as the window spreads every change.
      SendMessageW(view.hwnd, WM_UPDATEUISTATE, MAKEWPARAM(focusMarksHidden_ ? UIS_SET : UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
  }
}

void FormWindow::CreateControl(View& view) {
  auto* control = As<ui::Control>(view.model);
  if (!control) return;  // timers and menus have no window of their own
  View* parent = control->Parent() ? ViewOf(control->Parent()) : nullptr;
  if (!parent || !parent->hwnd) return;

  // The panel at the top of the form is the header band (and what sits in it shares its colour).
  if (view.kind == Kind::Container) {
    const bool page = As<ui::CardPanel>(view.model) || As<ui::Card>(view.model);
    view.header = parent->header || (!page && parent->kind == Kind::Form);
  }
  view.background = BackgroundFor(view);

  const wchar_t* cls = nullptr;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (control->Visible() ? WS_VISIBLE : 0) | KeyboardStyle(view);
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
      style |= palette_.themed ? BS_OWNERDRAW : BS_PUSHBUTTON;
      break;
    case Kind::SpeedButton:
      cls = L"BUTTON";
      style |= BS_OWNERDRAW;
      break;
    case Kind::CheckBox:
      cls = L"BUTTON";
      style |= BS_AUTOCHECKBOX;
      break;
    case Kind::Combo:
      cls = L"COMBOBOX";
      style |= WS_VSCROLL | CBS_DROPDOWNLIST;
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
    case Kind::Edit:
      // Push buttons too while they are the system's: a palette change may make them owner-drawn.
      SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
      break;
    case Kind::Progress:
      SendMessageW(hwnd, PBM_SETRANGE32, 0, 100);
      SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
      break;
    case Kind::Indicator:
      // It sits over the clean button and stays above it; the focus that button had
      // while cleaning is given back to it.
      ringButton_ = CoveredButton(view);
      SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      break;
    default:
      break;
  }
  ApplyLook(view, false);
}

FormWindow::View* FormWindow::CoveredButton(const View& view) {
  auto* control = As<ui::Control>(view.model);
  if (!control || !control->Parent()) return nullptr;
  const ui::Bounds b = control->GetBounds();
  for (ui::Control* sibling : control->Parent()->Children()) {
    const ui::Bounds s = sibling->GetBounds();
    if (As<ui::Button>(sibling) && b.Left >= s.Left && b.Top >= s.Top && b.Left + b.Width <= s.Left + s.Width &&
        b.Top + b.Height <= s.Top + s.Height) {
      return ViewOf(sibling);
    }
  }
  return nullptr;
}

COLORREF FormWindow::BackgroundFor(const View& view) {
  // Without the theme the body is the system's window colour, which high contrast
  // changes along with its text colour.
  if (view.kind == Kind::Form) return palette_.window;
  auto* control = As<ui::Control>(view.model);
  View* parent = control && control->Parent() ? ViewOf(control->Parent()) : nullptr;
  if (!parent) return palette_.window;
  if (view.kind == Kind::Container) {
    if (view.header && parent->header) return parent->background;
    return palette_.themed && view.header ? palette_.header : palette_.window;
  }
  // Over a push button the ring paints that button's (disabled) face.
  if (view.kind == Kind::Indicator && CoveredButton(view)) return DisabledButtonFace(palette_);
  return parent->background;
}

COLORREF FormWindow::ReadableOn(COLORREF color, COLORREF background) const {
  // 3:1, the least contrast for a shape or large text to read.
  return ContrastRatio(ToRgb(color), ToRgb(background)) >= 3.0 ? color : palette_.text;
}

void FormWindow::ApplyLook(View& view, bool switching) {
  const HWND hwnd = view.hwnd;
  if (!hwnd) return;
  switch (view.kind) {
    case Kind::Button: {
      // The theme's push buttons are the program's drawing; the system look is the system's button.
      const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
      const LONG type = palette_.themed ? BS_OWNERDRAW : BS_PUSHBUTTON;
      if ((style & BS_TYPEMASK) != type) SendMessageW(hwnd, BM_SETSTYLE, (style & ~BS_TYPEMASK) | type, FALSE);
      break;
    }
    case Kind::CheckBox:
      // A check box drawn with visual styles takes its text colour from the style, not
      // from WM_CTLCOLORSTATIC, and no style (not even the dark Explorer one) has a
      // light caption: on the dark palette it goes without visual styles, so the
      // caption takes the palette's text colour.
      if (palette_.dark) SetTheme(hwnd, L"", L"");
      else if (switching) SetTheme(hwnd, nullptr, nullptr);
      break;
    case Kind::Combo:
      // The system's dark drop-down (the common file dialog's), where Windows has it;
      // elsewhere the name matches nothing and the light one stays, readable as well.
      if (palette_.dark) SetTheme(hwnd, L"DarkMode_CFD", nullptr);
      else if (switching) SetTheme(hwnd, nullptr, nullptr);
      break;
    case Kind::Image: {
      const COLORREF ink = RGB(kLogoInk >> 16, (kLogoInk >> 8) & 0xFF, kLogoInk & 0xFF);
      const COLORREF shown = ReadableOn(ink, view.background);
      std::optional<Picture::Recolor> recolor;
      if (shown != ink) {
        recolor = Picture::Recolor{kLogoInk, static_cast<std::uint32_t>(GetRValue(shown)) << 16 |
                                                 static_cast<std::uint32_t>(GetGValue(shown)) << 8 | GetBValue(shown)};
      }
      view.picture = Picture::FromResource(As<ui::Image>(view.model)->Picture.c_str(), recolor);
      break;
    }
    default:
      break;
  }
}

void FormWindow::ApplyFontsAndPlaces() {
  if (!fontsPending_ || !hwnd_) return;
  fontsPending_ = false;
  for (View& view : views_) {
    auto* control = As<ui::Control>(view.model);
    if (!control || !view.hwnd) continue;
    // Nothing has painted yet: no redraw.
    SendMessageW(view.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(*control)), FALSE);
    if (view.kind == Kind::Label || view.kind == Kind::Combo) Place(view);  // as a font change does
  }
}

void FormWindow::SetPalette(const Palette& palette) {
  palette_ = palette;
  // No brush is selected anywhere between messages: the old colours' brushes can go.
  brushes_.clear();
  if (!hwnd_) return;
  UseDarkTitleBar(hwnd_, palette_.dark);
  // Parents come before their children in views_, so each child finds its parent's new colour.
  for (View& view : views_) {
    view.background = BackgroundFor(view);
    ApplyLook(view, true);
  }
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE | RDW_FRAME);
}

void FormWindow::Show() {
  if (!hwnd_) return;
  ApplyFontsAndPlaces();
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  UpdateWindow(hwnd_);
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
