#include "update/win32/winhttp_dll.h"

#include <optional>

#include "common/win32/system_library.h"

namespace zeph::update {
namespace {

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& out) {
  out = SystemFunction<Fn>(module, name);
  return out != nullptr;
}

std::optional<WinHttpDll> Load() {
  const HMODULE module = LoadSystemLibrary(L"winhttp.dll");
  if (!module) return std::nullopt;
  WinHttpDll dll{};
  const bool complete = Resolve(module, "WinHttpOpen", dll.Open) && Resolve(module, "WinHttpConnect", dll.Connect) &&
                        Resolve(module, "WinHttpOpenRequest", dll.OpenRequest) &&
                        Resolve(module, "WinHttpAddRequestHeaders", dll.AddRequestHeaders) &&
                        Resolve(module, "WinHttpSendRequest", dll.SendRequest) &&
                        Resolve(module, "WinHttpReceiveResponse", dll.ReceiveResponse) &&
                        Resolve(module, "WinHttpQueryHeaders", dll.QueryHeaders) &&
                        Resolve(module, "WinHttpQueryDataAvailable", dll.QueryDataAvailable) &&
                        Resolve(module, "WinHttpReadData", dll.ReadData) &&
                        Resolve(module, "WinHttpCrackUrl", dll.CrackUrl) &&
                        Resolve(module, "WinHttpCloseHandle", dll.CloseHandle) &&
                        Resolve(module, "WinHttpSetOption", dll.SetOption) &&
                        Resolve(module, "WinHttpSetTimeouts", dll.SetTimeouts);
  if (!complete) return std::nullopt;
  return dll;
}

}  // namespace

const WinHttpDll* WinHttp() {
  static const std::optional<WinHttpDll> dll = Load();
  return dll ? &*dll : nullptr;
}

}  // namespace zeph::update
