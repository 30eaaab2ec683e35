#pragma once
// The real registry behind TConfig. The production code passes one Win32Registry
// to every TConfig it creates.
#include <windows.h>

#include "common/win32/handles.h"
#include "config/registry.h"

namespace zeph::config {

class Win32Registry final : public Registry {
 public:
  RegStatus CreateKey(RootKey root, const std::wstring& subKey, std::uint32_t access,
                      std::unique_ptr<RegistryKey>& key) override;
};

}  // namespace zeph::config
