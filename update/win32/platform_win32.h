#pragma once
// The real services behind the update unit: WinHTTP, the executable's version
// resource, the shell, MessageBoxW and a Win32 event.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/dispatcher.h"
#include "common/win32/handles.h"
#include "update/platform.h"
#include "update/update.h"

namespace zeph::update {

// One WinHTTP session per request, with the system's proxy settings, WinHTTP's
// certificate checks and TLS 1.2 asked for (AskForModernTls). GET keeps WinHTTP's
// default time-outs.
class Win32HttpClient final : public HttpClient {
 public:
  HttpResult Get(const std::wstring& url, const std::vector<HttpHeader>& headers, std::wstring& body) override;
  // One POST of `body`, sent as it is, with time-outs that bound the whole request to
  // about a minute. On Reply, `status` is the response's status code.
  HttpResult Post(const std::wstring& url, const std::vector<HttpHeader>& headers, const std::string& body,
                  unsigned& status);
};

// WinHTTP on Windows 7 and 8 offers only SSL 3 and TLS 1.0 unless a session asks for
// more, which those systems allow once an update adds the option; systems that do not
// know TLS 1.3 refuse its flag. Tries TLS 1.2 with 1.3, then TLS 1.2 alone, through
// `setOption` (WINHTTP_OPTION_SECURE_PROTOCOLS); answers the flags accepted, 0 when
// both were refused and the system's defaults stay.
std::uint32_t AskForModernTls(const std::function<bool(std::uint32_t flags)>& setOption);

// The version resource of the file the process was started from.
class Win32VersionBlock final : public VersionBlock {
 public:
  std::optional<FileVersion> RunningExeVersion() const override;
};

// Through Explorer's own shell view (update/win32/shell_win32.cpp), asked on a
// thread of its own with its own apartment; the caller waits at most
// `timeoutMilliseconds` and then gets false while that thread runs on alone. Safe
// on any thread that may block that long, never on the UI thread.
class Win32Shell final : public Shell {
 public:
  explicit Win32Shell(std::uint32_t timeoutMilliseconds = kDesktopShellTimeoutMilliseconds)
      : timeoutMilliseconds_(timeoutMilliseconds) {}
  bool ExecuteAsDesktopUser(const std::wstring& verb, const std::wstring& file, int showCommand) override;

 private:
  std::uint32_t timeoutMilliseconds_;
};

// The system's own MessageBoxW, for the update check run on its own (update_check_demo);
// the program hands the check its boxes in the window's look instead.
class Win32Prompt final : public MessageBoxes {
 public:
  int Show(WindowHandle owner, const std::wstring& text, const std::wstring& caption, std::uint32_t flags) override;
};

class Win32StopEvent final : public StopEvent {
 public:
  Win32StopEvent();
  void Set() override;
  bool Wait(std::uint32_t milliseconds) override;

 private:
  win32::UniqueHandle event_;  // manual reset; empty only if the system could not make one
  std::atomic<bool> set_{false};
};

// Everything CheckUpdate needs, with the real services, but for the address box,
// which is the program's own.
UpdateCheckEnvironment Win32UpdateCheckEnvironment(WindowHandle owner, std::wstring title, std::wstring userLanguage,
                                                   std::shared_ptr<UiDispatcher> ui);

}  // namespace zeph::update
