#pragma once
// What the update unit needs of Windows, one small interface per service. The real
// calls are in update/win32/platform_win32.h; tests use update/testing/fake_platform.h,
// which records every call with its arguments.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/message_boxes.h"

namespace zeph::update {

using zeph::MessageBoxes;
using zeph::WindowHandle;

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

// The program runs elevated, and whatever it starts itself inherits that, so it
// never opens a page, a folder or a file itself: only the desktop shell does.
class Shell {
 public:
  virtual ~Shell() = default;
  // Has the desktop shell's own process (Explorer, running with the user's ordinary
  // rights) open `file`, so that what it starts is not elevated like this program.
  // False when no desktop shell can be reached, it refused the request, or it did
  // not answer in time: a hung Explorer blocks the caller for a few seconds at most,
  // so never call it on the UI thread.
  virtual bool ExecuteAsDesktopUser(const std::wstring& verb, const std::wstring& file, int showCommand) = 0;
};

// Where the desktop shell cannot open an address: a box that shows it, selectable,
// with a button that copies it, so the user can open it by hand. Returns when the
// user has closed it. UI thread.
class AddressBox {
 public:
  virtual ~AddressBox() = default;
  virtual void Show(WindowHandle owner, const std::wstring& caption, const std::wstring& address) = 0;
};

inline constexpr std::uint32_t kMbYesNoInformationTopmost = 0x00050044;  // YESNO|ICONINFORMATION|SETFOREGROUND|TOPMOST

// A manual-reset event: the update worker sleeps on one between attempts, which the
// program sets when the worker must stop (the window is closing); a bounded call
// waits on one for its worker's answer.
class StopEvent {
 public:
  virtual ~StopEvent() = default;
  virtual void Set() = 0;
  // Waits until the event is set or `milliseconds` have passed; true when it is set.
  virtual bool Wait(std::uint32_t milliseconds) = 0;
};

}  // namespace zeph::update
