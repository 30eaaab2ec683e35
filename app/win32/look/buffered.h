#pragma once
// Drawing and window-text helpers the form and the dialogs share.
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/win32/look/gdi.h"

namespace zeph::win32 {

// The off-screen bitmap of one buffered paint onto `target`, in the target's colour
// format. A window's DC on a 32-bit display (every display under the desktop window
// manager) gets a 32-bit DIB section: the same pixel format as a compatible bitmap,
// but its pixels are pages of the process's own that go back to the system when the
// bitmap is deleted. A compatible bitmap's pixels come from the graphics heap, which
// under Wine is the C heap of its Unix side: it keeps every block freed there, so a
// bitmap a paint would leave the process larger for good. Other targets (a memory DC
// of WM_PRINTCLIENT, another display depth) keep the compatible bitmap, whose format
// follows theirs.
inline UniqueHbitmap BackBuffer(HDC target, int width, int height) {
  if (GetObjectType(target) == OBJ_DC && GetDeviceCaps(target, BITSPIXEL) == 32 &&
      GetDeviceCaps(target, PLANES) == 1) {
    std::uint32_t* pixels = nullptr;
    if (UniqueHbitmap bitmap = CreatePixelBitmap(target, width, height, pixels)) return bitmap;
  }
  return UniqueHbitmap(CreateCompatibleBitmap(target, width, height));
}

// Paints through an off-screen bitmap, so animated and owner-drawn controls never flicker.
template <typename Paint>
void Buffered(HDC target, const RECT& r, Paint&& paint) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  const UniqueMemoryDc mem(CreateCompatibleDC(target));
  const UniqueHbitmap bitmap = BackBuffer(target, w, h);
  if (!mem || !bitmap) return;
  const SelectedObject selected(mem.get(), bitmap.get());
  SetWindowOrgEx(mem.get(), r.left, r.top, nullptr);
  paint(mem.get());
  SetWindowOrgEx(mem.get(), 0, 0, nullptr);
  BitBlt(target, r.left, r.top, w, h, mem.get(), 0, 0, SRCCOPY);
}

inline std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace zeph::win32
