#pragma once
// The window's notification-area icon. Its visibility flag is the shell's
// registration: showing adds the icon (the outcome is not looked at), hiding
// removes it and raises when the shell refuses, with the flag already hidden.
#include <memory>
#include <string>

#include "app/tray/tray_shell.h"
#include "app/ui/component.h"
#include "app/ui/menu.h"

namespace zeph::app {
class Application;
}

namespace zeph::tray {

inline constexpr std::size_t kMaxTipUnits = 127;
inline constexpr std::size_t kMaxBalloonTitleUnits = 63;
inline constexpr std::size_t kMaxBalloonTextUnits = 255;

// `text` cut to at most `maxUnits` UTF-16 units, never between the two halves of a
// surrogate pair (on the host, where wchar_t holds whole code points, a code point
// above U+FFFF counts as two units).
std::wstring CutToUtf16Units(const std::wstring& text, std::size_t maxUnits);

class TTrayIcon : public ui::Component {
 public:
  // The icon starts hidden, with the application's icon and an empty hint.
  TTrayIcon(ui::Component* owner, TrayShell& shell, app::Application& application);
  // Removes the icon from the notification area when it is visible; never raises.
  ~TTrayIcon() override;

  bool Visible() const { return visible_; }
  // No-op when unchanged. Hiding throws zeph::Error("Cannot remove shell
  // notification icon") when the shell refuses; Visible() is false by then.
  void SetVisible(bool visible);

  const std::wstring& Hint() const { return hint_; }
  void SetHint(std::wstring hint);
  IconHandle Icon() const { return icon_; }
  void SetIcon(IconHandle icon);

  ui::PopupMenu* PopupMenu = nullptr;
  ui::NotifyEvent OnClick;

  // Events the view passes on from the icon's callback message.
  void LeftClick();      // press and release of the left button: OnClick
  // Foreground, pending messages, pop-up menu at the cursor. The pending messages or
  // a menu choice may destroy the icon (quit) before this returns; it then stops
  // there, and the caller must not touch the icon after.
  void RightButtonUp();
  void TaskbarCreated(); // the shell restarted: register again while visible

  // A balloon notice over the icon; false when the icon is hidden or the shell refuses.
  bool ShowBalloon(const std::wstring& title, const std::wstring& text);

  // Lets a worker, back on the UI thread, or a handler that pumped messages find out
  // whether the icon still exists.
  std::weak_ptr<TTrayIcon*> Liveness() const { return self_; }

 private:
  TrayIconData Data() const;

  TrayShell& shell_;
  app::Application& application_;
  bool visible_ = false;
  std::wstring hint_;
  IconHandle icon_ = 0;
  std::shared_ptr<TTrayIcon*> self_;
};

}  // namespace zeph::tray
