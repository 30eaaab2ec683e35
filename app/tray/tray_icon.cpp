#include "app/tray/tray_icon.h"

#include "app/application.h"
#include "common/error.h"

namespace zeph::tray {

namespace {
bool IsHighSurrogate(std::uint32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
}  // namespace

std::wstring CutToUtf16Units(const std::wstring& text, std::size_t maxUnits) {
  std::size_t units = 0;
  std::size_t end = 0;
  for (; end < text.size(); ++end) {
    const auto code = static_cast<std::uint32_t>(text[end]);
    std::size_t width = 1;
    if constexpr (sizeof(wchar_t) == 4) {
      if (code > 0xFFFF) width = 2;
    } else {
      if (IsHighSurrogate(code) && end + 1 < text.size()) width = 2;
    }
    if (units + width > maxUnits) break;
    units += width;
    if constexpr (sizeof(wchar_t) == 2) {
      if (width == 2) ++end;
    }
  }
  return text.substr(0, end);
}

TTrayIcon::TTrayIcon(ui::Component* owner, TrayShell& shell, app::Application& application)
    : ui::Component(owner, L"TTrayIcon", L"TrayIcon", false),
      shell_(shell),
      application_(application),
      icon_(application.Icon()),
      self_(std::make_shared<TTrayIcon*>(this)) {}

TTrayIcon::~TTrayIcon() {
  if (visible_) shell_.Delete();
}

TrayIconData TTrayIcon::Data() const { return TrayIconData{CutToUtf16Units(hint_, kMaxTipUnits), icon_}; }

void TTrayIcon::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (visible) {
    shell_.Add(Data());
    return;
  }
  if (!shell_.Delete()) throw Error(L"Cannot remove shell notification icon");
}

void TTrayIcon::SetHint(std::wstring hint) {
  if (hint == hint_) return;
  hint_ = std::move(hint);
  if (visible_) shell_.Modify(Data());
}

void TTrayIcon::SetIcon(IconHandle icon) {
  if (icon == icon_) return;
  icon_ = icon;
  if (visible_) shell_.Modify(Data());
}

void TTrayIcon::LeftClick() {
  if (OnClick) OnClick(*this);
}

// The application's window goes in front first so that the menu closes when the
// user clicks elsewhere; the queued messages are handled before the menu opens.
// One of them may end the program (a quit request from a second copy, the end of
// the log-on, an accepted update) and destroy this icon: then no menu opens and no
// member is touched.
void TTrayIcon::RightButtonUp() {
  const std::weak_ptr<TTrayIcon*> alive = self_;
  WindowSystem& windows = application_.Windows();
  windows.SetForegroundWindow(application_.Handle());
  application_.ProcessMessages();
  if (alive.expired()) return;
  const ScreenPoint cursor = windows.GetCursorPos();
  if (PopupMenu != nullptr) PopupMenu->Popup(cursor.X, cursor.Y);
}

void TTrayIcon::TaskbarCreated() {
  if (visible_) shell_.Add(Data());
}

bool TTrayIcon::ShowBalloon(const std::wstring& title, const std::wstring& text) {
  if (!visible_) return false;
  return shell_.Balloon(CutToUtf16Units(title, kMaxBalloonTitleUnits), CutToUtf16Units(text, kMaxBalloonTextUnits));
}

}  // namespace zeph::tray
