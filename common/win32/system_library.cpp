#include "common/win32/system_library.h"

#include <string>

#include "common/win32/optional_functions.h"

namespace zeph {

void RestrictDllSearchToSystem32() {
  if (const auto set = win32::Kernel32().SetDefaultDllDirectories) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  if (const HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
  // A system without the DLL search update rejects the flag: name the file in
  // System32 itself, and have its own imports looked for beside it, not beside the exe.
  if (::GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
  wchar_t directory[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(directory, length) + L"\\" + name;
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool RealWindowsVersion(OSVERSIONINFOW& info) {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  // Also the crash report's: no table with its first-use lock. ntdll is in every
  // process before the exe, so looking it up loads nothing.
  const auto get = SystemFunction<RtlGetVersionFn>(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
  info = OSVERSIONINFOW{};
  info.dwOSVersionInfoSize = sizeof info;
  return get && get(&info) == 0;
}

}  // namespace zeph
