#pragma once
// Drawing and window-text helpers the form and the dialogs share.
#include <windows.h>

#include <string>

#include "app/win32/look/handles.h"

namespace zeph::win32 {

// Paints through an off-screen bitmap, so animated and owner-drawn controls never flicker.
template <typename Paint>
void Buffered(HDC target, const RECT& r, Paint&& paint) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  HDC mem = CreateCompatibleDC(target);
  UniqueHbitmap bitmap(CreateCompatibleBitmap(target, w, h));
  HGDIOBJ old = SelectObject(mem, bitmap.get());
  SetWindowOrgEx(mem, r.left, r.top, nullptr);
  paint(mem);
  SetWindowOrgEx(mem, 0, 0, nullptr);
  BitBlt(target, r.left, r.top, w, h, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
}

inline std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace zeph::win32
