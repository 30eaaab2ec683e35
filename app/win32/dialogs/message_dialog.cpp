#include "app/win32/dialogs/message_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>

#include "app/win32/look/buffered.h"
#include "app/win32/look/dpi.h"
#include "app/win32/look/gdi.h"
#include "app/win32/look/paint.h"
#include "app/win32/look/title_bar.h"
#include "app/win32/services/window_messages.h"
#include "common/win32/optional_functions.h"
#include "crash/fault.h"
#include "translate/program_texts.h"

namespace zeph::win32 {
namespace {


// The ids the system's message box gives its icon and its text; tools that read
// message boxes (and the program's own tests) look for these.
constexpr WORD kIconId = 20;
constexpr WORD kTextId = 0xFFFF;
constexpr WORD kDetailsId = 0xFFFE;
constexpr WORD kStatusId = 0xFFFD;
constexpr UINT_PTR kDetailsSubclass = 1;

// The layout at 96 DPI, close to the system box's.
constexpr int kPad = 22;           // around the message
constexpr int kIconGap = 12;       // icon to text
constexpr int kDetailsGap = 12;    // text to details
constexpr int kDetailsHeight = 140;
constexpr int kDetailsMinWidth = 420;
constexpr int kTextMaxWidth = 440;
constexpr int kButtonMinWidth = 88;
constexpr int kButtonMinHeight = 26;
constexpr int kButtonTextPad = 14;  // each side of a button's caption
constexpr int kButtonGap = 8;
constexpr int kBandPadX = 12, kBandPadY = 11;
constexpr int kCaptionRoom = 90;   // the caption's icon and close box

constexpr UINT kTextFormat = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS;

// Tasks posted to the dialog: the message only says there are some.
constexpr UINT kRunTasks = window_messages::kDialogRunTasks;

// What other threads hand to the open dialog. It outlives the dialog as long as a
// poster holds it; once the dialog is gone it takes nothing more.
class Mailbox {
 public:
  bool Post(OpenDialog::Task task) {
    Locked lock(lock_);
    if (!hwnd_) return false;
    tasks_.push_back(std::move(task));
    if (tasks_.size() == 1 && !PostMessageW(hwnd_, kRunTasks, 0, 0)) {
      tasks_.pop_back();
      return false;
    }
    return true;
  }
  void Open(HWND hwnd) {
    Locked lock(lock_);
    hwnd_ = hwnd;
  }
  void Close() {
    std::deque<OpenDialog::Task> dropped;
    Locked lock(lock_);
    hwnd_ = nullptr;
    dropped.swap(tasks_);
  }
  std::deque<OpenDialog::Task> Take() {
    std::deque<OpenDialog::Task> taken;
    Locked lock(lock_);
    taken.swap(tasks_);
    return taken;
  }

