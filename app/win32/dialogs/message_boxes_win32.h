#pragma once
#include <windows.h>

#include <string>

#include "app/application.h"
#include "app/win32/look/palette.h"
#include "app/win32/services/window_system_win32.h"

namespace zeph::win32 {

// Boxes in the window's look (message_dialog.h), painted with the palette
// as it is at each box: the window's palette may change while the program runs.
// Flags the dialog does not cover, and a dialog that cannot be created, get the
// system's box.
class Win32MessageBoxes final : public app::MessageBoxes {
 public:
  // Null: the system's look.
  void SetPalette(const Palette* palette) { palette_ = palette; }
  const Palette* GetPalette() const { return palette_; }
  int Show(tray::WindowHandle owner, const std::wstring& text, const std::wstring& caption,
           std::uint32_t flags) override;

 private:
  const Palette* palette_ = nullptr;
};

}  // namespace zeph::win32
