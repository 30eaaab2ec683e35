#pragma once
// Every Windows function the program looks up at run time instead of importing:
// one table per DLL, each looked up once, at its first use.
// - Optional functions are null where the running Windows lacks them. This is the
//   list of what the program uses beyond Windows 7: an entry newer than that has a
//   fallback at every caller.
// - Whole-DLL tables (WinHTTP, version) are for DLLs that are not KnownDLLs: the
//   program imports only DLLs that Windows always takes from System32, and loads the
//   others from System32 alone (system_library.h). Such a table is there complete or
//   not at all.
// The crash path looks up its own functions (crash/win32), without the locks that a
// first use here takes.
// To add a function: a member in its DLL's struct with the Windows version that
// brings it, and one Resolve line in optional_functions.cpp.
#include <windows.h>
// after windows.h; winhttp.h and wininet.h cannot be used together
#include <winhttp.h>

#include <unknwn.h>

namespace zeph::win32 {

struct Kernel32Functions {
  BOOL(WINAPI* SetDefaultDllDirectories)(DWORD);  // Windows 8, or Windows 7 with the DLL search update
};

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

// Loaded by the first request, so the program's start does without winhttp.dll.
struct WinHttpFunctions {
  decltype(&::WinHttpOpen) Open;
  decltype(&::WinHttpConnect) Connect;
  decltype(&::WinHttpOpenRequest) OpenRequest;
  decltype(&::WinHttpAddRequestHeaders) AddRequestHeaders;
  decltype(&::WinHttpSendRequest) SendRequest;
  decltype(&::WinHttpReceiveResponse) ReceiveResponse;
  decltype(&::WinHttpQueryHeaders) QueryHeaders;
  decltype(&::WinHttpQueryDataAvailable) QueryDataAvailable;
  decltype(&::WinHttpReadData) ReadData;
  decltype(&::WinHttpCrackUrl) CrackUrl;
  decltype(&::WinHttpCloseHandle) CloseHandle;
  decltype(&::WinHttpSetOption) SetOption;
  decltype(&::WinHttpSetTimeouts) SetTimeouts;
};
struct VersionFunctions {
  decltype(&::GetFileVersionInfoSizeW) GetFileVersionInfoSizeW;
  decltype(&::GetFileVersionInfoW) GetFileVersionInfoW;
  decltype(&::VerQueryValueW) VerQueryValueW;
};

const Kernel32Functions& Kernel32();
const NtdllFunctions& Ntdll();
const User32Functions& User32();
const Comctl32Functions& Comctl32();
const UxthemeFunctions& Uxtheme();
const DwmapiFunctions& Dwmapi();
const OleaccFunctions& Oleacc();
const ShcoreFunctions& Shcore();
// Null when the DLL or one of its functions is missing: every request then fails,
// and the program has no version to show. Safe from any thread.
const WinHttpFunctions* WinHttp();
const VersionFunctions* Version();

}  // namespace zeph::win32
