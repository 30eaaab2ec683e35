#include "config/win32/registry_win32.h"

namespace zeph::config {
namespace {

static_assert(kKeyAllAccess == KEY_ALL_ACCESS);
static_assert(kRegSz == REG_SZ && kRegExpandSz == REG_EXPAND_SZ && kRegDword == REG_DWORD &&
              kRegBinary == REG_BINARY && kRegQword == REG_QWORD && kRegMultiSz == REG_MULTI_SZ);
static_assert(kErrorMoreData == ERROR_MORE_DATA && kErrorFileNotFound == ERROR_FILE_NOT_FOUND);

class Win32Key final : public RegistryKey {
 public:
  explicit Win32Key(win32::UniqueHkey key) : key_(std::move(key)) {}

  RegStatus QueryValueInfo(const std::wstring& name, std::uint32_t& type, std::uint32_t& size) override {
    DWORD nativeType = REG_NONE, nativeSize = 0;
    const LSTATUS status = ::RegQueryValueExW(key_.get(), name.c_str(), nullptr, &nativeType, nullptr, &nativeSize);
    type = nativeType;
    size = nativeSize;
    return status;
  }

  RegStatus QueryValue(const std::wstring& name, std::uint32_t& type, std::uint8_t* data,
                       std::uint32_t& size) override {
    DWORD nativeType = REG_NONE, nativeSize = size;
    const LSTATUS status = ::RegQueryValueExW(key_.get(), name.c_str(), nullptr, &nativeType, data, &nativeSize);
    type = nativeType;
    size = nativeSize;
    return status;
  }

  RegStatus SetValue(const std::wstring& name, std::uint32_t type, const std::uint8_t* data,
                     std::uint32_t size) override {
    return ::RegSetValueExW(key_.get(), name.c_str(), 0, type, data, size);
  }

 private:
  win32::UniqueHkey key_;
};

}  // namespace

RegStatus Win32Registry::CreateKey(RootKey root, const std::wstring& subKey, std::uint32_t access,
                                   std::unique_ptr<RegistryKey>& key) {
  key.reset();
  // Predefined root handles are sign-extended 32-bit values.
  const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(root)));
  win32::UniqueHkey opened;
  const LSTATUS status = ::RegCreateKeyExW(rootKey, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                           nullptr, opened.put(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  key = std::make_unique<Win32Key>(std::move(opened));
  return ERROR_SUCCESS;
}

}  // namespace zeph::config
