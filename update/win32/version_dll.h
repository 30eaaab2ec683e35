#pragma once
// The version resource functions, resolved at run time from System32's
// version.dll, which is not among the DLLs Windows always takes from System32
// (common/win32/system_library.h).
#include <windows.h>

namespace zeph::update {

struct VersionDll {
  decltype(&::GetFileVersionInfoSizeW) GetFileVersionInfoSizeW;
  decltype(&::GetFileVersionInfoW) GetFileVersionInfoW;
  decltype(&::VerQueryValueW) VerQueryValueW;
};

// Null when version.dll or one of these functions is missing; the program then
// has no version to show. Safe from any thread: the first caller loads it, once.
const VersionDll* Version();

}  // namespace zeph::update
