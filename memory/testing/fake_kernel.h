#pragma once
// A recording stand-in for the kernel and token calls. Figures and failures are
// set by the test; every NtSetSystemInformation request is kept with its bytes.
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "memory/kernel.h"

namespace zeph::memory::testing {

class FakeKernel : public Kernel {
 public:
  struct SetRequest {
    std::uint32_t infoClass;
    std::vector<std::uint8_t> bytes;
  };

  // GlobalMemoryStatusEx
  MemoryStatusEx status{};
  bool statusSucceeds = true;
  // NtQuerySystemInformation(21)
  FileCacheInformation fileCache{};
  NtStatus fileCacheStatus = 0;
  // NtSetSystemInformation
  NtStatus setStatus = 0;
  std::vector<SetRequest> setRequests;
  // Token calls: each one's outcome and the last error it leaves behind.
  bool openTokenSucceeds = true;
  std::uint32_t openTokenError = 5;  // ERROR_ACCESS_DENIED
  std::optional<Luid> knownLuid = Luid{20, 0};
  std::uint32_t lookupError = 1313;  // ERROR_NO_SUCH_PRIVILEGE
  std::uint32_t adjustError = 0;     // 1300 when the token lacks the privilege
  // The system message table: each code has its own text; a code not listed has none.
  std::map<std::uint32_t, std::wstring> messages = {
      {5, L"Access is denied.\r\n"},
      {1300, L"Not all privileges or groups referenced are assigned to the caller.\r\n"},
      {1313, L"A specified privilege does not exist.\r\n"},
  };

  // What the token calls were given.
  std::vector<std::string> tokenCalls;
  std::uint32_t openAccess = 0;
  std::wstring lookedUpName;
  std::optional<TokenPrivilege> adjustRequest;
  std::optional<TokenPrivilege> adjustPrevious;
  std::uint32_t adjustLength = 0;
  std::uint32_t adjustReturnLength = 0xFFFFFFFF;
  bool adjustDisableAll = true;
  int openTokens = 0;
  std::uint32_t lastError = 0;

  int statusCalls = 0;
  std::uint32_t statusLength = 0;
  std::uint32_t queryLength = 0;

  bool GlobalMemoryStatusEx(MemoryStatusEx& out) override {
    ++statusCalls;
    statusLength = out.dwLength;
    if (!statusSucceeds) return false;
    const auto length = out.dwLength;
    out = status;
    out.dwLength = length;
    return true;
  }

  NtStatus NtQuerySystemInformation(std::uint32_t infoClass, void* buffer, std::uint32_t length) override {
    queryLength = length;
    if (infoClass != kSystemFileCacheInformation || length != sizeof(FileCacheInformation))
      return static_cast<NtStatus>(0xC0000004);
    if (fileCacheStatus != 0) return fileCacheStatus;
    std::memcpy(buffer, &fileCache, sizeof(fileCache));
    return 0;
  }

  NtStatus NtSetSystemInformation(std::uint32_t infoClass, void* buffer, std::uint32_t length) override {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    setRequests.push_back({infoClass, std::vector<std::uint8_t>(bytes, bytes + length)});
    return setStatus;
  }

  bool OpenProcessToken(std::uint32_t desiredAccess, TokenHandle& token) override {
    tokenCalls.push_back("OpenProcessToken");
    openAccess = desiredAccess;
    if (!openTokenSucceeds) {
      lastError = openTokenError;
      return false;
    }
    token = 0x1234;
    ++openTokens;
    return true;
  }

  bool LookupPrivilegeValueW(const std::wstring& name, Luid& luid) override {
    tokenCalls.push_back("LookupPrivilegeValueW");
    lookedUpName = name;
    if (!knownLuid) {
      lastError = lookupError;
      return false;
    }
    luid = *knownLuid;
    return true;
  }

  bool AdjustTokenPrivileges(TokenHandle, bool disableAll, const TokenPrivilege& newState,
                             std::uint32_t bufferLength, TokenPrivilege& previousState,
                             std::uint32_t& returnLength) override {
    tokenCalls.push_back("AdjustTokenPrivileges");
    adjustDisableAll = disableAll;
    adjustRequest = newState;
    adjustPrevious = previousState;
    adjustLength = bufferLength;
    adjustReturnLength = returnLength;
    lastError = adjustError;  // set even though the call "succeeds", as Windows does
    return true;
  }

  void CloseHandle(TokenHandle) override {
    tokenCalls.push_back("CloseHandle");
    --openTokens;
  }

  std::uint32_t GetLastError() override { return lastError; }
  std::wstring FormatSystemMessage(std::uint32_t code) override {
    const auto found = messages.find(code);
    return found != messages.end() ? found->second : std::wstring();
  }
};

}  // namespace zeph::memory::testing