 private:
  // A slim reader/writer lock: std::mutex would bring the POSIX thread layer into the exe.
  struct Locked {
    explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }
    SRWLOCK& lock_;
  };
  SRWLOCK lock_ = SRWLOCK_INIT;
  HWND hwnd_ = nullptr;
  std::deque<OpenDialog::Task> tasks_;
};

// The dialog in memory: a DLGTEMPLATE and one DLGITEMTEMPLATE a control, each on a
// DWORD boundary. Positions are left at zero: the dialog lays itself out in pixels.
class DialogTemplate {
 public:
  DialogTemplate(DWORD style, DWORD exStyle, const std::wstring& caption) {
    Dword(style);
    Dword(exStyle);
    Word(0);  // the count of controls, filled in by Add
    for (int i = 0; i < 4; ++i) Word(0);
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(caption);
  }
  void Add(DWORD style, DWORD exStyle, WORD id, WORD classAtom, const std::wstring& text) {
    if (words_.size() % 2 != 0) Word(0);
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(exStyle);
    for (int i = 0; i < 4; ++i) Word(0);
    Word(id);
    Word(0xFFFF);
    Word(classAtom);
    Text(text);
    Word(0);  // no creation data
    ++words_[4];
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  static constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82;

 private:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void Text(const std::wstring& text) {
    words_.insert(words_.end(), text.begin(), text.end());
    Word(0);
  }
  std::vector<WORD> words_;
};

int MetricAt(int index, UINT dpi, int fallback96) {
  const auto get = User32().GetSystemMetricsForDpi;
  if (get) return get(index, dpi);
  return Scale(fallback96, dpi);
}

// The desktop's message and caption fonts at `dpi`.
NONCLIENTMETRICSW MetricsAt(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  const auto getForDpi = User32().SystemParametersInfoForDpi;
  if (getForDpi && getForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) return metrics;
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    metrics.lfMessageFont.lfHeight = -12;
    lstrcpynW(metrics.lfMessageFont.lfFaceName, L"Segoe UI", LF_FACESIZE);
    metrics.lfCaptionFont = metrics.lfMessageFont;
    return metrics;
  }
  const int system = static_cast<int>(SystemDpi());
  for (LOGFONTW* font : {&metrics.lfMessageFont, &metrics.lfCaptionFont}) {
    font->lfHeight = MulDiv(font->lfHeight, static_cast<int>(dpi), system);
  }
  return metrics;
}

UINT MonitorDpi(HMONITOR monitor) {
  // Windows before 8.1 has no shcore: the system DPI then.
  const auto get = Shcore().GetDpiForMonitor;
  UINT x = 0, y = 0;
  if (get && monitor && SUCCEEDED(get(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && y) return y;
  return SystemDpi();
}

RECT WorkArea(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) return info.rcWork;
  RECT r{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

SIZE FrameSize(int clientWidth, int clientHeight, HWND hwnd, UINT dpi) {
  RECT r{0, 0, clientWidth, clientHeight};
  const auto style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE));
  const auto adjust = User32().AdjustWindowRectExForDpi;
  if (!adjust || !adjust(&r, style, FALSE, exStyle, dpi)) AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

LPCWSTR SystemIconName(DialogIcon icon) {
  switch (icon) {
    case DialogIcon::Error: return IDI_ERROR;
    case DialogIcon::Warning: return IDI_WARNING;
    case DialogIcon::Question: return IDI_QUESTION;
    case DialogIcon::Information: return IDI_INFORMATION;
    case DialogIcon::None: break;
  }
  return nullptr;
}

UINT IconSound(DialogIcon icon) {
  switch (icon) {
    case DialogIcon::Error: return MB_ICONERROR;
    case DialogIcon::Warning: return MB_ICONWARNING;
    case DialogIcon::Question: return MB_ICONQUESTION;
    case DialogIcon::Information: return MB_ICONINFORMATION;
    case DialogIcon::None: break;
  }
  return MB_OK;
}

// The details are read and selected with the mouse and the arrows; every other key
// belongs to the dialog, so Enter, Escape, Tab and the mnemonics work there too.
LRESULT CALLBACK DetailsProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (msg == WM_GETDLGCODE) {
    return DefSubclassProc(hwnd, msg, wParam, lParam) &
           ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_WANTTAB | DLGC_WANTCHARS);
  }
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, DetailsProc, kDetailsSubclass);
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

class MessageDialog final : public OpenDialog {
 public:
  MessageDialog(const DialogSpec& box, const Palette& palette) : box_(box), palette_(palette) {}

  void SetStatus(const std::wstring& text) override { SetDlgItemTextW(hwnd_, kStatusId, text.c_str()); }
  void EnableButton(int id, bool enabled) override {
    HWND button = GetDlgItem(hwnd_, id);
    if (!button || !IsButton(id)) return;
    if (!enabled && GetFocus() == button) {
      HWND next = GetDlgItem(hwnd_, box_.defaultId);
      if (!next || next == button || !IsWindowEnabled(next)) next = GetNextDlgTabItem(hwnd_, button, FALSE);
      SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    }
    EnableWindow(button, enabled);
  }
  Poster MakePoster() override {
    return [mailbox = mailbox_](Task task) { return mailbox->Post(std::move(task)); };
  }
  HWND Window() const override { return hwnd_; }

