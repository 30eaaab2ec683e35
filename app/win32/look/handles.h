#pragma once
// Owners for the GDI and USER handles the window layer creates.
#include <windows.h>

#include <cstdint>

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

// A 32-bit top-down DIB section of w × h pixels (0x00RRGGBB, or premultiplied
// ARGB for AlphaBlend); `pixels` points at its first row. Null on failure.
inline UniqueHbitmap CreatePixelBitmap(HDC dc, int width, int height, std::uint32_t*& pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  UniqueHbitmap bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  pixels = static_cast<std::uint32_t*>(bits);
  if (!pixels) bitmap.reset();
  return bitmap;
}

inline COLORREF ToColorref(std::uint32_t bgr) { return static_cast<COLORREF>(bgr & 0xFFFFFF); }

}  // namespace zeph::win32
