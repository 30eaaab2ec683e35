#pragma once
// Pieces the three parts of FormWindow share (form_window.cpp: creation and look-ups;
// form_window_sync.cpp: model -> windows; form_window_messages.cpp: windows -> model).
#include <windows.h>

#include <string>

#include "app/win32/form_window.h"

namespace zeph::win32::form_detail {


inline constexpr wchar_t kPanelClass[] = L"TidewellPanel";
inline constexpr wchar_t kImageClass[] = L"TidewellImage";
inline constexpr wchar_t kIndicatorClass[] = L"TidewellIndicator";
inline constexpr UINT_PTR kIndicatorTimer = 1;
inline constexpr UINT_PTR kSubclassId = 1;
// A drop-down list's window height includes its open list: room for all seven items.
inline constexpr int kDropDownListHeight = 170;

struct CreateParams {
  FormWindow* self;
  void* view;
};

template <typename T>
T* As(ui::Component* component) {
  return dynamic_cast<T*>(component);
}

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


}  // namespace zeph::win32::form_detail
