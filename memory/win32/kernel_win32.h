#pragma once
// The real kernel and token calls. The two Nt* entry points are resolved from
// ntdll.dll once, when the object is made; a missing one fails its requests.
#include "memory/kernel.h"

namespace zeph::memory {

class Win32Kernel final : public Kernel {
 public:
  Win32Kernel();

  bool GlobalMemoryStatusEx(MemoryStatusEx& status) override;
  NtStatus NtQuerySystemInformation(std::uint32_t infoClass, void* buffer, std::uint32_t length) override;
  NtStatus NtSetSystemInformation(std::uint32_t infoClass, void* buffer, std::uint32_t length) override;
  bool OpenProcessToken(std::uint32_t desiredAccess, TokenHandle& token) override;
  bool LookupPrivilegeValueW(const std::wstring& name, Luid& luid) override;
  bool AdjustTokenPrivileges(TokenHandle token, bool disableAll, const TokenPrivilege& newState,
                             std::uint32_t bufferLength, TokenPrivilege& previousState,
                             std::uint32_t& returnLength) override;
  void CloseHandle(TokenHandle token) override;
  std::uint32_t GetLastError() override;
  std::wstring FormatSystemMessage(std::uint32_t code) override;

 private:
  using NtSystemInformationFn = long(__stdcall*)(unsigned long, void*, unsigned long, unsigned long*);
  using NtSetSystemInformationFn = long(__stdcall*)(unsigned long, void*, unsigned long);
  NtSystemInformationFn query_ = nullptr;
  NtSetSystemInformationFn set_ = nullptr;
};

}  // namespace zeph::memory
