#include "common/win32/optional_functions.h"

#include <optional>

#include "common/win32/system_library.h"

namespace zeph::win32 {
namespace {

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& out) {
  out = module ? SystemFunction<Fn>(module, name) : nullptr;
  return out != nullptr;
}

std::optional<WinHttpFunctions> LoadWinHttp() {
  const HMODULE winhttp = LoadSystemLibrary(L"winhttp.dll");
  WinHttpFunctions f{};
  const bool complete =
      Resolve(winhttp, "WinHttpOpen", f.Open) && Resolve(winhttp, "WinHttpConnect", f.Connect) &&
      Resolve(winhttp, "WinHttpOpenRequest", f.OpenRequest) &&
      Resolve(winhttp, "WinHttpAddRequestHeaders", f.AddRequestHeaders) &&
      Resolve(winhttp, "WinHttpSendRequest", f.SendRequest) &&
      Resolve(winhttp, "WinHttpReceiveResponse", f.ReceiveResponse) &&
      Resolve(winhttp, "WinHttpQueryHeaders", f.QueryHeaders) &&
      Resolve(winhttp, "WinHttpQueryDataAvailable", f.QueryDataAvailable) &&
      Resolve(winhttp, "WinHttpReadData", f.ReadData) && Resolve(winhttp, "WinHttpCrackUrl", f.CrackUrl) &&
      Resolve(winhttp, "WinHttpCloseHandle", f.CloseHandle) && Resolve(winhttp, "WinHttpSetOption", f.SetOption) &&
      Resolve(winhttp, "WinHttpSetTimeouts", f.SetTimeouts);
  if (!complete) return std::nullopt;
  return f;
}

std::optional<VersionFunctions> LoadVersion() {
  const HMODULE version = LoadSystemLibrary(L"version.dll");
  VersionFunctions f{};
  const bool complete = Resolve(version, "GetFileVersionInfoSizeW", f.GetFileVersionInfoSizeW) &&
                        Resolve(version, "GetFileVersionInfoW", f.GetFileVersionInfoW) &&
                        Resolve(version, "VerQueryValueW", f.VerQueryValueW);
  if (!complete) return std::nullopt;
  return f;
}

}  // namespace

const Kernel32Functions& Kernel32() {
  static const Kernel32Functions functions = [] {
    Kernel32Functions f{};
    Resolve(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories", f.SetDefaultDllDirectories);
    return f;
  }();
  return functions;
}

const NtdllFunctions& Ntdll() {
  static const NtdllFunctions functions = [] {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    NtdllFunctions f{};
    Resolve(ntdll, "NtQuerySystemInformation", f.NtQuerySystemInformation);
    Resolve(ntdll, "NtSetSystemInformation", f.NtSetSystemInformation);
    return f;
  }();
  return functions;
}

const User32Functions& User32() {
  static const User32Functions functions = [] {
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    User32Functions f{};
    Resolve(user32, "ChangeWindowMessageFilterEx", f.ChangeWindowMessageFilterEx);
    Resolve(user32, "SetProcessDPIAware", f.SetProcessDPIAware);
    Resolve(user32, "SetProcessDpiAwarenessContext", f.SetProcessDpiAwarenessContext);
    Resolve(user32, "SetDialogDpiChangeBehavior", f.SetDialogDpiChangeBehavior);
    Resolve(user32, "GetDpiForSystem", f.GetDpiForSystem);
    Resolve(user32, "GetDpiForWindow", f.GetDpiForWindow);
    Resolve(user32, "GetSystemMetricsForDpi", f.GetSystemMetricsForDpi);
    Resolve(user32, "SystemParametersInfoForDpi", f.SystemParametersInfoForDpi);
    Resolve(user32, "AdjustWindowRectExForDpi", f.AdjustWindowRectExForDpi);
    return f;
  }();
  return functions;
}

const Comctl32Functions& Comctl32() {
  static const Comctl32Functions functions = [] {
    Comctl32Functions f{};
    Resolve(::GetModuleHandleW(L"comctl32.dll"), "LoadIconWithScaleDown", f.LoadIconWithScaleDown);
    return f;
  }();
  return functions;
}

const UxthemeFunctions& Uxtheme() {
  static const UxthemeFunctions functions = [] {
    UxthemeFunctions f{};
    Resolve(LoadSystemLibrary(L"uxtheme.dll"), "SetWindowTheme", f.SetWindowTheme);
    return f;
  }();
  return functions;
}

const DwmapiFunctions& Dwmapi() {
  static const DwmapiFunctions functions = [] {
    DwmapiFunctions f{};
    Resolve(LoadSystemLibrary(L"dwmapi.dll"), "DwmSetWindowAttribute", f.DwmSetWindowAttribute);
    return f;
  }();
  return functions;
}

const OleaccFunctions& Oleacc() {
  static const OleaccFunctions functions = [] {
    const HMODULE oleacc = LoadSystemLibrary(L"oleacc.dll");
    OleaccFunctions f{};
    Resolve(oleacc, "CreateStdAccessibleObject", f.CreateStdAccessibleObject);
    Resolve(oleacc, "LresultFromObject", f.LresultFromObject);
    return f;
  }();
  return functions;
}

const ShcoreFunctions& Shcore() {
  static const ShcoreFunctions functions = [] {
    ShcoreFunctions f{};
    Resolve(LoadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor", f.GetDpiForMonitor);
    return f;
  }();
  return functions;
}

const WinHttpFunctions* WinHttp() {
  static const std::optional<WinHttpFunctions> functions = LoadWinHttp();
  return functions ? &*functions : nullptr;
}

const VersionFunctions* Version() {
  static const std::optional<VersionFunctions> functions = LoadVersion();
  return functions ? &*functions : nullptr;
}

}  // namespace zeph::win32
