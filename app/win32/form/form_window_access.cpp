// FormWindow for keyboard users and screen readers: which controls Tab reaches,
// the page tabs' arrow keys, Enter and Space on the window's own controls, where the
// focus goes when the window comes back or a page changes, and what the window's
// own controls tell a screen reader.
#include "app/win32/form/form_window.h"

#include <commctrl.h>

#include <memory>
#include <vector>

#include "app/win32/form/form_window_internal.h"
#include "app/win32/form/keyboard.h"
#include "app/win32/services/window_messages.h"
#include "translate/program_texts.h"

namespace zeph::win32 {

using namespace form_detail;

namespace {

constexpr wchar_t kOpenAction[] = L"열기";
// A screen reader's "do the default action", posted to the control: the click runs
// from the message loop, not inside the screen reader's call, which may not wait
// for a message box or the shell.
constexpr UINT kDefaultAction = window_messages::kDefaultAction;

// The page tabs: the speed buttons that share one non-zero group under one parent.
std::vector<ui::SpeedButton*> GroupOf(const ui::SpeedButton& button) {
  std::vector<ui::SpeedButton*> group;
  if (button.GroupIndex() == 0 || !button.Parent()) return group;
  for (ui::Control* sibling : button.Parent()->Children()) {
    auto* tab = dynamic_cast<ui::SpeedButton*>(sibling);
    if (tab && tab->GroupIndex() == button.GroupIndex()) group.push_back(tab);
  }
  return group;
}

bool InGroup(const ui::Component* model) {
  const auto* button = dynamic_cast<const ui::SpeedButton*>(model);
  return button && button->GroupIndex() != 0;
}

bool IsFirstOfGroup(const ui::SpeedButton& button) {
  const auto group = GroupOf(button);
  return group.empty() || group.front() == &button;
}

}  // namespace

class FormWindow::AccessHost final : public AccessibleHost {
 public:
  explicit AccessHost(FormWindow& window) : window_(window) {}
  bool Facts(HWND control, AccessibleFacts& facts) override { return window_.Describe(control, facts); }
  bool DoDefaultAction(HWND control) override {
    AccessibleFacts facts;
    if (!window_.Describe(control, facts) || !facts.enabled || facts.kind == AccessibleKind::Animation) return false;
    return PostMessageW(control, kDefaultAction, 0, 0) != FALSE;
  }

