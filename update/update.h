#pragma once
// Unit Zeph.Update: the program's own version, opening an address with the shell,
// and the background update check that asks the web endpoint for a newer version
// and offers the download.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/dispatcher.h"
#include "update/platform.h"

namespace zeph::update {

// The text between the first `startTag` (searched from character `offset`, 1-based)
// and the following `endTag`, both matched regardless of the letter case of a to z.
// When `endTag` is a double quote or an apostrophe, that quote escaped by a backslash
// does not end the text. Sets `offset` to the end tag's position + 1, or to 0 (and
// returns empty) when either tag is missing. An empty start tag starts at the first
// character; an empty end tag runs to the end of `source`.
std::wstring ExtractAt(const std::wstring& source, const std::wstring& startTag, const std::wstring& endTag,
                       int& offset);
// ExtractAt from the first character.
std::wstring ExtractBetween(const std::wstring& source, const std::wstring& startTag, const std::wstring& endTag);

// Decodes JSON string escapes: \" \' \/ \\ \b \f \n \r \t and \uXXXX (one UTF-16 code
// unit each, so a surrogate pair takes two escapes). Any other escaped character is
// dropped with its backslash, and so is a backslash at the very end. A \u escape uses
// the hexadecimal digits among the next four characters up to the first one that is
// not a digit; that character stays ordinary text, and a \u with no digit at all
// gives nothing.
std::wstring JsonUnescape(const std::wstring& s);

// The update prompt in the user's system language (two-letter code; English for
// every language without its own text).
std::wstring UpdatePromptText(const std::wstring& lang);

// Whether an address may be handed to the shell: a web address only ("https://" or
// "http://", any letter case, then a host, which ends at the first / ? or #), and
// nothing that could spill out of the quoted argument a browser is started with
// (blanks of any kind, control characters, double quotes) or make the address read
// differently from what it is (bidirectional controls). The program runs elevated:
// anything else would let an update reply start an arbitrary file or command.
bool IsWebAddress(const std::wstring& address);

// The file version of the running executable in `format`, whose "%d" placeholders
// take major, minor, release and build in that order ("%%" is a percent sign);
// "0.0.0.0" whatever the format when there is no version block.
std::wstring GetAppVersion(const VersionBlock& versionBlock, const std::wstring& format);

// How long a caller waits for the desktop shell to take an address: a hung or
// restarting Explorer must not hold the program.
inline constexpr std::uint32_t kDesktopShellTimeoutMilliseconds = 5000;

// Runs `call` on a worker from `threads` and waits at most `timeoutMilliseconds` for
// its answer, on `answered`, a fresh, unset event. False when it did not answer in
// time or no worker could be started. A worker that answers late runs on alone:
// it holds its own share of everything it uses, and its answer is dropped.
bool BoundedCall(ThreadStarter& threads, std::shared_ptr<StopEvent> answered, std::function<bool()> call,
                 std::uint32_t timeoutMilliseconds);

// What ShellOpen needs. The program never destroys these, so a worker may use them
// for as long as it runs.
struct ShellOpenServices {
  Shell& shell;
  AddressBox& addressBox;
  ThreadStarter& threads;
  UiDispatcher& ui;
};

// Opens the web address `target` ("open", shown normally) through the desktop
// shell, so the browser does not inherit this program's administrator rights. Call
// it on the UI thread: it returns at once and a worker asks the shell. Where the
// shell cannot take the address, the address box (owned by `owner`, with `caption`)
// offers it to copy, on the UI thread, unless the window has gone by then; at once
// when no worker can be started. Anything IsWebAddress refuses is not opened and not
// offered.
void ShellOpen(const ShellOpenServices& services, WindowHandle owner, const std::wstring& caption,
               const std::wstring& target);

// One request to the update endpoint with the headers "User-Version" (four-part
// version), "User-Language" and "User-Debug", in that order. On Reply `data` = the
// body, whatever the status code; otherwise `data` is untouched.
HttpResult RequestUpdateInfo(HttpClient& http, const VersionBlock& versionBlock, const std::wstring& url,
                             const std::wstring& lang, bool debug, std::wstring& data);

inline constexpr int kUpdateAttempts = 60;
inline constexpr std::uint32_t kUpdatePauseMilliseconds = 10000;

// Called once on the UI thread when the check ends: `updated` is true when the user
// accepted the download (the caller then closes the program); `data` is the reply's
// body, empty when no attempt succeeded.
using UpdateProc = std::function<void(bool updated, const std::wstring& data)>;

// What one check needs from the program. The worker thread keeps its own references
// to everything here, so none of it may depend on the window still existing; the
// prompt and the address box are only used on the UI thread while the window can
// still be reached through `ui`, the shell only on the worker.
struct UpdateCheckEnvironment {
  std::wstring userLanguage;      // GetUserLanguage's answer; the check uses its first two characters
  WindowHandle owner = 0;          // the application window: owner of the prompt and the address box
  std::wstring title;             // the application title: their caption
  std::shared_ptr<HttpClient> http;
  std::shared_ptr<const VersionBlock> versionBlock;
  std::shared_ptr<StopEvent> stop;  // a fresh, unset event for this check
  std::shared_ptr<MessageBoxes> prompt;
  std::shared_ptr<Shell> shell;
  std::shared_ptr<AddressBox> addressBox;
  std::shared_ptr<UiDispatcher> ui;
};

// The caller's hold on a running check.
class UpdateCheck {
 public:
  virtual ~UpdateCheck() = default;
  // The window is closing: a pause under way ends at once, no further attempt is
  // made and no prompt is shown. Proc still runs (with false) if the UI thread can
  // still be reached. Safe from any thread, and more than once.
  virtual void Stop() = 0;
};

// Starts the check on a worker thread and returns at once; call it on the UI thread.
// Up to kUpdateAttempts requests, each failed one followed by a pause of
// kUpdatePauseMilliseconds; a reply too large to be one ends the check at once with
// no update, since asking the same server again would only fetch it again. A
// download address in the reply's "update" member is then offered in the user's
// language on the UI thread while the worker waits. On Yes the worker has the
// desktop shell open it; where the shell cannot, the address box offers it on the
// UI thread, and Proc(true) follows once the user has closed that box. A
// hand-over that can no longer reach the UI thread is dropped. The check's state
// lives until both the caller's handle and the worker are gone.
std::shared_ptr<UpdateCheck> CheckUpdate(const std::wstring& url, bool debug, UpdateProc proc,
                                         UpdateCheckEnvironment environment, ThreadStarter& threads);

}  // namespace zeph::update
