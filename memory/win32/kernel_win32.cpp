#include "memory/win32/kernel_win32.h"

#include <windows.h>

#include <cstring>

#include "common/win32/handles.h"
#include "common/win32/optional_functions.h"

namespace zeph::memory {
namespace {

constexpr NtStatus kStatusProcedureNotFound = static_cast<NtStatus>(0xC000007A);

static_assert(sizeof(MemoryStatusEx) == sizeof(MEMORYSTATUSEX));
static_assert(sizeof(TokenPrivilege) == sizeof(TOKEN_PRIVILEGES));
static_assert(sizeof(Luid) == sizeof(LUID));

}  // namespace

Win32Kernel::Win32Kernel()
    : query_(win32::Ntdll().NtQuerySystemInformation), set_(win32::Ntdll().NtSetSystemInformation) {}

bool Win32Kernel::GlobalMemoryStatusEx(MemoryStatusEx& status) {
  MEMORYSTATUSEX native;
  std::memcpy(&native, &status, sizeof(native));
  const bool ok = ::GlobalMemoryStatusEx(&native) != FALSE;
  std::memcpy(&status, &native, sizeof(native));
  return ok;
}

NtStatus Win32Kernel::NtQuerySystemInformation(std::uint32_t infoClass, void* buffer, std::uint32_t length) {
  if (!query_) return kStatusProcedureNotFound;
  return query_(infoClass, buffer, length, nullptr);
}

NtStatus Win32Kernel::NtSetSystemInformation(std::uint32_t infoClass, void* buffer, std::uint32_t length) {
  if (!set_) return kStatusProcedureNotFound;
  return set_(infoClass, buffer, length);
}

bool Win32Kernel::OpenProcessToken(std::uint32_t desiredAccess, TokenHandle& token) {
  HANDLE handle = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), desiredAccess, &handle)) return false;
  token = reinterpret_cast<TokenHandle>(handle);
  return true;
}

bool Win32Kernel::LookupPrivilegeValueW(const std::wstring& name, Luid& luid) {
  LUID native{};
  if (!::LookupPrivilegeValueW(nullptr, name.c_str(), &native)) return false;
  luid = {native.LowPart, native.HighPart};
  return true;
}

bool Win32Kernel::AdjustTokenPrivileges(TokenHandle token, bool disableAll, const TokenPrivilege& newState,
                                        std::uint32_t bufferLength, TokenPrivilege& previousState,
                                        std::uint32_t& returnLength) {
  TOKEN_PRIVILEGES request;
  TOKEN_PRIVILEGES previous;
  std::memcpy(&request, &newState, sizeof(request));
  std::memcpy(&previous, &previousState, sizeof(previous));
  DWORD length = returnLength;
  const bool ok = ::AdjustTokenPrivileges(reinterpret_cast<HANDLE>(token), disableAll ? TRUE : FALSE, &request,
                                          bufferLength, &previous, &length) != FALSE;
  std::memcpy(&previousState, &previous, sizeof(previous));
  returnLength = length;
  return ok;
}

void Win32Kernel::CloseHandle(TokenHandle token) {
  win32::UniqueHandle closing(reinterpret_cast<HANDLE>(token));
}

std::uint32_t Win32Kernel::GetLastError() { return ::GetLastError(); }

std::wstring Win32Kernel::FormatSystemMessage(std::uint32_t code) {
  wchar_t* text = nullptr;
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring result = (length && text) ? std::wstring(text, length) : std::wstring();
  if (text) ::LocalFree(text);
  return result;
}

}  // namespace zeph::memory
