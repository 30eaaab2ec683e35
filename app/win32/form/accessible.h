#pragma once
// What screen readers learn about the window's own controls (the header buttons,
// the logo, the activity ring), which Windows cannot describe by itself: a small
// IAccessible per control that answers name, role and state and leaves every other
// question (location, parent, navigation, hit tests) to the system's standard
// object for that window. oleacc.dll is not a KnownDLL, so it is loaded from
// System32 when the first screen reader asks.
#include <windows.h>

#include <memory>
#include <string>

namespace zeph::win32 {

enum class AccessibleKind { PageTab, PushButton, Link, Animation };

// A control's state as a screen reader should hear it.
struct AccessibleFacts {
  AccessibleKind kind = AccessibleKind::PushButton;
  std::wstring name;
  std::wstring defaultAction;  // empty: the standard object's
  bool visible = true;
  bool enabled = true;
  bool focused = false;
  bool selected = false;  // a page tab whose page shows
  bool busy = false;      // the program is cleaning: the clean button, the moving ring
};

long AccessibleRole(AccessibleKind kind);
long AccessibleState(const AccessibleFacts& facts);

// The window's side: the objects ask it on every question, so they never keep a
// stale answer. The window drops its host when it is destroyed; a screen reader may
// keep an object longer, which then answers RPC_E_DISCONNECTED.
class AccessibleHost {
 public:
  virtual ~AccessibleHost() = default;
  // False when `control` is no longer one of the window's controls.
  virtual bool Facts(HWND control, AccessibleFacts& facts) = 0;
  // What a click does; false when it cannot be done now.
  virtual bool DoDefaultAction(HWND control) = 0;
};

// The answer to WM_GETOBJECT for `control`: an object for OBJID_CLIENT, 0 (the
// system's default) for everything else or when oleacc cannot be loaded. Neither
// this nor the object's methods let a C++ exception of the window's side (the
// host) out: it gives 0 here, E_FAIL there.
LRESULT AnswerGetObject(HWND control, WPARAM wParam, LPARAM lParam, std::weak_ptr<AccessibleHost> host);

// Tells screen readers that `control` changed (EVENT_OBJECT_STATECHANGE and the like).
void NotifyAccessible(DWORD event, HWND control);

}  // namespace zeph::win32
