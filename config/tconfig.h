#pragma once
// Unit Zeph.Config: TConfig, the program's only persistence. One object opens one
// key under HKEY_CURRENT_USER\Software for one load or one write and closes it when
// destroyed; there is no cache, the registry itself is the settings file.
#include <cstdint>
#include <memory>
#include <string>

#include "config/registry.h"

namespace zeph::config {

class TConfig {
 public:
  // Opens "Software\" + path under HKEY_CURRENT_USER, creating it. A key that can be
  // neither opened nor created is not an error here: reads then give their defaults
  // and writes fail.
  TConfig(Registry& registry, const std::wstring& path);
  ~TConfig();  // closes the key
  TConfig(const TConfig&) = delete;
  TConfig& operator=(const TConfig&) = delete;

  // Each read returns the default when the value does not exist, and throws
  // zeph::Error "Failed to get data for '<name>'" or "Invalid data type for '<name>'"
  // when it exists but cannot be read as that kind.
  bool ReadBoolean(const std::wstring& name, bool defaultValue) const;
  std::int32_t ReadInteger(const std::wstring& name, std::int32_t defaultValue) const;
  std::wstring ReadString(const std::wstring& name, const std::wstring& defaultValue) const;

  // Each write replaces the value, returns `value`, and throws zeph::Error
  // "Failed to set data for '<name>'" when the registry refuses it.
  bool WriteBoolean(const std::wstring& name, bool value);
  std::int32_t WriteInteger(const std::wstring& name, std::int32_t value);
  std::wstring WriteString(const std::wstring& name, const std::wstring& value);

 private:
  bool Exists(const std::wstring& name, std::uint32_t& size) const;
  std::int32_t ReadDword(const std::wstring& name) const;  // an existing value's integer reading
  void Write(const std::wstring& name, std::uint32_t type, const std::uint8_t* data, std::uint32_t size);

  std::unique_ptr<RegistryKey> FReg;  // empty when the key could not be opened
};

}  // namespace zeph::config
