#include "update/win32/platform_win32.h"

#include <windows.h>

#include <vector>

#include "common/win32/optional_functions.h"

namespace zeph::update {
namespace {

// The full path of the running executable, however long it is; empty on failure.
std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::optional<FileVersion> Win32VersionBlock::RunningExeVersion() const {
  const win32::VersionFunctions* version = win32::Version();
  if (!version) return std::nullopt;
  const std::wstring path = ModulePath();
  if (path.empty()) return std::nullopt;
  DWORD ignored = 0;
  const DWORD size = version->GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<unsigned char> block(size);
  if (!version->GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::nullopt;
  void* value = nullptr;
  UINT length = 0;
  if (!version->VerQueryValueW(block.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
  if (info->dwSignature != 0xFEEF04BD) return std::nullopt;
  return FileVersion{info->dwFileVersionMS, info->dwFileVersionLS};
}

int Win32Prompt::Show(WindowHandle owner, const std::wstring& text, const std::wstring& caption, std::uint32_t flags) {
  return ::MessageBoxW(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
}

Win32StopEvent::Win32StopEvent() : event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void Win32StopEvent::Set() {
  set_ = true;
  if (event_) ::SetEvent(event_.get());
}

bool Win32StopEvent::Wait(std::uint32_t milliseconds) {
  if (set_) return true;
  if (event_) return ::WaitForSingleObject(event_.get(), milliseconds) == WAIT_OBJECT_0;
  ::Sleep(milliseconds);
  return set_;
}

UpdateCheckEnvironment Win32UpdateCheckEnvironment(WindowHandle owner, std::wstring title, std::wstring userLanguage,
                                                   std::shared_ptr<UiDispatcher> ui) {
  UpdateCheckEnvironment env;
  env.userLanguage = std::move(userLanguage);
  env.owner = owner;
  env.title = std::move(title);
  env.http = std::make_shared<Win32HttpClient>();
  env.versionBlock = std::make_shared<Win32VersionBlock>();
  env.stop = std::make_shared<Win32StopEvent>();
  env.prompt = std::make_shared<Win32Prompt>();
  env.shell = std::make_shared<Win32Shell>();
  env.ui = std::move(ui);
  return env;
}

}  // namespace zeph::update