  int Run() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK;
    if (box_.setForeground) style |= DS_SETFOREGROUND;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (box_.topmost ? WS_EX_TOPMOST : 0);
    DialogTemplate dialog(style, exStyle, box_.caption);
    if (box_.icon != DialogIcon::None) dialog.Add(SS_ICON, 0, kIconId, DialogTemplate::kStatic, L"");
    dialog.Add(SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, 0, kTextId, DialogTemplate::kStatic, box_.text);
    if (!box_.details.empty()) {
      dialog.Add(WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                 palette_.themed ? 0 : WS_EX_CLIENTEDGE, kDetailsId, DialogTemplate::kEdit, box_.details);
    }
    if (box_.statusLine) {
      dialog.Add(SS_LEFT | SS_NOPREFIX, 0, kStatusId, DialogTemplate::kStatic, L"");
    }
    bool first = true;
    for (const DialogButton& button : box_.buttons) {
      const DWORD kind = button.id == box_.defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
      dialog.Add(WS_TABSTOP | kind | (first ? WS_GROUP : 0), 0, static_cast<WORD>(button.id), DialogTemplate::kButton,
                 button.text);
      first = false;
    }
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), box_.owner, Proc,
                                                   reinterpret_cast<LPARAM>(this));
    return result == -1 ? 0 : static_cast<int>(result);
  }

 private:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    auto* self = reinterpret_cast<MessageDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    // Nothing may cross the dialog manager: after a C++ error the dialog stays as it
    // is and the message counts as not handled; a hardware fault goes to the crash reporter.
    INT_PTR result = FALSE;
    crash::RunGuarded([&] { result = self->OnMessage(hwnd, msg, wParam, lParam); });
    return result;
  }

  INT_PTR Result(LRESULT value) {
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, value);
    return TRUE;
  }

  INT_PTR OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
      case WM_INITDIALOG:
        hwnd_ = hwnd;
        mailbox_->Open(hwnd);
        OnInit();
        return FALSE;  // the focus is set
      case WM_DESTROY:
        mailbox_->Close();
        return FALSE;
      case kRunTasks:
        for (Task& task : mailbox_->Take()) task(*this);
        return TRUE;
      case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
      case WM_CLOSE:  // the close box and Alt+F4: disabled when there is no cancel choice
        if (box_.cancelId != 0) EndDialog(hwnd, box_.cancelId);
        return TRUE;
      case WM_DPICHANGED: {
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        const POINT centre{(suggested.left + suggested.right) / 2, (suggested.top + suggested.bottom) / 2};
        monitor_ = MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST);
        Layout(HIWORD(wParam));
        CentreOn(RECT{centre.x, centre.y, centre.x, centre.y});
        return Result(0);
      }
      case WM_SETTINGCHANGE:
        if (wParam == SPI_SETNONCLIENTMETRICS) Relayout();
        return FALSE;
      case WM_UPDATEUISTATE:
        // The focus mark and the underlined mnemonics appear once the keyboard is used.
        for (const DialogButton& button : box_.buttons) InvalidateRect(GetDlgItem(hwnd, button.id), nullptr, FALSE);
        return FALSE;
      default:
        break;
    }
    if (!palette_.themed) return FALSE;  // the system's own look throughout
    switch (msg) {
      case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        return Result(TRUE);
      case WM_CTLCOLORSTATIC: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        const bool details = GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == kDetailsId;
        SetTextColor(dc, palette_.text);
        SetBkColor(dc, details ? palette_.header : palette_.window);
        return reinterpret_cast<INT_PTR>(details ? bandBrush_.get() : faceBrush_.get());
      }
      case WM_CTLCOLORBTN:
        return reinterpret_cast<INT_PTR>(bandBrush_.get());
      case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.code != NM_CUSTOMDRAW || !IsButton(static_cast<int>(header.idFrom))) return FALSE;
        const auto& draw = *reinterpret_cast<const NMCUSTOMDRAW*>(lParam);
        if (draw.dwDrawStage != CDDS_PREPAINT) return Result(CDRF_DODEFAULT);
        PaintButton(draw);
        return Result(CDRF_SKIPDEFAULT);
      }
      default:
        return FALSE;
    }
  }

  bool IsButton(int id) const {
    return std::any_of(box_.buttons.begin(), box_.buttons.end(), [id](const DialogButton& b) { return b.id == id; });
  }

  void OnInit() {
    // The dialog lays itself out at every DPI; the dialog manager's own rescaling
    // (Windows 10 1703 and later) would fight it.
    if (const auto set = User32().SetDialogDpiChangeBehavior) set(hwnd_, 1, 1);
    if (palette_.dark) UseDarkTitleBar(hwnd_, true);
    if (box_.cancelId == 0) EnableMenuItem(GetSystemMenu(hwnd_, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    if (HWND details = GetDlgItem(hwnd_, kDetailsId)) SetWindowSubclass(details, DetailsProc, kDetailsSubclass, 0);
    if (palette_.themed) {
      faceBrush_.reset(CreateSolidBrush(palette_.window));
      bandBrush_.reset(CreateSolidBrush(palette_.header));
    }

    // Where it opens: over its owner when the owner is on screen, otherwise (the
    // application's own window has no size) in the middle of the monitor the user
    // is working on, the one under the mouse.
    HWND owner = box_.owner;
    RECT anchor{};
    if (owner && IsWindowVisible(owner) && !IsIconic(owner) && GetWindowRect(owner, &anchor) &&
        anchor.right > anchor.left && anchor.bottom > anchor.top) {
      monitor_ = MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST);
    } else {
      POINT cursor{};
      GetCursorPos(&cursor);
      monitor_ = MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY);
      anchor = WorkArea(monitor_);
    }
    Layout(MonitorDpi(monitor_));
    CentreOn(anchor);
    // Moving it there may have changed its DPI without a notice.
    if (const UINT now = WindowDpi(hwnd_); now != dpi_) {
      Layout(now);
      CentreOn(anchor);
    }

    HWND focus = GetDlgItem(hwnd_, box_.defaultId);
    if (!focus && !box_.buttons.empty()) focus = GetDlgItem(hwnd_, box_.buttons.front().id);
    if (focus) {
      SendMessageW(hwnd_, DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID(focus)), 0);
      SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
    }
    MessageBeep(IconSound(box_.icon));
  }

  void OnCommand(int id, int code) {
    if (IsButton(id)) {
      if (code != BN_CLICKED) return;
      if (box_.onButton && !box_.onButton(id, *this)) return;
      EndDialog(hwnd_, id);
      return;
    }
    // Escape, and the close box through the dialog manager.
    if (id == IDCANCEL && box_.cancelId != 0) EndDialog(hwnd_, box_.cancelId);
  }

  void Relayout() {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    Layout(dpi_);
    CentreOn(r);
  }

  // Sizes every control for `dpi` with the desktop's message font and sizes the
  // dialog around them; its position is CentreOn's.
  void Layout(UINT dpi) {
    dpi_ = dpi;
    const auto s = [dpi](int value96) { return Scale(value96, dpi); };
    const NONCLIENTMETRICSW metrics = MetricsAt(dpi);
    UniqueHfont font(CreateFontIndirectW(&metrics.lfMessageFont));
    UniqueHfont captionFont(CreateFontIndirectW(&metrics.lfCaptionFont));

    const int iconSize = box_.icon == DialogIcon::None ? 0 : MetricAt(SM_CXICON, dpi, 32);
    LoadIcon(iconSize);
    const RECT work = WorkArea(monitor_);
    const int textLeft = s(kPad) + (iconSize ? iconSize + s(kIconGap) : 0);
    const int textLimit =
        std::max(s(120), std::min<int>(s(kTextMaxWidth), (work.right - work.left) * 3 / 4 - textLeft));

    TEXTMETRICW tm{};
    RECT text{0, 0, textLimit, 0};
    std::vector<int> buttonWidths;
    int buttonsWidth = 0;
    SIZE caption{};
    {
      const WindowDc windowDc(hwnd_);
      const HDC dc = windowDc.get();
      {
        const SelectedObject selected(dc, font.get());
        GetTextMetricsW(dc, &tm);
        DrawTextW(dc, box_.text.c_str(), static_cast<int>(box_.text.size()), &text, kTextFormat | DT_CALCRECT);
        for (const DialogButton& button : box_.buttons) {
          RECT r{};
          DrawTextW(dc, button.text.c_str(), static_cast<int>(button.text.size()), &r, DT_SINGLELINE | DT_CALCRECT);
          buttonWidths.push_back(std::max(s(kButtonMinWidth), static_cast<int>(r.right) + 2 * s(kButtonTextPad)));
          buttonsWidth += buttonWidths.back() + (buttonWidths.size() > 1 ? s(kButtonGap) : 0);
        }
      }
      const SelectedObject selected(dc, captionFont.get());
      GetTextExtentPoint32W(dc, box_.caption.c_str(), static_cast<int>(box_.caption.size()), &caption);
    }
    const int textWidth = std::min<int>(text.right, textLimit);
    const int textHeight = std::max<int>(text.bottom, tm.tmHeight);
    const int buttonHeight = std::max(s(kButtonMinHeight), static_cast<int>(tm.tmHeight) + s(10));

    // The text beside the icon, centred on it when it is a line or two.
    const int textTop = s(kPad) + std::max(0, (iconSize - textHeight) / 2);
    int bottom = std::max(textTop + textHeight, s(kPad) + iconSize);
    const bool hasDetails = GetDlgItem(hwnd_, kDetailsId) != nullptr;
    const int detailsTop = bottom + s(kDetailsGap);
    const int columnWidth = hasDetails ? std::max(textWidth, std::min(s(kDetailsMinWidth), textLimit)) : textWidth;
    if (hasDetails) bottom = detailsTop + s(kDetailsHeight);
    const int statusTop = bottom + s(kDetailsGap);
    const int statusHeight = 2 * tm.tmHeight;  // a sentence or two, wrapped
    if (box_.statusLine) bottom = statusTop + statusHeight;
    const int bandTop = bottom + s(kPad);
    const int bandHeight = buttonHeight + 2 * s(kBandPadY);
    const int width = std::max({textLeft + columnWidth + s(kPad), buttonsWidth + 2 * s(kBandPadX),
                                static_cast<int>(caption.cx) + s(kCaptionRoom)});
    bandTop_ = bandTop;

    const auto place = [&](int id, int x, int y, int w, int h) {
      if (HWND control = GetDlgItem(hwnd_, id)) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        SetWindowPos(control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(control, nullptr, TRUE);
      }
    };
    place(kIconId, s(kPad), s(kPad), iconSize, iconSize);
    place(kTextId, textLeft, textTop, textWidth, textHeight);
    place(kDetailsId, textLeft, detailsTop, columnWidth, s(kDetailsHeight));
    place(kStatusId, textLeft, statusTop, columnWidth, statusHeight);
    if (HWND details = GetDlgItem(hwnd_, kDetailsId)) {
      // Room around the lines, as in the message above them.
      RECT inner{};
      GetClientRect(details, &inner);
      InflateRect(&inner, -s(6), -s(4));
      SendMessageW(details, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&inner));
    }
    int x = width - s(kBandPadX) - buttonsWidth;
    for (std::size_t i = 0; i < box_.buttons.size(); ++i) {
      place(box_.buttons[i].id, x, bandTop + s(kBandPadY), buttonWidths[i], buttonHeight);
      x += buttonWidths[i] + s(kButtonGap);
    }
    // The controls hold the new font now; the old one can go.
    font_ = std::move(font);

    const SIZE frame = FrameSize(width, bandTop + bandHeight, hwnd_, dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }

  void LoadIcon(int size) {
    if (size == 0) return;
    HICON icon = nullptr;
    const auto loadScaled = Comctl32().LoadIconWithScaleDown;
    const LPCWSTR name = SystemIconName(box_.icon);
    if (!loadScaled || FAILED(loadScaled(nullptr, name, size, size, &icon))) {
      icon = static_cast<HICON>(CopyImage(LoadImageW(nullptr, name, IMAGE_ICON, size, size, LR_SHARED), IMAGE_ICON,
                                          size, size, 0));
    }
    // The control lets go of the old icon before it is destroyed.
    SendDlgItemMessageW(hwnd_, kIconId, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    icon_.reset(icon);
  }

  // Centred on `anchor`, kept inside its monitor's work area.
  void CentreOn(const RECT& anchor) {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const RECT work = WorkArea(monitor_);
    int x = (anchor.left + anchor.right - w) / 2, y = (anchor.top + anchor.bottom - h) / 2;
    x = std::max<int>(work.left, std::min<int>(x, work.right - w));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - h));
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void PaintBackground(HDC dc) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    RECT face = client, band = client, line = client;
    face.bottom = bandTop_;
    band.top = bandTop_;
    line.top = bandTop_;
    line.bottom = bandTop_ + 1;
    FillRect(dc, &face, faceBrush_.get());
    FillRect(dc, &band, bandBrush_.get());
    UniqueHbrush lineBrush(CreateSolidBrush(palette_.headerLine));
    FillRect(dc, &line, lineBrush.get());
  }

  void PaintButton(const NMCUSTOMDRAW& draw) {
    HWND button = draw.hdr.hwndFrom;
    const auto uiState = static_cast<UINT>(SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0));
    ButtonLook look;
    look.enabled = (draw.uItemState & CDIS_DISABLED) == 0;
    look.pressed = (draw.uItemState & CDIS_SELECTED) != 0;
    look.hot = (draw.uItemState & CDIS_HOT) != 0;
    look.focus = GetFocus() == button && (uiState & UISF_HIDEFOCUS) == 0;
    const bool isDefault = (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    const std::wstring caption = WindowText(button);
    const RECT r = draw.rc;
    Buffered(draw.hdc, r, [&](HDC dc) {
      PaintPushButton(dc, r, L"", font_.get(), look, palette_, palette_.header, dpi_);
      if (isDefault && !look.focus && look.enabled) {
        // The default button keeps its accent frame when the focus mark is hidden.
        UniqueHpen pen(CreatePen(PS_SOLID, 1, palette_.accent));
        const SelectedObject selectedPen(dc, pen.get());
        const SelectedObject selectedBrush(dc, GetStockObject(NULL_BRUSH));
        RoundRect(dc, r.left, r.top, r.right, r.bottom, Scale(6, dpi_), Scale(6, dpi_));
      }
      RECT text = r;
      if (look.pressed) OffsetRect(&text, 0, 1);
      const SelectedObject selectedFont(dc, font_.get());
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, look.enabled ? palette_.buttonText : palette_.disabledText);
      const UINT prefix = (uiState & UISF_HIDEACCEL) != 0 ? DT_HIDEPREFIX : 0;
      DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | prefix);
    });
  }

  const DialogSpec& box_;
  const Palette& palette_;
  const std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
  HWND hwnd_ = nullptr;
  HMONITOR monitor_ = nullptr;  // the one it opens on, then the one it was moved to
  UINT dpi_ = 96;
  int bandTop_ = 0;
  UniqueHfont font_;
  UniqueHicon icon_;
  UniqueHbrush faceBrush_, bandBrush_;
};

}  // namespace

