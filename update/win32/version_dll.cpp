#include "update/win32/version_dll.h"

#include <optional>

#include "common/win32/system_library.h"

namespace zeph::update {
namespace {

std::optional<VersionDll> Load() {
  const HMODULE module = LoadSystemLibrary(L"version.dll");
  if (!module) return std::nullopt;
  VersionDll dll{
      SystemFunction<decltype(&::GetFileVersionInfoSizeW)>(module, "GetFileVersionInfoSizeW"),
      SystemFunction<decltype(&::GetFileVersionInfoW)>(module, "GetFileVersionInfoW"),
      SystemFunction<decltype(&::VerQueryValueW)>(module, "VerQueryValueW"),
  };
  if (!dll.GetFileVersionInfoSizeW || !dll.GetFileVersionInfoW || !dll.VerQueryValueW) return std::nullopt;
  return dll;
}

}  // namespace

const VersionDll* Version() {
  static const std::optional<VersionDll> dll = Load();
  return dll ? &*dll : nullptr;
}

}  // namespace zeph::update
