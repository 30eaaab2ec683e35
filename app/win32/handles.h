#pragma once
// Owners for the GDI and USER handles the window layer creates.
#include <windows.h>

#include "common/unique_handle.h"

namespace zeph::win32 {

template <typename T, auto CloseFn>
struct GdiTraits {
  using Value = T;
  static constexpr Value Invalid() noexcept { return nullptr; }
  static void Close(Value v) noexcept { CloseFn(v); }
};

inline void DeleteGdiObject(HGDIOBJ object) noexcept { DeleteObject(object); }
inline void DestroyMenuHandle(HMENU menu) noexcept { DestroyMenu(menu); }
inline void DestroyIconHandle(HICON icon) noexcept { DestroyIcon(icon); }
inline void DestroyWindowHandle(HWND window) noexcept { DestroyWindow(window); }

using UniqueHfont = UniqueAny<GdiTraits<HFONT, DeleteGdiObject>>;
using UniqueHbrush = UniqueAny<GdiTraits<HBRUSH, DeleteGdiObject>>;
using UniqueHbitmap = UniqueAny<GdiTraits<HBITMAP, DeleteGdiObject>>;
using UniqueHmenu = UniqueAny<GdiTraits<HMENU, DestroyMenuHandle>>;
using UniqueHicon = UniqueAny<GdiTraits<HICON, DestroyIconHandle>>;
using UniqueHwnd = UniqueAny<GdiTraits<HWND, DestroyWindowHandle>>;

inline COLORREF ToColorref(std::uint32_t bgr) { return static_cast<COLORREF>(bgr & 0xFFFFFF); }

}  // namespace zeph::win32