 private:
  FormWindow& window_;
};

void FormWindow::StartAccessibility() { accessHost_ = std::make_shared<AccessHost>(*this); }

// Tab stops in ownership order, which is reading order: the header left to right,
// then the page top to bottom. Of the page tabs only the one that is down is a tab
// stop (like a checked radio button), and each tab stop starts a group of its own,
// so the dialog manager's arrow keys never wander, least of all into the version
// field, which never takes the focus.
DWORD FormWindow::KeyboardStyle(const View& view) {
  switch (view.kind) {
    case Kind::SpeedButton: {
      const auto& button = static_cast<const ui::SpeedButton&>(*view.model);
      if (!InGroup(&button)) return WS_TABSTOP | WS_GROUP;
      return (button.Down() ? WS_TABSTOP : 0) | (IsFirstOfGroup(button) ? WS_GROUP : 0);
    }
    case Kind::Button:
    case Kind::CheckBox:
    case Kind::Combo:
      return WS_TABSTOP | WS_GROUP;
    case Kind::Image:
      return static_cast<const ui::Image&>(*view.model).OnClick ? WS_TABSTOP | WS_GROUP : 0;
    case Kind::Edit:
      return WS_GROUP;
    default:
      return 0;
  }
}

bool FormWindow::Activate(View& view) {
  switch (view.kind) {
    case Kind::Button:
    case Kind::SpeedButton:
      OnCommand(static_cast<WORD>(view.id), BN_CLICKED, view.hwnd);
      return true;
    case Kind::Image:
      if (!static_cast<ui::Image&>(*view.model).OnClick) return false;
      Guard([&] { static_cast<ui::Image&>(*view.model).Click(); });
      return true;
    default:
      return false;
  }
}

bool FormWindow::OnControlKey(View& view, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const HWND hwnd = view.hwnd;
  const bool pushable = view.kind == Kind::Button || view.kind == Kind::SpeedButton ||
                        (view.kind == Kind::Image && static_cast<ui::Image&>(*view.model).OnClick);
  switch (msg) {
    case kDefaultAction:
      if (pushable && IsWindowEnabled(hwnd)) Activate(view);
      result = 0;
      return true;
    case WM_GETOBJECT:
      result = AnswerGetObject(hwnd, wParam, lParam, accessHost_);
      return result != 0;
    case WM_GETDLGCODE: {
      if (!pushable) return false;
      result = view.kind == Kind::Image ? 0 : DefSubclassProc(hwnd, msg, wParam, lParam);
      // Return presses the focused control itself: there is no default button here.
      const auto* key = reinterpret_cast<const MSG*>(lParam);
      if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) result |= DLGC_WANTMESSAGE;
      if (InGroup(view.model)) result |= DLGC_WANTARROWS;
      return true;
    }
    case WM_KEYDOWN: {
      if (!pushable) return false;
      const bool repeat = (lParam & (1 << 30)) != 0;
      if (wParam == VK_RETURN || (wParam == VK_SPACE && view.kind == Kind::Image)) {
        if (!repeat) Activate(view);
        result = 0;
        return true;
      }
      if (!InGroup(view.model)) return false;
      // Arrow keys move to the neighbouring page tab and show its page.
      const auto group = GroupOf(static_cast<ui::SpeedButton&>(*view.model));
      int index = 0;
      while (index < static_cast<int>(group.size()) && group[static_cast<std::size_t>(index)] != view.model) ++index;
      const int target = ArrowTarget(wParam, index, static_cast<int>(group.size()));
      if (target == index) return false;
      View* next = ViewOf(group[static_cast<std::size_t>(target)]);
      if (!next || !next->hwnd || !IsWindowEnabled(next->hwnd)) return true;
      SetFocus(next->hwnd);
      Activate(*next);
      result = 0;
      return true;
    }
    case WM_SETFOCUS:
      if (view.kind == Kind::Edit) {
        // The read-only version field never keeps the focus (and never shows a
        // caret): it goes back where it came from, or to the first tab stop.
        const auto from = reinterpret_cast<HWND>(wParam);
        SetFocus(Reachable(from) ? from : FirstTabStop());
        result = 0;
        return true;
      }
      if (view.kind == Kind::Image) InvalidateRect(hwnd, nullptr, FALSE);
      return false;
    case WM_KILLFOCUS:
      if (view.kind == Kind::Image) InvalidateRect(hwnd, nullptr, FALSE);
      return false;
    default:
      return false;
  }
}

// A control of this window that the keyboard can reach just now.
bool FormWindow::Reachable(HWND control) {
  if (!control || !hwnd_ || !IsChild(hwnd_, control)) return false;
  if (!IsWindowVisible(control) || !IsWindowEnabled(control)) return false;
  if ((GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0) return true;
  const View* view = ViewOf(control);
  return view && InGroup(view->model);  // a page tab that is not down
}

HWND FormWindow::FirstTabStop() {
  const HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  return first && Reachable(first) ? first : hwnd_;
}

// Windows gives an activated window the focus itself; it goes to the control that
// had it when the window was left, or to the first tab stop.
void FormWindow::OnActivate(WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    // The window may already be hidden (to the tray), so its controls count as
    // invisible now; whether the control can take the focus is asked on return.
    const HWND focus = GetFocus();
    lastFocus_ = focus && IsChild(hwnd_, focus) ? focus : nullptr;
    return;
  }
  if (HIWORD(wParam) != 0) return;  // minimised: nothing to focus
  SetFocus(Reachable(lastFocus_) ? lastFocus_ : FirstTabStop());
}

// The window keeps its focus-mark state itself and answers for it, so that the
// owner-drawn controls and the logo follow the same rule as the system's controls
// (some systems keep no such state for a window that is not a dialog box).
bool FormWindow::OnUiState(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const WORD action = LOWORD(wParam), flags = HIWORD(wParam);
  switch (msg) {
    case WM_CHANGEUISTATE: {
      if ((flags & UISF_HIDEFOCUS) == 0 || (action != UIS_SET && action != UIS_CLEAR)) return false;
      if ((action == UIS_SET) != focusMarksHidden_) SendMessageW(hwnd_, WM_UPDATEUISTATE, wParam, lParam);
      result = 0;
      return true;
    }
    case WM_UPDATEUISTATE:
      if ((flags & UISF_HIDEFOCUS) != 0 && (action == UIS_SET || action == UIS_CLEAR)) {
        focusMarksHidden_ = action == UIS_SET;
      }
      result = DefWindowProcW(hwnd_, msg, wParam, lParam);  // on to every control
      if (HWND focus = GetFocus(); focus && IsChild(hwnd_, focus)) InvalidateRect(focus, nullptr, FALSE);
      return true;
    case WM_QUERYUISTATE:
      result = (DefWindowProcW(hwnd_, msg, wParam, lParam) & ~UISF_HIDEFOCUS) | (focusMarksHidden_ ? UISF_HIDEFOCUS : 0);
      return true;
    default:
      return false;
  }
}

