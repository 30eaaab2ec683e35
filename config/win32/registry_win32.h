#pragma once
// The real registry behind TConfig. The production code passes one Win32Registry
// to every TConfig it creates.
#include <windows.h>

#include "common/unique_handle.h"
#include "config/registry.h"

namespace zeph::config {

struct HkeyTraits {
  using Value = HKEY;
  static constexpr HKEY Invalid() noexcept { return nullptr; }
  static void Close(HKEY key) noexcept { ::RegCloseKey(key); }
};
using UniqueHkey = UniqueAny<HkeyTraits>;

class Win32Registry final : public Registry {
 public:
  RegStatus CreateKey(RootKey root, const std::wstring& subKey, std::uint32_t access,
                      std::unique_ptr<RegistryKey>& key) override;
};

}  // namespace zeph::config
