#pragma once
// The owners of the Windows handles the program opens, one alias per kind, and the
// scopes for calls that come in pairs (GetDC/ReleaseDC, SelectObject and its
// restore). Outside this header only the crash path closes handles by hand: it runs
// in a process that may hold the heap's lock, with code that allocates nothing.
#include <windows.h>

#include <utility>

#include "common/unique_handle.h"

namespace zeph::win32 {

// Traits for a handle of type T that holds `InvalidValue` (0 for null, -1 for
// INVALID_HANDLE_VALUE) when empty and is closed with CloseFn.
template <typename T, auto CloseFn, LONG_PTR InvalidValue = 0>
struct HandleTraits {
  using Value = T;
  static Value Invalid() noexcept { return reinterpret_cast<Value>(InvalidValue); }
  static void Close(Value v) noexcept { CloseFn(v); }
};

inline void CloseKernelHandle(HANDLE handle) noexcept { ::CloseHandle(handle); }
inline void CloseFindHandle(HANDLE search) noexcept { ::FindClose(search); }
inline void CloseRegistryKey(HKEY key) noexcept { ::RegCloseKey(key); }
inline void DeleteGdiObject(HGDIOBJ object) noexcept { ::DeleteObject(object); }
inline void DeleteMemoryDc(HDC dc) noexcept { ::DeleteDC(dc); }
inline void DestroyMenuHandle(HMENU menu) noexcept { ::DestroyMenu(menu); }
inline void DestroyIconHandle(HICON icon) noexcept { ::DestroyIcon(icon); }
inline void DestroyWindowHandle(HWND window) noexcept { ::DestroyWindow(window); }

// Kernel objects: events, mutexes, threads, processes (null when empty).
using UniqueHandle = UniqueAny<HandleTraits<HANDLE, CloseKernelHandle>>;
// What CreateFileW answers: INVALID_HANDLE_VALUE when empty.
using UniqueFile = UniqueAny<HandleTraits<HANDLE, CloseKernelHandle, -1>>;
// What FindFirstFileW answers: INVALID_HANDLE_VALUE when empty.
using UniqueFind = UniqueAny<HandleTraits<HANDLE, CloseFindHandle, -1>>;
using UniqueHkey = UniqueAny<HandleTraits<HKEY, CloseRegistryKey>>;

// GDI objects.
using UniqueHfont = UniqueAny<HandleTraits<HFONT, DeleteGdiObject>>;
using UniqueHbrush = UniqueAny<HandleTraits<HBRUSH, DeleteGdiObject>>;
using UniqueHpen = UniqueAny<HandleTraits<HPEN, DeleteGdiObject>>;
using UniqueHbitmap = UniqueAny<HandleTraits<HBITMAP, DeleteGdiObject>>;
// A DC of CreateCompatibleDC, deleted with DeleteDC.
using UniqueMemoryDc = UniqueAny<HandleTraits<HDC, DeleteMemoryDc>>;

// USER objects.
using UniqueHmenu = UniqueAny<HandleTraits<HMENU, DestroyMenuHandle>>;
using UniqueHicon = UniqueAny<HandleTraits<HICON, DestroyIconHandle>>;
using UniqueHwnd = UniqueAny<HandleTraits<HWND, DestroyWindowHandle>>;

// The DC of a window (of the screen for null) from GetDC, released on leaving the
// scope. get() is null when GetDC failed.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() { reset(); }
  HDC get() const noexcept { return dc_; }
  // Releases the DC before the end of the scope.
  void reset() noexcept {
    if (dc_) ::ReleaseDC(window_, std::exchange(dc_, nullptr));
  }

 private:
  HWND window_;
  HDC dc_;
};

// Selects `object` into `dc` and puts back what was selected before on leaving the
// scope.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(::SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() { ::SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace zeph::win32
