#pragma once
// The notification-area calls behind the tray icon (Shell_NotifyIconW). The Win32
// implementation owns the icon's identity (window, id, callback message); the
// model only says what to show.
#include <string>

#include "app/tray/window_system.h"

namespace zeph::tray {

// What NIM_ADD and NIM_MODIFY carry: NIF_MESSAGE | NIF_ICON | NIF_TIP.
struct TrayIconData {
  std::wstring Tip;  // at most 127 UTF-16 units (the model cuts it)
  IconHandle Icon = 0;

  bool operator==(const TrayIconData&) const = default;
};

class TrayShell {
 public:
  virtual ~TrayShell() = default;
  virtual bool Add(const TrayIconData& data) = 0;     // NIM_ADD
  virtual bool Modify(const TrayIconData& data) = 0;  // NIM_MODIFY
  virtual bool Delete() = 0;                          // NIM_DELETE
  // NIM_MODIFY with NIF_INFO: a balloon notice over the icon (title at most 63 and
  // text at most 255 UTF-16 units; the model cuts them).
  virtual bool Balloon(const std::wstring& title, const std::wstring& text) = 0;
};

}  // namespace zeph::tray
