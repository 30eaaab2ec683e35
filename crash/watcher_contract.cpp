#include "crash/watcher_contract.h"

namespace zeph::crash {

bool ParseWatcherArgument(const wchar_t* argument, std::uint64_t& handleValue) {
  if (argument == nullptr) return false;
  for (const wchar_t* p = kWatcherArgumentPrefix; *p != L'\0'; ++p, ++argument) {
    if (*argument != *p) return false;
  }
  std::uint64_t value = 0;
  std::size_t digits = 0;
  for (; *argument != L'\0'; ++argument, ++digits) {
    const wchar_t c = *argument;
    unsigned digit = 0;
    if (c >= L'0' && c <= L'9') {
      digit = static_cast<unsigned>(c - L'0');
    } else if (c >= L'a' && c <= L'f') {
      digit = static_cast<unsigned>(c - L'a' + 10);
    } else if (c >= L'A' && c <= L'F') {
      digit = static_cast<unsigned>(c - L'A' + 10);
    } else {
      return false;
    }
    if (digits == 16) return false;
    value = value * 16 + digit;
  }
  if (digits == 0 || value == 0) return false;
  handleValue = value;
  return true;
}

bool IsHandOverFor(const HandOverHeader& header, std::size_t mappedSize, std::size_t blockSize,
                   std::uint32_t selfProcessId, std::uint32_t parentProcessId) {
  return mappedSize >= blockSize && header.magic == kHandOverMagic && header.version == kHandOverVersion &&
         header.size == blockSize && header.watcherProcessId != 0 && header.watcherProcessId == selfProcessId &&
         header.parentProcessId != 0 && header.parentProcessId == parentProcessId;
}

}  // namespace zeph::crash
