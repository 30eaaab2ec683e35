#pragma once
// What the settings store needs of the Windows registry: open (or create) one key,
// ask a value's type and size, read it, write it, close the key. Data travel as the
// registry stores them: strings are UTF-16LE bytes with their terminating null.
// The Win32 implementation is config/win32/registry_win32.h; tests use
// config/testing/fake_registry.h.
#include <cstdint>
#include <memory>
#include <string>

namespace zeph::config {

// A Win32 error code as the registry functions return it (LSTATUS).
using RegStatus = std::int32_t;
inline constexpr RegStatus kErrorSuccess = 0;
inline constexpr RegStatus kErrorFileNotFound = 2;
inline constexpr RegStatus kErrorAccessDenied = 5;
inline constexpr RegStatus kErrorInvalidHandle = 6;
inline constexpr RegStatus kErrorMoreData = 234;

// Root keys by their handle values.
using RootKey = std::uint32_t;
inline constexpr RootKey kHkeyCurrentUser = 0x80000001;

inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// Value types by their Windows numbers.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// One open key. Destroying it closes the key (RegCloseKey).
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;

  // RegQueryValueExW without a data buffer: the value's type and size in bytes.
  virtual RegStatus QueryValueInfo(const std::wstring& name, std::uint32_t& type, std::uint32_t& size) = 0;
  // RegQueryValueExW into `data`: `size` is the buffer's capacity on entry and the
  // data's size on return. A buffer that is too small gives kErrorMoreData with the
  // size needed; the type is reported in either case.
  virtual RegStatus QueryValue(const std::wstring& name, std::uint32_t& type, std::uint8_t* data,
                               std::uint32_t& size) = 0;
  // RegSetValueExW: replaces the value, whatever its former type.
  virtual RegStatus SetValue(const std::wstring& name, std::uint32_t type, const std::uint8_t* data,
                             std::uint32_t size) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;

  // RegCreateKeyExW(root, subKey, 0, no class, REG_OPTION_NON_VOLATILE, access, no
  // security attributes): opens the key, creating it and any missing parents.
  // On success `key` holds the open key; on failure it is left empty.
  virtual RegStatus CreateKey(RootKey root, const std::wstring& subKey, std::uint32_t access,
                              std::unique_ptr<RegistryKey>& key) = 0;
};

}  // namespace zeph::config