int ShowMessageDialog(const DialogSpec& box, const Palette& palette) {
  MessageDialog dialog(box, palette);
  return dialog.Run();
}

std::optional<DialogSpec> MessageBoxDialog(HWND owner, const std::wstring& text, const std::wstring& caption,
                                           UINT flags) {
  constexpr UINT kKnown = MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK | MB_SETFOREGROUND | MB_TOPMOST;
  if ((flags & ~kKnown) != 0) return std::nullopt;
  DialogSpec box;
  box.owner = owner;
  box.caption = caption;
  box.text = text;
  box.setForeground = (flags & MB_SETFOREGROUND) != 0;
  box.topmost = (flags & MB_TOPMOST) != 0;
  switch (flags & MB_ICONMASK) {
    case 0: break;
    case MB_ICONERROR: box.icon = DialogIcon::Error; break;
    case MB_ICONWARNING: box.icon = DialogIcon::Warning; break;
    case MB_ICONQUESTION: box.icon = DialogIcon::Question; break;
    case MB_ICONINFORMATION: box.icon = DialogIcon::Information; break;
    default: return std::nullopt;
  }
  // Like the system's box: OK is also the answer to Escape and the close box; a
  // Yes/No question has no such answer, so both do nothing there.
  switch (flags & MB_TYPEMASK) {
    case MB_OK:
      box.buttons = {{IDOK, translate::ProgramText(L"확인")}};
      box.cancelId = IDOK;
      break;
    case MB_YESNO:
      box.buttons = {{IDYES, translate::ProgramText(L"예(&Y)")}, {IDNO, translate::ProgramText(L"아니요(&N)")}};
      break;
    default:
      return std::nullopt;
  }
  switch (flags & MB_DEFMASK) {
    case MB_DEFBUTTON1: box.defaultId = box.buttons[0].id; break;
    case MB_DEFBUTTON2:
      if (box.buttons.size() < 2) return std::nullopt;
      box.defaultId = box.buttons[1].id;
      break;
    default: return std::nullopt;
  }
  return box;
}

}  // namespace zeph::win32
