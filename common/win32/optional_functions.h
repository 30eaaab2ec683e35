#pragma once
// The Windows functions the window layer uses only where the running Windows has
// them: one table per DLL, each looked up once, at its first use, and null where
// this Windows lacks it. It is also the list of what the program uses beyond
// Windows 7: an entry newer than that has a fallback at every caller. DLLs that
// are not KnownDLLs come from System32 alone (system_library.h).
#include <windows.h>

#include <unknwn.h>

namespace zeph::win32 {

struct User32Functions {
  BOOL(WINAPI* ChangeWindowMessageFilterEx)(HWND, UINT, DWORD, void*);  // Windows 7
  BOOL(WINAPI* SetProcessDPIAware)();                                  // Vista
  BOOL(WINAPI* SetProcessDpiAwarenessContext)(HANDLE);                 // Windows 10 1703
  BOOL(WINAPI* SetDialogDpiChangeBehavior)(HWND, int, int);            // Windows 10 1703
  UINT(WINAPI* GetDpiForSystem)();                                     // Windows 10 1607
  UINT(WINAPI* GetDpiForWindow)(HWND);                                 // Windows 10 1607
  int(WINAPI* GetSystemMetricsForDpi)(int, UINT);                      // Windows 10 1607
  BOOL(WINAPI* SystemParametersInfoForDpi)(UINT, UINT, void*, UINT, UINT);  // Windows 10 1607
  BOOL(WINAPI* AdjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT);  // Windows 10 1607
};

// ntdll is in every process before the exe. Its native functions have no
// documented promise to stay: the callers work on without them.
struct NtdllFunctions {
  LONG(WINAPI* NtQuerySystemInformation)(ULONG, void*, ULONG, ULONG*);  // Windows 2000
  LONG(WINAPI* NtSetSystemInformation)(ULONG, void*, ULONG);            // Windows 2000
};

// The common controls of the manifest's side-by-side version 6, already loaded.
struct Comctl32Functions {
  HRESULT(WINAPI* LoadIconWithScaleDown)(HINSTANCE, PCWSTR, int, int, HICON*);  // Vista
};

// Not KnownDLLs: each is loaded from System32 at its table's first use.
struct UxthemeFunctions {
  HRESULT(WINAPI* SetWindowTheme)(HWND, LPCWSTR, LPCWSTR);  // Vista
};
struct DwmapiFunctions {
  HRESULT(WINAPI* DwmSetWindowAttribute)(HWND, DWORD, const void*, DWORD);  // Vista
};
struct OleaccFunctions {
  HRESULT(WINAPI* CreateStdAccessibleObject)(HWND, LONG, REFIID, void**);  // Windows 2000
  LRESULT(WINAPI* LresultFromObject)(REFIID, WPARAM, IUnknown*);           // Windows 2000
};
struct ShcoreFunctions {
  HRESULT(WINAPI* GetDpiForMonitor)(HMONITOR, int, UINT*, UINT*);  // Windows 8.1 (no shcore.dll before)
};

const NtdllFunctions& Ntdll();
const User32Functions& User32();
const Comctl32Functions& Comctl32();
const UxthemeFunctions& Uxtheme();
const DwmapiFunctions& Dwmapi();
const OleaccFunctions& Oleacc();
const ShcoreFunctions& Shcore();

}  // namespace zeph::win32
