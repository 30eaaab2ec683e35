#pragma once
// Pixels and colours for the window layer's GDI drawing; the handles' owners are the
// program's own (common/win32/handles.h).
#include <windows.h>

#include <cstdint>

#include "common/win32/handles.h"

namespace zeph::win32 {

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
