#include "app/win32/look/title_bar.h"

#include "common/win32/optional_functions.h"

namespace zeph::win32 {

bool UseDarkTitleBar(HWND window, bool dark) {
  const auto set = Dwmapi().DwmSetWindowAttribute;
  if (!set || !window) return false;
  // DWMWA_USE_IMMERSIVE_DARK_MODE is 20 since Windows 10 20H1; builds 1809 to 1909
  // knew it as 19.
  constexpr DWORD kImmersiveDarkMode = 20, kImmersiveDarkModeBefore20H1 = 19;
  const BOOL value = dark ? TRUE : FALSE;
  return SUCCEEDED(set(window, kImmersiveDarkMode, &value, sizeof value)) ||
         SUCCEEDED(set(window, kImmersiveDarkModeBefore20H1, &value, sizeof value));
}

}  // namespace zeph::win32