// After a page change, or when the focused control was hidden or disabled: the
// focus must stay on something the keyboard can use.
void FormWindow::KeepFocusUsable() {
  if (!hwnd_ || GetActiveWindow() != hwnd_) return;
  const HWND focus = GetFocus();
  if (focus == hwnd_ || Reachable(focus)) return;
  SetFocus(FirstTabStop());
}

// A control that is disabled while it has the focus (the clean button while the
// program cleans) leaves it with the window and gets it back when it is enabled
// again, unless the user has moved on meanwhile.
void FormWindow::EnabledChanged(View& view, bool hadFocus) {
  const bool enabled = static_cast<ui::Control&>(*view.model).Enabled();
  if (!enabled && hadFocus) {
    SetFocus(hwnd_);
    parkedFrom_ = view.hwnd;
    return;
  }
  if (!enabled) {
    KeepFocusUsable();
    return;
  }
  if (parkedFrom_ == view.hwnd) {
    parkedFrom_ = nullptr;
    if (GetFocus() == hwnd_ && Reachable(view.hwnd)) SetFocus(view.hwnd);
  }
}

void FormWindow::PageTabDownChanged(View& view) {
  auto& button = static_cast<ui::SpeedButton&>(*view.model);
  if (!view.hwnd || !InGroup(&button)) return;
  const LONG style = GetWindowLongW(view.hwnd, GWL_STYLE);
  SetWindowLongW(view.hwnd, GWL_STYLE, button.Down() ? style | WS_TABSTOP : style & ~WS_TABSTOP);
  NotifyAccessible(EVENT_OBJECT_STATECHANGE, view.hwnd);
  if (button.Down()) NotifyAccessible(EVENT_OBJECT_SELECTION, view.hwnd);
}

// The ring shows while the program cleans: screen readers hear it appear and the
// button under it become busy, and hear both end.
void FormWindow::RingShownChanged(View& view) {
  const bool shown = static_cast<ui::Control&>(*view.model).Visible();
  NotifyAccessible(shown ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, view.hwnd);
  if (ringButton_) NotifyAccessible(EVENT_OBJECT_STATECHANGE, ringButton_->hwnd);
}

bool FormWindow::Describe(HWND control, AccessibleFacts& facts) {
  View* view = ViewOf(control);
  if (!view || !hwnd_ || !view->hwnd) return false;
  const auto& model = static_cast<const ui::Control&>(*view->model);
  const View* ring = nullptr;
  for (const View& v : views_) {
    if (v.kind == Kind::Indicator && v.hwnd) ring = &v;
  }
  const bool busy = ring && static_cast<const ui::Control&>(*ring->model).Visible();
  facts = AccessibleFacts{};
  facts.name = model.Caption();
  switch (view->kind) {
    case Kind::SpeedButton:
      facts.kind = InGroup(&model) ? AccessibleKind::PageTab : AccessibleKind::PushButton;
      facts.selected = static_cast<const ui::SpeedButton&>(model).Down();
      break;
    case Kind::Button:
      facts.kind = AccessibleKind::PushButton;
      if (view == ringButton_) {
        facts.busy = busy;
        // While it works the button shows no caption: it is named by the work.
        if (facts.name.empty() && ring) {
          facts.name = translate::ProgramText(static_cast<const ui::ActivityIndicator&>(*ring->model).AccessibleName);
        }
      }
      break;
    case Kind::Image: {
      const auto& image = static_cast<const ui::Image&>(model);
      if (!image.OnClick) return false;  // a plain picture: the system describes it
      facts.kind = AccessibleKind::Link;
      if (!image.AccessibleName.empty()) facts.name = translate::ProgramText(image.AccessibleName);
      facts.defaultAction = translate::ProgramText(kOpenAction);
      break;
    }
    case Kind::Indicator: {
      const auto& indicator = static_cast<const ui::ActivityIndicator&>(model);
      facts.kind = AccessibleKind::Animation;
      if (!indicator.AccessibleName.empty()) facts.name = translate::ProgramText(indicator.AccessibleName);
      facts.busy = indicator.Visible();
      break;
    }
    default:
      return false;
  }
  facts.visible = IsWindowVisible(control) != FALSE;
  facts.enabled = IsWindowEnabled(control) != FALSE;
  facts.focused = GetFocus() == control;
  return true;
}

}  // namespace zeph::win32
