#pragma once
// What the update unit needs of Windows, one small interface per service. The real
// calls are in update/win32/platform_win32.h; tests use update/testing/fake_platform.h,
// which records every call with its arguments.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zeph::update {

// An HWND, carried opaquely so the logic needs no Windows headers.
using WindowHandle = void*;

struct HttpHeader {
  std::wstring name;
  std::wstring value;
};

enum class HttpResult {
  Reply,     // a response arrived, whatever its status code
  Failed,    // nothing usable arrived: no connection, name, TLS, time-out, a broken transfer
  TooLarge,  // the reply is larger than any update reply can be: a broken server, not a network fault
};

// One GET request. The headers are added in the given order after the client's own.
class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // On Reply, `body` is the response's text, decoded with the charset the response
  // declares (UTF-8 when it declares none); otherwise `body` is left alone.
  virtual HttpResult Get(const std::wstring& url, const std::vector<HttpHeader>& headers, std::wstring& body) = 0;
};

// VS_FIXEDFILEINFO's two version fields.
struct FileVersion {
  std::uint32_t dwFileVersionMS;
  std::uint32_t dwFileVersionLS;
};

// The version block of the running executable.
class VersionBlock {
 public:
  virtual ~VersionBlock() = default;
  // Nothing when the executable carries no version block or it cannot be read.
  virtual std::optional<FileVersion> RunningExeVersion() const = 0;
};

inline constexpr int kSwShowNormal = 1;

class Shell {
 public:
  virtual ~Shell() = default;
  // Has the desktop shell's own process (Explorer, running with the user's ordinary
  // rights) open `file`, so that what it starts is not elevated like this program.
  // False when no desktop shell can be reached or it refused the request.
  virtual bool ExecuteAsDesktopUser(const std::wstring& verb, const std::wstring& file, int showCommand) = 0;
  // ShellExecuteW(owner, verb, file, no parameters, no directory, showCommand) in this
  // process; its result is of no interest to anyone.
  virtual void Execute(WindowHandle owner, const std::wstring& verb, const std::wstring& file,
                       int showCommand) = 0;
};

inline constexpr std::uint32_t kMbYesNoInformationTopmost = 0x00050044;  // YESNO|ICONINFORMATION|SETFOREGROUND|TOPMOST
inline constexpr int kIdYes = 6;

class Prompt {
 public:
  virtual ~Prompt() = default;
  // MessageBoxW: the button the user pressed (IDYES, IDNO, ...), 0 when it failed.
  virtual int Show(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                   std::uint32_t flags) = 0;
};

// A manual-reset event that the worker sleeps on between attempts and that the
// program sets when the worker must stop (the window is closing).
class StopEvent {
 public:
  virtual ~StopEvent() = default;
  virtual void Set() = 0;
  // Waits until the event is set or `milliseconds` have passed; true when it is set.
  virtual bool Wait(std::uint32_t milliseconds) = 0;
};

}  // namespace zeph::update
