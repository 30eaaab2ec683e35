#include "config/tconfig.h"

#include <vector>

#include "common/error.h"
#include "common/utf.h"

namespace zeph::config {
namespace {

[[noreturn]] void Fail(const wchar_t* what, const std::wstring& name) {
  throw Error(std::wstring(what) + L" for '" + name + L"'");
}

}  // namespace

TConfig::TConfig(Registry& registry, const std::wstring& path) {
  // The outcome is deliberately not checked: without a key every read falls back
  // to its default and every write reports its failure.
  registry.CreateKey(kHkeyCurrentUser, L"Software\\" + path, kKeyAllAccess, FReg);
}

TConfig::~TConfig() = default;

bool TConfig::Exists(const std::wstring& name, std::uint32_t& size) const {
  std::uint32_t type = kRegNone;
  size = 0;
  return FReg && FReg->QueryValueInfo(name, type, size) == kErrorSuccess;
}

bool TConfig::ReadBoolean(const std::wstring& name, bool defaultValue) const {
  std::uint32_t size;
  if (!Exists(name, size)) return defaultValue;
  return ReadDword(name) != 0;
}

std::int32_t TConfig::ReadInteger(const std::wstring& name, std::int32_t defaultValue) const {
  std::uint32_t size;
  if (!Exists(name, size)) return defaultValue;
  return ReadDword(name);
}

std::int32_t TConfig::ReadDword(const std::wstring& name) const {
  // Zeroed, so a REG_DWORD stored with fewer than four bytes reads as those bytes.
  std::uint8_t data[4] = {};
  std::uint32_t type = kRegNone;
  std::uint32_t size = sizeof(data);
  if (FReg->QueryValue(name, type, data, size) != kErrorSuccess) Fail(L"Failed to get data", name);
  if (type != kRegDword) Fail(L"Invalid data type", name);
  return static_cast<std::int32_t>(std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 |
                                    std::uint32_t(data[2]) << 16 | std::uint32_t(data[3]) << 24);
}

std::wstring TConfig::ReadString(const std::wstring& name, const std::wstring& defaultValue) const {
  std::uint32_t size;
  if (!Exists(name, size)) return defaultValue;
  if (size == 0) return std::wstring();
  // The buffer holds every byte the size query announced, also an odd last one;
  // only whole UTF-16 units become characters.
  std::vector<std::uint8_t> data(size);
  std::uint32_t type = kRegNone;
  if (FReg->QueryValue(name, type, data.data(), size) != kErrorSuccess) Fail(L"Failed to get data", name);
  if (type != kRegSz && type != kRegExpandSz) Fail(L"Invalid data type", name);
  std::wstring text = Utf16LeToWide(data.data(), size);
  // Environment references stay as they are; the text ends at its first null.
  if (const auto end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
  return text;
}

void TConfig::Write(const std::wstring& name, std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
  if (!FReg || FReg->SetValue(name, type, data, size) != kErrorSuccess) Fail(L"Failed to set data", name);
}

bool TConfig::WriteBoolean(const std::wstring& name, bool value) {
  WriteInteger(name, value ? 1 : 0);
  return value;
}

std::int32_t TConfig::WriteInteger(const std::wstring& name, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  const std::uint8_t data[4] = {std::uint8_t(bits), std::uint8_t(bits >> 8), std::uint8_t(bits >> 16),
                                std::uint8_t(bits >> 24)};
  Write(name, kRegDword, data, sizeof(data));
  return value;
}

std::wstring TConfig::WriteString(const std::wstring& name, const std::wstring& value) {
  std::vector<std::uint8_t> data = WideToUtf16Le(value);
  data.push_back(0);
  data.push_back(0);
  Write(name, kRegSz, data.data(), static_cast<std::uint32_t>(data.size()));
  return value;
}

}  // namespace zeph::config
